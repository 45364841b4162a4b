#include "hashlane.h"

#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

HashLane::HashLane(QObject *parent)
    : QObject(parent)
{
    connect(&job, &QFutureWatcher<void>::finished, this, &HashLane::jobEnded);
}

HashLane::~HashLane()
{
    job.waitForFinished();
}

void HashLane::add(const QByteArray &data)
{
    if (!data.isEmpty())
        queue({data, {}, 0}, data.size());
}

QThreadPool *HashLane::pool()
{
    static QThreadPool lanes;
    return &lanes;
}

void HashLane::addFile(const QString &path, qint64 size)
{
    // A file that is not there has no size; the job that fails to open it says so.
    const bool whole = size < 0;
    const qint64 bytes = whole ? QFileInfo(path).size() : size;
    queue({{}, path, 0, bytes, whole}, bytes);
}

void HashLane::queue(Piece piece, qint64 bytes)
{
    queued.append(std::move(piece));
    queuedBytes += bytes;
    if (!hashing)
        startJob();
}

void HashLane::keepOnly(Hasher::Algorithm algorithm)
{
    onlyAlgorithm = algorithm;
    if (!hashing)
        dropUnwanted();
}

// A hasher is only let go of between jobs, never under one.
void HashLane::dropUnwanted()
{
    if (!onlyAlgorithm)
        return;
    (*onlyAlgorithm == Hasher::Algorithm::Md5 ? digests.sha256 : digests.md5).reset();
}

// One job at a time, so that pieces are hashed in the order they came.
void HashLane::startJob()
{
    hashing = true;
    hashingBytes = 0;
    const QList<Piece> pieces = takeJobPieces(hashingBytes);
    queuedBytes -= hashingBytes;
    job.setFuture(QtConcurrent::run(pool(), &HashLane::hashPieces, pieces, &digests));
}

// Bytes as they were queued, and files up to MaxJobBytes in all: a file's region that goes
// beyond is split, its rest left first in the queue.
QList<HashLane::Piece> HashLane::takeJobPieces(qint64 &bytes)
{
    QList<Piece> pieces;
    while (!queued.isEmpty() && bytes < MaxJobBytes) {
        Piece &next = queued.first();
        const qint64 take =
            next.path.isEmpty() ? next.data.size() : std::min(next.size, MaxJobBytes - bytes);
        bytes += take;
        if (next.path.isEmpty() || take == next.size) {
            pieces << queued.takeFirst();
            continue;
        }
        pieces << Piece {{}, next.path, next.offset, take, false};
        next.offset += take;
        next.size -= take;
    }
    return pieces;
}

void HashLane::jobEnded()
{
    hashing = false;
    hashingBytes = 0;
    dropUnwanted();
    if (!queued.isEmpty())
        startJob();
    emit progressed();
    if (ending && !hashing)
        takeResults();
}

void HashLane::finish()
{
    ending = true;
    if (!hashing)
        takeResults();
}

void HashLane::takeResults()
{
    ending = false;
    const auto hexOf = [this](std::unique_ptr<Hasher> &hasher) {
        return hasher && !digests.readFailed ? QString::fromLatin1(hasher->result().toHex())
                                             : QString();
    };
    md5Hex = hexOf(digests.md5);
    sha256Hex = hexOf(digests.sha256);
    emit finished();
}

QString HashLane::digest(Hasher::Algorithm algorithm) const
{
    return algorithm == Hasher::Algorithm::Md5 ? md5Hex : sha256Hex;
}

// Runs on the thread pool: touches nothing but its arguments.
void HashLane::hashPieces(const QList<Piece> &pieces, Digests *digests)
{
    for (const Piece &piece : pieces) {
        if (piece.path.isEmpty())
            digests->add(piece.data);
        else if (!digests->readFailed && !hashRegion(piece, digests))
            digests->readFailed = true;
    }
}

void HashLane::Digests::add(const QByteArray &data)
{
    for (Hasher *hasher : {md5.get(), sha256.get()}) {
        if (hasher)
            hasher->addData(data);
    }
}

bool HashLane::hashRegion(const Piece &piece, Digests *digests)
{
    QFile file(piece.path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(piece.offset))
        return false;
    qint64 left = piece.size;
    while (left > 0) {
        const QByteArray block = file.read(std::min(left, ReadBlockSize));
        if (block.isEmpty())
            return false;
        digests->add(block);
        left -= block.size();
    }
    // A file that grew while it was hashed is not the one whose size was taken.
    return !piece.lastOfFile || (file.error() == QFileDevice::NoError && file.atEnd());
}

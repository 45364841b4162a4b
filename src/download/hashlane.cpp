#include "hashlane.h"

#include <QFile>
#include <QtConcurrent/QtConcurrentRun>

#include <limits>

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

void HashLane::addFile(const QString &path, qint64 size)
{
    queue({{}, path, size}, std::max<qint64>(size, 0));
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

// One job takes everything queued so far, so that pieces are hashed in the order they came.
void HashLane::startJob()
{
    hashing = true;
    hashingBytes = queuedBytes;
    queuedBytes = 0;
    job.setFuture(QtConcurrent::run(&HashLane::hashPieces, std::exchange(queued, {}), &digests));
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
    const auto hash = [digests](const QByteArray &data) {
        for (Hasher *hasher : {digests->md5.get(), digests->sha256.get()}) {
            if (hasher)
                hasher->addData(data);
        }
    };
    for (const Piece &piece : pieces) {
        if (piece.path.isEmpty()) {
            hash(piece.data);
            continue;
        }
        QFile file(piece.path);
        if (!file.open(QIODevice::ReadOnly)) {
            digests->readFailed = true;
            continue;
        }
        const bool whole = piece.size < 0;
        qint64 left = whole ? std::numeric_limits<qint64>::max() : piece.size;
        while (left > 0) {
            const QByteArray block = file.read(std::min(left, ReadBlockSize));
            if (block.isEmpty())
                break;
            hash(block);
            left -= block.size();
        }
        const bool complete =
            whole ? file.error() == QFileDevice::NoError && file.atEnd() : left == 0;
        digests->readFailed = digests->readFailed || !complete;
    }
}

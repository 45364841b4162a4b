#ifndef HASHLANE_H
#define HASHLANE_H

#include "platform/hasher.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>

#include <memory>
#include <optional>

class QThreadPool;

/**
 * The MD5 and SHA-256 of a stream of bytes, taken in order on the program's own thread pool so
 * that hashing a large package neither holds up the window nor waits for the one core the
 * window runs on. A job hashes at most MaxJobBytes of a file, so no lane keeps a thread for long:
 * a transfer's lane never waits behind the check of a large copy, and a lane that goes waits for
 * one job at most. Everything else about the lane, its queue included, lives on the thread that
 * created it; a job only ever touches the pieces and hashers it was given, and reports back
 * through the event loop.
 */
class HashLane : public QObject
{
    Q_OBJECT
public:
    explicit HashLane(QObject *parent = nullptr);
    /** Waits for the job in progress, which uses the lane's hashers; the rest is dropped. */
    ~HashLane() override;

    /** Queues the next bytes of the stream. */
    void add(const QByteArray &data);
    /** Queues the file at path, read by the jobs themselves: its first size bytes, or, when
        size is negative, all it holds now, which must then be all it holds when the last of it
        is read. A file that cannot be read so makes both digests empty. */
    void addFile(const QString &path, qint64 size = -1);
    /** Takes only the digest of that algorithm from now on. */
    void keepOnly(Hasher::Algorithm algorithm);
    /** Bytes queued and not yet hashed. */
    qint64 backlog() const { return queuedBytes + hashingBytes; }
    /** True while more may be queued without memory growing beyond a few pieces. */
    bool hasRoom() const { return backlog() < MaxBacklog; }

    /** Ends the stream: finished() follows once every queued byte is hashed, at once when
        nothing is left. */
    void finish();
    /** After finished(): the digest of that algorithm in lowercase hex; empty when it was not
        kept, or a file could not be read. */
    QString digest(Hasher::Algorithm algorithm) const;

    /** Bytes a job reads from a file at a time. */
    static constexpr qint64 ReadBlockSize = 1024 * 1024;
    /** Bytes of files one job hashes at most. */
    static constexpr qint64 MaxJobBytes = 4 * 1024 * 1024;
    /** Bytes queued at most before hasRoom() says no. */
    static constexpr qint64 MaxBacklog = 2 * 1024 * 1024;

    /** The threads every lane hashes on: the program's own, not Qt's global pool, where other
        work could hold a lane up. */
    static QThreadPool *pool();

signals:
    /** A job has ended and taken its share of the backlog. */
    void progressed();
    /** Every queued byte is hashed and digest() holds the results. */
    void finished();

private:
    /** The next piece of the stream: bytes, or a region of a file to read. */
    struct Piece
    {
        QByteArray data;
        QString path;
        qint64 offset = 0;
        qint64 size = 0;
        bool lastOfFile = false; // the file must end where the region does
    };
    struct Digests
    {
        std::unique_ptr<Hasher> md5 {std::make_unique<Hasher>(Hasher::Algorithm::Md5)};
        std::unique_ptr<Hasher> sha256 {std::make_unique<Hasher>(Hasher::Algorithm::Sha256)};
        bool readFailed = false;
        /** Feeds data to the hashers still kept. */
        void add(const QByteArray &data);
    };

    void queue(Piece piece, qint64 bytes);
    QList<Piece> takeJobPieces(qint64 &bytes);
    void startJob();
    void jobEnded();
    void dropUnwanted();
    void takeResults();
    static void hashPieces(const QList<Piece> &pieces, Digests *digests);
    static bool hashRegion(const Piece &piece, Digests *digests);

    QList<Piece> queued;
    qint64 queuedBytes = 0;
    qint64 hashingBytes = 0;
    QFutureWatcher<void> job;
    Digests digests;
    std::optional<Hasher::Algorithm> onlyAlgorithm;
    bool hashing = false; // a job holds the hashers
    bool ending = false;
    QString md5Hex;
    QString sha256Hex;
};

#endif // HASHLANE_H

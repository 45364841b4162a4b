#ifndef HASHLANE_H
#define HASHLANE_H

#include "platform/hasher.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>

#include <memory>
#include <optional>

/**
 * The MD5 and SHA-256 of a stream of bytes, taken in order on Qt's thread pool so that hashing
 * a large package neither holds up the window nor waits for the one core the window runs on.
 * Everything else about the lane, its queue included, lives on the thread that created it; a
 * hashing job only ever touches the pieces and hashers it was given, and reports back through
 * the event loop.
 */
class HashLane : public QObject
{
    Q_OBJECT
public:
    explicit HashLane(QObject *parent = nullptr);
    /** Waits for a job in progress, which uses the lane's hashers. */
    ~HashLane() override;

    /** Queues the next bytes of the stream. */
    void add(const QByteArray &data);
    /** Queues the file at path, read by the job itself: its first size bytes, or all of it when
        size is negative. A file that cannot be read that far makes both digests empty. */
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
    /** Bytes queued at most before hasRoom() says no. */
    static constexpr qint64 MaxBacklog = 2 * 1024 * 1024;

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
        qint64 size = 0;
    };
    struct Digests
    {
        std::unique_ptr<Hasher> md5 {std::make_unique<Hasher>(Hasher::Algorithm::Md5)};
        std::unique_ptr<Hasher> sha256 {std::make_unique<Hasher>(Hasher::Algorithm::Sha256)};
        bool readFailed = false;
    };

    void queue(Piece piece, qint64 bytes);
    void startJob();
    void jobEnded();
    void dropUnwanted();
    void takeResults();
    static void hashPieces(const QList<Piece> &pieces, Digests *digests);

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

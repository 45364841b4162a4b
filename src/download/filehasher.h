#ifndef FILEHASHER_H
#define FILEHASHER_H

#include "platform/hasher.h"

#include <QByteArray>
#include <QFile>
#include <QObject>

/**
 * Hashes a whole file a block per turn of the event loop, so that the window stays responsive
 * however large the file is. Starts with the next turn and signals hashed() once.
 */
class FileHasher : public QObject
{
    Q_OBJECT
public:
    FileHasher(const QString &path, Hasher::Algorithm algorithm, QObject *parent = nullptr);

    /** Bytes hashed per turn: a few milliseconds' work for the slowest implementation. */
    static constexpr qint64 BlockSize = 2 * 1024 * 1024;

signals:
    /** The file's digest in lowercase hex; empty when it could not be read. */
    void hashed(FileHasher *hasher, const QString &digest);

private:
    void hashNextBlock();
    void scheduleNextBlock();

    QFile file;
    Hasher hash;
    QByteArray block;
};

#endif // FILEHASHER_H

#include "filehasher.h"

#include <QTimer>

FileHasher::FileHasher(const QString &path, Hasher::Algorithm algorithm, QObject *parent)
    : QObject(parent)
    , file(path)
    , hash(algorithm)
{
    // Not from within the constructor, so that the creator can connect first.
    scheduleNextBlock();
}

void FileHasher::hashNextBlock()
{
    if (!file.isOpen() && !file.open(QIODevice::ReadOnly)) {
        emit hashed(this, QString());
        return;
    }
    block.resize(BlockSize);
    const qint64 read = file.read(block.data(), block.size());
    if (read > 0) {
        hash.addData(block.constData(), read);
        scheduleNextBlock();
        return;
    }
    file.close();
    emit hashed(this, read < 0 ? QString() : QString::fromLatin1(hash.result().toHex()));
}

void FileHasher::scheduleNextBlock()
{
    QTimer::singleShot(0, this, &FileHasher::hashNextBlock);
}

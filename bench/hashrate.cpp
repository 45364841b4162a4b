// How fast each hashing implementation of the build hashes on this machine, one thread each,
// fed in the pieces a transfer delivers: prints one line "<implementation> <algorithm> <MB/s>"
// each, the best of three rounds.
//
// Usage: bench_hashrate [MiB]   (default 512)

#include "download/downloadmanager.h"
#include "platform/hasher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <cstdio>

namespace {

constexpr int Rounds = 3;

double megabytesPerSecond(Hasher::Implementation implementation, Hasher::Algorithm algorithm,
    const QByteArray &piece, qint64 pieces)
{
    qint64 fastest = -1;
    for (int round = 0; round < Rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        Hasher hasher(algorithm, implementation);
        for (qint64 i = 0; i < pieces; ++i)
            hasher.addData(piece);
        if (hasher.result().isEmpty())
            return 0;
        const qint64 elapsed = timer.nsecsElapsed();
        fastest = fastest < 0 ? elapsed : qMin(fastest, elapsed);
    }
    return double(piece.size()) * pieces * 1000.0 / double(qMax<qint64>(fastest, 1));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 512;
    QByteArray piece(DownloadManager::ReadBufferSize, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(
        reinterpret_cast<quint32 *>(piece.data()), piece.size() / int(sizeof(quint32)));
    const qint64 pieces = mib * 1024 * 1024 / piece.size();
    for (const Hasher::Implementation implementation : Hasher::implementations()) {
        const QByteArray name = Hasher::implementationName(implementation).toLatin1();
        std::printf("%s MD5 %.0f\n", name.constData(),
            megabytesPerSecond(implementation, Hasher::Algorithm::Md5, piece, pieces));
        std::printf("%s SHA-256 %.0f\n", name.constData(),
            megabytesPerSecond(implementation, Hasher::Algorithm::Sha256, piece, pieces));
    }
    return 0;
}

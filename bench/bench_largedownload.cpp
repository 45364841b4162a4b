// Fetches and verifies one large package through FileManager from a loopback server and checks
// that the program's peak memory does not grow with the package's size.
//
// Usage: bench_largedownload [MiB]   (default 1024)

#include "download/filemanager.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr qint64 Block = 1 << 20;
// Memory growth allowed while a package of any size is fetched and hashed.
constexpr long MaxGrowthKiB = 64 * 1024;

long peakKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QByteArray block(qint64 index)
{
    QByteArray data(Block, char(index * 7 + 1));
    data[0] = char(index);
    return data;
}

QByteArray digestOf(qint64 blocks)
{
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (qint64 i = 0; i < blocks; ++i)
        hash.addData(block(i));
    return hash.result().toHex();
}

// Serves "/big.msi" as generated blocks, writing only as fast as the client reads, and
// "/big.md5" as its digest line. Lives in its own thread, like a real server.
class StreamingServer : public QTcpServer
{
public:
    StreamingServer(qint64 blocks, QByteArray digest)
        : blocks(blocks)
        , digest(std::move(digest))
    {
        connect(this, &QTcpServer::newConnection, this, &StreamingServer::serveNext);
    }

private:
    void serveNext()
    {
        QTcpSocket *socket = nextPendingConnection();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    void answer(QTcpSocket *socket)
    {
        const QByteArray request = socket->readAll();
        if (request.startsWith("GET /big.md5")) {
            const QByteArray body = digest + " big.msi\n";
            socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: "
                + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
            return;
        }
        socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(blocks * Block) + "\r\n\r\n");
        auto next = std::make_shared<qint64>(0);
        auto feed = [this, socket, next] {
            while (*next < blocks && socket->bytesToWrite() < 4 * Block)
                socket->write(block((*next)++));
            if (*next == blocks && socket->bytesToWrite() == 0)
                socket->disconnectFromHost();
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, feed);
        feed();
    }

    qint64 blocks;
    QByteArray digest;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;

    QThread serverThread;
    StreamingServer server(mib, digestOf(mib));
    server.moveToThread(&serverThread);
    serverThread.start();
    quint16 port = 0;
    QMetaObject::invokeMethod(
        &server,
        [&] {
            server.listen(QHostAddress::LocalHost);
            port = server.serverPort();
        },
        Qt::BlockingQueuedConnection);

    FileManager files;
    QDir(files.getInstallsPath()).removeRecursively();
    const long before = peakKiB();
    QElapsedTimer timer;
    timer.start();
    QObject::connect(&files, &FileManager::allFilesDone, &app, &QCoreApplication::quit);
    files.getFiles({QStringLiteral("http://127.0.0.1:%1/big.msi").arg(port)});
    app.exec();
    const double seconds = timer.elapsed() / 1000.0;
    const long growth = peakKiB() - before;

    const QFileInfo package(QDir(files.getInstallsPath()).filePath(QStringLiteral("big.msi")));
    const bool complete = package.size() == mib * Block && files.getGivenUpFiles().isEmpty();
    std::printf("package %lld MiB: fetched and verified in %.1f s (%.0f MiB/s), "
                "peak memory grew by %ld KiB (limit %ld KiB)\n",
        mib, seconds, mib / seconds, growth, MaxGrowthKiB);
    QDir(files.getInstallsPath()).removeRecursively();
    QMetaObject::invokeMethod(
        &server, [&] { server.close(); }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();

    if (!complete) {
        std::puts("FAIL: the package was not fetched whole");
        return 1;
    }
    return growth <= MaxGrowthKiB ? 0 : 1;
}

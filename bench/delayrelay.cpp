// A TCP relay on 127.0.0.1 that holds every piece of a request for a while before passing it
// on, so that a server on the same machine answers as if it were far away. Answers flow back
// at once.
//
// Usage: bench_delayrelay <upstream port> <delay in ms>
// Prints the port it listens on, then relays until it is terminated.

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>

namespace {

void relay(QTcpSocket *client, quint16 upstreamPort, int delay)
{
    auto upstream = new QTcpSocket(client);
    upstream->connectToHost(QHostAddress::LocalHost, upstreamPort);
    QObject::connect(client, &QTcpSocket::readyRead, upstream, [=] {
        const QByteArray request = client->readAll();
        QTimer::singleShot(delay, upstream, [=] { upstream->write(request); });
    });
    QObject::connect(
        upstream, &QTcpSocket::readyRead, client, [=] { client->write(upstream->readAll()); });
    QObject::connect(upstream, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
    QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: bench_delayrelay <upstream port> <delay in ms>\n", stderr);
        return 2;
    }
    const auto upstreamPort = quint16(QByteArray(argv[1]).toUInt());
    const int delay = QByteArray(argv[2]).toInt();

    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 1;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket *client = server.nextPendingConnection())
            relay(client, upstreamPort, delay);
    });
    std::printf("%u\n", server.serverPort());
    std::fflush(stdout);
    return app.exec();
}

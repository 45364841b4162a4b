#include "faultserver.h"

#include "childserver.h"

#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace {

// Long enough for the client to see each piece in a read of its own.
constexpr int PieceInterval = 15;

QByteArray reasonPhrase(int status)
{
    static const QHash<int, QByteArray> phrases {{200, "OK"}, {206, "Partial Content"},
        {301, "Moved Permanently"}, {302, "Found"}, {404, "Not Found"},
        {500, "Internal Server Error"}};
    return phrases.value(status, "Status");
}

// The value of a request header, without regard to the case of its name.
QByteArray headerValue(const QByteArray &requestHead, const QByteArray &name)
{
    const QList<QByteArray> lines = requestHead.split('\n');
    for (const QByteArray &line : lines) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return QByteArray();
}

} // namespace

FaultServer::FaultServer(QObject *parent)
    : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &FaultServer::acceptConnections);
    if (!server.listen(QHostAddress::LocalHost, 0))
        qFatal("the fault server cannot listen on 127.0.0.1");
}

QUrl FaultServer::url(const QString &path) const
{
    return ChildServer::localUrl(server.serverPort(), path);
}

QUrl FaultServer::refusingUrl(const QString &path)
{
    return ChildServer::localUrl(ChildServer::freePort(), path);
}

void FaultServer::release(const QString &path)
{
    const auto held = heldResponses;
    heldResponses.clear();
    for (const HeldResponse &entry : held) {
        if (!path.isNull() && entry.path != path)
            heldResponses << entry;
        else if (entry.socket)
            respond(entry.socket, entry.response);
    }
    const auto paused = pausedResponses;
    pausedResponses.clear();
    for (const auto &entry : paused)
        sendPieces(entry.first, entry.second);
}

FaultServer::Response FaultServer::ok(const QByteArray &body, int pieceCount)
{
    Response response;
    const int size = (body.size() + pieceCount - 1) / pieceCount;
    for (int offset = 0; offset < body.size(); offset += size)
        response.pieces << body.mid(offset, size);
    return response;
}

FaultServer::Response FaultServer::status(int code)
{
    Response response = ok("status " + QByteArray::number(code) + " body");
    response.status = code;
    return response;
}

FaultServer::Response FaultServer::redirect(const QByteArray &location, int code)
{
    Response response = ok("this redirection body is no package");
    response.status = code;
    response.headers << qMakePair(QByteArray("Location"), location);
    return response;
}

FaultServer::Response FaultServer::truncated(const QByteArray &body, qint64 announced)
{
    Response response = ok(body);
    response.announcedLength = announced;
    return response;
}

FaultServer::Response FaultServer::stalled(const QByteArray &firstPiece, qint64 announced)
{
    Response response = truncated(firstPiece, announced);
    response.stall = true;
    return response;
}

FaultServer::Response FaultServer::paused(const QByteArray &firstPiece, const QByteArray &rest)
{
    Response response;
    response.pieces << firstPiece << rest;
    response.pauseAfter = 1;
    return response;
}

FaultServer::Response FaultServer::reset(const QByteArray &firstPiece, qint64 announced)
{
    Response response = truncated(firstPiece, announced);
    response.reset = true;
    return response;
}

FaultServer::Response FaultServer::held(const QByteArray &body)
{
    Response response = ok(body);
    response.held = true;
    return response;
}

FaultServer::Response FaultServer::tagged(Response response, const QByteArray &etag)
{
    response.headers << qMakePair(QByteArray("ETag"), etag);
    return response;
}

FaultServer::Response FaultServer::ranged(const QByteArray &body, const QByteArray &etag)
{
    Response response = tagged(ok(body), etag);
    response.honoursRanges = true;
    return response;
}

FaultServer::Response FaultServer::part(
    const QByteArray &body, qint64 first, const QByteArray &etag)
{
    Response response = tagged(ok(body.mid(first)), etag);
    response.status = 206;
    response.headers << qMakePair(QByteArray("Content-Range"),
        "bytes " + QByteArray::number(first) + '-' + QByteArray::number(body.size() - 1) + '/'
            + QByteArray::number(body.size()));
    return response;
}

FaultServer::Response FaultServer::answerRange(Response response, const QByteArray &requestHead)
{
    const QByteArray range = headerValue(requestHead, "Range");
    const QByteArray ifRange = headerValue(requestHead, "If-Range");
    QByteArray etag;
    for (const auto &header : qAsConst(response.headers)) {
        if (header.first == "ETag")
            etag = header.second;
    }
    if (!range.startsWith("bytes=") || !range.endsWith('-')
        || (!ifRange.isEmpty() && ifRange != etag))
        return response;
    const QByteArray body = response.pieces.join();
    const qint64 first = range.mid(6, range.size() - 7).toLongLong();
    if (first <= 0 || first >= body.size())
        return response;
    return part(body, first, etag);
}

void FaultServer::acceptConnections()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            partialRequests.remove(socket);
            socket->deleteLater();
        });
    }
}

void FaultServer::readRequest(QTcpSocket *socket)
{
    QByteArray &request = partialRequests[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n"))
        return;
    // "GET /path HTTP/1.1"
    const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = QString::fromLatin1(requestLine.value(1));
    const QByteArray head = request.left(request.indexOf("\r\n\r\n"));
    partialRequests.remove(socket);
    log << path;
    rangeLog[path] << headerValue(head, "Range");
    Response response = nextResponse(path);
    if (response.honoursRanges)
        response = answerRange(response, head);
    for (const QByteArray &piece : qAsConst(response.pieces))
        bodyBytes[path] += piece.size();
    if (response.held)
        heldResponses << HeldResponse {socket, path, response};
    else
        respond(socket, response);
}

FaultServer::Response FaultServer::nextResponse(const QString &path)
{
    const auto found = script.find(path);
    if (found == script.end() || found->isEmpty())
        return status(404);
    return found->size() > 1 ? found->takeFirst() : found->first();
}

void FaultServer::respond(QTcpSocket *socket, const Response &response)
{
    const qint64 length =
        response.announcedLength >= 0 ? response.announcedLength : response.pieces.join().size();
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
        + reasonPhrase(response.status) + "\r\n";
    if (!response.unannounced)
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    head += "Content-Type: application/octet-stream\r\nConnection: close\r\n";
    for (const auto &header : response.headers)
        head += header.first + ": " + header.second + "\r\n";
    socket->write(head + "\r\n");
    sendPieces(socket, response);
}

void FaultServer::sendPieces(QPointer<QTcpSocket> socket, Response rest)
{
    if (!socket)
        return;
    if (rest.pauseAfter == 0) {
        rest.pauseAfter = -1;
        socket->flush();
        pausedResponses << qMakePair(socket, rest);
        return;
    }
    if (!rest.pieces.isEmpty())
        socket->write(rest.pieces.takeFirst());
    socket->flush();
    if (rest.pieces.isEmpty()) {
        if (rest.reset)
            breakOff(socket);
        else if (!rest.stall)
            socket->disconnectFromHost();
        return;
    }
    // The pause begins with the piece before it: a client that has that piece may release it.
    if (--rest.pauseAfter == 0)
        sendPieces(socket, rest);
    else
        QTimer::singleShot(PieceInterval, this, [this, socket, rest] { sendPieces(socket, rest); });
}

void FaultServer::breakOff(QTcpSocket *socket)
{
    // Closing with a zero linger time sends a reset instead of the orderly end.
    const linger immediately {1, 0};
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &immediately,
        sizeof immediately);
    socket->abort();
}

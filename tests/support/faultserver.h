#ifndef FAULTSERVER_H
#define FAULTSERVER_H

#include <QByteArrayList>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

/**
 * A scripted HTTP/1.1 server on 127.0.0.1 for download tests. Each path answers with the
 * responses given for it, one per request in order, the last one repeating; any other path
 * answers 404. Every request is logged by its path as sent, percent-escapes included, with its
 * Range header, and the body bytes sent are counted.
 */
class FaultServer : public QObject
{
    Q_OBJECT
public:
    /** One scripted answer. */
    struct Response
    {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        /** The body, sent in pieces a few milliseconds apart. */
        QByteArrayList pieces;
        /** The Content-Length sent; -1 sends the body's real length. */
        qint64 announcedLength = -1;
        /** Send no Content-Length: the body ends when the connection closes. */
        bool unannounced = false;
        /** Send this many pieces, then wait for release() before the rest; -1 never waits. */
        int pauseAfter = -1;
        /** After the pieces, keep the connection open and send nothing more. */
        bool stall = false;
        /** After the pieces, break the connection off with a TCP reset. */
        bool reset = false;
        /** Answer only when release() is called. */
        bool held = false;
        /** Answer a range request ("bytes=<first>-") with 206 and the rest of the body, unless
            its If-Range differs from this response's ETag. */
        bool honoursRanges = false;
    };

    /** A stall time-out for clients of this server: short, so that the stall cases end soon,
        yet far above the pauses a busy machine makes between two pieces of a body. */
    static constexpr int ClientStallTimeout = 1000;

    /** Listens on a free port of 127.0.0.1 at once; where that fails, no test of it could run,
        so the test stops there. */
    explicit FaultServer(QObject *parent = nullptr);

    /** http://127.0.0.1:<port> followed by path. */
    QUrl url(const QString &path) const;
    /** The same on a port of 127.0.0.1 where nothing listens: connections are refused. */
    static QUrl refusingUrl(const QString &path);
    /** What path answers from now on, one response per request, the last one repeating. */
    void serve(const QString &path, const QList<Response> &responses) { script[path] = responses; }
    /** Answers the held requests of path, or every held request when path is null. */
    void release(const QString &path = QString());
    /** The paths requested so far, in order. */
    QStringList requests() const { return log; }
    /** How often path has been requested. */
    int count(const QString &path) const { return log.count(path); }
    /** The Range header of every request for path so far, in order; empty where there was
        none. */
    QList<QByteArray> ranges(const QString &path) const { return rangeLog.value(path); }
    /** Body bytes sent so far for path, over all its requests. */
    qint64 bodyBytesSent(const QString &path) const { return bodyBytes.value(path); }

    /** 200 with body, cut into the given number of pieces. */
    static Response ok(const QByteArray &body, int pieceCount = 1);
    /** A bare status with a short text body. */
    static Response status(int code);
    /** A redirection to location, with a body that must never be stored. */
    static Response redirect(const QByteArray &location, int code = 302);
    /** 200 announcing more bytes than body, then the connection is closed. */
    static Response truncated(const QByteArray &body, qint64 announced);
    /** 200 announcing announced bytes, sending firstPiece, then falling silent. */
    static Response stalled(const QByteArray &firstPiece, qint64 announced);
    /** 200 announcing announced bytes, sending firstPiece, then resetting the connection. */
    static Response reset(const QByteArray &firstPiece, qint64 announced);
    /** 200 with body, sent only on release(). */
    static Response held(const QByteArray &body);
    /** 200 with body in two pieces, the second sent only on release(). */
    static Response paused(const QByteArray &firstPiece, const QByteArray &rest);
    /** response with an ETag header. */
    static Response tagged(Response response, const QByteArray &etag);
    /** 200 with body and etag, or 206 with its rest for a range request on that etag. */
    static Response ranged(const QByteArray &body, const QByteArray &etag);
    /** 206 with body from first on and etag, whatever the request asked for. */
    static Response part(const QByteArray &body, qint64 first, const QByteArray &etag);

private:
    void acceptConnections();
    void readRequest(QTcpSocket *socket);
    Response nextResponse(const QString &path);
    void respond(QTcpSocket *socket, const Response &response);
    static Response answerRange(Response response, const QByteArray &requestHead);
    /** Sends rest's pieces one by one, then ends, stalls or resets as rest asks. */
    void sendPieces(QPointer<QTcpSocket> socket, Response rest);
    static void breakOff(QTcpSocket *socket);

    QHash<QString, QList<Response>> script;
    QHash<QTcpSocket *, QByteArray> partialRequests;
    struct HeldResponse
    {
        QPointer<QTcpSocket> socket;
        QString path;
        Response response;
    };
    QList<HeldResponse> heldResponses;
    QList<QPair<QPointer<QTcpSocket>, Response>> pausedResponses;
    QStringList log;
    QHash<QString, QList<QByteArray>> rangeLog;
    QHash<QString, qint64> bodyBytes;
    // Last, so that it goes first: its sockets report their end to the members above.
    QTcpServer server;
};

#endif // FAULTSERVER_H

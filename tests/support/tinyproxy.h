#ifndef TINYPROXY_H
#define TINYPROXY_H

#include "childserver.h"

#include <QStringList>

/**
 * The system's tinyproxy (/usr/bin/tinyproxy), run as a child of the test on 127.0.0.1 with a
 * configuration and log of its own in folder: an HTTP proxy that also tunnels https with
 * CONNECT, and, given a user, one that answers 407 until Basic credentials come with the
 * request.
 */
class TinyProxy : public ChildServer
{
public:
    /** folder: a new folder for the proxy's own files. */
    explicit TinyProxy(const QString &folder);

    /** Starts the proxy; a non-empty user makes it demand Basic credentials. False when it did
        not start. */
    bool start(const QString &user = QString(), const QString &password = QString());
    /** Whether it takes connections yet. */
    bool isListening() const;
    /** http://127.0.0.1:<port>, as http_proxy takes it. */
    QString url() const;
    /** The requests the proxy has logged so far, one line each: "GET http://host/path" or
        "CONNECT host:port". */
    QStringList requests() const;
    /** The whole log, for failure messages. */
    QString logText() const;

private:
    quint16 port = 0;
};

#endif // TINYPROXY_H

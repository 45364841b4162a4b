#ifndef TINYPROXY_H
#define TINYPROXY_H

#include "childserver.h"

/**
 * The system's tinyproxy (/usr/bin/tinyproxy), run as a child of the test on 127.0.0.1 with a
 * configuration and log of its own in its folder: an HTTP proxy on url() that also tunnels https
 * with CONNECT, and, given a user, one that answers 407 until Basic credentials come with the
 * request.
 */
class TinyProxy : public ChildServer
{
public:
    using ChildServer::ChildServer;

    /** Starts the proxy; a non-empty user makes it demand Basic credentials. False when it did
        not start. */
    bool start(const QString &user = QString(), const QString &password = QString());
    /** The requests the proxy has logged so far, one line each: "GET http://host/path" or
        "CONNECT host:port". */
    QStringList requests() const;
    /** The whole log, for failure messages. */
    QString logText() const;
};

#endif // TINYPROXY_H

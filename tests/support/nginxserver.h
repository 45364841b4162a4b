#ifndef NGINXSERVER_H
#define NGINXSERVER_H

#include "childserver.h"

/**
 * The system's nginx (/usr/sbin/nginx), run as a child of the test on 127.0.0.1 with a
 * configuration, logs and temporary folders of its own in its folder. It serves one folder over
 * HTTP on url() and HTTPS on secureUrl(); /downgrade/<name> on HTTPS answers 302 to
 * http://.../<name>.
 */
class NginxServer : public ChildServer
{
public:
    using ChildServer::ChildServer;

    /** Starts serving root, over HTTPS with certificate and key. False when nginx did not
        start; errorText() then says why. */
    bool start(const QString &root, const QString &certificate, const QString &key);
    /** Whether both ports take connections yet. */
    bool isListening() const;
    /** What nginx wrote to its error logs. */
    QString errorText() const;
    /** The requests nginx has logged so far, one line each: method and path. */
    QStringList requests() const;
    /** https://127.0.0.1:<port> followed by path. */
    QUrl secureUrl(const QString &path) const;

private:
    QString configuration(
        const QString &root, const QString &certificate, const QString &key) const;

    const quint16 httpsPort = freePort();
};

#endif // NGINXSERVER_H

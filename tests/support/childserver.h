#ifndef CHILDSERVER_H
#define CHILDSERVER_H

#include <QProcess>
#include <QString>
#include <QUrl>

/**
 * A server the test runs as a child process on 127.0.0.1 (nginx, tinyproxy), on a port of its
 * own, with its configuration and logs in a folder of its own. It is stopped, politely then
 * firmly, when the object goes.
 */
class ChildServer
{
    Q_DISABLE_COPY(ChildServer)
public:
    /** folder: a new folder for the server's own files, made when it starts. */
    explicit ChildServer(const QString &folder);

    /** Whether the child runs and takes connections on its port. */
    bool isListening() const;
    /** http://127.0.0.1:<port> followed by path. */
    QUrl url(const QString &path = QString()) const { return localUrl(port, path); }

    /** A port of 127.0.0.1 that was free a moment ago; a child takes it over at once. */
    static quint16 freePort();
    /** Whether something on 127.0.0.1 takes connections on port. */
    static bool takesConnections(quint16 port);
    /** scheme://127.0.0.1:<port> followed by path. */
    static QUrl localUrl(
        quint16 port, const QString &path, const QString &scheme = QStringLiteral("http"));

protected:
    ~ChildServer();

    /** Makes the folder, writes configuration to the file configName in it, then starts program
        with arguments; false when any of them fails. */
    bool start(const QString &configName, const QString &configuration, const QString &program,
        const QStringList &arguments);
    /** The file of that name in the server's folder. */
    QString file(const QString &name) const;
    /** The text of that file; empty while the server has not written it. */
    QString text(const QString &name) const;

    QProcess process;
    const QString folder;
    const quint16 port = freePort();
};

#endif // CHILDSERVER_H

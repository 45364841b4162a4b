#ifndef CHILDSERVER_H
#define CHILDSERVER_H

#include <QProcess>
#include <QString>

/**
 * A server the test runs as a child process on 127.0.0.1 (nginx, tinyproxy), with its
 * configuration and logs in a folder of its own. It is stopped, politely then firmly, when the
 * object goes.
 */
class ChildServer
{
public:
    ChildServer(const ChildServer &) = delete;
    ChildServer &operator=(const ChildServer &) = delete;

    /** A port of 127.0.0.1 that was free a moment ago; the child takes it over at once. */
    static quint16 freePort();
    /** Whether something on 127.0.0.1 takes connections on port. */
    static bool takesConnections(quint16 port);

protected:
    /** folder: for the server's own files, made when it starts. */
    explicit ChildServer(const QString &folder);
    ~ChildServer();

    /** Makes the folder, writes configuration to the file configName in it, then starts program
        with arguments; false when any of them fails. */
    bool start(const QString &configName, const QString &configuration, const QString &program,
        const QStringList &arguments);
    /** Whether the child runs and takes connections on port. */
    bool isListening(quint16 port) const;
    /** The file of that name in the server's folder. */
    QString file(const QString &name) const;

    QProcess process;

private:
    QString folder;
};

#endif // CHILDSERVER_H

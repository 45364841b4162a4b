#include "childserver.h"

#include "testfiles.h"

#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>

ChildServer::ChildServer(const QString &folder)
    : folder(folder)
{ }

ChildServer::~ChildServer()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool ChildServer::isListening() const
{
    return process.state() == QProcess::Running && takesConnections(port);
}

quint16 ChildServer::freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

bool ChildServer::takesConnections(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(200);
}

QUrl ChildServer::localUrl(quint16 port, const QString &path, const QString &scheme)
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(port).arg(path));
}

bool ChildServer::start(const QString &configName, const QString &configuration,
    const QString &program, const QStringList &arguments)
{
    if (!QDir().mkpath(folder) || !TestFiles::writeFile(file(configName), configuration.toUtf8()))
        return false;
    process.start(program, arguments);
    return process.waitForStarted(5000);
}

QString ChildServer::file(const QString &name) const
{
    return QDir(folder).filePath(name);
}

QString ChildServer::text(const QString &name) const
{
    return QString::fromUtf8(TestFiles::contentsOf(file(name)));
}

#include "tinyproxy.h"
#include "childserver.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

const QString tinyproxyBinary = QStringLiteral("/usr/bin/tinyproxy");

} // namespace

TinyProxy::TinyProxy(const QString &folder)
    : folder(folder)
{ }

TinyProxy::~TinyProxy()
{
    ChildServer::stop(process);
}

bool TinyProxy::start(const QString &user, const QString &password)
{
    port = ChildServer::freePort();
    QString text = QStringLiteral("Port %1\n"
                                  "Listen 127.0.0.1\n"
                                  "Timeout 60\n"
                                  "MaxClients 100\n"
                                  "Allow 127.0.0.1\n"
                                  "LogLevel Connect\n"
                                  "LogFile \"%2\"\n")
                       .arg(port)
                       .arg(file(QStringLiteral("tinyproxy.log")));
    if (!user.isEmpty())
        text += QStringLiteral("BasicAuth %1 %2\n").arg(user, password);
    QFile config(file(QStringLiteral("tinyproxy.conf")));
    if (!config.open(QIODevice::WriteOnly) || config.write(text.toUtf8()) < 0)
        return false;
    config.close();
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    // -d: stay in the foreground, a child of the test.
    process.start(tinyproxyBinary, {QStringLiteral("-d"), QStringLiteral("-c"), config.fileName()});
    return process.waitForStarted(5000);
}

bool TinyProxy::isListening() const
{
    return process.state() == QProcess::Running && ChildServer::takesConnections(port);
}

QString TinyProxy::url() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

QStringList TinyProxy::requests() const
{
    // "CONNECT   Dec 07 10:59:01.035 [32301]: Request (file descriptor 5): GET http://... HTTP/1.1"
    static const QRegularExpression request(QStringLiteral(": Request \\(file descriptor \\d+\\): "
                                                           "(\\S+ \\S+)"));
    QStringList result;
    const QStringList lines = logText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = request.match(line);
        if (match.hasMatch())
            result << match.captured(1);
    }
    return result;
}

QString TinyProxy::logText() const
{
    QFile log(file(QStringLiteral("tinyproxy.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

QString TinyProxy::file(const QString &name) const
{
    return QDir(folder).filePath(name);
}

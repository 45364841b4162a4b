#include "tinyproxy.h"

#include "testfiles.h"

#include <QRegularExpression>

namespace {

const QString tinyproxyBinary = QStringLiteral("/usr/bin/tinyproxy");

} // namespace

TinyProxy::TinyProxy(const QString &folder)
    : ChildServer(folder)
{ }

bool TinyProxy::start(const QString &user, const QString &password)
{
    port = freePort();
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
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    // -d: stay in the foreground, a child of the test.
    return ChildServer::start(QStringLiteral("tinyproxy.conf"), text, tinyproxyBinary,
        {QStringLiteral("-d"), QStringLiteral("-c"), file(QStringLiteral("tinyproxy.conf"))});
}

bool TinyProxy::isListening() const
{
    return ChildServer::isListening(port);
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
    return QString::fromUtf8(TestFiles::contentsOf(file(QStringLiteral("tinyproxy.log"))));
}

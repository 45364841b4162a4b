#include "tinyproxy.h"

#include <QRegularExpression>

bool TinyProxy::start(const QString &user, const QString &password)
{
    QString configuration = QStringLiteral("Port %1\n"
                                           "Listen 127.0.0.1\n"
                                           "Timeout 60\n"
                                           "MaxClients 100\n"
                                           "Allow 127.0.0.1\n"
                                           "LogLevel Connect\n"
                                           "LogFile \"%2\"\n")
                                .arg(port)
                                .arg(file(QStringLiteral("tinyproxy.log")));
    if (!user.isEmpty())
        configuration += QStringLiteral("BasicAuth %1 %2\n").arg(user, password);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    // -d: stay in the foreground, a child of the test.
    return ChildServer::start(QStringLiteral("tinyproxy.conf"), configuration,
        QStringLiteral("/usr/bin/tinyproxy"),
        {QStringLiteral("-d"), QStringLiteral("-c"), file(QStringLiteral("tinyproxy.conf"))});
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
    return text(QStringLiteral("tinyproxy.log"));
}

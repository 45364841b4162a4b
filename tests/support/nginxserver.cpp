#include "nginxserver.h"

bool NginxServer::start(const QString &root, const QString &certificate, const QString &key)
{
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    // -e keeps even the messages before the configuration is read away from /var/log/nginx.
    return ChildServer::start(QStringLiteral("nginx.conf"), configuration(root, certificate, key),
        QStringLiteral("/usr/sbin/nginx"),
        {QStringLiteral("-p"), folder, QStringLiteral("-c"), file(QStringLiteral("nginx.conf")),
            QStringLiteral("-e"), file(QStringLiteral("early-error.log")), QStringLiteral("-g"),
            QStringLiteral("daemon off;")});
}

bool NginxServer::isListening() const
{
    return ChildServer::isListening() && takesConnections(httpsPort);
}

QString NginxServer::errorText() const
{
    return text(QStringLiteral("early-error.log")) + text(QStringLiteral("error.log"));
}

QStringList NginxServer::requests() const
{
    return text(QStringLiteral("access.log")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QUrl NginxServer::secureUrl(const QString &path) const
{
    return localUrl(httpsPort, path, QStringLiteral("https"));
}

QString NginxServer::configuration(
    const QString &root, const QString &certificate, const QString &key) const
{
    // One process, no user switch: it runs with the test's rights and dies with SIGTERM.
    return QStringLiteral("master_process off;\n"
                          "pid \"%1\";\n"
                          "error_log \"%2\" info;\n"
                          "events { worker_connections 64; }\n"
                          "http {\n"
                          "  log_format minimal '$request_method $request_uri';\n"
                          "  access_log \"%3\" minimal;\n"
                          "  client_body_temp_path \"%4/body\";\n"
                          "  proxy_temp_path \"%4/proxy\";\n"
                          "  fastcgi_temp_path \"%4/fastcgi\";\n"
                          "  uwsgi_temp_path \"%4/uwsgi\";\n"
                          "  scgi_temp_path \"%4/scgi\";\n"
                          "  default_type application/octet-stream;\n"
                          "  root \"%5\";\n"
                          "  server { listen 127.0.0.1:%6; }\n"
                          "  server {\n"
                          "    listen 127.0.0.1:%7 ssl;\n"
                          "    ssl_certificate \"%8\";\n"
                          "    ssl_certificate_key \"%9\";\n"
                          "    location /downgrade/ {\n"
                          "      rewrite ^/downgrade/(.*)$ http://127.0.0.1:%6/$1 redirect;\n"
                          "    }\n"
                          "  }\n"
                          "}\n")
        .arg(file(QStringLiteral("nginx.pid")), file(QStringLiteral("error.log")),
            file(QStringLiteral("access.log")), folder, root, QString::number(port),
            QString::number(httpsPort), certificate, key);
}

#include "virtualdisplay.h"

namespace {

constexpr int StartTimeout = 20000;

} // namespace

VirtualDisplay::~VirtualDisplay()
{
    if (server.state() == QProcess::NotRunning)
        return;
    server.terminate();
    if (!server.waitForFinished(5000))
        server.kill();
    server.waitForFinished(5000);
}

bool VirtualDisplay::start()
{
    // With -displayfd Xvfb writes the display number it took to that descriptor once it is
    // ready for clients.
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral("Xvfb"),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
            QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
            QStringLiteral("0"), QStringLiteral("1024x768x24")});
    if (!server.waitForStarted(StartTimeout))
        return false;
    QByteArray number;
    while (!number.contains('\n') && server.waitForReadyRead(StartTimeout))
        number += server.readAllStandardOutput();
    if (!number.contains('\n'))
        return false;
    display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    return true;
}

#include "win32elevation.h"

#include "platform/win32installer.h"

#include <QDir>
#include <QRegularExpression>
#include <QWinEventNotifier>

std::unique_ptr<Elevation> createElevation()
{
    return std::make_unique<Win32Elevation>();
}

bool Win32Elevation::isElevated()
{
    return Win32Installer::isElevated();
}

Elevation::Start Win32Elevation::startElevated(const QString &program, const QStringList &arguments,
    std::function<void(int exitCode)> finished)
{
    bool refused = false;
    void *process =
        Win32Installer::startElevatedIfRequired(QDir::toNativeSeparators(program).toStdWString(),
            commandLine(arguments).toStdWString(), refused);
    if (!process)
        return refused ? Start::Refused : Start::Failed;
    auto notifier = new QWinEventNotifier(process);
    QObject::connect(notifier, &QWinEventNotifier::activated, notifier,
        [notifier, process, finished = std::move(finished)] {
            notifier->setEnabled(false);
            notifier->deleteLater();
            finished(int(Win32Installer::takeExitCode(process)));
        });
    return Start::Started;
}

QString Win32Elevation::commandLine(const QStringList &arguments)
{
    QStringList quoted;
    for (QString argument : arguments) {
        // Windows splits at tabs and line breaks as well as at blanks.
        static const QRegularExpression needsQuotes(QStringLiteral("[ \\t\\n\\v\"]"));
        if (!argument.isEmpty() && !argument.contains(needsQuotes)) {
            quoted << argument;
            continue;
        }
        // CommandLineToArgvW's rules: back-slashes are literal unless a double quote follows.
        argument.replace(
            QRegularExpression(QStringLiteral("(\\\\*)\"")), QStringLiteral("\\1\\1\\\""));
        argument.replace(QRegularExpression(QStringLiteral("(\\\\+)$")), QStringLiteral("\\1\\1"));
        quoted << QLatin1Char('"') + argument + QLatin1Char('"');
    }
    return quoted.join(QLatin1Char(' '));
}

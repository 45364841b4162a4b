#include "win32elevation.h"

#include "platform/win32eventnotice.h"
#include "platform/win32installer.h"

#include <QDir>
#include <QRegularExpression>

std::unique_ptr<Elevation> createElevation()
{
    return std::make_unique<Win32Elevation>();
}

bool Win32Elevation::isElevated()
{
    return Win32Installer::isElevated();
}

void Win32Elevation::startElevated(const QString &program, const QStringList &arguments,
    quintptr ownerWindow, std::function<void(Start start, int exitCode)> done)
{
    const Win32Installer::StartAside aside =
        Win32Installer::startElevatedAside(QDir::toNativeSeparators(program).toStdWString(),
            commandLine(arguments).toStdWString(), reinterpret_cast<void *>(ownerWindow));
    Win32EventNotice::whenSignalled(aside.aside->done, [aside, done] {
        void *process = aside.started->process;
        if (!process) {
            done(aside.started->refused ? Start::Refused : Start::Failed, 0);
            return;
        }
        Win32EventNotice::whenSignalled(process,
            [process, done] { done(Start::Started, int(Win32Installer::takeExitCode(process))); });
    });
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

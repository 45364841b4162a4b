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

namespace {

// Calls then once the handle is signalled, in the event loop.
void whenSignalled(void *handle, std::function<void()> then)
{
    auto notifier = new QWinEventNotifier(handle);
    QObject::connect(
        notifier, &QWinEventNotifier::activated, notifier, [notifier, then = std::move(then)] {
            notifier->setEnabled(false);
            // It is still inside its activated() emission.
            notifier->deleteLater();
            then();
        });
}

} // namespace

void Win32Elevation::startElevated(const QString &program, const QStringList &arguments,
    quintptr ownerWindow, std::function<void(Start start, int exitCode)> done)
{
    const std::shared_ptr<Win32Installer::StartAside> aside =
        Win32Installer::startElevatedAside(QDir::toNativeSeparators(program).toStdWString(),
            commandLine(arguments).toStdWString(), reinterpret_cast<void *>(ownerWindow));
    whenSignalled(aside->ready, [aside, done] {
        void *process = aside->started.process;
        if (!process) {
            done(aside->started.refused ? Start::Refused : Start::Failed, 0);
            return;
        }
        whenSignalled(process,
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

#include "processchild.h"

#include "platform/elevation.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "platform/win32system.h"
#endif

namespace {

#ifdef Q_OS_WIN
QString systemMsiexec()
{
    // Never by its bare name, which Windows looks up in this program's folder and the current
    // one first. Empty when the system folder is unknown: then nothing starts.
    return QDir::toNativeSeparators(
        QString::fromStdWString(Win32System::systemProgramPath(L"msiexec.exe")));
}
#else
QString locateProgram(const QString &program)
{
    // QProcess looks a bare name up in this program's PATH, never in the child's. The stand-in
    // msiexec.exe ships beside the executable; one found earlier on PATH wins over it.
    QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(program, {QCoreApplication::applicationDirPath()});
    return found.isEmpty() ? program : found;
}
#endif

} // namespace

ProcessChild::ProcessChild(Elevation &elevation, quintptr ownerWindow, QObject *parent)
    : InstallerChild(parent)
    , elevation(elevation)
    , ownerWindow(ownerWindow)
{ }

ProcessChild::~ProcessChild()
{
    if (!process)
        return;
    if (process->state() == QProcess::NotRunning) {
        process->deleteLater();
        return;
    }
    // Destroying a running QProcess would kill the installer: it finishes on its own instead,
    // and its QProcess goes once it has ended or failed to start, if the event loop still runs.
    // Its channels are files, so these are the only errors it can report.
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process,
        &QObject::deleteLater);
    connect(process, &QProcess::errorOccurred, process, &QObject::deleteLater);
}

void ProcessChild::start(const InstallCommand &command)
{
    this->command = command;
    process = new QProcess;
    // Nothing reads an installer's output, and no pipe to this program may outlive it: an
    // installer left running at exit must not die of a broken pipe.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
        &InstallerChild::finished);
    // Queued, because the error may be reported from inside QProcess::start().
    connect(
        process, &QProcess::errorOccurred, this, &ProcessChild::notStarted, Qt::QueuedConnection);
#ifdef Q_OS_WIN
    if (command.runsMsiexec()) {
        // QProcess would quote every word again: INSTALLDIR="C:\Program Files\x" would reach
        // msiexec as "INSTALLDIR=C:\Program Files\x", which it refuses.
        process->setProgram(systemMsiexec());
        process->setNativeArguments(command.nativeArguments);
    } else {
        process->setProgram(command.program);
        process->setArguments(command.arguments);
    }
#else
    if (command.runsMsiexec()) {
        process->setProgram(locateProgram(command.program));
        process->setArguments(command.arguments);
    } else {
        process->setProgram(locateProgram(QStringLiteral("wine")));
        process->setArguments(QStringList {command.program} + command.arguments);
    }
#endif
    process->start(QIODevice::ReadWrite);
}

// A child that never starts sends no finished(). A program that runs as invoker cannot start an
// installer that asks for administrator rights (ERROR_ELEVATION_REQUIRED); one prompt gives
// them.
void ProcessChild::notStarted(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart)
        return;
    if (command.kind == InstallCommand::Kind::Exe)
        startElevated();
    else
        emit failedToStart(FailureReason::of(FailureReason::NotStartable));
}

void ProcessChild::startElevated()
{
    const QPointer<ProcessChild> self(this);
    elevation.startElevated(command.program, command.arguments, ownerWindow,
        [self](Elevation::Start start, int exitCode) {
            if (!self)
                return;
            if (start == Elevation::Start::Started)
                emit self->finished(exitCode, QProcess::NormalExit);
            else
                emit self->failedToStart(FailureReason::of(start == Elevation::Start::Refused
                        ? FailureReason::ElevationRefused
                        : FailureReason::NotStartable));
        });
}

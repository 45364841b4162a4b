#include "installmanager.h"

#include "download/filemanager.h"
#include "install/signaturerequirement.h"
#include "platform/elevation.h"
#include "platform/packagehold.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "platform/win32system.h"
#endif

namespace {

QString fileOf(const QString &key)
{
    // Only the index digit goes: a file called 2016fix.msi keeps its digits.
    return key.mid(1);
}

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

InstallManager::InstallManager(QObject *parent)
    : QObject(parent)
    , fileManager(new FileManager)
    , packageHold(createPackageHold())
    , elevation(createElevation())
    , packageSignature(createPackageSignature())
{
    connect(fileManager, &FileManager::allFilesDone, this, &InstallManager::downloadComplete);
    connect(
        fileManager, &FileManager::progressChanged, this, &InstallManager::downloadProgressChanged);
    connect(fileManager, &FileManager::unchangedChecked, this, &InstallManager::packageChecked);
}

InstallManager::~InstallManager()
{
    delete fileManager;
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

void InstallManager::setElevation(std::unique_ptr<Elevation> replacement)
{
    elevation = std::move(replacement);
}

void InstallManager::setPackageSignature(std::unique_ptr<PackageSignature> replacement)
{
    packageSignature = std::move(replacement);
}

void InstallManager::startInstalls(
    QMap<QString, QString> installQueue, QMap<QString, QString> removeQueue)
{
    this->installQueue = std::move(installQueue);
    this->removeQueue = std::move(removeQueue);
    QStringList files;
    for (auto it = this->installQueue.cbegin(); it != this->installQueue.cend(); ++it)
        files.append(fileOf(it.key()));
    fileManager->getFiles(files);
}

bool InstallManager::sortResults()
{
    bool anyFailed = false;
    for (auto it = results.cbegin(); it != results.cend(); ++it) {
        if (isSuccess(it.value())) {
            installed.append(it.key());
        } else {
            failed.append(it.key());
            anyFailed = true;
        }
    }
    return anyFailed;
}

bool InstallManager::isSuccess(int exitCode)
{
    // Only 0: 3010 and 1641 (restart needed or started) are failures too.
    return exitCode == 0;
}

FailureReason InstallManager::exitReason(int exitCode, bool quietWithoutRights)
{
    if (exitCode == NotStarted)
        return FailureReason::of(FailureReason::NotStartable);
    // What a per-machine package says when it could not ask for the rights it needs.
    if (quietWithoutRights && (exitCode == 1603 || exitCode == 1625))
        return FailureReason::needsAdministrator(exitCode);
    return isSuccess(exitCode) ? FailureReason() : FailureReason::exit(exitCode);
}

QStringList InstallManager::installedProducts() const
{
    return installed;
}

QStringList InstallManager::failedProducts() const
{
    return failed;
}

QHash<QString, int> InstallManager::getResults() const
{
    return results;
}

FailureReason InstallManager::getFailureReason(const QString &file) const
{
    return reasons.value(file);
}

DownloadProgress InstallManager::getDownloadProgress() const
{
    return fileManager->getProgress();
}

void InstallManager::downloadComplete()
{
    itemCount = installQueue.size();
    installNext();
}

void InstallManager::installNext()
{
    if (installQueue.isEmpty()) {
        emit installsDone();
        return;
    }
    currentKey = installQueue.firstKey();
    const QString file = fileOf(currentKey);
    // A package the download step gave up on is missing or damaged and must never run. The
    // older product stays too: removing it without a successor would leave neither.
    if (fileManager->getGivenUpFiles().contains(file)) {
        recordAndAdvance(NotStarted, fileManager->getFailureReason(file));
        return;
    }
    // Where FileManager looked for it: a local package runs from where it was found.
    currentPath = QDir::toNativeSeparators(fileManager->localPath(file));
    if (InstallCommand::packageKind(currentPath) == InstallCommand::Kind::Unknown) {
        recordAndAdvance(NotStarted, FailureReason::of(FailureReason::UnknownFileType));
        return;
    }
    // Held first, then checked: what was checked cannot change before its installer has ended.
    // In a folder the user can write, anything running as the user could replace it meanwhile.
    if (!packageHold->hold(currentPath)) {
        recordAndAdvance(NotStarted, FailureReason::of(FailureReason::PackageChanged));
        return;
    }
    fileManager->checkUnchanged(file);
}

// Before the removal too: the older product goes only when its successor can run.
void InstallManager::packageChecked(const QString &file, bool unchanged)
{
    if (installQueue.isEmpty() || file != fileOf(currentKey))
        return;
    if (!unchanged) {
        recordAndAdvance(NotStarted, FailureReason::of(FailureReason::PackageChanged));
        return;
    }
    // Judged while held, so the signature judged is that of the package run.
    const FailureReason refusal = SignatureRequirement::refusal(
        packageSignature->check(currentPath), SignatureRequirement::pinnedPublisher(file));
    if (refusal.isFailure()) {
        recordAndAdvance(NotStarted, refusal);
        return;
    }
    const QString remove = removeQueue.value(currentKey, QStringLiteral("false"));
    if (remove == QLatin1String("false"))
        installPackage(installQueue.first());
    else
        uninstallProduct(remove);
}

void InstallManager::startStep(bool removal)
{
    const int number = itemCount - installQueue.size() + 1;
    emit stepStarted(number, itemCount, fileOf(currentKey), removal);
}

void InstallManager::uninstallProduct(const QString &remove)
{
    createProcess(&InstallManager::unInstallFinished);
    startStep(true);
    startCommand(InstallCommand::make(InstallCommand::Kind::Removal, remove, QString()));
}

void InstallManager::unInstallFinished(int, QProcess::ExitStatus)
{
    // A failed removal does not stop the item: its package runs all the same.
    disposeOfProcess();
    installPackage(installQueue.first());
}

void InstallManager::installPackage(const QString &parameters)
{
    createProcess(&InstallManager::installFinished);
    startStep(false);
    // installNext() has turned away every package whose kind is unknown.
    startCommand(
        InstallCommand::make(InstallCommand::packageKind(currentPath), currentPath, parameters));
}

void InstallManager::installFinished(int exitCode, QProcess::ExitStatus)
{
    // A crashed package counts by the code QProcess reports with the crash.
    disposeOfProcess();
    recordAndAdvance(exitCode, exitReason(exitCode, ranQuietWithoutRights()));
}

bool InstallManager::ranQuietWithoutRights() const
{
    if (!runningCommand.runsMsiexec() || elevation->isElevated())
        return false;
    for (const QString &argument : runningCommand.arguments) {
        if (argument.startsWith(QLatin1String("/qn"), Qt::CaseInsensitive)
            || argument.compare(QLatin1String("/quiet"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void InstallManager::recordAndAdvance(int exitCode, const FailureReason &reason)
{
    packageHold->release();
    results.insert(fileOf(currentKey), exitCode);
    reasons.insert(fileOf(currentKey), reason);
    installQueue.remove(currentKey);
    removeQueue.remove(currentKey);
    installNext();
}

void InstallManager::createProcess(FinishSlot finishSlot)
{
    process = new QProcess;
    // Nothing reads an installer's output, and no pipe to this program may outlive it: an
    // installer left running at exit must not die of a broken pipe.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this, finishSlot);

    // A child that never starts sends no finished(); it ends like one that failed. Queued,
    // because the error may be reported from inside QProcess::start().
    const QProcess *child = process;
    connect(
        process, &QProcess::errorOccurred, this,
        [this, child, finishSlot](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart || child != process)
                return;
            if (runningCommand.kind == InstallCommand::Kind::Exe)
                startElevated();
            else
                (this->*finishSlot)(NotStarted, QProcess::CrashExit);
        },
        Qt::QueuedConnection);
}

void InstallManager::startCommand(const InstallCommand &command)
{
    runningCommand = command;
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

// A program that runs as invoker cannot start an installer that asks for administrator rights
// (ERROR_ELEVATION_REQUIRED); one UAC prompt gives them, and the installer is waited for.
void InstallManager::startElevated()
{
    const QPointer<InstallManager> self(this);
    const Elevation::Start start = elevation->startElevated(
        runningCommand.program, runningCommand.arguments, [self](int exitCode) {
            if (self)
                self->installFinished(exitCode, QProcess::NormalExit);
        });
    if (start == Elevation::Start::Started)
        return;
    disposeOfProcess();
    recordAndAdvance(NotStarted,
        FailureReason::of(start == Elevation::Start::Refused ? FailureReason::ElevationRefused
                                                             : FailureReason::NotStartable));
}

void InstallManager::disposeOfProcess()
{
    // Deferred: the process may still be delivering the signal that brought us here.
    process->close();
    process->deleteLater();
}

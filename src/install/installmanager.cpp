#include "installmanager.h"

#include "installerchild.h"
#include "processchild.h"
#include "signaturerequirement.h"

#include "config/configmanager.h"
#include "download/filemanager.h"
#include "platform/elevation.h"
#include "platform/packagehold.h"

#include <QDir>
#include <QTimer>

namespace {

QString fileOf(const QString &key)
{
    // Only the index digit goes: a file called 2016fix.msi keeps its digits.
    return key.mid(1);
}

} // namespace

InstallManager::InstallManager(QObject *parent)
    : QObject(parent)
    , fileManager(new FileManager)
    , packageHold(createPackageHold())
    , elevation(createElevation())
    , packageSignature(createPackageSignature())
    , makeChild([this] { return new ProcessChild(*elevation, ownerWindow); })
{
    connect(fileManager, &FileManager::allFilesDone, this, &InstallManager::downloadComplete);
    connect(
        fileManager, &FileManager::progressChanged, this, &InstallManager::downloadProgressChanged);
    connect(fileManager, &FileManager::unchangedChecked, this, &InstallManager::packageChecked);
}

InstallManager::~InstallManager()
{
    delete fileManager;
    // A child still running is left alone by its own destructor.
    delete child.data();
}

void InstallManager::setElevation(std::unique_ptr<Elevation> replacement)
{
    elevation = std::move(replacement);
}

void InstallManager::setPackageHold(std::unique_ptr<PackageHold> replacement)
{
    packageHold = std::move(replacement);
}

void InstallManager::setChildFactory(ChildFactory factory)
{
    makeChild = std::move(factory);
}

void InstallManager::setPatience(const Patience &patience)
{
    this->patience = patience;
}

void InstallManager::setOwnerWindow(quintptr window)
{
    ownerWindow = window;
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
    ConfigManager config;
    config.readConfig();
    publishers = config.getPinnedPublishers();
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

bool InstallManager::needsRestart() const
{
    for (const FailureReason &reason : reasons) {
        if (reason.kind == FailureReason::RestartNeeded)
            return true;
    }
    return false;
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
    holdTries = 0;
    // Whatever started now would be cut short by the shutdown.
    if (restarting) {
        recordAndAdvance(NotStarted, FailureReason::of(FailureReason::WindowsRestarting));
        return;
    }
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
    holdPackage();
}

// Held first, then checked: what was checked cannot change before its installer has ended. In
// a folder the user can write, anything running as the user could replace it meanwhile. A virus
// scanner or a backup agent that has just opened the package lets go of it after a while.
void InstallManager::holdPackage()
{
    switch (packageHold->hold(currentPath)) {
    case PackageHold::Result::Held:
        fileManager->checkUnchanged(fileOf(currentKey));
        return;
    case PackageHold::Result::InUse:
        if (holdTries < patience.inUseWaits.size()) {
            QTimer::singleShot(
                patience.inUseWaits.at(holdTries++), this, &InstallManager::holdPackage);
            return;
        }
        recordAndAdvance(NotStarted, FailureReason::of(FailureReason::PackageInUse));
        return;
    case PackageHold::Result::Failed:
        break;
    }
    recordAndAdvance(NotStarted, FailureReason::of(FailureReason::PackageChanged));
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
    const QPointer<InstallManager> self(this);
    packageSignature->check(
        currentPath, [self, key = currentKey](const PackageSignature::Verdict &signature) {
            if (self)
                self->signatureChecked(key, signature);
        });
}

void InstallManager::signatureChecked(
    const QString &key, const PackageSignature::Verdict &signature)
{
    if (installQueue.isEmpty() || key != currentKey)
        return;
    const FailureReason refusal =
        SignatureRequirement::refusal(signature, publishers.value(fileOf(key)));
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
    busyTries = 0;
    startStep(true);
    startChild(InstallCommand::make(InstallCommand::Kind::Removal, remove, QString()),
        &InstallManager::unInstallFinished);
}

// Every other code of a failed removal (1605, no such product, above all) does not stop the
// item: its package runs all the same. Only one that never got its turn leaves the older
// product in place, and its successor not run.
void InstallManager::unInstallFinished(int exitCode, QProcess::ExitStatus)
{
    disposeOfChild();
    if (exitCode == InstallerBusy) {
        if (!waitForInstaller(&InstallManager::unInstallFinished))
            recordAndAdvance(NotStarted, FailureReason::of(FailureReason::RemovalBusy));
        return;
    }
    installPackage(installQueue.first());
}

void InstallManager::installPackage(const QString &parameters)
{
    busyTries = 0;
    startStep(false);
    // installNext() has turned away every package whose kind is unknown.
    startChild(
        InstallCommand::make(InstallCommand::packageKind(currentPath), currentPath, parameters),
        &InstallManager::installFinished);
}

void InstallManager::installFinished(int exitCode, QProcess::ExitStatus)
{
    // A crashed package counts by the code QProcess reports with the crash.
    disposeOfChild();
    if (exitCode == InstallerBusy && waitForInstaller(&InstallManager::installFinished))
        return;
    if (exitCode == RestartStarted)
        restarting = true;
    recordAndAdvance(exitCode, exitReason(exitCode, ranQuietWithoutRights()));
}

// Windows Update, another program's installer or an msiexec still closing holds the Windows
// Installer for seconds to minutes: the step of finishSlot is made again after a wait, with
// the package still held. False when the tries have run out.
bool InstallManager::waitForInstaller(FinishSlot finishSlot)
{
    if (busyTries >= patience.busyWaits.size())
        return false;
    const int wait = patience.busyWaits.at(busyTries++);
    emit waitingForInstaller(fileOf(currentKey), busyTries + 1, patience.busyWaits.size() + 1);
    const InstallCommand again = runningCommand;
    QTimer::singleShot(wait, this, [this, again, finishSlot] {
        startStep(finishSlot == &InstallManager::unInstallFinished);
        startChild(again, finishSlot);
    });
    return true;
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

void InstallManager::startChild(const InstallCommand &command, FinishSlot finishSlot)
{
    runningCommand = command;
    child = makeChild();
    connect(child, &InstallerChild::finished, this, finishSlot);
    connect(child, &InstallerChild::failedToStart, this,
        [this, finishSlot](
            const FailureReason &reason) { childFailedToStart(finishSlot, reason); });
    child->start(command);
}

// A removal that cannot start is passed over as a failed one is; a package that cannot start
// fails.
void InstallManager::childFailedToStart(FinishSlot finishSlot, const FailureReason &reason)
{
    disposeOfChild();
    if (finishSlot == &InstallManager::unInstallFinished) {
        installPackage(installQueue.first());
        return;
    }
    recordAndAdvance(NotStarted, reason);
}

void InstallManager::disposeOfChild()
{
    // Deferred: the child may still be delivering the signal that brought us here.
    child->deleteLater();
    child.clear();
}

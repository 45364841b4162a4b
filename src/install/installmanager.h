#ifndef INSTALLMANAGER_H
#define INSTALLMANAGER_H

#include "download/downloadprogress.h"
#include "platform/packagesignature.h"
#include "report/failurereason.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "installcommand.h"

class Elevation;
class FileManager;
class InstallerChild;
class PackageHold;

/**
 * Runs the chosen packages one after another, in check-box order, and keeps the exit code of
 * each. Every package is first brought into the "installs" folder by a FileManager; an item
 * whose remove value is not "false" has that older product removed through msiexec first.
 *
 * Just before its removal step or its run, a package is held (others may read it but not change
 * it) and checked again; it stays held until its installer has ended, and one that changed
 * since it was checked, or whose signature SignatureRequirement refuses, is not run. A package
 * another program holds open is waited for.
 *
 * A removal or a package that meets another installation in progress (1618) is tried again
 * after a wait; a removal that never gets its turn leaves its package not run and the older
 * product in place. After an installer has begun a restart (1641) nothing more is started.
 *
 * Queue keys are the 0-based check-box position as one digit followed by the product's file.
 * The manager is made for one run.
 */
class InstallManager : public QObject
{
    Q_OBJECT
public:
    /** The code recorded for a package that started no process: given up by the download
        step, an unknown file ending, a program that could not be started. An installer's own
        -1 is recorded too; getFailureReason() tells the two apart. */
    static constexpr int NotStarted = -1;
    /** Windows Installer's "another installation is in progress". */
    static constexpr int InstallerBusy = 1618;
    /** Installed, and the installer has begun restarting Windows to finish. */
    static constexpr int RestartStarted = 1641;

    /** How long the run waits for what other programs are doing, in ms. */
    struct Patience
    {
        /** Between the tries of a step that met another installation in progress. */
        QList<int> busyWaits {5000, 10000, 20000};
        /** Before each further try to hold a package another program has open. */
        QList<int> inUseWaits {2000, 2000, 2000};
    };
    using ChildFactory = std::function<InstallerChild *()>;

    explicit InstallManager(QObject *parent = nullptr);
    /** Replaces the system's administrator rights, for a stand-in. */
    void setElevation(std::unique_ptr<Elevation> replacement);
    /** Replaces the hold of the packages, for a stand-in. */
    void setPackageHold(std::unique_ptr<PackageHold> replacement);
    /** Replaces the installer processes, for a stand-in that ends them with any exit code. */
    void setChildFactory(ChildFactory factory);
    void setPatience(const Patience &patience);
    /** The window that owns a prompt for administrator rights; 0, the default, for none. */
    void setOwnerWindow(quintptr window);
    /** Replaces the system's check of package signatures, for a stand-in. */
    void setPackageSignature(std::unique_ptr<PackageSignature> replacement);
    /** Leaves a running installer alone: it finishes on its own, unobserved. */
    ~InstallManager() override;

    /** Starts a run over the queue keys of installQueue (to parameters) and removeQueue (to
        remove values); both hold the same keys. The run ends with one installsDone(). */
    void startInstalls(QMap<QString, QString> installQueue, QMap<QString, QString> removeQueue);
    /** Sorts the recorded codes into installed (0) and failed (anything else); true when at
        least one product failed, false also when nothing was recorded. Call once per run. */
    bool sortResults();
    /** Whether a package's exit code counts as installed: only 0 does. */
    static bool isSuccess(int exitCode);
    /** Why a package that ended with exitCode failed; None when it was installed.
        quietWithoutRights: msiexec ran it with no user interface from a program without
        administrator rights, so it could not ask for them. */
    static FailureReason exitReason(int exitCode, bool quietWithoutRights = false);
    /** The files sorted as installed by sortResults(). */
    QStringList installedProducts() const;
    /** The files sorted as failed by sortResults(). */
    QStringList failedProducts() const;
    /** File to exit code, one entry per distinct file run; NotStarted where none ran. */
    QHash<QString, int> getResults() const;
    /** Why the file failed: its exit code, or why it did not run; None when it installed. */
    FailureReason getFailureReason(const QString &file) const;
    /** Whether a package of the run was installed short of a restart of Windows. */
    bool needsRestart() const;
    /** How far the packages have come into the "installs" folder. */
    DownloadProgress getDownloadProgress() const;

signals:
    /** The run has ended: every item has finished, or the queue was empty. */
    void installsDone();
    /** The packages are being fetched: getDownloadProgress() has changed. */
    void downloadProgressChanged();
    /** Item number of count (from 1) starts: the removal of its older product, or its package. */
    void stepStarted(int number, int count, const QString &file, bool removal);
    /** The step of file met another installation in progress; try number of tries comes after
        a wait. */
    void waitingForInstaller(const QString &file, int tryNumber, int tries);

private slots:
    void downloadComplete();
    void installFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void unInstallFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void packageChecked(const QString &file, bool unchanged);
    void signatureChecked(const QString &key, const PackageSignature::Verdict &signature);

private:
    using FinishSlot = void (InstallManager::*)(int, QProcess::ExitStatus);

    void installNext();
    void holdPackage();
    void installPackage(const QString &parameters);
    void uninstallProduct(const QString &remove);
    bool waitForInstaller(FinishSlot retry);
    void recordAndAdvance(int exitCode, const FailureReason &reason);
    void startStep(bool removal);
    void startChild(const InstallCommand &command, FinishSlot finishSlot);
    void childFailedToStart(FinishSlot finishSlot, const FailureReason &reason);
    bool ranQuietWithoutRights() const;
    void disposeOfChild();

    QHash<QString, int> results;
    QHash<QString, FailureReason> reasons;
    QStringList installed;
    QStringList failed;
    FileManager *fileManager;
    std::unique_ptr<PackageHold> packageHold;
    std::unique_ptr<Elevation> elevation;
    std::unique_ptr<PackageSignature> packageSignature;
    ChildFactory makeChild;
    Patience patience;
    quintptr ownerWindow = 0;
    QMap<QString, QString> installQueue;
    QMap<QString, QString> removeQueue;
    QHash<QString, QString> publishers; // item to the signer the configuration pins for it
    QPointer<InstallerChild> child;
    QString currentKey;
    QString currentPath; // where currentKey's package runs from, as FileManager found it
    InstallCommand runningCommand;
    int itemCount = 0;
    int holdTries = 0; // of the current package, after the first
    int busyTries = 0; // of the current step, after the first
    bool restarting = false; // an installer has begun a restart of Windows
};

#endif // INSTALLMANAGER_H

#ifndef INSTALLMANAGER_H
#define INSTALLMANAGER_H

#include "download/downloadprogress.h"
#include "report/failurereason.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

#include "installcommand.h"

class Elevation;
class FileManager;
class PackageHold;
class PackageSignature;

/**
 * Runs the chosen packages one after another, in check-box order, and keeps the exit code of
 * each. Every package is first brought into the "installs" folder by a FileManager; an item
 * whose remove value is not "false" has that older product removed through msiexec first.
 *
 * Just before its removal step or its run, a package is held (others may read it but not change
 * it) and checked again; it stays held until its installer has ended, and one that changed
 * since it was checked, or whose signature SignatureRequirement refuses, is not run.
 *
 * Queue keys are the 0-based check-box position as one digit followed by the product's file.
 * The manager is made for one run.
 */
class InstallManager : public QObject
{
    Q_OBJECT
public:
    /** The code recorded for a package that started no process: given up by the download
        step, an unknown file ending, or a program that could not be started. */
    static constexpr int NotStarted = -1;

    explicit InstallManager(QObject *parent = nullptr);
    /** Replaces the system's administrator rights, for a stand-in. */
    void setElevation(std::unique_ptr<Elevation> replacement);
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
    /** Why a package that ended with exitCode failed (NotStarted: it could not be started);
        None when it was installed. quietWithoutRights: msiexec ran it with no user interface
        from a program without administrator rights, so it could not ask for them. */
    static FailureReason exitReason(int exitCode, bool quietWithoutRights = false);
    /** The files sorted as installed by sortResults(). */
    QStringList installedProducts() const;
    /** The files sorted as failed by sortResults(). */
    QStringList failedProducts() const;
    /** File to exit code, one entry per distinct file run; NotStarted where none ran. */
    QHash<QString, int> getResults() const;
    /** Why the file failed: its exit code, or why it did not run; None when it installed. */
    FailureReason getFailureReason(const QString &file) const;
    /** How far the packages have come into the "installs" folder. */
    DownloadProgress getDownloadProgress() const;

signals:
    /** The run has ended: every item has finished, or the queue was empty. */
    void installsDone();
    /** The packages are being fetched: getDownloadProgress() has changed. */
    void downloadProgressChanged();
    /** Item number of count (from 1) starts: the removal of its older product, or its package. */
    void stepStarted(int number, int count, const QString &file, bool removal);

private slots:
    void downloadComplete();
    void installFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void unInstallFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void packageChecked(const QString &file, bool unchanged);

private:
    using FinishSlot = void (InstallManager::*)(int, QProcess::ExitStatus);

    void installNext();
    void installPackage(const QString &parameters);
    void uninstallProduct(const QString &remove);
    void recordAndAdvance(int exitCode, const FailureReason &reason);
    void startStep(bool removal);
    void createProcess(FinishSlot finishSlot);
    void startCommand(const InstallCommand &command);
    void startElevated();
    bool ranQuietWithoutRights() const;
    void disposeOfProcess();

    QHash<QString, int> results;
    QHash<QString, FailureReason> reasons;
    QStringList installed;
    QStringList failed;
    FileManager *fileManager;
    std::unique_ptr<PackageHold> packageHold;
    std::unique_ptr<Elevation> elevation;
    std::unique_ptr<PackageSignature> packageSignature;
    QMap<QString, QString> installQueue;
    QMap<QString, QString> removeQueue;
    QPointer<QProcess> process;
    QString currentKey;
    QString currentPath; // where currentKey's package runs from, as FileManager found it
    InstallCommand runningCommand;
    int itemCount = 0;
};

#endif // INSTALLMANAGER_H

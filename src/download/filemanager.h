#ifndef FILEMANAGER_H
#define FILEMANAGER_H

#include "downloadprogress.h"
#include "packagefetch.h"
#include "packagefiles.h"
#include "report/failurereason.h"

#include <QHash>
#include <QObject>
#include <QStringList>

class DownloadManager;

/**
 * Brings a list of package files into the "installs" folder and signals once, with
 * allFilesDone(), when the pass over them is over.
 *
 * A URL is stored under its decoded file name and brought in by a PackageFetch of its own,
 * which checks a copy already there, or downloads and verifies the package. A local path is
 * looked for, a relative one in "installs" beside the executable, and checked where it is when
 * the configuration pins its SHA-256 (as it may a URL's). Identical URLs are fetched
 * once; a later URL whose file name another one took is given up, as are names that cannot be
 * stored; getGivenUpFiles() names every item given up.
 */
class FileManager : public QObject
{
    Q_OBJECT
public:
    explicit FileManager(QObject *parent = nullptr);
    ~FileManager() override;

    /** Starts a pass over files (URLs or local paths); the pass ends with one allFilesDone(). */
    void getFiles(QStringList files);
    /** The folder downloads go to, with "/" separators: "installs" beside the executable when
        it can be created and written, else perUserInstallsPath(). Decided (and created) on
        first need. */
    QString getInstallsPath() const;
    /** The per-user folder of the deployment whose executable lies in applicationDir:
        kestrun/<id>/installs in the user's local application data, the id 16 hex digits of
        the SHA-256 of the folder's canonical path (case-folded where names ignore case). */
    static QString perUserInstallsPath(const QString &applicationDir);
    /** Where an item's package lies: a URL's in getInstallsPath(), or in "installs" beside the
        executable when that folder is not getInstallsPath() and the latest pass found a
        verified copy there; a local path as given when absolute, else in "installs" beside
        the executable. */
    QString localPath(const QString &item) const;
    /** The folders the packages of the latest pass lie in: getInstallsPath(), after "installs"
        beside the executable when verified copies there were used where they are. */
    QStringList getFolders() const;
    /** The items, exactly as given to getFiles, that the latest pass gave up on
        (unsafe name, a name another URL of the pass claimed first, local path missing,
        download or verification failed PackageFetch::MaxAttempts times). */
    QStringList getGivenUpFiles() const;
    /** Why an item of getGivenUpFiles() was given up: for a package fetched in vain, how its
        last attempt failed. None for an item that was not given up. */
    FailureReason getFailureReason(const QString &item) const;
    /** Checks again, on the hashing threads, whether an item's package of the latest pass is
        still the one that passed its check: a URL's matches the digest it was accepted against
        (its own MD5 when it had none), a local path's is still there. unchangedChecked()
        answers, never within the call; false for an item the pass did not accept. */
    void checkUnchanged(const QString &item);
    /** How far the latest pass has come over the packages it fetches. */
    DownloadProgress getProgress() const;
    /** How long a transfer may make no progress before it is aborted (default 30 s). */
    void setStallTimeout(int msecs);
    /** Whether names differing only in case are different files (default: as this system). */
    void setNameCase(Qt::CaseSensitivity sensitivity);
    /** The longest path a package may have (default: 259 on Windows, no limit elsewhere). */
    void setMaxPathLength(int length);

signals:
    /** The pass has ended: nothing is pending, every package is present or given up. */
    void allFilesDone();
    /** Bytes arrived, or a package became ready or was given up: often, with no limit. */
    void progressChanged();
    /** The answer of checkUnchanged() for item. */
    void unchangedChecked(const QString &item, bool unchanged);

private slots:
    void verifyLocalFile(DownloadManager *dm);
    void verifyMD5(DownloadManager *dm);

private:
    void startPass();
    void addPackageNames(const QStringList &items);
    void takeItem(const QString &item);
    bool claimName(const QString &item, const QString &local);
    void takeLocalItem(const QString &item);
    void makeRoomFor(PackageFetch *fetch);
    bool refuseLongPath(const QString &item, const QString &path);
    PackageFetch *createFetch(const PackageFetch::Source &source, const PackageFetch::Copy &target,
        const QList<PackageFetch::Copy> &inPlace);
    QList<PackageFetch::Copy> copiesInPlace(const QString &local) const;
    PackageFetch::Copy copyAt(const QString &packagePath) const;
    DownloadManager *startTransfer(PackageFetch *fetch, PackageFetch::Transfer kind,
        const QUrl &url, const QString &path, const PartialTransfer &resumeFrom);
    void finishHandling(DownloadManager *dm);
    bool allFilesExist() const;
    bool isIdle() const;
    void endPassWhenDone();

    QHash<DownloadManager *, PackageFetch *> downloads; // pending, each with the fetch it serves
    QList<PackageFetch *> passFetches;
    QHash<QString, PackageFetch *> fetches; // a URL's, under the folded local path
    QHash<QString, PackageFetch *> itemFetches;
    QHash<QString, QString> pins; // item to the SHA-256 the configuration pins for it
    QHash<QString, QString> nameOwners; // folded local path to the URL item that claimed it
    mutable QString installsPath; // empty until decided
    QStringList packageNames; // every URL package of the configuration and the pass
    Qt::CaseSensitivity nameCase = PackageFiles::SystemNameCase;
    int maxPathLength = PackageFiles::SystemMaxPath;
    QStringList passItems;
    QHash<QString, FailureReason> refusedItems; // given up before any fetch
    int stallTimeout;
};

#endif // FILEMANAGER_H

#ifndef FILEMANAGER_H
#define FILEMANAGER_H

#include "downloadmanager.h"
#include "downloadprogress.h"
#include "platform/hasher.h"
#include "report/failurereason.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

/**
 * Brings a list of package files into the "installs" folder and signals once, with
 * allFilesDone(), when the pass over them is over.
 *
 * A URL is downloaded under its decoded file name unless a copy matching its ".md5" companion
 * is there already; the companion is fetched alongside the package, and the package is checked
 * against it once both have arrived. Only a companion the server says does not exist (404, 410)
 * lets a package pass unchecked; a companion that failed otherwise fails the attempt. A local
 * path is only looked for: a relative one in "installs" beside the executable. A package is
 * fetched at most MaxAttempts times in a pass; then it is given up, and getGivenUpFiles() names
 * it. Identical URLs are fetched once; a later URL whose file name another one took is given up.
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
        it can be created and written, else "installs" in the per-user application data
        folder. Decided (and created) on first need. */
    QString getInstallsPath() const;
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
        download or verification failed 3 times). */
    QStringList getGivenUpFiles() const;
    /** Why an item of getGivenUpFiles() was given up: for a package fetched in vain, how its
        last attempt failed. None for an item that was not given up. */
    FailureReason getFailureReason(const QString &item) const;
    /** Checks again, on the thread pool, whether an item's package of the latest pass is still
        the one that passed its check: a URL's matches the digest it was accepted against (its
        own MD5 when it had none), a local path's is still there. unchangedChecked() answers,
        never within the call; false for an item the pass did not accept. */
    void checkUnchanged(const QString &item);
    /** How far the latest pass has come over the packages it fetches. */
    DownloadProgress getProgress() const;
    /** How long a transfer may make no progress before it is aborted (default 30 s). */
    void setStallTimeout(int msecs);
    /** Whether names differing only in case are different files (default: as this system). */
    void setNameCase(Qt::CaseSensitivity sensitivity);

    /** Digest files larger than this are not digest files: none is read, and a download of
        one fails like a failed transfer. */
    static constexpr qint64 MaxDigestSize = 64 * 1024;

    /** Fetches of one package in one pass, failed transfers and digest mismatches alike. */
    static constexpr int MaxAttempts = 3;

    /** Whether an item is a URL to download rather than a local path to look for. */
    static bool isUrl(const QString &item);

    /** Whether this system's file names differ by case (not on Windows). */
    static constexpr Qt::CaseSensitivity SystemNameCase =
#ifdef Q_OS_WIN
        Qt::CaseInsensitive;
#else
        Qt::CaseSensitive;
#endif

    /** The "installs" folder beside the executable, with "/" separators. */
    static QString besideExecutable();
    /** The name a URL item is stored under: the last segment of its path, fully decoded. */
    static QString localName(const QString &item);
    /** The form in which two names are the same file under that case rule. */
    static QString foldedName(const QString &name, Qt::CaseSensitivity sensitivity);
    /** Whether a name may be written into "installs" on any system: not ".", "..", free of
        "/", "\", ":", '"', "<", ">", "|", "?", "*" and control characters, with a name before its
        extension and an extension other than md5 and part, not ending in "." or " ", and no
        device name of Windows (CON, PRN, AUX, NUL, COM0-9, LPT0-9, any case, any extension). */
    static bool isSafeName(const QString &name);
    /** A package file's own digest companion: the text from its last "." replaced by ".md5". */
    static QString digestPath(const QString &packagePath);
    /** The digest companion of a package stored beside packageNames: its own digestPath(),
        unless one of them would share it (fix.msi beside fix.msp), then its whole name
        followed by ".md5" (fix.msi.md5), so that no package is judged by another's digest. */
    static QString digestPath(const QString &packagePath, const QStringList &packageNames,
        Qt::CaseSensitivity sensitivity);
    /** A package URL's digest companion: the extension of its path replaced by ".md5",
        anything after the path kept. */
    static QUrl digestUrl(const QUrl &packageUrl);
    /** The fields of a digest file's digest line (the first line not beginning with "//"),
        split at every blank; field 1 is the digest. Empty when there is no such line, or when
        the file is larger than MaxDigestSize. */
    static QStringList readMD5File(const QString &path);
    /** The algorithm a digest's form names: 64 hex digits SHA-256, 32 MD5; false for any other
        form, which no package matches. */
    static bool digestAlgorithm(const QString &digest, Hasher::Algorithm &algorithm);
    /** Whether what a lane hashed has the digest written as field 1 of a digest line: 64 hex
        digits are a SHA-256, 32 an MD5, in any case; nothing matches a digest of another form,
        nor a lane that could not read its file. */
    static bool matchesDigest(const QString &expected, const HashLane &lane);
    /** Whether a computed digest is there and equals the expected one, in any case. */
    static bool sameDigest(const QString &computed, const QString &expected);

signals:
    /** The pass has ended: nothing is pending, every package is present or given up. */
    void allFilesDone();
    /** Bytes arrived, or a package became ready or was given up: often, with no limit. */
    void progressChanged();
    /** The answer of checkUnchanged() for item. */
    void unchangedChecked(const QString &item, bool unchanged);

private:
    /** Where a package's digest stands in this pass. */
    enum class DigestState {
        Stale, // fetched again with the next attempt
        Pending,
        Present, // fetched in this pass and on disk
        Absent, // the server said there is none (404, 410)
        Failed, // the transfer failed otherwise: nothing is known
    };

    /** A package fetched in this pass, under its local path in expectedFiles. */
    struct ExpectedFile
    {
        QString url;
        QStringList items; // every item of the pass stored under this name
        int attempts = 0;
        bool givenUp = false;
        bool packagePending = false;
        DigestState digest = DigestState::Stale;
        FailureReason digestFailure; // of the latest digest transfer that failed
        bool arrived = false; // some attempt brought the package
        QString md5; // of the package the latest attempt stored
        QString sha256; // likewise, unless its digest line asked for an MD5
        DownloadManager *transfer = nullptr; // the package's, while it is pending
        PartialTransfer partial; // what the latest attempt left to resume
        bool ready = false; // present and matching its digest, or without one
        FailureReason lastFailure;
        qint64 received = 0;
        qint64 total = -1; // unknown
    };

    /** A package already in place being hashed, and where else to look should it not match. */
    struct PresentCheck
    {
        QStringList items; // every item of the pass stored under this name
        QStringList candidates; // copies still to check, in order
        QString path; // the copy being hashed
        QString expected; // the digest it must match
        HashLane *lane = nullptr;
    };

    bool isIdle() const;
    void startPass();
    void addPackageNames(const QStringList &items);
    void takeItem(const QString &item);
    bool claimName(const QString &item, const QString &local);
    QString knownPath(const QString &local) const;
    QStringList presentCandidates(const QString &item, const QString &local) const;
    bool checkNextCandidate(const QString &local, PresentCheck &check);
    void presentCopyHashed(const QString &local);
    void fetchPackage(const QStringList &items, const QString &local);
    HashLane *hashToMatch(const QString &path, const QString &digest);
    QString digestPathOf(const QString &packagePath) const;
    void requestPackage(const QString &local, ExpectedFile &file);
    DownloadManager *startDownload(
        const QUrl &url, const QString &path, const PartialTransfer &resumeFrom = {});
    void downloadMD5(const QString &local, ExpectedFile &file);
    void checkPackage(const QString &local, ExpectedFile &file);
    void rejectPackage(const QString &local, ExpectedFile &file, const FailureReason &reason);
    static DigestState digestOutcome(
        const QString &digestPath, const DownloadManager *dm, FailureReason &failure);
    static QString receivedDigest(const ExpectedFile &file, const QString &expected);
    void takeOnlyTheDigestNeeded(const QString &local, const ExpectedFile &file) const;
    void giveUp(const QString &local, ExpectedFile &file);
    void markReady(const QString &local, ExpectedFile &file, const QString &digest);
    void recordProgress(const QString &local, qint64 received, qint64 total);
    bool allFilesExist();
    void verifyLocalFile(const QString &local, DownloadManager *dm);
    void verifyMD5(const QString &local, const QString &digest, DownloadManager *dm);
    void finishHandling(DownloadManager *dm);

    QList<DownloadManager *> downloads;
    QHash<QString, ExpectedFile> expectedFiles;
    QHash<QString, PresentCheck> presentChecks; // under the local path in installs
    QHash<QString, QString> nameOwners; // folded local path to the URL item that claimed it
    QHash<QString, QString> acceptedDigests; // local path to the digest its package matched
    QHash<QString, QString> stagedCopies; // URL item to its verified copy beside the executable
    mutable QString installsPath; // empty until decided
    QStringList packageNames; // every URL package of the configuration and the pass
    Qt::CaseSensitivity nameCase = SystemNameCase;
    QStringList passItems;
    QHash<QString, FailureReason> givenUpItems;
    int stallTimeout;
};

#endif // FILEMANAGER_H

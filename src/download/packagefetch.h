#ifndef PACKAGEFETCH_H
#define PACKAGEFETCH_H

#include "downloadmanager.h"
#include "report/failurereason.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class HashLane;

/**
 * One package of a pass, brought into place and checked; ends with one finished(), the package
 * verified or given up.
 *
 * A copy already in place is used when it matches what is expected of it: the SHA-256 the
 * configuration pins; else the digest file beside it, provided the file does not record another
 * URL than the package's as its origin. Otherwise the package is fetched, with
 * its ".md5" companion alongside it unless a digest is pinned, and takes its name only once it
 * matches: an older copy stays until then. Only a companion the server says does not exist (404,
 * 410) lets a package pass unchecked; a companion that failed otherwise is fetched again, the
 * package kept. A failed attempt is made again, MaxAttempts in all, unless a sign-in was asked for
 * or refused, which would only be refused again. A package put in place after its check gets a
 * digest file that records its URL and the digest it passed.
 */
class PackageFetch : public QObject
{
    Q_OBJECT
public:
    /** Where a package comes from. */
    struct Source
    {
        /** Empty for a local package, which is only checked where it is. */
        QString url;
        /** The SHA-256 the configuration pins; empty when the digest file decides. */
        QString pin;
    };
    /** A package file and its digest companion. */
    struct Copy
    {
        QString path;
        QString digestPath;
    };
    enum class Transfer { Package, Digest };
    /** Starts one transfer for a fetch; whoever starts it hands the outcome back through the
        fetch's packageArrived() or digestArrived(), by its kind. */
    using StartTransfer = std::function<DownloadManager *(PackageFetch *fetch, Transfer kind,
        const QUrl &url, const QString &path, const PartialTransfer &resumeFrom)>;

    /** Fetches of one package, failed transfers and digest mismatches alike. */
    static constexpr int MaxAttempts = 3;

    /** The package from source, stored as target; the copies in place are tried first, in
        order. Nothing happens before start(). */
    PackageFetch(Source source, Copy target, QList<Copy> inPlace, StartTransfer startTransfer,
        QObject *parent = nullptr);

    void start();
    /** The package's transfer has ended. */
    void packageArrived(const DownloadManager *dm);
    /** The digest companion's transfer has ended. */
    void digestArrived(const DownloadManager *dm);
    /** Ends the package's transfer, if one runs, and gives the package up for reason. */
    void refuse(const FailureReason &reason);

    bool isDone() const { return outcome != Outcome::Pending; }
    bool isVerified() const { return outcome == Outcome::Verified; }
    /** Verified in a copy other than its target. */
    bool isVerifiedElsewhere() const { return isVerified() && verifiedPath != target.path; }
    /** A copy in place is being hashed. */
    bool isChecking() const { return check != nullptr; }
    /** No copy in place would do: the package is being fetched, or was. */
    bool isFetching() const { return attempts > 0; }
    /** Why the latest attempt failed; once given up, why the package was. */
    FailureReason failureReason() const { return failure; }
    /** Where the package lies: the copy that was verified, else the target. */
    QString path() const { return verifiedPath.isEmpty() ? target.path : verifiedPath; }
    /** The digest the package matched; its own MD5 when it had none to match. */
    QString acceptedDigest() const { return accepted; }
    qint64 bytesReceived() const { return received; }
    /** The whole package's size; -1 while the server has not said it. */
    qint64 bytesExpected() const { return total; }

signals:
    void finished();
    /** Bytes arrived, or a check ended. */
    void progressed();
    /** The server has said how large the package is: bytesExpected() holds it. */
    void sizeAnnounced();

private:
    /** Where the package's digest file stands. */
    enum class DigestState {
        Stale, // fetched again with the next attempt
        Pending,
        Present, // fetched, its digest line kept
        Absent, // the server said there is none (404, 410)
        Failed, // the transfer failed otherwise: nothing is known
    };
    enum class Outcome { Pending, Verified, GivenUp };

    bool isPinned() const { return !source.pin.isEmpty(); }
    QString staged() const;
    QString expectedOf(const Copy &copy) const;
    bool checkNextCopy();
    void copyHashed();
    void fetchOrGiveUp();
    void requestPackage();
    void requestDigest();
    void transferProgressed(qint64 bytes, qint64 size);
    void takeOnlyTheDigestNeeded() const;
    void judgeAttempt();
    void checkPackage();
    void putInPlace(const QString &digest, bool checked);
    void keepDigestFile(bool checked) const;
    QString stagedDigest() const;
    void reject(const FailureReason &reason);
    void giveUp();
    void conclude(const QString &where, const QString &digest);

    Source source;
    Copy target;
    QList<Copy> inPlace;
    StartTransfer startTransfer;
    Outcome outcome = Outcome::Pending;
    HashLane *check = nullptr; // hashing checkedCopy
    Copy checkedCopy;
    QString checkedDigest;
    int attempts = 0;
    DigestState digest = DigestState::Stale;
    QByteArray digestText; // the digest file, read once as it arrived
    QStringList digestLine; // its fields; empty when it has none
    FailureReason digestFailure; // of the latest digest transfer that failed
    DownloadManager *packageTransfer = nullptr; // while the package is pending
    bool complete = false; // a complete body waits in the staged file to be checked
    // Both taken during the transfer, so that the package is never read back.
    QString md5; // of the body the latest attempt brought
    QString sha256; // likewise, unless only the MD5 is needed
    PartialTransfer partial; // what the latest attempt left to resume
    FailureReason failure;
    QString verifiedPath;
    QString accepted;
    qint64 received = 0;
    qint64 total = -1;
};

#endif // PACKAGEFETCH_H

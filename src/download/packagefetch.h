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
 * A copy already in place is used when it matches the digest file beside it. Otherwise the
 * package is fetched, its ".md5" companion alongside it, and checked against that digest once
 * both have arrived. Only a companion the server says does not exist (404, 410) lets a package
 * pass unchecked; a companion that failed otherwise fails the attempt. A failed attempt is made
 * again, MaxAttempts in all, unless a sign-in was asked for or refused, which would only be
 * refused again.
 */
class PackageFetch : public QObject
{
    Q_OBJECT
public:
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

    /** The package at url, stored as target; the copies in place are tried first, in order.
        Nothing happens before start(). */
    PackageFetch(QString url, Copy target, QList<Copy> inPlace, StartTransfer startTransfer,
        QObject *parent = nullptr);

    void start();
    /** The package's transfer has ended. */
    void packageArrived(const DownloadManager *dm);
    /** The digest companion's transfer has ended. */
    void digestArrived(const DownloadManager *dm);

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

private:
    /** Where the package's digest stands. */
    enum class DigestState {
        Stale, // fetched again with the next attempt
        Pending,
        Present, // fetched in this attempt or an earlier one, and on disk
        Absent, // the server said there is none (404, 410)
        Failed, // the transfer failed otherwise: nothing is known
    };
    enum class Outcome { Pending, Verified, GivenUp };

    bool checkNextCopy();
    void copyHashed();
    void fetch();
    void requestPackage();
    void requestDigest();
    void transferProgressed(qint64 bytes, qint64 size);
    void takeOnlyTheDigestNeeded() const;
    void judgeAttempt();
    void checkPackage();
    QString receivedDigest(const QString &expected) const;
    void reject(const FailureReason &reason);
    void giveUp();
    void conclude(const QString &where, const QString &digest);

    QString url;
    Copy target;
    QList<Copy> inPlace;
    StartTransfer startTransfer;
    Outcome outcome = Outcome::Pending;
    HashLane *check = nullptr; // hashing checkedCopy
    Copy checkedCopy;
    QString checkedDigest;
    int attempts = 0;
    DigestState digest = DigestState::Stale;
    FailureReason digestFailure; // of the latest digest transfer that failed
    DownloadManager *packageTransfer = nullptr; // while the package is pending
    bool arrived = false; // some attempt brought the package
    QString md5; // of the package the latest attempt stored
    QString sha256; // likewise, unless its digest line asked for an MD5
    PartialTransfer partial; // what the latest attempt left to resume
    FailureReason failure;
    QString verifiedPath;
    QString accepted;
    qint64 received = 0;
    qint64 total = -1;
};

#endif // PACKAGEFETCH_H

#ifndef DOWNLOADMANAGER_H
#define DOWNLOADMANAGER_H

#include "hashlane.h"
#include "report/failurereason.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

/** What a broken-off transfer left in the target's partial file: enough to ask for the rest
    of the same entity. */
struct PartialTransfer
{
    qint64 size = 0; // bytes in the partial file
    qint64 total = -1; // the whole entity's length
    QByteArray validator; // its strong ETag or, failing that, its Last-Modified
    bool isResumable() const { return size > 0 && total > size && !validator.isEmpty(); }
};

/**
 * One HTTP GET of one URL into one local file.
 *
 * The body goes to a partial file beside the target (its name with ".part" appended) and takes
 * the target's name only when the transfer ends well: no error (Qt reports a body cut short as
 * one) and a 2xx status. The body is hashed as it is written, so nobody has to read it back:
 * with MD5 and SHA-256 until the creator names the one it checks by, in a HashLane off the GUI
 * thread. Reading from the network waits while the lane is full, so memory stays flat when
 * hashing is slower than the network.
 * Whoever handles downloaded() judges the outcome by whether the target file exists.
 *
 * Requests go through the system's proxy settings (on Windows the Internet Options, PAC and
 * WPAD included; elsewhere http_proxy, https_proxy and no_proxy), https through CONNECT.
 *
 * A creator that asks for it keeps the partial file of a transfer that breaks off, together
 * with what identifies the entity it belongs to (getPartial()); a later DownloadManager given
 * that asks for the rest only (a range request with If-Range) and appends it when the server
 * answers 206 for the same entity, and starts over on a 200. The hash then covers the whole file.
 *
 * The partial file is not synced to disk: a package is trusted only after its digest check,
 * which also catches a file torn by a power cut.
 */
class DownloadManager : public QNetworkAccessManager
{
    Q_OBJECT
public:
    /** Starts the request for url into the target file filePath at once, for the rest of
        resumeFrom when it is resumable. The creator owns the object. */
    DownloadManager(QUrl url, QString filePath, PartialTransfer resumeFrom = {});
    ~DownloadManager() override;

    /** The URL requested. */
    QUrl getUrl() const { return url; }
    /** The MD5 of the body in lowercase hex once it is complete; empty otherwise. */
    QString getMD5() const { return getDigest(Hasher::Algorithm::Md5); }
    /** The body's digest of that algorithm in lowercase hex once it is complete; empty
        otherwise, and when setDigestAlgorithm() named the other algorithm. */
    QString getDigest(Hasher::Algorithm algorithm) const;
    /** How the transfer ended, as Qt's network stack saw it; NoError until it has. */
    QNetworkReply::NetworkError getError() const { return error; }
    /** After downloaded(): why the transfer did not bring the target, or None when it did. */
    FailureReason failureReason() const { return failure; }
    /** After downloaded(): the partial file kept for a later transfer; not resumable when none
        was kept. */
    PartialTransfer getPartial() const { return kept; }
    /** The partial file that receives the body before it takes the target's name. */
    static QString partialPath(const QString &target);

    /** How long the transfer may make no progress before it is aborted. */
    void setStallTimeout(int msecs);
    /** Keeps the partial file of a transfer that breaks off, where the server said enough about
        the entity to resume it. */
    void setKeepPartial(bool keep) { keepPartial = keep; }
    /** Takes only the digest of that algorithm from now on, which halves the hashing. */
    void setDigestAlgorithm(Hasher::Algorithm algorithm);
    /** Ends the transfer, storing nothing more, once the body is known to be larger than bytes;
        it then fails as too large. */
    void setMaxSize(qint64 bytes) { maxSize = bytes; }
    /** Leaves a complete body in the partial file, for the creator to put in place once it has
        checked it, instead of giving it the target's name. */
    void setLeaveInPartialFile(bool leave) { putInPlace = !leave; }
    /** Ends the transfer, which then fails for reason; nothing more of its body is stored. */
    void abortWith(const FailureReason &reason);

    /** A request for url as every transfer makes it: through the system's proxy, redirects
        followed at most MaxRedirects times and never from https to http. */
    static QNetworkRequest makeRequest(const QUrl &url);

    /** Redirections followed at most, never from https to http. */
    static constexpr int MaxRedirects = 10;
    /** Bytes a reply may hold unread, so memory stays flat whatever the body's size. */
    static constexpr qint64 ReadBufferSize = 256 * 1024;
    /** Default time without progress before a transfer is aborted. */
    static constexpr int DefaultStallTimeout = 30000;

signals:
    /** Emitted exactly once, when the transfer has ended, whatever the outcome. */
    void downloaded(DownloadManager *dm);
    /** Bytes of the body the target holds so far, and the whole body's size (-1 while
        unknown). */
    void progressed(qint64 received, qint64 total);

private slots:
    void downloadReady();
    void downloadFinished();
    void hashingProgressed();
    void concludeTransfer();
    void stallTimedOut();
    void announceProgress();

private:
    void storeArrivedData();
    void storeRestLater();
    void storeSlice();
    bool isContent() const;
    bool isEntityBody() const;
    bool continuesPartial() const;
    bool openPartial();
    bool hashPartial();
    void keepOrDiscardPartial();
    void keepOrDiscardEarlierPartial();
    PartialTransfer arrivedPartial() const;
    bool moveIntoPlace();
    bool refuseOversize(qint64 bodySize);
    void noteWriteFailure(qint64 bytesToWrite);
    FailureReason judgeTransfer() const;

    QNetworkReply *reply = nullptr;
    QUrl url;
    QString filePath;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QFile partial;
    HashLane lane;
    bool complete = false; // the target, or the partial file when left there, holds the body
    bool putInPlace = true;
    qint64 maxSize = -1; // none
    bool storeQueued = false; // the rest of what arrived is stored in a later turn
    bool bodyComplete = false; // the reply has ended and all it brought is stored
    PartialTransfer resumeFrom;
    PartialTransfer kept;
    bool keepPartial = false;
    bool writeFailed = false;
    bool stalled = false;
    bool tooLarge = false;
    bool diskFull = false;
    FailureReason abortReason;
    qint64 received = 0; // body bytes of this transfer
    QTimer stallTimer;
    FailureReason failure;
};

Q_DECLARE_METATYPE(DownloadManager *)

#endif // DOWNLOADMANAGER_H

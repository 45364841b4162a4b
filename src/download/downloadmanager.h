#ifndef DOWNLOADMANAGER_H
#define DOWNLOADMANAGER_H

#include "report/failurereason.h"

#include <QNetworkAccessManager>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

class QNetworkReply;

/**
 * One HTTP GET of one URL into one local file.
 *
 * The body goes to a temporary file beside the target and takes the target's name only when
 * the transfer ends well: no error (Qt reports a body cut short as one) and a 2xx status. Whoever
 * handles downloaded() judges the outcome by whether the target file exists.
 */
class DownloadManager : public QNetworkAccessManager
{
    Q_OBJECT
public:
    /** Starts the request at once; parent is not used, the creator owns the object. */
    explicit DownloadManager(QUrl url, QObject *parent = nullptr);
    ~DownloadManager() override;

    /** The URL requested. */
    QUrl getUrl() const { return url; }
    /** The file that receives the body; empty until setFilePath(). */
    QString getFilePath() const { return filePath; }
    /** For a digest download: the extension of the package it belongs to; empty otherwise. */
    QString getSuffix() const { return suffix; }

    /** Sets the target file; call before control returns to the event loop. */
    void setFilePath(const QString &path) { filePath = path; }
    /** Remembers the package's extension on a digest download. */
    void setSuffix(const QString &packageSuffix) { suffix = packageSuffix; }
    /** How long the transfer may make no progress before it is aborted. */
    void setStallTimeout(int msecs);
    /** After downloaded(): why the transfer left no file, or None when it ended well. */
    FailureReason failureReason() const { return failure; }

    /** Redirections followed at most, never from https to http. */
    static constexpr int MaxRedirects = 10;
    /** Bytes a reply may hold unread, so memory stays flat whatever the body's size. */
    static constexpr qint64 ReadBufferSize = 256 * 1024;
    /** Default time without progress before a transfer is aborted. */
    static constexpr int DefaultStallTimeout = 30000;

signals:
    /** Emitted exactly once, when the transfer has ended, whatever the outcome. */
    void downloaded(DownloadManager *dm);
    /** Bytes of the body received so far, and the whole body's size (-1 while unknown). */
    void progressed(qint64 received, qint64 total);

private slots:
    void downloadReady();
    void downloadFinished();
    void stallTimedOut();
    void announceProgress();

private:
    void storeArrivedData();
    bool isContent() const;
    bool openTarget();
    FailureReason judgeTransfer() const;

    QNetworkReply *reply = nullptr;
    QUrl url;
    QString filePath;
    QString suffix;
    QSaveFile target;
    bool writeFailed = false;
    bool stalled = false;
    bool bodyArrived = false;
    qint64 received = 0;
    QTimer stallTimer;
    FailureReason failure;
};

Q_DECLARE_METATYPE(DownloadManager *)

#endif // DOWNLOADMANAGER_H

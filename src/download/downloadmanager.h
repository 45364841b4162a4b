#ifndef DOWNLOADMANAGER_H
#define DOWNLOADMANAGER_H

#include <QCryptographicHash>
#include <QFile>
#include <QNetworkAccessManager>
#include <QTimer>
#include <QUrl>

class QNetworkReply;

/**
 * One HTTP GET of one URL into one local file.
 *
 * The body goes to a partial file beside the target (its name with ".part" appended) and takes
 * the target's name only when the transfer ends well: no error (Qt reports a body cut short as
 * one) and a 2xx status. The body is hashed as it is written, so nobody has to read it back.
 * Whoever handles downloaded() judges the outcome by whether the target file exists.
 *
 * The partial file is not synced to disk: a package is trusted only after its digest check,
 * which also catches a file torn by a power cut.
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
    /** The MD5 of the body in lowercase hex once the target holds it; empty otherwise. */
    QString getMD5() const { return md5; }

    /** Sets the target file; call before control returns to the event loop. */
    void setFilePath(const QString &path) { filePath = path; }
    /** Remembers the package's extension on a digest download. */
    void setSuffix(const QString &packageSuffix) { suffix = packageSuffix; }
    /** How long the transfer may make no progress before it is aborted. */
    void setStallTimeout(int msecs);

    /** Redirections followed at most, never from https to http. */
    static constexpr int MaxRedirects = 10;
    /** Bytes a reply may hold unread, so memory stays flat whatever the body's size. */
    static constexpr qint64 ReadBufferSize = 256 * 1024;
    /** Default time without progress before a transfer is aborted. */
    static constexpr int DefaultStallTimeout = 30000;

signals:
    /** Emitted exactly once, when the transfer has ended, whatever the outcome. */
    void downloaded(DownloadManager *dm);

private slots:
    void downloadReady();
    void downloadFinished();

private:
    void storeArrivedData();
    bool isContent() const;
    bool openPartial();
    void keepOrDiscardPartial();
    bool moveIntoPlace();

    QNetworkReply *reply = nullptr;
    QUrl url;
    QString filePath;
    QString suffix;
    QString md5;
    QFile partial;
    QCryptographicHash hash {QCryptographicHash::Md5};
    bool writeFailed = false;
    QTimer stallTimer;
};

Q_DECLARE_METATYPE(DownloadManager *)

#endif // DOWNLOADMANAGER_H

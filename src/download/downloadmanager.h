#ifndef DOWNLOADMANAGER_H
#define DOWNLOADMANAGER_H

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

    /** Sets the target file; call before control returns to the event loop. */
    void setFilePath(const QString &path) { filePath = path; }
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
    bool openTarget();

    QNetworkReply *reply = nullptr;
    QUrl url;
    QString filePath;
    QSaveFile target;
    bool writeFailed = false;
    QTimer stallTimer;
};

Q_DECLARE_METATYPE(DownloadManager *)

#endif // DOWNLOADMANAGER_H

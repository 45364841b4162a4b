#ifndef FILEMANAGER_H
#define FILEMANAGER_H

#include <QHash>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QUrl>

#include "downloadmanager.h"

/**
 * Brings a list of package files into the "installs" folder beside the executable and signals
 * once, with allFilesDone(), when the pass over them is over.
 *
 * A URL is downloaded under its decoded file name unless a copy matching its ".md5" companion
 * is there already; the companion is fetched alongside the package, and the package is checked
 * against it once both have arrived. A local path is only looked for. A package is fetched at most
 * MaxAttempts times in a pass; then it is given up, and getGivenUpFiles() names it.
 */
class FileManager : public QObject
{
    Q_OBJECT
public:
    explicit FileManager(QObject *parent = nullptr);
    ~FileManager() override;

    /** Starts a pass over files (URLs or local paths); the pass ends with one allFilesDone(). */
    void getFiles(QStringList files);
    /** The "installs" folder beside the executable, with "/" separators. */
    QString getInstallsPath() const;
    /** The items, exactly as given to getFiles, that the latest pass gave up on
        (unsafe name, local path missing, download or verification failed 3 times). */
    QStringList getGivenUpFiles() const;
    /** How the latest transfer of an item of the latest pass ended (for instance
        ProxyAuthenticationRequiredError when the proxy asked for a sign-in); NoError when it
        ended well or nothing was requested for it. */
    QNetworkReply::NetworkError getNetworkError(const QString &item) const;
    /** How long a transfer may make no progress before it is aborted (default 30 s). */
    void setStallTimeout(int msecs);

    /** Fetches of one package in one pass, failed transfers and digest mismatches alike. */
    static constexpr int MaxAttempts = 3;

    /** Whether an item is a URL to download rather than a local path to look for. */
    static bool isUrl(const QString &item);
    /** The name a URL item is stored under: the last segment of its path, fully decoded. */
    static QString localName(const QString &item);
    /** Whether a name may be written into "installs": not ".", "..", free of "/", "\", ":" and
        control characters, with a name before its extension and an extension other than md5. */
    static bool isSafeName(const QString &name);
    /** A package file's digest companion: the text from its last "." replaced by ".md5". */
    static QString digestPath(const QString &packagePath);
    /** A package URL's digest companion: the extension of its path replaced by ".md5",
        anything after the path kept. */
    static QUrl digestUrl(const QUrl &packageUrl);
    /** The fields of a digest file's digest line (the first line not beginning with "//"),
        split at every blank; field 1 is the digest. Empty when there is no such line. */
    static QStringList readMD5File(const QString &path);
    /** The MD5 of a whole file in lowercase hex, read in blocks; empty when it cannot be read. */
    static QString calculateMD5(const QString &path);

signals:
    /** The pass has ended: nothing is pending, every package is present or given up. */
    void allFilesDone();

private slots:
    void verifyLocalFile(DownloadManager *dm);
    void verifyMD5(DownloadManager *dm);

private:
    /** A package fetched in this pass, under its local path in expectedFiles. */
    struct ExpectedFile
    {
        QString url;
        QStringList items; // every item of the pass stored under this name
        int attempts = 0;
        bool givenUp = false;
        bool packagePending = false;
        bool digestPending = false;
        bool digestStale = true; // the digest is fetched again with the next attempt
        bool arrived = false; // some attempt brought the package
        QString md5; // of the package the latest attempt stored
        QNetworkReply::NetworkError error = QNetworkReply::NoError; // of the latest attempt
        PartialTransfer partial; // what the latest attempt left to resume
    };

    void startPass();
    void takeItem(const QString &item);
    bool isFileReady(const QString &file) const;
    void requestPackage(const QString &local, ExpectedFile &file);
    DownloadManager *startDownload(
        const QUrl &url, const QString &path, const PartialTransfer &resumeFrom = {});
    void downloadMD5(const QString &local, ExpectedFile &file);
    void checkPackage(const QString &local, ExpectedFile &file);
    void giveUp(const QString &local, ExpectedFile &file);
    bool allFilesExist();
    void finishHandling(DownloadManager *dm);

    QList<DownloadManager *> downloads;
    QHash<QString, ExpectedFile> expectedFiles;
    QString installsPath;
    QStringList passItems;
    QSet<QString> givenUpItems;
    int stallTimeout;
};

#endif // FILEMANAGER_H

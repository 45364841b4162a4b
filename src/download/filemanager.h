#ifndef FILEMANAGER_H
#define FILEMANAGER_H

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

class DownloadManager;

/** Brings a list of package files into the "installs" folder, verifying each against its
    ".md5" companion, and signals once when the pass is over. */
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
    /** How long a transfer may make no progress before it is aborted (default 30 s). */
    void setStallTimeout(int msecs);

signals:
    /** The pass has ended: nothing is pending; every package is present or given up. */
    void allFilesDone();

private:
    QList<DownloadManager *> downloads;
    QHash<QString, QString> expectedFiles;
    QString installsPath;
    QStringList givenUpFiles;
    int stallTimeout = 30000;
};

#endif // FILEMANAGER_H

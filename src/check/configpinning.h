#ifndef CONFIGPINNING_H
#define CONFIGPINNING_H

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

class DownloadManager;

/**
 * Pins a configuration: the SHA-256 of every product's package, downloaded now (a local path's
 * read where Kestrun looks for it), written into the product's "sha256", with every other byte
 * of the file as it stands. A package whose server also has a digest file must match it first.
 */
class ConfigPinning : public QObject
{
    Q_OBJECT
public:
    explicit ConfigPinning(QObject *parent = nullptr);

    /** Starts on the file at path; ends with finished(), before this returns when there is
        nothing to fetch. */
    void pin(const QString &path);
    /** After finished(): the configuration with its pins, UTF-8; empty when a package could not
        be pinned. */
    QByteArray pinned() const { return result; }
    /** After finished(): why packages could not be pinned, one line each. */
    QStringList errors() const { return problems; }

signals:
    void finished();

private:
    /** One package's download and its digest file's. */
    struct Fetch
    {
        QString sha256;
        QString md5;
        QStringList digestLine;
        int pending = 0;
    };

    void pinLocal(const QString &file, const QString &installs);
    void fetch(const QString &file);
    void transferEnded(const QString &file, DownloadManager *dm, const QString &digestPath);
    void checkAgainstDigest(const QString &file, const Fetch &fetched);
    void concludeWhenDone();

    QTemporaryDir scratch;
    QByteArray text;
    QHash<QString, Fetch> fetches;
    QHash<QString, QString> pins; // file to SHA-256
    QStringList problems;
    QByteArray result;
    int pending = 0;
};

#endif // CONFIGPINNING_H

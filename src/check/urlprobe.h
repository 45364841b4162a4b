#ifndef URLPROBE_H
#define URLPROBE_H

#include "check/finding.h"

#include <QHash>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>

class QNetworkReply;
class QNetworkRequest;

/**
 * Asks the package servers whether each URL package of a configuration, and its digest file,
 * can be fetched: the package by a HEAD request (nothing of it is stored), or by a GET of its
 * first byte when the server refuses HEAD (405, 403, 501), as pre-signed and CDN URLs often
 * do; the digest file by a GET of at most 64 KiB, read as Kestrun reads it, unless the
 * configuration pins the package's SHA-256. Redirects are followed as Kestrun follows them. The
 * findings are Kestrun's verdicts: only a digest file the server says does not exist (404, 410)
 * lets a package be installed unchecked; any other failure gives it up.
 */
class UrlProbe : public QObject
{
    Q_OBJECT
public:
    /** What the servers answered for one package URL. */
    struct Answer
    {
        /** The first product with this file. */
        int product = 0;
        QString productName;
        QString url;
        /** The HTTP status (0 when none came), and the network error text when it failed. */
        int status = 0;
        QString error;
        /** Content-Length of the package; -1 when the server gave none. */
        qint64 size = -1;
        QString digestUrl;
        int digestStatus = 0;
        QString digestError;
        /** The digest line's first field; empty when the file has no digest line. */
        QString digest;
        bool digestFetched = false;
        /** The digest file was cut off at 64 KiB. */
        bool digestTooLarge = false;
        /** The digest file came, empty. */
        bool digestEmpty = false;
        /** The SHA-256 the configuration pins, which stands in for the digest file. */
        QString pin;

        bool fetched() const { return error.isEmpty() && status >= 200 && status < 300; }
        /** "MD5" for 32 hex digits, "SHA-256" for 64, "" for anything else. */
        QString digestFormat() const;
    };

    explicit UrlProbe(QObject *parent = nullptr);

    /** Probes every URL among files (one per product, names beside them); the digest file only
        of a URL without a pin among pins (file to SHA-256). Ends with finished(), before this
        returns when there is nothing to ask. */
    void probe(const QStringList &names, const QStringList &files,
        const QHash<QString, QString> &pins = {});
    /** No answer is outstanding. */
    bool isDone() const { return pending == 0; }
    QList<Answer> answers() const { return results; }
    /** What the answers mean for Kestrun's downloads. */
    QList<Finding> findings() const;

signals:
    void finished();

private:
    static QNetworkRequest request(const QString &url);
    void askForPackage(int index, bool byHead);
    void askForDigest(int index);
    QList<Finding> digestFindings(const Answer &answer) const;
    void packageAnswered(int index, QNetworkReply *reply, bool byHead);
    void digestAnswered(int index, QNetworkReply *reply);
    void replyHandled(QNetworkReply *reply);

    QNetworkAccessManager network;
    QList<Answer> results;
    int pending = 0;
};

#endif // URLPROBE_H

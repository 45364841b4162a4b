#ifndef URLPROBE_H
#define URLPROBE_H

#include "check/finding.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

class QNetworkReply;
class QNetworkRequest;

/**
 * Asks the package servers whether each URL package of a configuration, and its digest file,
 * can be fetched: the package by a HEAD request (nothing of it is stored), or by a GET of its
 * first byte when the server refuses HEAD (405, 403, 501), as pre-signed and CDN URLs often
 * do; the digest file by a GET into a scratch folder, read as Kestrun reads it. Redirects are
 * followed as Kestrun follows them.
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

        bool fetched() const { return error.isEmpty() && status >= 200 && status < 300; }
        /** "MD5" for 32 hex digits, "SHA-256" for 64, "" for anything else. */
        QString digestFormat() const;
    };

    explicit UrlProbe(QObject *parent = nullptr);

    /** Probes every URL among files (one per product, names beside them); ends with
        finished(), before this returns when there is none. */
    void probe(const QStringList &names, const QStringList &files);
    /** Whether the scratch folder for the digest files could be made. */
    bool isReady() const { return scratch.isValid(); }
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
    void packageAnswered(int index, QNetworkReply *reply, bool byHead);
    void digestAnswered(int index, QNetworkReply *reply);
    void replyHandled(QNetworkReply *reply);

    QNetworkAccessManager network;
    QTemporaryDir scratch;
    QList<Answer> results;
    int pending = 0;
};

#endif // URLPROBE_H

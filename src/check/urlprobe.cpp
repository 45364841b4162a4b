#include "urlprobe.h"

#include "download/downloadmanager.h"
#include "download/packagefiles.h"

#include <QDir>
#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

int statusOf(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

QString errorOf(const QNetworkReply *reply)
{
    return reply->error() == QNetworkReply::NoError ? QString() : reply->errorString();
}

Finding urlFinding(const UrlProbe::Answer &answer, const QString &kind, const QString &message,
    Finding::Severity severity)
{
    return Finding::about(severity, kind, message, answer.product, answer.productName);
}

QString failure(int status, const QString &error)
{
    return error.isEmpty() ? QStringLiteral("HTTP %1").arg(status) : error;
}

} // namespace

QString UrlProbe::Answer::digestFormat() const
{
    Hasher::Algorithm algorithm;
    if (!PackageFiles::digestAlgorithm(digest, algorithm))
        return QString();
    return algorithm == Hasher::Algorithm::Sha256 ? QStringLiteral("SHA-256")
                                                   : QStringLiteral("MD5");
}

UrlProbe::UrlProbe(QObject *parent)
    : QObject(parent)
{ }

void UrlProbe::probe(const QStringList &names, const QStringList &files)
{
    results.clear();
    QStringList seen;
    for (int i = 0; i < files.size(); ++i) {
        const QString &file = files.at(i);
        if (!PackageFiles::isUrl(file) || seen.contains(file))
            continue;
        seen << file;
        Answer answer;
        answer.product = i + 1;
        answer.productName = names.value(i);
        answer.url = file;
        answer.digestUrl =
            PackageFiles::digestUrl(QUrl(file, QUrl::TolerantMode)).toString(QUrl::FullyEncoded);
        results << answer;
    }
    pending = 2 * results.size();
    if (pending == 0) {
        emit finished();
        return;
    }
    for (int i = 0; i < results.size(); ++i) {
        askForPackage(i, true);
        QNetworkReply *digest = network.get(request(results.at(i).digestUrl));
        connect(digest, &QNetworkReply::downloadProgress, digest, [digest](qint64 received) {
            if (received > PackageFiles::MaxDigestSize)
                digest->abort();
        });
        connect(digest, &QNetworkReply::finished, this,
            [this, i, digest] { digestAnswered(i, digest); });
    }
}

QNetworkRequest UrlProbe::request(const QString &url)
{
    QNetworkRequest request = DownloadManager::makeRequest(QUrl(url, QUrl::TolerantMode));
    request.setTransferTimeout(DownloadManager::DefaultStallTimeout);
    return request;
}

void UrlProbe::askForPackage(int index, bool byHead)
{
    QNetworkRequest question = request(results.at(index).url);
    QNetworkReply *reply = nullptr;
    if (byHead) {
        reply = network.head(question);
    } else {
        question.setRawHeader("Range", "bytes=0-0");
        reply = network.get(question);
        // A server that ignores the range sends the whole package; its headers are the answer.
        connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received) {
            if (received > 1)
                reply->abort();
        });
    }
    connect(reply, &QNetworkReply::finished, this,
        [this, index, reply, byHead] { packageAnswered(index, reply, byHead); });
}

void UrlProbe::packageAnswered(int index, QNetworkReply *reply, bool byHead)
{
    const int status = statusOf(reply);
    if (byHead && (status == 405 || status == 403 || status == 501)) {
        reply->deleteLater();
        askForPackage(index, false);
        return;
    }
    Answer &answer = results[index];
    answer.status = status;
    const bool cutShortByUs =
        !byHead && status == 200 && reply->error() == QNetworkReply::OperationCanceledError;
    answer.error = cutShortByUs ? QString() : errorOf(reply);
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    // A ranged answer names the whole length after the slash: "bytes 0-0/52480".
    const QByteArray range = reply->rawHeader("Content-Range");
    bool known = false;
    const qint64 whole = range.mid(range.lastIndexOf('/') + 1).toLongLong(&known);
    // An error page's length is not the package's.
    if (!answer.fetched())
        answer.size = -1;
    else if (status == 206)
        answer.size = known ? whole : -1;
    else
        answer.size = length.isValid() ? length.toLongLong() : -1;
    replyHandled(reply);
}

void UrlProbe::digestAnswered(int index, QNetworkReply *reply)
{
    Answer &answer = results[index];
    answer.digestStatus = statusOf(reply);
    answer.digestError = errorOf(reply);
    answer.digestFetched =
        answer.digestError.isEmpty() && answer.digestStatus >= 200 && answer.digestStatus < 300;
    if (answer.digestFetched) {
        // Read by the same code that reads the digest files in the installs folder.
        const QString path = QDir(scratch.path()).filePath(QString::number(index));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(reply->readAll()) >= 0) {
            file.close();
            answer.digest = PackageFiles::readMD5File(path).value(0);
        }
        QFile::remove(path);
    }
    replyHandled(reply);
}

void UrlProbe::replyHandled(QNetworkReply *reply)
{
    // The reply is still inside its finished() emission.
    reply->deleteLater();
    if (--pending == 0)
        emit finished();
}

QList<Finding> UrlProbe::findings() const
{
    QList<Finding> found;
    for (const Answer &answer : results) {
        if (!answer.fetched()) {
            found << urlFinding(answer, QStringLiteral("package-unreachable"),
                QStringLiteral("%1 cannot be fetched (%2): Install and Download All give it up")
                    .arg(answer.url, failure(answer.status, answer.error)),
                Finding::Severity::Error);
        }
        if (!answer.digestFetched) {
            found << urlFinding(answer, QStringLiteral("no-digest-file"),
                QStringLiteral("no digest file at %1 (%2): the package is installed unchecked")
                    .arg(answer.digestUrl, failure(answer.digestStatus, answer.digestError)),
                Finding::Severity::Warning);
        } else if (answer.digest.isEmpty()) {
            found << urlFinding(answer, QStringLiteral("no-digest-line"),
                QStringLiteral("the digest file %1 holds no digest line: the package is "
                               "installed unchecked")
                    .arg(answer.digestUrl),
                Finding::Severity::Warning);
        } else if (answer.digestFormat().isEmpty()) {
            found << urlFinding(answer, QStringLiteral("digest-format"),
                QStringLiteral("the digest \"%1\" in %2 is neither an MD5 (32 hexadecimal digits) "
                               "nor a SHA-256 (64): every download fails the check and is given up")
                    .arg(answer.digest, answer.digestUrl),
                Finding::Severity::Error);
        }
    }
    return found;
}

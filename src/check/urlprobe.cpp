#include "urlprobe.h"

#include "download/downloadmanager.h"
#include "download/packagefiles.h"

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

void UrlProbe::probe(
    const QStringList &names, const QStringList &files, const QHash<QString, QString> &pins)
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
        answer.pin = pins.value(file);
        if (answer.pin.isEmpty())
            answer.digestUrl = PackageFiles::digestUrl(QUrl(file, QUrl::TolerantMode))
                                   .toString(QUrl::FullyEncoded);
        results << answer;
    }
    pending = 0;
    for (const Answer &answer : qAsConst(results))
        pending += answer.pin.isEmpty() ? 2 : 1;
    if (pending == 0) {
        emit finished();
        return;
    }
    for (int i = 0; i < results.size(); ++i) {
        askForPackage(i, true);
        if (results.at(i).pin.isEmpty())
            askForDigest(i);
    }
}

// Kestrun reads no more of a digest file than 64 KiB either.
void UrlProbe::askForDigest(int index)
{
    QNetworkReply *digest = network.get(request(results.at(index).digestUrl));
    connect(
        digest, &QNetworkReply::downloadProgress, digest, [this, index, digest](qint64 received) {
            if (received <= PackageFiles::MaxDigestSize)
                return;
            results[index].digestTooLarge = true;
            digest->abort();
        });
    connect(digest, &QNetworkReply::finished, this,
        [this, index, digest] { digestAnswered(index, digest); });
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
    // A server may answer the byte asked for with more of the package, or all of it.
    const bool cutShortByUs = !byHead && (status == 200 || status == 206)
        && reply->error() == QNetworkReply::OperationCanceledError;
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
    answer.digestFetched = !answer.digestTooLarge && answer.digestError.isEmpty()
        && answer.digestStatus >= 200 && answer.digestStatus < 300;
    if (answer.digestFetched) {
        // Read by the same code that reads the digest files in the installs folder.
        const QByteArray contents = reply->readAll();
        answer.digestEmpty = contents.isEmpty();
        answer.digest = PackageFiles::digestLine(contents).value(0);
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
        if (answer.pin.isEmpty())
            found << digestFindings(answer);
    }
    return found;
}

QList<Finding> UrlProbe::digestFindings(const Answer &answer) const
{
    const auto error = [&answer](const QString &kind, const QString &why) {
        return urlFinding(answer, kind,
            QStringLiteral("%1: Install and Download All give the package up").arg(why),
            Finding::Severity::Error);
    };
    if (answer.digestStatus == 404 || answer.digestStatus == 410) {
        return {urlFinding(answer, QStringLiteral("no-digest-file"),
            QStringLiteral("no digest file at %1 (%2): the package is installed unchecked")
                .arg(answer.digestUrl, failure(answer.digestStatus, answer.digestError)),
            Finding::Severity::Warning)};
    }
    if (answer.digestTooLarge) {
        return {error(QStringLiteral("digest-unreachable"),
            QStringLiteral("the digest file %1 is larger than 64 KiB").arg(answer.digestUrl))};
    }
    if (!answer.digestFetched) {
        return {error(QStringLiteral("digest-unreachable"),
            QStringLiteral("the digest file %1 cannot be fetched (%2)")
                .arg(answer.digestUrl, failure(answer.digestStatus, answer.digestError)))};
    }
    if (answer.digestEmpty) {
        return {error(QStringLiteral("digest-unreachable"),
            QStringLiteral("the digest file %1 is empty").arg(answer.digestUrl))};
    }
    if (answer.digest.isEmpty()) {
        return {urlFinding(answer, QStringLiteral("no-digest-line"),
            QStringLiteral("the digest file %1 holds no digest line: the package is "
                           "installed unchecked")
                .arg(answer.digestUrl),
            Finding::Severity::Warning)};
    }
    if (answer.digestFormat().isEmpty()) {
        return {error(QStringLiteral("digest-format"),
            QStringLiteral("the digest \"%1\" in %2 is neither an MD5 (32 hexadecimal digits) "
                           "nor a SHA-256 (64), so every download fails the check")
                .arg(answer.digest, answer.digestUrl))};
    }
    return {};
}

#include "downloadmanager.h"

#include <QNetworkReply>
#include <QNetworkRequest>

DownloadManager::DownloadManager(QUrl url, QObject *parent)
    : QNetworkAccessManager(nullptr)
    , url(std::move(url))
{
    Q_UNUSED(parent)
    qRegisterMetaType<DownloadManager *>();

    QNetworkRequest request(this->url);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    reply = get(request);
    reply->setReadBufferSize(ReadBufferSize);

    connect(reply, &QNetworkReply::readyRead, this, &DownloadManager::downloadReady);
    connect(reply, &QNetworkReply::finished, this, &DownloadManager::downloadFinished);
    // Any sign of life, headers and redirections included, restarts the stall clock.
    connect(reply, &QNetworkReply::metaDataChanged, &stallTimer, qOverload<>(&QTimer::start));
    connect(reply, &QNetworkReply::redirected, &stallTimer, qOverload<>(&QTimer::start));
    connect(&stallTimer, &QTimer::timeout, this, &DownloadManager::stallTimedOut);
    // Qt's own downloadProgress() keeps quiet for the first 100 ms of a transfer.
    connect(reply, &QNetworkReply::metaDataChanged, this, &DownloadManager::announceProgress);
    stallTimer.setSingleShot(true);
    stallTimer.start(DefaultStallTimeout);
}

DownloadManager::~DownloadManager() = default;

void DownloadManager::setStallTimeout(int msecs)
{
    if (stallTimer.isActive())
        stallTimer.start(msecs);
    else
        stallTimer.setInterval(msecs);
}

void DownloadManager::downloadReady()
{
    stallTimer.start();
    storeArrivedData();
    // The rest of the body is of no use once the target cannot take it.
    if (writeFailed)
        reply->abort();
}

void DownloadManager::downloadFinished()
{
    stallTimer.stop();
    storeArrivedData();
    failure = judgeTransfer();
    if (target.isOpen()) {
        if (writeFailed || !isContent())
            target.cancelWriting();
        // After cancelWriting() this only removes the temporary file.
        target.commit();
    }
    reply->deleteLater();
    emit downloaded(this);
}

// What is not the content is read away unstored, so that the bounded read buffer never holds up
// the end of the reply.
void DownloadManager::stallTimedOut()
{
    stalled = true;
    reply->abort();
}

void DownloadManager::storeArrivedData()
{
    if (!reply->isOpen()) // aborted
        return;
    const QByteArray chunk = reply->readAll();
    if (chunk.isEmpty() || writeFailed || !isContent())
        return;
    bodyArrived = true;
    received += chunk.size();
    announceProgress();
    writeFailed = (!target.isOpen() && !openTarget()) || target.write(chunk) != chunk.size();
}

// An error page or a redirection's body is never taken for the content.
void DownloadManager::announceProgress()
{
    if (!isContent())
        return;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    emit progressed(received, length.isValid() ? length.toLongLong() : -1);
}

bool DownloadManager::isContent() const
{
    if (reply->error() != QNetworkReply::NoError)
        return false;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return true; // not HTTP: no status to judge by
    const int code = status.toInt();
    return code >= 200 && code < 300;
}

FailureReason DownloadManager::judgeTransfer() const
{
    if (stalled)
        return FailureReason::stall(stallTimer.interval());
    if (writeFailed)
        return FailureReason::of(FailureReason::NotWritable);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    // Qt reports an error for an error status too; the status says more. A refused redirection
    // is left to its error, and so is a proxy's 407.
    if (status >= 400 && error != QNetworkReply::ProxyAuthenticationRequiredError)
        return FailureReason::http(status);
    if (error != QNetworkReply::NoError)
        return FailureReason::network(error, bodyArrived);
    if (!isContent())
        return FailureReason::http(status);
    return bodyArrived ? FailureReason() : FailureReason::of(FailureReason::EmptyBody);
}

bool DownloadManager::openTarget()
{
    target.setFileName(filePath);
    return !filePath.isEmpty() && target.open(QIODevice::WriteOnly);
}

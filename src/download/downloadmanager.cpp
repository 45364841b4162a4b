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
    connect(&stallTimer, &QTimer::timeout, reply, &QNetworkReply::abort);
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
    if (!storeArrivedData())
        reply->abort();
}

void DownloadManager::downloadFinished()
{
    stallTimer.stop();
    const bool whole = storeArrivedData();
    if (target.isOpen()) {
        if (!whole)
            target.cancelWriting();
        // After cancelWriting() this only removes the temporary file.
        target.commit();
    }
    reply->deleteLater();
    emit downloaded(this);
}

// False once the body can no longer end up whole in the target: an error, a response that is
// not the content, or a target that cannot be written.
bool DownloadManager::storeArrivedData()
{
    if (reply->error() != QNetworkReply::NoError || !isSuccessfulResponse())
        failed = true;
    if (failed)
        return false;
    if (reply->bytesAvailable() == 0)
        return true;
    if (!target.isOpen() && !openTarget()) {
        failed = true;
        return false;
    }
    const QByteArray chunk = reply->readAll();
    failed = target.write(chunk) != chunk.size();
    return !failed;
}

// A redirection's body or an error page is never taken for the content.
bool DownloadManager::isSuccessfulResponse() const
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return true; // not HTTP: no status to judge by
    const int code = status.toInt();
    return code >= 200 && code < 300;
}

bool DownloadManager::openTarget()
{
    target.setFileName(filePath);
    return !filePath.isEmpty() && target.open(QIODevice::WriteOnly);
}

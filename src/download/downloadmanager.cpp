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
    storeArrivedData();
    // The rest of the body is of no use once the target cannot take it.
    if (writeFailed)
        reply->abort();
}

void DownloadManager::downloadFinished()
{
    stallTimer.stop();
    storeArrivedData();
    if (partial.isOpen())
        keepOrDiscardPartial();
    reply->deleteLater();
    emit downloaded(this);
}

// What is not the content is read away unstored, so that the bounded read buffer never holds up
// the end of the reply.
void DownloadManager::storeArrivedData()
{
    if (!reply->isOpen()) // aborted
        return;
    const QByteArray chunk = reply->readAll();
    if (chunk.isEmpty() || writeFailed || !isContent())
        return;
    writeFailed = (!partial.isOpen() && !openPartial()) || partial.write(chunk) != chunk.size();
    hash.addData(chunk);
}

// An error page or a redirection's body is never taken for the content.
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

bool DownloadManager::openPartial()
{
    partial.setFileName(filePath + QLatin1String(".part"));
    return !filePath.isEmpty() && partial.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void DownloadManager::keepOrDiscardPartial()
{
    partial.close();
    writeFailed = writeFailed || partial.error() != QFileDevice::NoError;
    if (!writeFailed && isContent() && moveIntoPlace())
        md5 = QString::fromLatin1(hash.result().toHex());
    else
        partial.remove();
}

// A rename within one folder: the target appears whole or not at all.
bool DownloadManager::moveIntoPlace()
{
    QFile::remove(filePath);
    return partial.rename(filePath);
}

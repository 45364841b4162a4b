#include "downloadmanager.h"

#include <QFileInfo>
#include <QNetworkProxyFactory>
#include <QNetworkRequest>
#include <QStorageInfo>

namespace {

int httpStatus(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// The strong ETag, or failing that the Last-Modified date: what If-Range compares.
QByteArray validatorOf(const QNetworkReply *reply)
{
    const QByteArray etag = reply->rawHeader("ETag");
    if (!etag.isEmpty() && !etag.startsWith("W/"))
        return etag;
    return reply->rawHeader("Last-Modified");
}

// "bytes <first>-<last>/<total>"; false for anything else.
bool parseContentRange(const QByteArray &header, qint64 &first, qint64 &last, qint64 &total)
{
    if (!header.startsWith("bytes "))
        return false;
    const int dash = header.indexOf('-');
    const int slash = header.indexOf('/');
    if (dash < 0 || slash < dash)
        return false;
    bool ok1 = false, ok2 = false, ok3 = false;
    first = header.mid(6, dash - 6).trimmed().toLongLong(&ok1);
    last = header.mid(dash + 1, slash - dash - 1).trimmed().toLongLong(&ok2);
    total = header.mid(slash + 1).trimmed().toLongLong(&ok3);
    return ok1 && ok2 && ok3;
}

void useSystemProxy()
{
    static const bool once = [] {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        return true;
    }();
    Q_UNUSED(once)
}

} // namespace

QNetworkRequest DownloadManager::makeRequest(const QUrl &url)
{
    useSystemProxy();
    QNetworkRequest request(url);
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    return request;
}

DownloadManager::DownloadManager(QUrl url, QString filePath, PartialTransfer resumeFrom)
    : QNetworkAccessManager(nullptr)
    , url(std::move(url))
    , filePath(std::move(filePath))
    , resumeFrom(std::move(resumeFrom))
{
    qRegisterMetaType<DownloadManager *>();

    QNetworkRequest request = makeRequest(this->url);
    if (this->resumeFrom.isResumable()) {
        request.setRawHeader("Range", "bytes=" + QByteArray::number(this->resumeFrom.size) + '-');
        // A server whose entity changed since answers 200 with all of it.
        request.setRawHeader("If-Range", this->resumeFrom.validator);
    }
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
    connect(&lane, &HashLane::progressed, this, &DownloadManager::hashingProgressed);
    connect(&lane, &HashLane::finished, this, &DownloadManager::concludeTransfer);
    stallTimer.setSingleShot(true);
    stallTimer.start(DefaultStallTimeout);
}

DownloadManager::~DownloadManager() = default;

QString DownloadManager::partialPath(const QString &target)
{
    return target + QLatin1String(".part");
}

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
}

void DownloadManager::downloadFinished()
{
    stallTimer.stop();
    error = reply->error();
    storeArrivedData();
}

// Reading held back while the hashing lane was full goes on, and the stall clock with it.
void DownloadManager::hashingProgressed()
{
    if (reply->isRunning())
        downloadReady();
}

// Once every byte that arrived is hashed.
void DownloadManager::concludeTransfer()
{
    if (partial.isOpen())
        keepOrDiscardPartial();
    else
        keepOrDiscardEarlierPartial();
    // Judged last: putting the file in its place can fail too.
    failure = judgeTransfer();
    reply->deleteLater();
    emit downloaded(this);
}

void DownloadManager::stallTimedOut()
{
    stalled = true;
    reply->abort();
}

// A slice a turn: Qt may hold far more than its read buffer's size, and writing all of it at
// once would keep the window from turning. Once the reply has ended and all of it is stored, the
// lane is told that the body is complete.
void DownloadManager::storeArrivedData()
{
    storeQueued = false;
    const bool running = reply->isRunning();
    // The reply's buffer then holds the network back until the lane has room; the server is
    // not the one that stalls meanwhile.
    if (running && !lane.hasRoom()) {
        stallTimer.stop();
        return;
    }
    storeSlice();
    // The rest of the body is of no use once the target cannot take it.
    if (writeFailed && running) {
        reply->abort();
        return;
    }
    if (reply->isOpen() && reply->bytesAvailable() > 0)
        storeRestLater();
    else if (!running && !bodyComplete) {
        bodyComplete = true;
        lane.finish();
    }
}

void DownloadManager::storeRestLater()
{
    if (storeQueued)
        return;
    storeQueued = true;
    QTimer::singleShot(0, this, &DownloadManager::storeArrivedData);
}

// What is not the content is read away unstored, so that the bounded read buffer never holds up
// the end of the reply.
void DownloadManager::storeSlice()
{
    if (!reply->isOpen()) // aborted
        return;
    const QByteArray chunk = reply->read(ReadBufferSize);
    // What came before a break is the entity's all the same, and worth keeping to resume.
    if (chunk.isEmpty() || writeFailed || !isEntityBody()
        || refuseOversize(received + chunk.size()))
        return;
    writeFailed = (!partial.isOpen() && !openPartial()) || partial.write(chunk) != chunk.size();
    if (writeFailed)
        noteWriteFailure(chunk.size());
    lane.add(chunk);
    received += chunk.size();
    announceProgress();
}

// Counted from the start of the entity, the part an earlier transfer brought included.
void DownloadManager::announceProgress()
{
    if (!isEntityBody())
        return;
    const qint64 before = continuesPartial() ? resumeFrom.size : 0;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && refuseOversize(length.toLongLong()))
        return;
    emit progressed(before + received, length.isValid() ? before + length.toLongLong() : -1);
}

void DownloadManager::abortWith(const FailureReason &reason)
{
    abortReason = reason;
    keepPartial = false;
    if (reply->isRunning())
        reply->abort();
}

// A write that failed with less free space than it needed found the disk full.
void DownloadManager::noteWriteFailure(qint64 bytesToWrite)
{
    diskFull =
        QStorageInfo(QFileInfo(partial.fileName()).absolutePath()).bytesAvailable() < bytesToWrite;
}

// Nothing of a body larger than the limit is stored: the transfer ends as soon as the server
// announces it or sends more.
bool DownloadManager::refuseOversize(qint64 bodySize)
{
    if (maxSize < 0 || bodySize <= maxSize)
        return false;
    tooLarge = true;
    reply->abort();
    return true;
}

bool DownloadManager::isContent() const
{
    return reply->error() == QNetworkReply::NoError && isEntityBody();
}

// An error page, a redirection's body or a part of some other entity is never taken for the
// content.
bool DownloadManager::isEntityBody() const
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return true; // not HTTP: no status to judge by
    const int code = status.toInt();
    if (code == 206)
        return continuesPartial();
    return code >= 200 && code < 300;
}

// The rest of the very entity the partial file holds the start of.
bool DownloadManager::continuesPartial() const
{
    qint64 first = 0, last = 0, total = 0;
    return resumeFrom.isResumable() && httpStatus(reply) == 206
        && parseContentRange(reply->rawHeader("Content-Range"), first, last, total)
        && first == resumeFrom.size && last == total - 1 && total == resumeFrom.total
        && validatorOf(reply) == resumeFrom.validator
        && reply->rawHeader("Content-Encoding").isEmpty();
}

bool DownloadManager::openPartial()
{
    partial.setFileName(partialPath(filePath));
    if (filePath.isEmpty())
        return false;
    if (continuesPartial())
        return partial.open(QIODevice::ReadWrite) && hashPartial();
    return partial.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

// Has the lane hash what the partial file holds, and leaves the position at its end for what
// follows.
bool DownloadManager::hashPartial()
{
    if (partial.size() != resumeFrom.size || !partial.seek(resumeFrom.size))
        return false;
    lane.addFile(partial.fileName(), resumeFrom.size);
    return true;
}

QString DownloadManager::getDigest(Hasher::Algorithm algorithm) const
{
    return complete ? lane.digest(algorithm) : QString();
}

void DownloadManager::setDigestAlgorithm(Hasher::Algorithm algorithm)
{
    lane.keepOnly(algorithm);
}

void DownloadManager::keepOrDiscardPartial()
{
    partial.close();
    if (!writeFailed && partial.error() != QFileDevice::NoError) {
        writeFailed = true;
        noteWriteFailure(1);
    }
    if (!writeFailed && isContent()) {
        if (!putInPlace || moveIntoPlace()) {
            complete = true;
            return;
        }
        // Something that is not a file, a folder say, holds the package's name.
        writeFailed = true;
    }
    kept = writeFailed || !keepPartial ? PartialTransfer() : arrivedPartial();
    if (!kept.isResumable())
        partial.remove();
}

// No body arrived in this transfer: an earlier partial file stays only while nothing was heard
// from the server that could have replaced its entity.
void DownloadManager::keepOrDiscardEarlierPartial()
{
    if (!resumeFrom.isResumable())
        return;
    if (keepPartial && !reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        kept = resumeFrom;
    else
        QFile::remove(partialPath(filePath));
}

// What the partial file of a broken-off transfer holds, and of which entity.
PartialTransfer DownloadManager::arrivedPartial() const
{
    if (!isEntityBody() || !reply->rawHeader("Content-Encoding").isEmpty())
        return {};
    PartialTransfer arrived;
    arrived.size = partial.size();
    arrived.validator = validatorOf(reply);
    if (httpStatus(reply) == 206) {
        arrived.total = resumeFrom.total;
    } else {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        arrived.total = length.isValid() ? length.toLongLong() : -1;
    }
    return arrived;
}

FailureReason DownloadManager::judgeTransfer() const
{
    if (abortReason.isFailure())
        return abortReason;
    if (stalled)
        return FailureReason::stall(stallTimer.interval());
    if (tooLarge)
        return FailureReason::of(FailureReason::TooLarge);
    if (writeFailed)
        return FailureReason::of(diskFull ? FailureReason::DiskFull : FailureReason::NotWritable);
    const int status = httpStatus(reply);
    // Qt reports an error for an error status too; the status says more. A refused redirection
    // is left to its error, and so is a proxy's 407.
    if (status >= 400 && error != QNetworkReply::ProxyAuthenticationRequiredError)
        return FailureReason::http(status);
    if (error != QNetworkReply::NoError)
        return FailureReason::network(error, received > 0);
    if (!isContent())
        return FailureReason::http(status);
    return received > 0 ? FailureReason() : FailureReason::of(FailureReason::EmptyBody);
}

// A rename within one folder: the target appears whole or not at all.
bool DownloadManager::moveIntoPlace()
{
    QFile::remove(filePath);
    return partial.rename(filePath);
}

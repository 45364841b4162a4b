#include "packagefetch.h"

#include "hashlane.h"
#include "packagefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace PackageFiles;

PackageFetch::PackageFetch(
    Source source, Copy target, QList<Copy> inPlace, StartTransfer startTransfer, QObject *parent)
    : QObject(parent)
    , source(std::move(source))
    , target(std::move(target))
    , inPlace(std::move(inPlace))
    , startTransfer(std::move(startTransfer))
{ }

void PackageFetch::start()
{
    if (!checkNextCopy())
        fetchOrGiveUp();
}

// Where a download waits, complete, for its check: an older copy keeps the package's name until
// the new one has passed.
QString PackageFetch::staged() const
{
    return DownloadManager::partialPath(target.path);
}

// A copy recorded as downloaded from another URL, a moved one or another deployment's, is no
// copy of this package. A copy without a record, put there by an administrator, is judged on
// its digest file.
QString PackageFetch::expectedOf(const Copy &copy) const
{
    if (isPinned())
        return source.pin;
    const QString origin = readOrigin(copy.digestPath);
    if (!origin.isEmpty() && !sameUrl(origin, source.url))
        return QString();
    return readMD5File(copy.digestPath).value(0);
}

// A copy in place is hashed off the window's thread; false when no copy is left that has a
// digest to match.
bool PackageFetch::checkNextCopy()
{
    while (!inPlace.isEmpty()) {
        checkedCopy = inPlace.takeFirst();
        checkedDigest = expectedOf(checkedCopy);
        check = isPackageFile(checkedCopy.path)
            ? startMatching(checkedCopy.path, checkedDigest, this)
            : nullptr;
        if (check) {
            connect(check, &HashLane::finished, this, &PackageFetch::copyHashed);
            return true;
        }
    }
    return false;
}

// A copy that matches is used, and its digest kept for the check just before it runs;
// otherwise the next one is checked, or the package fetched.
void PackageFetch::copyHashed()
{
    // It is still inside its finished() emission.
    check->deleteLater();
    const bool matches = matchesDigest(checkedDigest, *check);
    check = nullptr;
    if (matches) {
        conclude(checkedCopy.path, checkedDigest);
    } else {
        if (isPinned())
            failure = FailureReason::of(FailureReason::PinMismatch);
        if (!checkNextCopy())
            fetchOrGiveUp();
    }
    emit progressed();
}

void PackageFetch::fetchOrGiveUp()
{
    if (source.url.isEmpty()) {
        if (!failure.isFailure())
            failure = FailureReason::of(FailureReason::LocalFileMissing);
        giveUp();
        return;
    }
    QDir().mkpath(QFileInfo(target.path).path());
    // A copy that failed its check goes; one from another URL stays until its successor has
    // passed, which may never happen.
    const QString origin = readOrigin(target.digestPath);
    if (origin.isEmpty() || sameUrl(origin, source.url)) {
        QFile::remove(target.path);
        QFile::remove(target.digestPath);
    }
    // Left by an earlier run that ended mid-transfer; which entity they hold is not known.
    QFile::remove(staged());
    QFile::remove(stagedDigest());
    requestPackage();
}

void PackageFetch::requestPackage()
{
    ++attempts;
    received = 0;
    total = -1;
    packageTransfer = startTransfer(
        this, Transfer::Package, QUrl(source.url, QUrl::TolerantMode), target.path, partial);
    packageTransfer->setKeepPartial(true);
    packageTransfer->setLeaveInPartialFile(true);
    connect(packageTransfer, &DownloadManager::progressed, this, &PackageFetch::transferProgressed);
    // Side by side, so that a package costs one round trip rather than two.
    if (!isPinned() && digest == DigestState::Stale)
        requestDigest();
    else
        takeOnlyTheDigestNeeded();
}

// The digest file stays where it arrives until its package has passed: a copy from another URL
// keeps its own meanwhile.
void PackageFetch::requestDigest()
{
    digest = DigestState::Pending;
    DownloadManager *transfer = startTransfer(this, Transfer::Digest,
        digestUrl(QUrl(source.url, QUrl::TolerantMode)), target.digestPath, {});
    transfer->setLeaveInPartialFile(true);
    // A server that answers with something else, the package say, is not read to its end.
    transfer->setMaxSize(MaxDigestSize);
}

QString PackageFetch::stagedDigest() const
{
    return DownloadManager::partialPath(target.digestPath);
}

void PackageFetch::transferProgressed(qint64 bytes, qint64 size)
{
    received = bytes;
    const bool announced = total < 0 && size >= 0;
    total = size;
    if (announced)
        emit sizeAnnounced();
    emit progressed();
}

void PackageFetch::refuse(const FailureReason &reason)
{
    if (packageTransfer)
        packageTransfer->abortWith(reason);
}

void PackageFetch::packageArrived(const DownloadManager *dm)
{
    packageTransfer = nullptr;
    md5 = dm->getMD5();
    sha256 = dm->getDigest(Hasher::Algorithm::Sha256);
    partial = dm->getPartial();
    complete = !dm->failureReason().isFailure() && isPackageFile(staged());
    if (dm->failureReason().isFailure())
        failure = dm->failureReason();
    // A sign-in that was asked for or refused would only be refused again, and the disk fills
    // only further while the pass runs.
    const QNetworkReply::NetworkError error = dm->getError();
    if (error == QNetworkReply::ProxyAuthenticationRequiredError
        || error == QNetworkReply::AuthenticationRequiredError
        || failure.kind == FailureReason::DiskFull || failure.kind == FailureReason::NotEnoughSpace)
        attempts = MaxAttempts;
    if (digest != DigestState::Pending)
        judgeAttempt();
}

// The digest line is read once, as it arrives: a digest file that changes or goes away later
// changes nothing. A 404 or 410 is the server saying there is none; anything else (a 500, a
// reset, a stall, a file too large) says nothing about the package, which must then not pass
// unchecked.
void PackageFetch::digestArrived(const DownloadManager *dm)
{
    QFile file(stagedDigest());
    if (!dm->failureReason().isFailure() && file.open(QIODevice::ReadOnly)) {
        digest = DigestState::Present;
        digestText = file.readAll();
        digestLine = PackageFiles::digestLine(digestText);
        file.remove();
    } else {
        digestFailure = dm->failureReason();
        const bool absent = digestFailure.kind == FailureReason::HttpStatus
            && (digestFailure.httpStatus == 404 || digestFailure.httpStatus == 410);
        digest = absent ? DigestState::Absent : DigestState::Failed;
        digestText.clear();
        digestLine.clear();
    }
    if (packageTransfer)
        takeOnlyTheDigestNeeded();
    else
        judgeAttempt();
}

// A pin is a SHA-256. Once the digest line is there, the transfer hashes with its algorithm
// alone; without one the package is remembered by its MD5.
void PackageFetch::takeOnlyTheDigestNeeded() const
{
    Hasher::Algorithm algorithm = Hasher::Algorithm::Md5;
    if (isPinned())
        algorithm = Hasher::Algorithm::Sha256;
    else if (digest == DigestState::Present)
        digestAlgorithm(digestLine.value(0), algorithm);
    if (packageTransfer)
        packageTransfer->setDigestAlgorithm(algorithm);
}

// A complete package whose digest could not be fetched waits while only the digest is fetched
// again.
void PackageFetch::judgeAttempt()
{
    checkPackage();
    if (isDone())
        return;
    if (attempts >= MaxAttempts) {
        giveUp();
    } else if (complete) {
        ++attempts;
        requestDigest();
    } else {
        requestPackage();
    }
}

// Only the digest counts: the name beside it in the line is not trusted to point anywhere. A
// package whose server has no digest, or whose digest holds no digest line, is accepted
// unchecked; one that does not match is fetched again, and its digest with it, since either of
// them may be the damaged one.
void PackageFetch::checkPackage()
{
    if (digest == DigestState::Failed) {
        digest = DigestState::Stale;
        if (complete)
            failure = FailureReason::digestNotFetched(digestFailure);
        return;
    }
    if (!complete)
        return;
    if (!isPinned() && digestLine.isEmpty()) {
        putInPlace(md5, false);
        return;
    }
    const QString expected = isPinned() ? source.pin : digestLine.value(0);
    const QString computed = digestOfSameForm(expected, md5, sha256);
    if (sameDigest(computed, expected)) {
        putInPlace(expected, true);
        return;
    }
    digest = DigestState::Stale;
    reject(isPinned() ? FailureReason::of(FailureReason::PinMismatch)
                      : FailureReason::digestMismatch(expected, computed));
}

// A rename within one folder. A crash before the record is written leaves the digest file that
// came with the package, or the record of the copy before, whose URL or digest then does not
// fit: the package is fetched again.
void PackageFetch::putInPlace(const QString &digest, bool checked)
{
    QFile::remove(target.path);
    // Something that is not a file, a folder say, holds the package's name.
    if (!QFile::rename(staged(), target.path)) {
        reject(FailureReason::of(FailureReason::NotWritable));
        return;
    }
    complete = false;
    keepDigestFile(checked);
    conclude(target.path, digest);
}

// Beside its package, the digest file records where a checked package came from; a pin is
// written as sha256sum writes a digest. A package the server has no digest for has none.
void PackageFetch::keepDigestFile(bool checked) const
{
    if (isPinned()) {
        writeOrigin(target.digestPath, source.url,
            source.pin.toLatin1() + "  " + QFileInfo(target.path).fileName().toUtf8() + '\n');
    } else if (checked) {
        writeOrigin(target.digestPath, source.url, digestText);
    } else if (digest == DigestState::Present) {
        writeDigestFile(target.digestPath, digestText);
    } else {
        QFile::remove(target.digestPath);
    }
}

void PackageFetch::reject(const FailureReason &reason)
{
    failure = reason;
    complete = false;
    // A damaged body that cannot be removed (held open by a virus scanner, say) could not be
    // replaced either.
    if (!QFile::remove(staged()) && isPackageFile(staged()))
        giveUp();
}

void PackageFetch::giveUp()
{
    outcome = Outcome::GivenUp;
    // Nothing more arrives for it: the pass's bytes are those of the other packages.
    received = 0;
    total = 0;
    // A local package is only looked at.
    if (!source.url.isEmpty()) {
        QFile::remove(staged());
        QFile::remove(stagedDigest());
    }
    emit finished();
}

void PackageFetch::conclude(const QString &where, const QString &digest)
{
    outcome = Outcome::Verified;
    verifiedPath = where;
    accepted = digest;
    total = received;
    emit finished();
}

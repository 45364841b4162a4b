#include "packagefetch.h"

#include "hashlane.h"
#include "packagefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using PackageFiles::isPackageFile;

PackageFetch::PackageFetch(
    QString url, Copy target, QList<Copy> inPlace, StartTransfer startTransfer, QObject *parent)
    : QObject(parent)
    , url(std::move(url))
    , target(std::move(target))
    , inPlace(std::move(inPlace))
    , startTransfer(std::move(startTransfer))
{ }

void PackageFetch::start()
{
    if (!checkNextCopy())
        fetch();
}

// A copy in place is hashed off the window's thread; false when no copy is left that has a
// digest line to match.
bool PackageFetch::checkNextCopy()
{
    while (!inPlace.isEmpty()) {
        checkedCopy = inPlace.takeFirst();
        checkedDigest = PackageFiles::readMD5File(checkedCopy.digestPath).value(0);
        check = isPackageFile(checkedCopy.path)
            ? PackageFiles::startMatching(checkedCopy.path, checkedDigest, this)
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
    const bool matches = PackageFiles::matchesDigest(checkedDigest, *check);
    check = nullptr;
    if (matches)
        conclude(checkedCopy.path, checkedDigest);
    else if (!checkNextCopy())
        fetch();
    emit progressed();
}

void PackageFetch::fetch()
{
    QDir().mkpath(QFileInfo(target.path).path());
    QFile::remove(target.path);
    // Left by an earlier run that ended mid-transfer; which entity they hold is not known.
    QFile::remove(DownloadManager::partialPath(target.path));
    QFile::remove(DownloadManager::partialPath(target.digestPath));
    requestPackage();
}

void PackageFetch::requestPackage()
{
    ++attempts;
    received = 0;
    total = -1;
    packageTransfer =
        startTransfer(this, Transfer::Package, QUrl(url, QUrl::TolerantMode), target.path, partial);
    packageTransfer->setKeepPartial(true);
    connect(packageTransfer, &DownloadManager::progressed, this, &PackageFetch::transferProgressed);
    // Side by side, so that a package costs one round trip rather than two.
    if (digest == DigestState::Stale)
        requestDigest();
    else
        takeOnlyTheDigestNeeded();
}

void PackageFetch::requestDigest()
{
    QFile::remove(target.digestPath);
    digest = DigestState::Pending;
    startTransfer(this, Transfer::Digest, PackageFiles::digestUrl(QUrl(url, QUrl::TolerantMode)),
        target.digestPath, {});
}

void PackageFetch::transferProgressed(qint64 bytes, qint64 size)
{
    received = bytes;
    total = size;
    emit progressed();
}

void PackageFetch::packageArrived(const DownloadManager *dm)
{
    // A transfer that left no file is made again, unless that was the last attempt.
    packageTransfer = nullptr;
    md5 = dm->getMD5();
    sha256 = dm->getDigest(Hasher::Algorithm::Sha256);
    partial = dm->getPartial();
    if (dm->failureReason().isFailure())
        failure = dm->failureReason();
    const QNetworkReply::NetworkError error = dm->getError();
    if (error == QNetworkReply::ProxyAuthenticationRequiredError
        || error == QNetworkReply::AuthenticationRequiredError)
        attempts = MaxAttempts;
    if (digest != DigestState::Pending)
        judgeAttempt();
}

// A 404 or 410 is the server saying there is no digest; anything else (a 500, a reset, a stall)
// says nothing about the package, which must then not pass unchecked.
void PackageFetch::digestArrived(const DownloadManager *dm)
{
    const QFileInfo file(target.digestPath);
    if (file.isFile() && file.size() <= PackageFiles::MaxDigestSize) {
        digest = DigestState::Present;
    } else {
        digestFailure =
            file.isFile() ? FailureReason::of(FailureReason::TooLarge) : dm->failureReason();
        const bool absent = digestFailure.kind == FailureReason::HttpStatus
            && (digestFailure.httpStatus == 404 || digestFailure.httpStatus == 410);
        digest = absent ? DigestState::Absent : DigestState::Failed;
    }
    if (packageTransfer)
        takeOnlyTheDigestNeeded();
    else
        judgeAttempt();
}

// Once the digest line is there, the transfer hashes with its algorithm alone. Without one the
// package is remembered by its MD5.
void PackageFetch::takeOnlyTheDigestNeeded() const
{
    Hasher::Algorithm algorithm = Hasher::Algorithm::Md5;
    if (digest == DigestState::Present)
        PackageFiles::digestAlgorithm(
            PackageFiles::readMD5File(target.digestPath).value(0), algorithm);
    if (packageTransfer)
        packageTransfer->setDigestAlgorithm(algorithm);
}

void PackageFetch::judgeAttempt()
{
    checkPackage();
    if (isDone())
        return;
    if (attempts < MaxAttempts)
        requestPackage();
    else
        giveUp();
}

// Only the digest counts: the name beside it in the line is not trusted to point anywhere. A
// package whose server has no digest, or whose digest holds no digest line, is accepted
// unchecked; a failed one is fetched again, and its digest with it, since either of them may be
// the damaged one.
void PackageFetch::checkPackage()
{
    const bool digestFailed = digest == DigestState::Failed;
    // Fetched again with the package's next attempt.
    if (digestFailed)
        digest = DigestState::Stale;
    if (!isPackageFile(target.path))
        return;
    arrived = true;
    if (digestFailed) {
        reject(FailureReason::digestNotFetched(digestFailure));
        return;
    }
    const QStringList fields = PackageFiles::readMD5File(target.digestPath);
    if (fields.isEmpty()) {
        conclude(target.path, md5);
        return;
    }
    const QString expected = fields.value(0);
    const QString computed = receivedDigest(expected);
    if (PackageFiles::sameDigest(computed, expected)) {
        conclude(target.path, expected);
        return;
    }
    digest = DigestState::Stale;
    reject(FailureReason::digestMismatch(expected, computed));
}

// Both digests were taken during the transfer, so that the package is never read back. A digest
// of another form is compared with the MD5, which it never equals.
QString PackageFetch::receivedDigest(const QString &expected) const
{
    Hasher::Algorithm algorithm;
    if (!PackageFiles::digestAlgorithm(expected, algorithm) || algorithm == Hasher::Algorithm::Md5)
        return md5;
    return sha256;
}

void PackageFetch::reject(const FailureReason &reason)
{
    failure = reason;
    // A damaged copy that stays under the package's name (held open by a virus scanner, say)
    // must never be taken for the package.
    if (!QFile::remove(target.path) && isPackageFile(target.path))
        giveUp();
}

void PackageFetch::giveUp()
{
    outcome = Outcome::GivenUp;
    // Nothing more arrives for it: the pass's bytes are those of the other packages.
    received = 0;
    total = 0;
    QFile::remove(DownloadManager::partialPath(target.path));
    // The digest came alongside a package that never did: leave neither.
    if (!arrived)
        QFile::remove(target.digestPath);
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

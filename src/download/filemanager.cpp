#include "filemanager.h"

#include "downloadmanager.h"
#include "hashlane.h"

#include "config/configmanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

namespace {

const QLatin1String digestSuffix("md5");

QString withSuffix(const QString &path, const QString &suffix)
{
    return path.left(path.lastIndexOf(QLatin1Char('.')) + 1) + suffix;
}

bool isHex(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return false;
    }
    return true;
}

// A folder or anything else under a package's name is never taken for the package.
bool isPackageFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

QString chopLineEnd(QString line)
{
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

QString stem(const QString &name)
{
    return name.left(name.lastIndexOf(QLatin1Char('.')));
}

bool isWindowsDeviceName(const QString &name)
{
    // Windows opens the device whatever the extension ("con.msi"), and ignores blanks before it.
    static const QRegularExpression device(
        QStringLiteral(
            "^(CON|PRN|AUX|NUL|COM[0-9\u00B9\u00B2\u00B3]|LPT[0-9\u00B9\u00B2\u00B3]) *$"),
        QRegularExpression::CaseInsensitiveOption);
    return device.match(name.section(QLatin1Char('.'), 0, 0)).hasMatch();
}

// Whether the folder exists or can be made, and a file can be written in it.
bool isWritableFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        return false;
    QTemporaryFile probe(QDir(path).filePath(QStringLiteral("write-probe-XXXXXX")));
    return probe.open();
}

QString chooseInstallsPath()
{
    // Under Program Files a standard user can neither create nor write the folder there.
    const QString beside = FileManager::besideExecutable();
    if (isWritableFolder(beside))
        return beside;
    const QString perUser =
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
            .filePath(QStringLiteral("installs"));
    QDir().mkpath(perUser);
    return perUser;
}

} // namespace

FileManager::FileManager(QObject *parent)
    : QObject(parent)
    , stallTimeout(DownloadManager::DefaultStallTimeout)
{ }

FileManager::~FileManager()
{
    qDeleteAll(downloads);
}

void FileManager::getFiles(QStringList files)
{
    if (isIdle())
        startPass();
    passItems += files;
    addPackageNames(files);
    for (const QString &item : qAsConst(files))
        takeItem(item);
    if (isIdle())
        emit allFilesDone();
    else
        emit progressChanged();
}

bool FileManager::isIdle() const
{
    return downloads.isEmpty() && presentChecks.isEmpty();
}

QString FileManager::getInstallsPath() const
{
    if (installsPath.isEmpty())
        installsPath = chooseInstallsPath();
    return installsPath;
}

QString FileManager::localPath(const QString &item) const
{
    // The presence check and the install run both ask here, so they see the same file.
    if (isUrl(item))
        return stagedCopies.value(item, QDir(getInstallsPath()).filePath(localName(item)));
    return QDir(besideExecutable()).filePath(item);
}

QStringList FileManager::getFolders() const
{
    QStringList folders;
    if (!stagedCopies.isEmpty())
        folders << besideExecutable();
    return folders << getInstallsPath();
}

QStringList FileManager::getGivenUpFiles() const
{
    QStringList result;
    for (const QString &item : passItems) {
        if (givenUpItems.contains(item) && !result.contains(item))
            result << item;
    }
    return result;
}

FailureReason FileManager::getFailureReason(const QString &item) const
{
    return givenUpItems.value(item);
}

void FileManager::checkUnchanged(const QString &item)
{
    const QString local = localPath(item);
    // Not the digest file: it lies beside the package, where whoever can change one can change
    // the other.
    const QString digest = isUrl(item) ? acceptedDigests.value(knownPath(local)) : QString();
    HashLane *lane = hashToMatch(local, digest);
    if (!lane) {
        const bool unchanged = !isUrl(item) && isPackageFile(local);
        QTimer::singleShot(
            0, this, [this, item, unchanged] { emit unchangedChecked(item, unchanged); });
        return;
    }
    connect(lane, &HashLane::finished, this, [this, lane, item, digest] {
        // It is still inside its finished() emission.
        lane->deleteLater();
        emit unchangedChecked(item, matchesDigest(digest, *lane));
    });
}

// A whole file hashed on the thread pool with the algorithm a digest's form names; none when
// the form names none.
HashLane *FileManager::hashToMatch(const QString &path, const QString &digest)
{
    Hasher::Algorithm algorithm;
    if (!digestAlgorithm(digest, algorithm))
        return nullptr;
    auto lane = new HashLane(this);
    lane->keepOnly(algorithm);
    lane->addFile(path);
    lane->finish();
    return lane;
}

DownloadProgress FileManager::getProgress() const
{
    DownloadProgress progress;
    progress.fileCount = expectedFiles.size();
    progress.filesChecking = presentChecks.size();
    qint64 expected = 0;
    bool sizesKnown = true;
    for (const ExpectedFile &file : expectedFiles) {
        if (file.ready || file.givenUp)
            ++progress.filesDone;
        progress.bytesReceived += file.received;
        expected += file.total;
        sizesKnown = sizesKnown && file.total >= 0;
    }
    progress.bytesExpected = sizesKnown ? expected : -1;
    return progress;
}

void FileManager::setStallTimeout(int msecs)
{
    stallTimeout = msecs;
}

bool FileManager::isUrl(const QString &item)
{
    return item.contains(QLatin1String("://"));
}

void FileManager::setNameCase(Qt::CaseSensitivity sensitivity)
{
    nameCase = sensitivity;
}

QString FileManager::besideExecutable()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("installs"));
}

QString FileManager::foldedName(const QString &name, Qt::CaseSensitivity sensitivity)
{
    return sensitivity == Qt::CaseInsensitive ? name.toCaseFolded() : name;
}

QString FileManager::localName(const QString &item)
{
    return QUrl(item, QUrl::TolerantMode).fileName();
}

bool FileManager::isSafeName(const QString &name)
{
    // Windows refuses the others in a file name; a double quote would also end the quoted
    // package path of an msiexec line early and hand msiexec another file.
    static const QString reserved = QStringLiteral("/\\:\"<>|?*");
    for (const QChar c : name) {
        if (reserved.contains(c) || c.category() == QChar::Other_Control)
            return false;
    }
    // Windows drops a trailing dot or blank, so the file would get another name than asked.
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' '))
        || isWindowsDeviceName(name))
        return false;
    // This also refuses "", "." and "..".
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return false;
    // A package named like a partial download would be written over by a broken-off transfer.
    if (name.endsWith(DownloadManager::partialPath(QString()), Qt::CaseInsensitive))
        return false;
    // A package named like its own digest would be overwritten by it.
    return name.mid(dot + 1).compare(digestSuffix, Qt::CaseInsensitive) != 0;
}

QString FileManager::digestPath(const QString &packagePath)
{
    return withSuffix(packagePath, digestSuffix);
}

QString FileManager::digestPath(
    const QString &packagePath, const QStringList &packageNames, Qt::CaseSensitivity sensitivity)
{
    const QString name = foldedName(QFileInfo(packagePath).fileName(), sensitivity);
    const QString ownStem = stem(name);
    for (const QString &other : packageNames) {
        const QString otherName = foldedName(other, sensitivity);
        // fix.msp would share fix.md5; a package called fix.msi.exe would claim fix.msi.md5.
        if (otherName != name && (stem(otherName) == ownStem || otherName == ownStem))
            return packagePath + QLatin1Char('.') + digestSuffix;
    }
    return digestPath(packagePath);
}

QUrl FileManager::digestUrl(const QUrl &packageUrl)
{
    const QString path = packageUrl.path(QUrl::FullyEncoded);
    QUrl digest = packageUrl;
    digest.setPath(withSuffix(path, digestSuffix), QUrl::TolerantMode);
    return digest;
}

QStringList FileManager::readMD5File(const QString &path)
{
    QFile file(path);
    if (file.size() > MaxDigestSize || !file.open(QIODevice::ReadOnly))
        return {};
    bool firstLine = true;
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine());
        // Editors on Windows like to start a UTF-8 file with a byte order mark.
        if (firstLine && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        firstLine = false;
        if (!line.startsWith(QLatin1String("//")))
            return chopLineEnd(line).split(QLatin1Char(' '), Qt::KeepEmptyParts);
    }
    return {};
}

bool FileManager::digestAlgorithm(const QString &digest, Hasher::Algorithm &algorithm)
{
    if (!isHex(digest))
        return false;
    if (digest.size() == 64)
        algorithm = Hasher::Algorithm::Sha256;
    else if (digest.size() == 32)
        algorithm = Hasher::Algorithm::Md5;
    else
        return false;
    return true;
}

bool FileManager::matchesDigest(const QString &expected, const HashLane &lane)
{
    // The form tells the algorithm, so the digest file keeps its name and format and a server
    // can serve sha256sum's output as it stands.
    Hasher::Algorithm algorithm;
    return digestAlgorithm(expected, algorithm) && sameDigest(lane.digest(algorithm), expected);
}

bool FileManager::sameDigest(const QString &computed, const QString &expected)
{
    return !computed.isEmpty() && computed.compare(expected, Qt::CaseInsensitive) == 0;
}

void FileManager::verifyLocalFile(const QString &local, DownloadManager *dm)
{
    // A transfer that left no file is requested again by allFilesExist() once nothing is pending.
    ExpectedFile &file = expectedFiles[local];
    file.packagePending = false;
    file.transfer = nullptr;
    file.md5 = dm->getMD5();
    file.sha256 = dm->getDigest(Hasher::Algorithm::Sha256);
    file.partial = dm->getPartial();
    if (dm->failureReason().isFailure())
        file.lastFailure = dm->failureReason();
    // A sign-in that was asked for or refused would only be refused again.
    const QNetworkReply::NetworkError error = dm->getError();
    if (error == QNetworkReply::ProxyAuthenticationRequiredError
        || error == QNetworkReply::AuthenticationRequiredError)
        file.attempts = MaxAttempts;
    if (file.digest != DigestState::Pending)
        checkPackage(local, file);
    finishHandling(dm);
}

void FileManager::verifyMD5(const QString &local, const QString &digest, DownloadManager *dm)
{
    ExpectedFile &file = expectedFiles[local];
    file.digest = digestOutcome(digest, dm, file.digestFailure);
    if (file.packagePending)
        takeOnlyTheDigestNeeded(local, file);
    else
        checkPackage(local, file);
    finishHandling(dm);
}

void FileManager::startPass()
{
    expectedFiles.clear();
    nameOwners.clear();
    acceptedDigests.clear();
    stagedCopies.clear();
    passItems.clear();
    givenUpItems.clear();
    // Every package of the configuration counts, so that a pass with only fix.msi still keeps
    // its digest apart from that of fix.msp, fetched in another pass.
    packageNames.clear();
    ConfigManager config;
    config.readConfig();
    addPackageNames(config.getProductFiles());
}

void FileManager::addPackageNames(const QStringList &items)
{
    for (const QString &item : items) {
        if (isUrl(item))
            packageNames << localName(item);
    }
}

void FileManager::takeItem(const QString &item)
{
    if (item.isEmpty())
        return;
    if (!isUrl(item)) {
        if (!isPackageFile(localPath(item)))
            givenUpItems.insert(item, FailureReason::of(FailureReason::LocalFileMissing));
        return;
    }
    const QString name = localName(item);
    if (!isSafeName(name)) {
        givenUpItems.insert(item, FailureReason::of(FailureReason::UnsafeName));
        return;
    }
    // Setup.msi and setup.msi are one file on Windows: fetched once, under the first name.
    const QString local = knownPath(localPath(item));
    if (!claimName(item, local)) {
        givenUpItems.insert(item, FailureReason::nameClash(name));
        return;
    }
    const auto known = expectedFiles.find(local);
    if (known != expectedFiles.end()) {
        known->items << item;
        if (known->givenUp)
            givenUpItems.insert(item, known->lastFailure);
        return;
    }
    const auto checking = presentChecks.find(local);
    if (checking != presentChecks.end()) {
        checking->items << item;
        return;
    }
    PresentCheck check;
    check.items << item;
    check.candidates = presentCandidates(item, local);
    if (!checkNextCandidate(local, check))
        fetchPackage(check.items, local);
}

// The items are those of the pass stored under local, the first one's URL fetched.
void FileManager::fetchPackage(const QStringList &items, const QString &local)
{
    // Made again should it have gone since the choice: the choice is kept for the instance.
    QDir().mkpath(getInstallsPath());
    QFile::remove(local);
    // Left by an earlier run that ended mid-transfer; which entity they hold is not known.
    QFile::remove(DownloadManager::partialPath(local));
    QFile::remove(DownloadManager::partialPath(digestPathOf(local)));
    ExpectedFile &file = expectedFiles[local];
    file.url = items.first();
    file.items << items;
    requestPackage(local, file);
}

// One file can hold only one package: a second URL ending in the same name would have the
// first one's package run in its place.
bool FileManager::claimName(const QString &item, const QString &local)
{
    const QString folded = foldedName(local, nameCase);
    const auto owner = nameOwners.constFind(folded);
    if (owner == nameOwners.cend()) {
        nameOwners.insert(folded, item);
        return true;
    }
    return QUrl(*owner, QUrl::TolerantMode) == QUrl(item, QUrl::TolerantMode);
}

QString FileManager::knownPath(const QString &local) const
{
    const QString folded = foldedName(local, nameCase);
    for (auto it = expectedFiles.cbegin(); it != expectedFiles.cend(); ++it) {
        if (foldedName(it.key(), nameCase) == folded)
            return it.key();
    }
    return local;
}

// An administrator may have run Download All into "installs" beside the executable, where a
// standard user cannot write: its verified copies are used where they are, and first, since
// nothing running as the user can change them.
QStringList FileManager::presentCandidates(const QString &item, const QString &local) const
{
    QStringList candidates;
    if (getInstallsPath() != besideExecutable())
        candidates << QDir(besideExecutable()).filePath(localName(item));
    return candidates << local;
}

// A copy already in place is hashed on the thread pool, so that the window stays responsive
// while large packages are checked; false when no candidate is left that has a digest line
// to match.
bool FileManager::checkNextCandidate(const QString &local, PresentCheck &check)
{
    while (!check.candidates.isEmpty()) {
        const QString candidate = check.candidates.takeFirst();
        const QString expected = readMD5File(digestPathOf(candidate)).value(0);
        check.lane = isPackageFile(candidate) ? hashToMatch(candidate, expected) : nullptr;
        if (!check.lane)
            continue;
        check.path = candidate;
        check.expected = expected;
        connect(check.lane, &HashLane::finished, this, [this, local] { presentCopyHashed(local); });
        presentChecks.insert(local, check);
        return true;
    }
    return false;
}

// A copy that matches is used, and its digest kept for the check just before the package runs;
// otherwise the next candidate is checked, or the package fetched.
void FileManager::presentCopyHashed(const QString &local)
{
    PresentCheck check = presentChecks.take(local);
    // It is still inside its finished() emission.
    check.lane->deleteLater();
    if (matchesDigest(check.expected, *check.lane)) {
        acceptedDigests.insert(check.path, check.expected);
        if (check.path != local) {
            for (const QString &item : qAsConst(check.items))
                stagedCopies.insert(item, check.path);
        }
    } else if (!checkNextCandidate(local, check)) {
        fetchPackage(check.items, local);
    }
    if (isIdle() && allFilesExist())
        emit allFilesDone();
    else
        emit progressChanged();
}

QString FileManager::digestPathOf(const QString &packagePath) const
{
    return digestPath(packagePath, packageNames, nameCase);
}

void FileManager::requestPackage(const QString &local, ExpectedFile &file)
{
    ++file.attempts;
    file.packagePending = true;
    file.received = 0;
    file.total = -1;
    DownloadManager *dm = startDownload(QUrl(file.url, QUrl::TolerantMode), local, file.partial);
    file.transfer = dm;
    dm->setKeepPartial(true);
    connect(dm, &DownloadManager::downloaded, this,
        [this, local](DownloadManager *dm) { verifyLocalFile(local, dm); });
    connect(dm, &DownloadManager::progressed, this,
        [this, local](qint64 received, qint64 total) { recordProgress(local, received, total); });
    // Side by side, so that a package costs one round trip rather than two.
    if (file.digest == DigestState::Stale)
        downloadMD5(local, file);
    else
        takeOnlyTheDigestNeeded(local, file);
}

DownloadManager *FileManager::startDownload(
    const QUrl &url, const QString &path, const PartialTransfer &resumeFrom)
{
    auto dm = new DownloadManager(url, path, resumeFrom);
    dm->setStallTimeout(stallTimeout);
    downloads.append(dm);
    return dm;
}

void FileManager::downloadMD5(const QString &local, ExpectedFile &file)
{
    const QString digest = digestPathOf(local);
    QFile::remove(digest);
    file.digest = DigestState::Pending;
    DownloadManager *digestDownload =
        startDownload(digestUrl(QUrl(file.url, QUrl::TolerantMode)), digest);
    connect(digestDownload, &DownloadManager::downloaded, this,
        [this, local, digest](DownloadManager *dm) { verifyMD5(local, digest, dm); });
}

// Only the digest counts: the name beside it in the line is not trusted to point anywhere. A
// package whose server has no digest, or whose digest holds no digest line, is accepted
// unchecked; a failed one is fetched again, and its digest with it, since either of them may be
// the damaged one.
void FileManager::checkPackage(const QString &local, ExpectedFile &file)
{
    const bool digestFailed = file.digest == DigestState::Failed;
    // Fetched again with the package's next attempt.
    if (digestFailed)
        file.digest = DigestState::Stale;
    if (!isPackageFile(local))
        return;
    file.arrived = true;
    if (digestFailed) {
        rejectPackage(local, file, FailureReason::digestNotFetched(file.digestFailure));
        return;
    }
    const QStringList fields = readMD5File(digestPathOf(local));
    const QString expected = fields.value(0);
    const QString received = fields.isEmpty() ? QString() : receivedDigest(file, expected);
    if (fields.isEmpty()) {
        markReady(local, file, file.md5);
        return;
    }
    if (sameDigest(received, expected)) {
        markReady(local, file, expected);
        return;
    }
    file.digest = DigestState::Stale;
    rejectPackage(local, file, FailureReason::digestMismatch(expected, received));
}

void FileManager::rejectPackage(
    const QString &local, ExpectedFile &file, const FailureReason &reason)
{
    file.lastFailure = reason;
    // A damaged copy that stays under the package's name (held open by a virus scanner, say)
    // would be taken for the package once nothing is pending.
    if (!QFile::remove(local) && isPackageFile(local))
        giveUp(local, file);
}

// A 404 or 410 is the server saying there is no digest; anything else (a 500, a reset, a stall)
// says nothing about the package, which must then not pass unchecked.
FileManager::DigestState FileManager::digestOutcome(
    const QString &digestPath, const DownloadManager *dm, FailureReason &failure)
{
    const QFileInfo digest(digestPath);
    if (digest.isFile() && digest.size() <= MaxDigestSize)
        return DigestState::Present;
    failure = digest.isFile() ? FailureReason::of(FailureReason::TooLarge) : dm->failureReason();
    if (failure.kind == FailureReason::HttpStatus
        && (failure.httpStatus == 404 || failure.httpStatus == 410))
        return DigestState::Absent;
    return DigestState::Failed;
}

// Both digests were taken during the transfer, so that the package is never read back. A digest
// of another form is compared with the MD5, which it never equals.
QString FileManager::receivedDigest(const ExpectedFile &file, const QString &expected)
{
    Hasher::Algorithm algorithm;
    if (!digestAlgorithm(expected, algorithm) || algorithm == Hasher::Algorithm::Md5)
        return file.md5;
    return file.sha256;
}

// Once the digest line is there, the transfer hashes with its algorithm alone. Without one the
// package is remembered by its MD5.
void FileManager::takeOnlyTheDigestNeeded(const QString &local, const ExpectedFile &file) const
{
    Hasher::Algorithm algorithm = Hasher::Algorithm::Md5;
    if (file.digest == DigestState::Present)
        digestAlgorithm(readMD5File(digestPathOf(local)).value(0), algorithm);
    if (file.transfer)
        file.transfer->setDigestAlgorithm(algorithm);
}

void FileManager::giveUp(const QString &local, ExpectedFile &file)
{
    file.givenUp = true;
    // Nothing more arrives for it: the pass's bytes are those of the other packages.
    file.received = 0;
    file.total = 0;
    for (const QString &item : qAsConst(file.items))
        givenUpItems.insert(item, file.lastFailure);
    QFile::remove(DownloadManager::partialPath(local));
    // The digest came alongside a package that never did: leave neither.
    if (!file.arrived)
        QFile::remove(digestPathOf(local));
    emit progressChanged();
}

void FileManager::markReady(const QString &local, ExpectedFile &file, const QString &digest)
{
    acceptedDigests.insert(local, digest);
    file.ready = true;
    file.total = file.received;
    emit progressChanged();
}

void FileManager::recordProgress(const QString &local, qint64 received, qint64 total)
{
    ExpectedFile &file = expectedFiles[local];
    file.received = received;
    file.total = total;
    emit progressChanged();
}

bool FileManager::allFilesExist()
{
    bool result = true;
    for (auto it = expectedFiles.begin(); it != expectedFiles.end(); ++it) {
        if (it->givenUp || isPackageFile(it.key()))
            continue;
        if (it->attempts < MaxAttempts) {
            requestPackage(it.key(), it.value());
            result = false;
        } else {
            giveUp(it.key(), it.value());
        }
    }
    return result;
}

void FileManager::finishHandling(DownloadManager *dm)
{
    downloads.removeOne(dm);
    // dm is still inside its downloaded() emission.
    dm->deleteLater();
    if (isIdle() && allFilesExist())
        emit allFilesDone();
}

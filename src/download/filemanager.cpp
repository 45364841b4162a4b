#include "filemanager.h"

#include "downloadmanager.h"
#include "hashlane.h"

#include "config/configmanager.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <QTimer>

using namespace PackageFiles;

namespace {

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
    const QString beside = besideExecutable();
    if (isWritableFolder(beside))
        return beside;
    const QString perUser =
        FileManager::perUserInstallsPath(QCoreApplication::applicationDirPath());
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
    qDeleteAll(downloads.keyBegin(), downloads.keyEnd());
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

QString FileManager::perUserInstallsPath(const QString &applicationDir)
{
    // Two folders of kestrun.exe are two deployments: one's setup.exe is never the other's.
    const QFileInfo folder(applicationDir);
    const QString canonical = folder.canonicalFilePath().isEmpty() ? folder.absoluteFilePath()
                                                                   : folder.canonicalFilePath();
    const QByteArray id = QCryptographicHash::hash(
        foldedName(canonical, SystemNameCase).toUtf8(), QCryptographicHash::Sha256)
                              .toHex()
                              .left(16);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("kestrun/%1/installs").arg(QString::fromLatin1(id)));
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
    if (!isUrl(item))
        return QDir(besideExecutable()).filePath(item);
    const PackageFetch *fetch = itemFetches.value(item);
    return fetch ? fetch->path() : QDir(getInstallsPath()).filePath(localName(item));
}

QStringList FileManager::getFolders() const
{
    QStringList folders;
    for (const PackageFetch *fetch : passFetches) {
        if (fetch->isVerifiedElsewhere()) {
            folders << besideExecutable();
            break;
        }
    }
    return folders << getInstallsPath();
}

QStringList FileManager::getGivenUpFiles() const
{
    QStringList result;
    for (const QString &item : passItems) {
        if (getFailureReason(item).isFailure() && !result.contains(item))
            result << item;
    }
    return result;
}

FailureReason FileManager::getFailureReason(const QString &item) const
{
    const PackageFetch *fetch = itemFetches.value(item);
    if (fetch && fetch->isDone() && !fetch->isVerified())
        return fetch->failureReason();
    return refusedItems.value(item);
}

void FileManager::checkUnchanged(const QString &item)
{
    const QString local = localPath(item);
    const PackageFetch *fetch = itemFetches.value(item);
    // Not the digest file: it lies beside the package, where whoever can change one can change
    // the other.
    const QString digest = fetch && fetch->isVerified() ? fetch->acceptedDigest() : QString();
    HashLane *lane = startMatching(local, digest, this);
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

DownloadProgress FileManager::getProgress() const
{
    DownloadProgress progress;
    qint64 expected = 0;
    bool sizesKnown = true;
    for (const PackageFetch *fetch : passFetches) {
        progress.filesChecking += fetch->isChecking();
        if (!fetch->isFetching())
            continue;
        ++progress.fileCount;
        progress.filesDone += fetch->isDone();
        progress.bytesReceived += fetch->bytesReceived();
        expected += fetch->bytesExpected();
        sizesKnown = sizesKnown && fetch->bytesExpected() >= 0;
    }
    progress.bytesExpected = sizesKnown ? expected : -1;
    return progress;
}

void FileManager::setStallTimeout(int msecs)
{
    stallTimeout = msecs;
}

void FileManager::setNameCase(Qt::CaseSensitivity sensitivity)
{
    nameCase = sensitivity;
}

void FileManager::setMaxPathLength(int length)
{
    maxPathLength = length;
}

void FileManager::verifyLocalFile(DownloadManager *dm)
{
    if (PackageFetch *fetch = downloads.value(dm))
        fetch->packageArrived(dm);
    finishHandling(dm);
}

void FileManager::verifyMD5(DownloadManager *dm)
{
    if (PackageFetch *fetch = downloads.value(dm))
        fetch->digestArrived(dm);
    finishHandling(dm);
}

void FileManager::startPass()
{
    // The fetches of the pass before may still be inside the signal that ended it.
    for (PackageFetch *fetch : qAsConst(passFetches))
        fetch->deleteLater();
    passFetches.clear();
    fetches.clear();
    itemFetches.clear();
    nameOwners.clear();
    passItems.clear();
    refusedItems.clear();
    // Every package of the configuration counts, so that a pass with only fix.msi still keeps
    // its digest apart from that of fix.msp, fetched in another pass.
    packageNames.clear();
    ConfigManager config;
    config.readConfig();
    addPackageNames(config.getProductFiles());
    pins = config.getPinnedDigests();
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
        takeLocalItem(item);
        return;
    }
    const QString name = localName(item);
    if (!isSafeName(name)) {
        refusedItems.insert(item, FailureReason::of(FailureReason::UnsafeName));
        return;
    }
    // Setup.msi and setup.msi are one file on Windows: fetched once, under the first name.
    const QString local = QDir(getInstallsPath()).filePath(name);
    if (refuseLongPath(item, local))
        return;
    if (!claimName(item, local)) {
        refusedItems.insert(item, FailureReason::nameClash(name));
        return;
    }
    PackageFetch *&fetch = fetches[foldedName(local, nameCase)];
    if (!fetch)
        fetch = createFetch({item, pins.value(item)}, copyAt(local), copiesInPlace(local));
    itemFetches.insert(item, fetch);
}

// A local package is only looked for, and checked when the configuration pins its digest.
void FileManager::takeLocalItem(const QString &item)
{
    const QString path = localPath(item);
    if (refuseLongPath(item, path))
        return;
    if (!isPackageFile(path))
        refusedItems.insert(item, FailureReason::of(FailureReason::LocalFileMissing));
    else if (pins.contains(item))
        itemFetches.insert(
            item, createFetch({QString(), pins.value(item)}, {path, {}}, {{path, {}}}));
}

// Windows could neither hold such a package unchanged nor start its installer: better said before
// it is downloaded.
bool FileManager::refuseLongPath(const QString &item, const QString &path)
{
    if (maxPathLength == 0 || path.size() <= maxPathLength)
        return false;
    refusedItems.insert(item, FailureReason::pathTooLong(QDir::toNativeSeparators(path)));
    return true;
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
    return sameUrl(*owner, item);
}

PackageFetch *FileManager::createFetch(const PackageFetch::Source &source,
    const PackageFetch::Copy &target, const QList<PackageFetch::Copy> &inPlace)
{
    using namespace std::placeholders;
    auto fetch = new PackageFetch(source, target, inPlace,
        std::bind(&FileManager::startTransfer, this, _1, _2, _3, _4, _5), this);
    passFetches << fetch;
    connect(fetch, &PackageFetch::progressed, this, &FileManager::progressChanged);
    connect(fetch, &PackageFetch::sizeAnnounced, this, [this, fetch] { makeRoomFor(fetch); });
    connect(fetch, &PackageFetch::finished, this, [this] {
        emit progressChanged();
        endPassWhenDone();
    });
    fetch->start();
    return fetch;
}

// A package that cannot fit beside what the pass's other transfers still bring is given up
// before it is written; the others go on.
void FileManager::makeRoomFor(PackageFetch *fetch)
{
    qint64 othersNeed = 0;
    for (const PackageFetch *other : qAsConst(passFetches)) {
        if (other != fetch && !other->isDone() && other->bytesExpected() > 0)
            othersNeed += other->bytesExpected() - other->bytesReceived();
    }
    const qint64 free =
        qMax<qint64>(0, QStorageInfo(getInstallsPath()).bytesAvailable() - othersNeed);
    const qint64 needs = fetch->bytesExpected() - fetch->bytesReceived();
    if (needs > free)
        fetch->refuse(FailureReason::notEnoughSpace(needs, free));
}

// An administrator may have run Download All into "installs" beside the executable, where a
// standard user cannot write: its verified copies are used where they are, and first, since
// nothing running as the user can change them.
QList<PackageFetch::Copy> FileManager::copiesInPlace(const QString &local) const
{
    QList<PackageFetch::Copy> copies;
    if (getInstallsPath() != besideExecutable())
        copies << copyAt(QDir(besideExecutable()).filePath(QFileInfo(local).fileName()));
    return copies << copyAt(local);
}

PackageFetch::Copy FileManager::copyAt(const QString &packagePath) const
{
    return {packagePath, digestPath(packagePath, packageNames, nameCase)};
}

DownloadManager *FileManager::startTransfer(PackageFetch *fetch, PackageFetch::Transfer kind,
    const QUrl &url, const QString &path, const PartialTransfer &resumeFrom)
{
    auto dm = new DownloadManager(url, path, resumeFrom);
    dm->setStallTimeout(stallTimeout);
    downloads.insert(dm, fetch);
    connect(dm, &DownloadManager::downloaded, this,
        kind == PackageFetch::Transfer::Package ? &FileManager::verifyLocalFile
                                                : &FileManager::verifyMD5);
    return dm;
}

void FileManager::finishHandling(DownloadManager *dm)
{
    downloads.remove(dm);
    // dm is still inside its downloaded() emission.
    dm->deleteLater();
    endPassWhenDone();
}

// Every package is in place, checked, or given up: nothing is left to fetch or check.
bool FileManager::allFilesExist() const
{
    for (const PackageFetch *fetch : passFetches) {
        if (!fetch->isDone())
            return false;
    }
    return true;
}

bool FileManager::isIdle() const
{
    return downloads.isEmpty() && allFilesExist();
}

void FileManager::endPassWhenDone()
{
    if (isIdle())
        emit allFilesDone();
}

#include "packagefiles.h"

#include "downloadmanager.h"
#include "hashlane.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const QLatin1String digestSuffix("md5");
const QLatin1String commentStart("//");
const QLatin1String originComment("// origin: ");

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

// The fields of the digest line, and the comment lines before it.
QStringList scanDigestFile(const QByteArray &contents, QStringList *comments)
{
    const QList<QByteArray> lines = contents.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = QString::fromUtf8(lines.at(i));
        // Editors on Windows like to start a UTF-8 file with a byte order mark.
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        line = chopLineEnd(line);
        // The text after the last line end is a line only when it is not empty.
        if (i == lines.size() - 1 && line.isEmpty())
            break;
        if (!line.startsWith(commentStart))
            return line.split(QLatin1Char(' '), Qt::KeepEmptyParts);
        if (comments)
            *comments << line;
    }
    return {};
}

QByteArray digestFileContents(const QString &path)
{
    QFile file(path);
    if (file.size() > PackageFiles::MaxDigestSize || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
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

} // namespace

namespace PackageFiles {

bool isUrl(const QString &item)
{
    return item.contains(QLatin1String("://"));
}

bool sameUrl(const QString &a, const QString &b)
{
    return QUrl(a, QUrl::TolerantMode) == QUrl(b, QUrl::TolerantMode);
}

QString besideExecutable()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("installs"));
}

QString foldedName(const QString &name, Qt::CaseSensitivity sensitivity)
{
    return sensitivity == Qt::CaseInsensitive ? name.toCaseFolded() : name;
}

QString localName(const QString &item)
{
    return QUrl(item, QUrl::TolerantMode).fileName();
}

bool isSafeName(const QString &name)
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

QString digestPath(const QString &packagePath)
{
    return withSuffix(packagePath, digestSuffix);
}

QString digestPath(
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

QString readOrigin(const QString &digestPath)
{
    QStringList comments;
    scanDigestFile(digestFileContents(digestPath), &comments);
    for (const QString &comment : qAsConst(comments)) {
        if (comment.startsWith(originComment))
            return comment.mid(originComment.size()).trimmed();
    }
    return QString();
}

bool writeOrigin(const QString &digestPath, const QString &url, const QByteArray &digestText)
{
    QByteArray text = digestText;
    // A record of the server's own would be taken for Kestrun's.
    while (text.startsWith(originComment.latin1())) {
        const int lineEnd = text.indexOf('\n');
        text = lineEnd < 0 ? QByteArray() : text.mid(lineEnd + 1);
    }
    text.prepend(originComment.latin1()
        + QUrl(url, QUrl::TolerantMode).toString(QUrl::FullyEncoded).toUtf8() + '\n');
    return writeDigestFile(digestPath, text);
}

bool writeDigestFile(const QString &path, const QByteArray &contents)
{
    // Written aside and renamed over the file before: a crash leaves one of them whole.
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size()
        && file.commit();
}

QUrl digestUrl(const QUrl &packageUrl)
{
    const QString path = packageUrl.path(QUrl::FullyEncoded);
    QUrl digest = packageUrl;
    digest.setPath(withSuffix(path, digestSuffix), QUrl::TolerantMode);
    return digest;
}

QStringList readMD5File(const QString &path)
{
    return digestLine(digestFileContents(path));
}

QStringList digestLine(const QByteArray &contents)
{
    return scanDigestFile(contents, nullptr);
}

bool digestAlgorithm(const QString &digest, Hasher::Algorithm &algorithm)
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

bool matchesDigest(const QString &expected, const HashLane &lane)
{
    // The form tells the algorithm, so the digest file keeps its name and format and a server
    // can serve sha256sum's output as it stands.
    Hasher::Algorithm algorithm;
    return digestAlgorithm(expected, algorithm) && sameDigest(lane.digest(algorithm), expected);
}

QString digestOfSameForm(const QString &expected, const QString &md5, const QString &sha256)
{
    Hasher::Algorithm algorithm;
    if (!digestAlgorithm(expected, algorithm) || algorithm == Hasher::Algorithm::Md5)
        return md5;
    return sha256;
}

bool sameDigest(const QString &computed, const QString &expected)
{
    return !computed.isEmpty() && computed.compare(expected, Qt::CaseInsensitive) == 0;
}

HashLane *startMatching(const QString &path, const QString &expected, QObject *parent)
{
    Hasher::Algorithm algorithm;
    if (!digestAlgorithm(expected, algorithm))
        return nullptr;
    auto lane = new HashLane(parent);
    lane->keepOnly(algorithm);
    lane->addFile(path);
    lane->finish();
    return lane;
}

bool isPackageFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

} // namespace PackageFiles

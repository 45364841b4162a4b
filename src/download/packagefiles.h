#ifndef PACKAGEFILES_H
#define PACKAGEFILES_H

#include "platform/hasher.h"

#include <QString>
#include <QStringList>
#include <QUrl>

class HashLane;
class QObject;

/**
 * How packages and their digest files are named in the "installs" folder, and how a digest
 * file is read and matched: the rules every download and every check of a configuration share.
 */
namespace PackageFiles {

/** Digest files larger than this are not digest files: none is read, and a download of one
    fails like a failed transfer. */
constexpr qint64 MaxDigestSize = 64 * 1024;

/** Whether this system's file names differ by case (not on Windows). */
constexpr Qt::CaseSensitivity SystemNameCase =
#ifdef Q_OS_WIN
    Qt::CaseInsensitive;
#else
    Qt::CaseSensitive;
#endif

/** The longest path Windows opens and starts programs from without "\\?\\" (MAX_PATH less its
    terminating null); 0 where paths have no such limit. */
constexpr int SystemMaxPath =
#ifdef Q_OS_WIN
    259;
#else
    0;
#endif

/** Whether an item is a URL to download rather than a local path to look for. */
bool isUrl(const QString &item);
/** Whether two URL items name the same package: the same URL, however it is written. */
bool sameUrl(const QString &a, const QString &b);
/** The "installs" folder beside the executable, with "/" separators. */
QString besideExecutable();
/** The name a URL item is stored under: the last segment of its path, fully decoded. */
QString localName(const QString &item);
/** The form in which two names are the same file under that case rule. */
QString foldedName(const QString &name, Qt::CaseSensitivity sensitivity);
/** Whether a name may be written into "installs" on any system: not ".", "..", free of "/",
    "\", ":", '"', "<", ">", "|", "?", "*" and control characters, with a name before its
    extension and an extension other than md5 and part, not ending in "." or " ", and no device
    name of Windows (CON, PRN, AUX, NUL, COM0-9, LPT0-9, any case, any extension). */
bool isSafeName(const QString &name);
/** A package file's own digest companion: the text from its last "." replaced by ".md5". */
QString digestPath(const QString &packagePath);
/** The digest companion of a package stored beside packageNames: its own digestPath(), unless
    one of them would share it (fix.msi beside fix.msp), then its whole name followed by ".md5"
    (fix.msi.md5), so that no package is judged by another's digest. */
QString digestPath(
    const QString &packagePath, const QStringList &packageNames, Qt::CaseSensitivity sensitivity);
/** The URL a digest file records its package was downloaded from, in a comment line
    "// origin: <URL>" before its digest line; empty when it records none. */
QString readOrigin(const QString &digestPath);
/** Writes the digest file at digestPath as the record of a package Kestrun downloaded from url
    and checked against its digest line: the origin line, then digestText, the digest file as
    it came less any origin line. In one step that leaves the file before or the new one whole;
    false when it could not be written. */
bool writeOrigin(const QString &digestPath, const QString &url, const QByteArray &digestText);
/** Writes a digest file as it stands, in one step that leaves the file before or the new one
    whole; false when it could not be written. */
bool writeDigestFile(const QString &path, const QByteArray &contents);
/** A package URL's digest companion: the extension of its path replaced by ".md5", anything
    after the path kept. */
QUrl digestUrl(const QUrl &packageUrl);
/** The fields of a digest file's digest line (the first line not beginning with "//"), split
    at every blank; field 1 is the digest. Empty when there is no such line, or when the file
    is larger than MaxDigestSize. */
QStringList readMD5File(const QString &path);
/** The same of a digest file's contents. */
QStringList digestLine(const QByteArray &contents);
/** The algorithm a digest's form names: 64 hex digits SHA-256, 32 MD5; false for any other
    form, which no package matches. */
bool digestAlgorithm(const QString &digest, Hasher::Algorithm &algorithm);
/** Whether what a lane hashed has the digest written as field 1 of a digest line: 64 hex
    digits are a SHA-256, 32 an MD5, in any case; nothing matches a digest of another form, nor
    a lane that could not read its file. */
bool matchesDigest(const QString &expected, const HashLane &lane);
/** Of two digests computed, the one of the form expected has: the SHA-256 for 64 hex digits,
    else the MD5, which a digest of another form never equals. */
QString digestOfSameForm(const QString &expected, const QString &md5, const QString &sha256);
/** Whether a computed digest is there and equals the expected one, in any case. */
bool sameDigest(const QString &computed, const QString &expected);
/** A lane, child of parent, hashing the whole file at path with the algorithm the form of
    expected names, for matchesDigest() once it has finished; null when the form names none. */
HashLane *startMatching(const QString &path, const QString &expected, QObject *parent);
/** Whether a package lies at path: a folder or anything else under its name is never taken
    for it. */
bool isPackageFile(const QString &path);

} // namespace PackageFiles

#endif // PACKAGEFILES_H

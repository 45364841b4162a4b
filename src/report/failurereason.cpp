#include "failurereason.h"

#include "datasize.h"

#include <QCoreApplication>

namespace {

// The texts are marked where they are written, so that lupdate finds them.
QString download(const char *text)
{
    return QCoreApplication::translate("Download", text);
}

QString install(const char *text)
{
    return QCoreApplication::translate("Install", text);
}

QString httpText(int status)
{
    if (status == 404)
        return download(QT_TRANSLATE_NOOP("Download", "not found on the server (HTTP 404)"));
    return download(QT_TRANSLATE_NOOP("Download", "the server answered HTTP %1")).arg(status);
}

QString networkText(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::HostNotFoundError:
        return download(QT_TRANSLATE_NOOP("Download", "the server could not be found"));
    case QNetworkReply::ConnectionRefusedError:
        return download(QT_TRANSLATE_NOOP("Download", "the server refused the connection"));
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return download(QT_TRANSLATE_NOOP("Download", "the proxy asked for a sign-in"));
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return download(QT_TRANSLATE_NOOP("Download", "the server's redirection was refused"));
    default:
        return download(QT_TRANSLATE_NOOP("Download", "the connection failed"));
    }
}

QString stallText(int msecs)
{
    const int seconds = (msecs + 999) / 1000;
    if (seconds == 1)
        return download(QT_TRANSLATE_NOOP("Download", "no progress for 1 second"));
    return download(QT_TRANSLATE_NOOP("Download", "no progress for %1 seconds")).arg(seconds);
}

// Windows Installer's common codes; the user can read these on to the administrator.
QString exitText(int code)
{
    const char *meaning = nullptr;
    switch (code) {
    case 1602:
        meaning = QT_TRANSLATE_NOOP("Install", "cancelled by the user");
        break;
    case 1603:
        meaning = QT_TRANSLATE_NOOP("Install", "fatal error during installation");
        break;
    case 1618:
        meaning = QT_TRANSLATE_NOOP("Install", "another installation is in progress");
        break;
    case 1619:
        meaning = QT_TRANSLATE_NOOP("Install", "the package could not be opened");
        break;
    case 1625:
        meaning = QT_TRANSLATE_NOOP("Install", "forbidden by system policy");
        break;
    case 1638:
        meaning = QT_TRANSLATE_NOOP("Install", "another version is already installed");
        break;
    default:
        return install(QT_TRANSLATE_NOOP("Install", "exit code %1")).arg(code);
    }
    return install(QT_TRANSLATE_NOOP("Install", "%1 (exit code %2)"))
        .arg(install(meaning))
        .arg(code);
}

} // namespace

FailureReason FailureReason::of(Kind kind)
{
    FailureReason reason;
    reason.kind = kind;
    return reason;
}

FailureReason FailureReason::http(int status)
{
    FailureReason reason = of(HttpStatus);
    reason.httpStatus = status;
    return reason;
}

FailureReason FailureReason::network(QNetworkReply::NetworkError error, bool afterBody)
{
    FailureReason reason = of(afterBody ? ConnectionBroken : NetworkError);
    reason.networkError = error;
    return reason;
}

FailureReason FailureReason::stall(int msecs)
{
    FailureReason reason = of(Stalled);
    reason.stallMsecs = msecs;
    return reason;
}

FailureReason FailureReason::digestMismatch(const QString &expected, const QString &received)
{
    FailureReason reason = of(DigestMismatch);
    reason.expectedDigest = expected;
    reason.receivedDigest = received;
    return reason;
}

FailureReason FailureReason::digestNotFetched(const FailureReason &fetch)
{
    FailureReason reason = fetch;
    reason.ofDigest = true;
    return reason;
}

FailureReason FailureReason::nameClash(const QString &name)
{
    FailureReason reason = of(NameClash);
    reason.fileName = name;
    return reason;
}

FailureReason FailureReason::otherSigner(const QString &signer, const QString &publisher)
{
    FailureReason reason = of(OtherSigner);
    reason.signer = signer;
    reason.publisher = publisher;
    return reason;
}

FailureReason FailureReason::needsAdministrator(int code)
{
    FailureReason reason = of(NeedsAdministrator);
    reason.exitCode = code;
    return reason;
}

FailureReason FailureReason::exit(int code)
{
    // What Windows Installer and most installers say after they installed, short of a restart.
    FailureReason reason = of(code == 3010 || code == 1641 ? RestartNeeded : ExitCode);
    reason.exitCode = code;
    return reason;
}

FailureReason FailureReason::notEnoughSpace(qint64 needed, qint64 free)
{
    FailureReason reason = of(NotEnoughSpace);
    reason.bytesNeeded = needed;
    reason.bytesFree = free;
    return reason;
}

FailureReason FailureReason::pathTooLong(const QString &path)
{
    FailureReason reason = of(PathTooLong);
    reason.fileName = path;
    return reason;
}

QString FailureReason::text() const
{
    if (ofDigest) {
        FailureReason fetch = *this;
        fetch.ofDigest = false;
        return download(QT_TRANSLATE_NOOP("Download", "the digest could not be fetched (%1)"))
            .arg(fetch.text());
    }
    switch (kind) {
    case None:
        return QString();
    case HttpStatus:
        return httpText(httpStatus);
    case NetworkError:
        return networkText(networkError);
    case ConnectionBroken:
        return download(QT_TRANSLATE_NOOP("Download", "the connection broke off"));
    case Stalled:
        return stallText(stallMsecs);
    case EmptyBody:
        return download(QT_TRANSLATE_NOOP("Download", "the server sent no data"));
    case NotWritable:
        return download(QT_TRANSLATE_NOOP("Download", "the file could not be written to the disk"));
    case DiskFull:
        return download(QT_TRANSLATE_NOOP("Download", "the disk is full"));
    case NotEnoughSpace:
        return download(QT_TRANSLATE_NOOP("Download", "not enough disk space: needs %1, %2 free"))
            .arg(DataSize::text(bytesNeeded), DataSize::text(bytesFree));
    case PathTooLong:
        return download(QT_TRANSLATE_NOOP("Download",
                            "its path is too long for Windows (%1 characters, at most 259)"))
            .arg(fileName.size());
    case DigestMismatch:
        return download(QT_TRANSLATE_NOOP("Download", "digest mismatch (expected %1, received %2)"))
            .arg(expectedDigest.toLower(), receivedDigest.toLower());
    case PinMismatch:
        return download(QT_TRANSLATE_NOOP(
            "Download", "the package does not match the digest in the configuration"));
    case TooLarge:
        return download(QT_TRANSLATE_NOOP("Download", "the file is larger than 64 KiB"));
    case UnsafeName:
        return download(QT_TRANSLATE_NOOP("Download", "the file name cannot be stored"));
    case NameClash:
        return download(
            QT_TRANSLATE_NOOP("Download", "another product's package has the same file name, %1"))
            .arg(fileName);
    case LocalFileMissing:
        return download(QT_TRANSLATE_NOOP("Download", "the file is not there"));
    case UnknownFileType:
        return install(QT_TRANSLATE_NOOP("Install", "this type of file cannot be run"));
    case PackageChanged:
        return install(QT_TRANSLATE_NOOP("Install", "the package changed after it was checked"));
    case PackageInUse:
        return install(QT_TRANSLATE_NOOP("Install", "the package is in use by another program"));
    case RemovalBusy:
        return install(QT_TRANSLATE_NOOP("Install",
            "the older version could not be removed: another installation is in progress"));
    case WindowsRestarting:
        return install(QT_TRANSLATE_NOOP("Install", "not started: Windows is restarting"));
    case RestartNeeded:
        return install(QT_TRANSLATE_NOOP(
                           "Install", "installed; Windows must restart to finish (exit code %1)"))
            .arg(exitCode);
    case SignatureInvalid:
        return install(QT_TRANSLATE_NOOP("Install", "the package's signature is not valid"));
    case NotSigned:
        return install(QT_TRANSLATE_NOOP("Install", "the package is not signed"));
    case OtherSigner:
        return install(QT_TRANSLATE_NOOP("Install", "signed by %1, not by %2"))
            .arg(signer, publisher);
    case SignatureUnchecked:
        return install(
            QT_TRANSLATE_NOOP("Install", "the signature cannot be checked on this system"));
    case NotStartable:
        return install(QT_TRANSLATE_NOOP("Install", "the program could not be started"));
    case ElevationRefused:
        return install(QT_TRANSLATE_NOOP("Install", "administrator rights were refused"));
    case NeedsAdministrator:
        return install(
            QT_TRANSLATE_NOOP("Install", "the install needs administrator rights (exit code %1)"))
            .arg(exitCode);
    case ExitCode:
        return exitText(exitCode);
    }
    return QString();
}

QString FailureReason::after(const QString &item) const
{
    return isFailure() ? item + QStringLiteral(" \u2014 ") + text() : item;
}

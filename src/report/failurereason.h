#ifndef FAILUREREASON_H
#define FAILUREREASON_H

#include <QNetworkReply>
#include <QString>

/**
 * Why a package could not be fetched or installed, kept where the failure happens and turned
 * into the short text the reports show after the failed item.
 */
struct FailureReason
{
    enum Kind {
        None,
        // Fetching (texts in the context "Download")
        HttpStatus, // the server answered httpStatus
        NetworkError, // networkError before any of the body arrived
        ConnectionBroken, // networkError after some of the body had arrived
        Stalled, // no progress for stallMsecs
        EmptyBody, // the transfer ended well but brought nothing
        NotWritable, // the body could not be written into "installs"
        DiskFull, // a write failed for want of space
        NotEnoughSpace, // bytesNeeded do not fit in bytesFree
        PathTooLong, // the package's local path, fileName, is too long for Windows
        DigestMismatch, // expectedDigest, receivedDigest
        PinMismatch, // the package's SHA-256 is not the one the configuration pins
        TooLarge, // a digest file larger than any digest file is
        UnsafeName,
        NameClash, // another URL of the pass took fileName
        LocalFileMissing,
        // Running (texts in the context "Install")
        UnknownFileType,
        PackageChanged, // no longer the package that passed its check
        PackageInUse, // another program kept it open, shutting the check out
        RemovalBusy, // the older product's removal met another installation, every time
        WindowsRestarting, // an installer before it started a restart
        SignatureInvalid, // signed, but the signature does not verify
        NotSigned, // unsigned, where a publisher is pinned
        OtherSigner, // signer, where publisher is pinned
        SignatureUnchecked, // a publisher is pinned, and this system cannot check signatures
        NotStartable,
        ElevationRefused, // the user refused the administrator rights it asked for
        NeedsAdministrator, // exitCode, of a quiet install without administrator rights
        RestartNeeded, // exitCode, 3010 or 1641: installed, Windows must restart
        ExitCode, // exitCode, not 0
    };

    Kind kind = None;
    int httpStatus = 0;
    QNetworkReply::NetworkError networkError = QNetworkReply::NoError;
    int stallMsecs = 0;
    QString expectedDigest;
    QString receivedDigest;
    int exitCode = 0;
    QString fileName;
    qint64 bytesNeeded = 0;
    qint64 bytesFree = 0;
    QString signer;
    QString publisher;
    /** The reason is that of the package's digest, which could not be fetched. */
    bool ofDigest = false;

    static FailureReason of(Kind kind);
    static FailureReason http(int status);
    /** NetworkError, or ConnectionBroken when some of the body had arrived. */
    static FailureReason network(QNetworkReply::NetworkError error, bool afterBody);
    static FailureReason stall(int msecs);
    static FailureReason digestMismatch(const QString &expected, const QString &received);
    /** The package's digest could not be fetched, for the reason fetch. */
    static FailureReason digestNotFetched(const FailureReason &fetch);
    /** Another product's package, fetched from another URL, has this file name. */
    static FailureReason nameClash(const QString &name);
    /** A package signed by signer, where the configuration pins publisher. */
    static FailureReason otherSigner(const QString &signer, const QString &publisher);
    /** A quiet install that ended with code for want of administrator rights. */
    static FailureReason needsAdministrator(int code);
    /** An installer that ended with this code, which is not a success. */
    static FailureReason exit(int code);
    /** A package of needed bytes that the free bytes of its folder cannot hold. */
    static FailureReason notEnoughSpace(qint64 needed, qint64 free);
    /** A package whose local path is too long for Windows. */
    static FailureReason pathTooLong(const QString &path);

    bool isFailure() const { return kind != None; }
    /** The reason in the user's language, such as "not found on the server (HTTP 404)". */
    QString text() const;
    /** item, then this reason after it: one line of a report. */
    QString after(const QString &item) const;
};

#endif // FAILUREREASON_H

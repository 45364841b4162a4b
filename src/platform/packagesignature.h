#ifndef PACKAGESIGNATURE_H
#define PACKAGESIGNATURE_H

#include <QString>

#include <functional>
#include <memory>

/**
 * The publisher's signature on a package file (Authenticode, on Windows), as the system judges
 * it, for the check just before the package runs.
 */
class PackageSignature
{
public:
    enum class Trust {
        Unsigned, // the file carries no signature
        Valid, // a signature that verifies; signer names who made it
        Invalid, // a signature that does not verify, or a file that could not be read
        Unchecked, // this system cannot check signatures
    };
    struct Verdict
    {
        Trust trust = Trust::Unchecked;
        /** The signer certificate's subject common name; empty unless Valid. */
        QString signer;
    };

    virtual ~PackageSignature() = default;

    /** Whether this system checks signatures at all; where it does not, every verdict is
        Unchecked. */
    virtual bool checksSignatures() const = 0;
    /** Calls done once with the signature of the file at path, from the event loop and never
        within the call; a check that reads the whole file does so off the window's thread. */
    virtual void check(const QString &path, std::function<void(const Verdict &)> done) = 0;
};

/** WinVerifyTrust on Windows; elsewhere no check is made, and every verdict says so. */
std::unique_ptr<PackageSignature> createPackageSignature();

#endif // PACKAGESIGNATURE_H

#ifndef WIN32PACKAGESIGNATURE_H
#define WIN32PACKAGESIGNATURE_H

#include "platform/packagesignature.h"

/** Signatures checked through the Win32 layer (WinVerifyTrust). */
class Win32PackageSignature : public PackageSignature
{
public:
    /** Always true. */
    bool checksSignatures() const override;
    /** WinVerifyTrust hashes the whole file: on a thread of its own, which the program does not
        wait for at exit. */
    void check(const QString &path, std::function<void(const Verdict &)> done) override;
};

#endif // WIN32PACKAGESIGNATURE_H

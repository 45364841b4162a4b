#ifndef WIN32PACKAGESIGNATURE_H
#define WIN32PACKAGESIGNATURE_H

#include "platform/packagesignature.h"

/** Signatures checked through the Win32 layer (WinVerifyTrust). */
class Win32PackageSignature : public PackageSignature
{
public:
    /** Always true. */
    bool checksSignatures() const override;
    Verdict check(const QString &path) override;
};

#endif // WIN32PACKAGESIGNATURE_H

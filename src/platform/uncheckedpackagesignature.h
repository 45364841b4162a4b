#ifndef UNCHECKEDPACKAGESIGNATURE_H
#define UNCHECKEDPACKAGESIGNATURE_H

#include "platform/packagesignature.h"

/** Where there is no WinVerifyTrust, no signature is checked, and none is claimed to be. */
class UncheckedPackageSignature : public PackageSignature
{
public:
    /** Always false. */
    bool checksSignatures() const override;
    /** Always Unchecked. */
    Verdict check(const QString &path) override;
};

#endif // UNCHECKEDPACKAGESIGNATURE_H

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
    void check(const QString &path, std::function<void(const Verdict &)> done) override;
};

#endif // UNCHECKEDPACKAGESIGNATURE_H

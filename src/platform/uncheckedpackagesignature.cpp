#include "uncheckedpackagesignature.h"

std::unique_ptr<PackageSignature> createPackageSignature()
{
    return std::make_unique<UncheckedPackageSignature>();
}

bool UncheckedPackageSignature::checksSignatures() const
{
    return false;
}

PackageSignature::Verdict UncheckedPackageSignature::check(const QString &)
{
    return {Trust::Unchecked, QString()};
}

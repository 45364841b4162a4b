#include "win32packagesignature.h"

#include "platform/win32signature.h"

#include <QDir>

std::unique_ptr<PackageSignature> createPackageSignature()
{
    return std::make_unique<Win32PackageSignature>();
}

bool Win32PackageSignature::checksSignatures() const
{
    return true;
}

PackageSignature::Verdict Win32PackageSignature::check(const QString &path)
{
    const Win32Signature::Verdict found =
        Win32Signature::verify(QDir::toNativeSeparators(path).toStdWString());
    switch (found.trust) {
    case Win32Signature::Trust::Unsigned:
        return {Trust::Unsigned, QString()};
    case Win32Signature::Trust::Valid:
        return {Trust::Valid, QString::fromStdWString(found.signer)};
    case Win32Signature::Trust::Invalid:
        break;
    }
    return {Trust::Invalid, QString()};
}

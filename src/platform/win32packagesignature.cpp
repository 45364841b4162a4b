#include "win32packagesignature.h"

#include "platform/win32eventnotice.h"
#include "platform/win32installer.h"
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

namespace {

PackageSignature::Verdict verdictOf(const Win32Signature::Verdict &found)
{
    using Trust = PackageSignature::Trust;
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

} // namespace

void Win32PackageSignature::check(const QString &path, std::function<void(const Verdict &)> done)
{
    const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
    const auto found = std::make_shared<Win32Signature::Verdict>();
    const std::shared_ptr<Win32Installer::Aside> aside =
        Win32Installer::runAside([file, found] { *found = Win32Signature::verify(file); });
    Win32EventNotice::whenSignalled(aside->done, [aside, found, done] { done(verdictOf(*found)); });
}

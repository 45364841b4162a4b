#include "win32packagehold.h"

#include "platform/win32installer.h"

#include <QDir>

std::unique_ptr<PackageHold> createPackageHold()
{
    return std::make_unique<Win32PackageHold>();
}

Win32PackageHold::~Win32PackageHold()
{
    release();
}

PackageHold::Result Win32PackageHold::hold(const QString &path)
{
    release();
    switch (Win32Installer::holdFile(QDir::toNativeSeparators(path).toStdWString(), handle)) {
    case Win32Installer::Hold::Held:
        return Result::Held;
    case Win32Installer::Hold::InUse:
        return Result::InUse;
    case Win32Installer::Hold::Failed:
        break;
    }
    return Result::Failed;
}

void Win32PackageHold::release()
{
    Win32Installer::releaseFile(handle);
    handle = nullptr;
}

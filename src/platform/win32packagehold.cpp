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

bool Win32PackageHold::hold(const QString &path)
{
    release();
    handle = Win32Installer::holdFile(QDir::toNativeSeparators(path).toStdWString());
    return handle != nullptr;
}

void Win32PackageHold::release()
{
    Win32Installer::releaseFile(handle);
    handle = nullptr;
}

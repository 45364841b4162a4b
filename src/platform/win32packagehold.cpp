#include "win32packagehold.h"

#include "platform/win32system.h"

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
    handle = Win32System::holdFile(QDir::toNativeSeparators(path).toStdWString());
    return handle != nullptr;
}

void Win32PackageHold::release()
{
    Win32System::releaseFile(handle);
    handle = nullptr;
}

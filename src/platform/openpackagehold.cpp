#include "openpackagehold.h"

#include <QFileInfo>

std::unique_ptr<PackageHold> createPackageHold()
{
    return std::make_unique<OpenPackageHold>();
}

bool OpenPackageHold::hold(const QString &path)
{
    release();
    // A folder opens too, and is no package.
    if (!QFileInfo(path).isFile())
        return false;
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
}

void OpenPackageHold::release()
{
    file.close();
}

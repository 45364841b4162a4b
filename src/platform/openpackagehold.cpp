#include "openpackagehold.h"

#include <QFileInfo>

std::unique_ptr<PackageHold> createPackageHold()
{
    return std::make_unique<OpenPackageHold>();
}

PackageHold::Result OpenPackageHold::hold(const QString &path)
{
    release();
    // A folder opens too, and is no package.
    if (!QFileInfo(path).isFile())
        return Result::Failed;
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly) ? Result::Held : Result::Failed;
}

void OpenPackageHold::release()
{
    file.close();
}

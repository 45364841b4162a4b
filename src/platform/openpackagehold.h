#ifndef OPENPACKAGEHOLD_H
#define OPENPACKAGEHOLD_H

#include "platform/packagehold.h"

#include <QFile>

/** A package held by an open read-only file, which only tells that it could be opened: POSIX
    has no share modes. */
class OpenPackageHold : public PackageHold
{
public:
    /** Never InUse: POSIX has no share modes. */
    Result hold(const QString &path) override;
    void release() override;

private:
    QFile file;
};

#endif // OPENPACKAGEHOLD_H

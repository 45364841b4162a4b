#ifndef WIN32PACKAGEHOLD_H
#define WIN32PACKAGEHOLD_H

#include "platform/packagehold.h"

/** A package held open with FILE_SHARE_READ only, through the Win32 layer. */
class Win32PackageHold : public PackageHold
{
public:
    ~Win32PackageHold() override;
    Result hold(const QString &path) override;
    void release() override;

private:
    void *handle = nullptr;
};

#endif // WIN32PACKAGEHOLD_H

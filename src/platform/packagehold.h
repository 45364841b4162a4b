#ifndef PACKAGEHOLD_H
#define PACKAGEHOLD_H

#include <QString>

#include <memory>

/**
 * Keeps one package file as it is while it is checked and run: from hold() until release(),
 * others may read it but not write, rename or delete it, where the system can forbid that.
 */
class PackageHold
{
public:
    /** Held; or in use by another program that shuts a reader out for now (a virus scanner, a
        backup agent); or not held for any other reason. */
    enum class Result { Held, InUse, Failed };

    virtual ~PackageHold() = default;

    /** Holds the file at path, releasing any file held before; unless Held, nothing is held. */
    virtual Result hold(const QString &path) = 0;
    /** Lets the held file go; nothing when none is held. */
    virtual void release() = 0;
};

/** The hold of the system this program runs on: share modes on Windows, an open file
    elsewhere, where nothing stops a writer. */
std::unique_ptr<PackageHold> createPackageHold();

#endif // PACKAGEHOLD_H

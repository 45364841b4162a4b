#ifndef SCOPEDINSTALLS_H
#define SCOPEDINSTALLS_H

#include <QString>

/**
 * The "installs" folder beside the test executable, made empty for the test and removed again
 * when the scope ends.
 */
class ScopedInstalls
{
public:
    ScopedInstalls();
    ~ScopedInstalls();

    ScopedInstalls(const ScopedInstalls &) = delete;
    ScopedInstalls &operator=(const ScopedInstalls &) = delete;

    /** The folder, with "/" separators. */
    QString path() const { return folder; }
    /** A file of that name inside the folder. */
    QString filePath(const QString &name) const;
    /** Writes a package under name (creating subfolders) with a matching ".md5" companion,
        so that it is ready both as a local item and as the file of a URL item. */
    bool place(const QString &name) const;

private:
    QString folder;
};

#endif // SCOPEDINSTALLS_H

#ifndef SCOPEDINSTALLS_H
#define SCOPEDINSTALLS_H

#include <QByteArray>
#include <QString>
#include <QStringList>

/**
 * The "installs" folder beside the test executable, where the program keeps its packages: made
 * empty for the test and removed again when the scope ends.
 */
class ScopedInstalls
{
    Q_DISABLE_COPY(ScopedInstalls)
public:
    ScopedInstalls();
    ~ScopedInstalls();

    /** The folder, with "/" separators. */
    static QString path();
    /** Everything in the folder by name, hidden files and partial downloads included. */
    static QStringList entries();
    /** A file of that name inside the folder. */
    static QString filePath(const QString &name);
    /** Writes contents to the file of that name, making the folders; false unless all of it
        was written. */
    static bool write(const QString &name, const QByteArray &contents);
    /** Removes the folder, or a file or link in its place: a link is never followed. */
    static void remove();
    /** Writes a package under name (creating subfolders) with a matching ".md5" companion,
        so that it is ready both as a local item and as the file of a URL item. */
    static bool place(const QString &name);
};

#endif // SCOPEDINSTALLS_H

#ifndef TESTFILES_H
#define TESTFILES_H

#include <QByteArray>
#include <QString>

/** Whole-file reads and writes for tests, where a missing file is an answer, not an error. */
namespace TestFiles {

/** The file's contents; empty when it cannot be read. */
QByteArray contentsOf(const QString &path);
/** Writes contents to path, replacing the file; false unless all of it was written. */
bool writeFile(const QString &path, const QByteArray &contents);

} // namespace TestFiles

#endif // TESTFILES_H

#include "fuzzapplication.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Lives for the whole process: libFuzzer never returns from its loop.
    static QCoreApplication app(*argc, *argv);
    Q_UNUSED(app)
    return 0;
}

namespace FuzzApplication {

QString writeBeside(const QString &name, const QByteArray &contents)
{
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

void require(bool property)
{
    if (!property)
        std::abort();
}

} // namespace FuzzApplication

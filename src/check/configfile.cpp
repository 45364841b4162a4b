#include "configfile.h"

#include "config/configmanager.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>

namespace {

// UTF-16 without its byte-order mark, and UTF-32, hold zero bytes where UTF-8 JSON never does.
bool looksLikeWideText(const QByteArray &text)
{
    return text.left(64).contains('\0');
}

} // namespace

bool ConfigFile::read(const QString &path)
{
    config = QJsonObject();
    problems.clear();
    const QFileInfo info(path);
    if (!info.exists()) {
        addProblem(QStringLiteral("file-missing"),
            QStringLiteral("%1 does not exist: Kestrun shows an empty window").arg(path));
        return false;
    }
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        addProblem(QStringLiteral("file-unreadable"),
            QStringLiteral("%1 cannot be read: Kestrun shows an empty window").arg(path));
        return false;
    }
    const QByteArray contents = file.readAll();
    QJsonParseError error;
    const QJsonDocument document = ConfigManager::parse(contents, &error);
    if (error.error != QJsonParseError::NoError) {
        addParseProblem(contents, error);
        return false;
    }
    if (!document.isObject()) {
        addProblem(QStringLiteral("not-an-object"),
            QStringLiteral("the file holds a JSON array, not an object: Kestrun shows an empty "
                           "window"));
        return false;
    }
    config = document.object();
    return true;
}

void ConfigFile::addProblem(const QString &kind, const QString &message, int line, int column)
{
    Finding finding = Finding::about(Finding::Severity::Error, kind, message);
    finding.line = line;
    finding.column = column;
    problems << finding;
}

void ConfigFile::addParseProblem(const QByteArray &contents, const QJsonParseError &error)
{
    // The parser's offset counts in the text as Kestrun decodes it.
    const QByteArray text = ConfigManager::toUtf8(contents);
    const QByteArray before = text.left(error.offset);
    const int lineStart = before.lastIndexOf('\n') + 1;
    const int line = before.count('\n') + 1;
    const int column = QString::fromUtf8(before.mid(lineStart)).size() + 1;
    if (looksLikeWideText(text)) {
        addProblem(QStringLiteral("unreadable-encoding"),
            QStringLiteral("the file looks like UTF-16 without a byte-order mark, or UTF-32; "
                           "Kestrun reads UTF-8, and UTF-16 only with its mark, and shows an "
                           "empty window"));
    } else if (text.trimmed().isEmpty()) {
        addProblem(QStringLiteral("invalid-json"),
            QStringLiteral("the file is empty: Kestrun shows an empty window"), 1, 1);
    } else if (error.error == QJsonParseError::IllegalUTF8String) {
        addProblem(QStringLiteral("unreadable-encoding"),
            QStringLiteral("text that is not UTF-8 (saved as Windows-1252 or Latin-1?): Kestrun "
                           "reads UTF-8, and UTF-16 only with its byte-order mark, and shows an "
                           "empty window"),
            line, column);
    } else {
        addProblem(QStringLiteral("invalid-json"),
            QStringLiteral("not valid JSON (%1): Kestrun shows an empty window")
                .arg(error.errorString()),
            line, column);
    }
}

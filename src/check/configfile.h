#ifndef CONFIGFILE_H
#define CONFIGFILE_H

#include "check/finding.h"

#include <QJsonObject>
#include <QList>

struct QJsonParseError;

/**
 * Reads a configuration file the way Kestrun reads it, and says why Kestrun would see no
 * configuration in it: missing, unreadable, not JSON, not an object, or in another encoding.
 */
class ConfigFile
{
public:
    /** Reads path; true when Kestrun reads it as a JSON object, which config then holds. */
    bool read(const QString &path);

    QJsonObject object() const { return config; }
    /** Why the file gives Kestrun no configuration; empty after a successful read(). */
    QList<Finding> findings() const { return problems; }

private:
    void addProblem(const QString &kind, const QString &message, int line = 0, int column = 0);
    void addParseProblem(const QByteArray &contents, const QJsonParseError &error);

    QJsonObject config;
    QList<Finding> problems;
};

#endif // CONFIGFILE_H

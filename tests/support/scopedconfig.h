#ifndef SCOPEDCONFIG_H
#define SCOPEDCONFIG_H

#include <QByteArray>
#include <QJsonObject>

/**
 * Writes kestrun.json beside the running test executable, where the program looks for it,
 * and removes it again when the scope ends, also when a test fails early.
 */
class ScopedConfig
{
    Q_DISABLE_COPY(ScopedConfig)
public:
    explicit ScopedConfig(const QByteArray &contents);
    explicit ScopedConfig(const QJsonObject &config);
    ~ScopedConfig();

    /** A configuration object with the given title and products. */
    static QJsonObject make(const QString &title, const QJsonArray &products);
    /** A product object with a name, a file and optional further keys. */
    static QJsonObject product(const QString &name, const QString &file = QString(),
        const QJsonObject &more = QJsonObject());
};

#endif // SCOPEDCONFIG_H

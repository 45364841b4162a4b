#include "scopedconfig.h"

#include "config/configmanager.h"
#include "testfiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

ScopedConfig::ScopedConfig(const QByteArray &contents)
{
    TestFiles::writeFile(ConfigManager::configPath(), contents);
}

ScopedConfig::ScopedConfig(const QJsonObject &config)
    : ScopedConfig(QJsonDocument(config).toJson())
{ }

ScopedConfig::~ScopedConfig()
{
    QFile::remove(ConfigManager::configPath());
}

QJsonObject ScopedConfig::make(const QString &title, const QJsonArray &products)
{
    return {{QStringLiteral("title"), title}, {QStringLiteral("products"), products}};
}

QJsonObject ScopedConfig::product(const QString &name, const QString &file, const QJsonObject &more)
{
    QJsonObject product = more;
    product.insert(QStringLiteral("name"), name);
    if (!file.isNull())
        product.insert(QStringLiteral("file"), file);
    return product;
}

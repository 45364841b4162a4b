#include "windowitems.h"

#include <QObject>
#include <QVariant>

namespace WindowItems {

QString checkBoxName(int number)
{
    return QStringLiteral("checkBox%1").arg(number);
}

QString labelName(int number)
{
    return QStringLiteral("checkBoxText%1").arg(number);
}

QObject *find(QObject *window, const QString &objectName)
{
    return window ? window->findChild<QObject *>(objectName, Qt::FindChildrenRecursively) : nullptr;
}

void set(QObject *item, const char *property, const QVariant &value)
{
    if (item)
        item->setProperty(property, value);
}

} // namespace WindowItems

#include "install.h"

Install::Install(QObject *parent)
    : QObject(parent)
{
}

void Install::execute(QObject *parent)
{
    Q_UNUSED(parent)
}

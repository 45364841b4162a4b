#include "download.h"

Download::Download(QObject *parent)
    : QObject(parent)
{
}

void Download::execute(QObject *parent)
{
    Q_UNUSED(parent)
}

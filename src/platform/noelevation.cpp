#include "noelevation.h"

std::unique_ptr<Elevation> createElevation()
{
    return std::make_unique<NoElevation>();
}

bool NoElevation::isElevated()
{
    return true;
}

Elevation::Start NoElevation::startElevated(
    const QString &, const QStringList &, std::function<void(int)>)
{
    return Start::Failed;
}

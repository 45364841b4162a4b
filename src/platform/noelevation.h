#ifndef NOELEVATION_H
#define NOELEVATION_H

#include "platform/elevation.h"

/** Where there is no UAC, no installer is held back for want of elevation, and none can be
    given it on the way. */
class NoElevation : public Elevation
{
public:
    /** Always true. */
    bool isElevated() override;
    /** Always Failed. */
    void startElevated(const QString &program, const QStringList &arguments, quintptr ownerWindow,
        std::function<void(Start start, int exitCode)> done) override;
};

#endif // NOELEVATION_H

#ifndef CHILDSCRIPT_H
#define CHILDSCRIPT_H

#include "install/installmanager.h"

#include <QHash>
#include <QList>
#include <QStringList>

/**
 * Installer children that start no process, for the codes only a Windows process can report
 * (1618, 3010, 1641, -1): each records its command line and ends with the next code scripted for
 * an argument ending it has, all 32 bits of it; 0 when none is scripted.
 */
class ChildScript
{
public:
    /** Codes for the calls with an argument ending in argumentEnd, one per call, the last
        repeating. */
    void setCodes(const QString &argumentEnd, const QList<int> &codes);
    /** Children that follow this script, which must outlive them. */
    InstallManager::ChildFactory factory();
    /** Every call so far, in order: the program, then the arguments. */
    QList<QStringList> calls() const { return log; }
    /** Whether a child was started while another had not yet finished. */
    bool overlapped() const { return overlap; }

private:
    int nextCode(const QStringList &call);

    QHash<QString, QList<int>> codes;
    QHash<QString, int> used;
    QList<QStringList> log;
    int running = 0;
    bool overlap = false;
};

#endif // CHILDSCRIPT_H

#include "checkboxslots.h"

namespace CheckBoxSlots {

QList<int> assign(const QStringList &names, const ProductFilter &applies)
{
    QList<int> boxes;
    int placed = 0;
    for (const QString &name : names) {
        // Once the window is full, the remaining products are not asked about.
        const bool gets = placed < Count && applies(name);
        boxes << (gets ? ++placed : 0);
    }
    return boxes;
}

} // namespace CheckBoxSlots

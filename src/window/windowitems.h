#ifndef WINDOWITEMS_H
#define WINDOWITEMS_H

#include <QString>

class QObject;
class QVariant;

/**
 * The window's items as the program's classes reach them: by object name, anywhere below the
 * window, and changed only through their properties.
 */
namespace WindowItems {

/** "checkBox" followed by number (1 to CheckBoxSlots::Count). */
QString checkBoxName(int number);
/** "checkBoxText" followed by number: the label of that check box. */
QString labelName(int number);

/** The object of that name below window; nullptr when there is none or no window. */
QObject *find(QObject *window, const QString &objectName);
/** Sets a property on item; does nothing when item is missing. */
void set(QObject *item, const char *property, const QVariant &value);

} // namespace WindowItems

#endif // WINDOWITEMS_H

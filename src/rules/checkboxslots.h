#ifndef CHECKBOXSLOTS_H
#define CHECKBOXSLOTS_H

#include <QList>
#include <QStringList>

#include <functional>

/** Which products of kestrun.json get one of the window's check boxes. */
namespace CheckBoxSlots {

/** The window has ten check boxes, checkBox1 to checkBox10, labelled checkBoxText1 to 10. */
constexpr int Count = 10;

/** Answers whether the product of that name applies to this machine. */
using ProductFilter = std::function<bool(const QString &name)>;

/**
 * The check box (1 to Count) each of the products called names gets, in file order, or 0: the
 * products that apply take the next free box until the window is full. No product after that
 * is asked about.
 */
QList<int> assign(const QStringList &names, const ProductFilter &applies);

} // namespace CheckBoxSlots

#endif // CHECKBOXSLOTS_H

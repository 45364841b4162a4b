#include "placedwindow.h"

#include "app/startup.h"

#include <QQuickWindow>
#include <QTest>

PlacedWindow::PlacedWindow(const QJsonArray &products, const QStringList &notApplying)
    : config(ScopedConfig::make(QStringLiteral("Updates"), products))
    , harness(std::make_unique<WindowHarness>())
{
    if (!harness->window())
        return;
    const int applying = products.size() - notApplying.size();
    const int placed = Startup::placeProducts(harness->window(),
        [&notApplying](const QString &name) { return !notApplying.contains(name); });
    ready = placed == qMin(applying, CheckBoxSlots::Count) && harness->show()
        && QTest::qWaitFor([this] { return harness->laidOut(); });
}

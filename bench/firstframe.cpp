#include "firstframe.h"

#include <QCoreApplication>
#include <QQuickWindow>

void quitOnFirstFrame(QObject *window)
{
    auto quickWindow = qobject_cast<QQuickWindow *>(window);
    if (!quickWindow)
        return;
    // Queued: the render loop must finish the swap before the application winds down.
    QObject::connect(quickWindow, &QQuickWindow::frameSwapped, QCoreApplication::instance(),
        &QCoreApplication::quit, Qt::QueuedConnection);
}

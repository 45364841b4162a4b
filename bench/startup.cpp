// Kestrun's start-up, step for step as main() runs it, ending at the window's first frame.
// Run it beside a kestrun.json.

#include "app/startup.h"
#include "firstframe.h"
#include "rules/dependencymanager.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QTranslator>

int main(int argc, char *argv[])
{
    Startup::enableHighDpiScaling();
    QApplication app(argc, argv);
    Startup::registerQmlTypes();
    QTranslator translator;
    Startup::installTranslator(app, translator);
    QQmlApplicationEngine engine;
    QObject *window = Startup::loadWindow(engine);
    if (!window)
        return 1;
    DependencyManager dependencies;
    const int placed = Startup::placeProducts(window,
        [&dependencies](const QString &name) { return dependencies.checkDependencies(name); });
    quitOnFirstFrame(window);
    return app.exec() == 0 && placed > 0 ? 0 : 1;
}

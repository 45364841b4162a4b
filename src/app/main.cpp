#include "app/startup.h"
#include "rules/dependencymanager.h"

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QTranslator>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    Startup::enableHighDpiScaling();
    auto app = std::make_unique<QApplication>(argc, argv);
    Startup::registerQmlTypes();
    auto translator = std::make_unique<QTranslator>();
    Startup::installTranslator(*app, *translator);

    auto engine = std::make_unique<QQmlApplicationEngine>();
    QObject *window = Startup::loadWindow(*engine);
    if (!window) {
        std::fputs("kestrun: the window could not be loaded (are the Qt Quick Controls 1 "
                   "modules installed?)\n",
            stderr);
        return 1;
    }

    // Gone before the application object: it may hold the query helper's process.
    auto dependencies = std::make_unique<DependencyManager>();
    Startup::placeProducts(window,
        [&dependencies](const QString &name) { return dependencies->checkDependencies(name); });

    const int result = app->exec();
    engine.reset();
    dependencies.reset();
    translator.reset();
    app.reset();
    return result;
}

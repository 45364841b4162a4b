// The least a Qt Quick Controls 1 program can show: a window with ten check boxes, ending at
// its first frame. The yardstick for Kestrun's start-up.

#include "firstframe.h"

#include <QApplication>
#include <QQmlApplicationEngine>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QQmlApplicationEngine engine(QUrl(QStringLiteral("qrc:///barewindow.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    quitOnFirstFrame(engine.rootObjects().first());
    return app.exec();
}

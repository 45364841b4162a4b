#ifndef FIRSTFRAME_H
#define FIRSTFRAME_H

class QObject;

/** Ends the event loop as soon as window (a QQuickWindow) has shown its first frame. */
void quitOnFirstFrame(QObject *window);

#endif // FIRSTFRAME_H

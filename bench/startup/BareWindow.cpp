// The start-up benchmark's yardstick: the least a Qt Quick program does to show a window. One
// QML engine loads one window of the application's size and colour, nothing in it, and reports its
// first frame the way the application does.
#include "app/startup/FirstFrameReport.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
    engine.loadData(
        "import QtQuick\n"
        "Window { width: 1040; height: 700; visible: true; title: \"Bare\"; color: \"#0b0d1a\" }\n");
    if (engine.rootObjects().isEmpty())
        return 1;
    qm::reportFirstFrame(qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst()));
    return QGuiApplication::exec();
}

// The start-up benchmark's yardstick: the least a Qt Quick program does to show a window with content.
// One QML engine loads one window of the application's size and colour with a side bar and a line of
// text in it (the benchmark counts a window as painted once it shows at least three colours), and
// reports its first frame the way the application does.
#include "app/startup/FirstFrameReport.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
    engine.loadData("import QtQuick\n"
                    "Window { width: 1040; height: 700; visible: true; title: \"Bare\"; color: \"#0b0d1a\"\n"
                    "  Rectangle { width: 220; height: parent.height; color: \"#181b2a\" }\n"
                    "  Text { x: 260; y: 40; text: \"Bare\"; color: \"white\"; font.pixelSize: 64 }\n"
                    "}\n");
    if (engine.rootObjects().isEmpty())
        return 1;
    qm::reportFirstFrame(qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst()));
    return QGuiApplication::exec();
}

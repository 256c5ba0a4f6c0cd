#include "app/SignalQuit.h"
#include "app/platform/GuiAppActivity.h"
#include "app/platform/ReleasePageUpdater.h"
#include "app/shell/ProductLinks.h"
#include "app/shell/QuillmereApp.h"
#include "platform/SystemClock.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Vellora"));
    QGuiApplication::setApplicationName(QStringLiteral("Quillmere"));
    // Names the installed desktop entry, so the desktop matches the window to its icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.vellora.Quillmere"));
    qm::SignalQuit signalQuit;

    qm::SystemClock clock;
    qm::GuiAppActivity activity(app);
    qm::ReleasePageUpdater updater(qm::ProductLinks::releasesURL());
    qm::QuillmereApp quillmere(qm::QuillmereApp::Services{clock, activity, updater, {}, {}, {}, {}});

    QQmlApplicationEngine engine;
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app, [] { QCoreApplication::exit(1); },
        Qt::QueuedConnection);
    engine.setInitialProperties({{QStringLiteral("app"), QVariant::fromValue(&quillmere)}});
    engine.load(QUrl(QStringLiteral("qrc:/qml/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    activity.setWindow(qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst()));
    return QGuiApplication::exec();
}

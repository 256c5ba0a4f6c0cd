#include "app/SignalQuit.h"
#include "app/models/ApplicationIconProvider.h"
#include "app/platform/GuiAppActivity.h"
#include "app/platform/PipelineCache.h"
#include "app/platform/ReleasePageUpdater.h"
#include "app/platform/RendererChoice.h"
#include "app/shell/FirstFrame.h"
#include "app/shell/HeapTrim.h"
#include "app/shell/ProductLinks.h"
#include "app/shell/QuillmereApp.h"
#include "app/startup/FirstFrameReport.h"
#include "platform/Places.h"
#include "platform/SystemClock.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QQmlApplicationEngine>
#include <QQmlComponent>
#include <QQuickWindow>

#include <chrono>
#include <memory>
#include <utility>

namespace {

// Keeps this process from writing under ~/.cache, where the Cleanup screen offers everything it finds as
// developer caches: a fresh start would otherwise offer the application's own files. Qt's shader cache
// goes. The QML engine's disk cache stays on: turned off, the engine would also ignore the QML compiled
// into the program ahead of time and compile every file again at each start; on, it finds every file
// compiled already and so writes nothing (the fresh-home test watches that). The shader cache of the
// graphics stack (Mesa's, shared by every OpenGL program of the desktop) is not ours and stays on too.
// Runs before the application object and the QML engine exist.
void keepCachesOff()
{
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
}

// Qt Quick's own record of the shader programs it linked, kept in the program's state folder instead of
// the shader cache above: a start after the first links none of them again before the first frame (and
// so never holds the shader compiler's memory). Runs before the application object exists.
void keepPipelines()
{
    qm::PipelineCache::use(qm::PipelineCache::folderIn(qm::Places::current().stateHome()));
}

} // namespace

int main(int argc, char** argv)
{
    keepCachesOff();
    keepPipelines();
    QGuiApplication app(argc, argv);
    qm::RendererChoice::apply();
    QGuiApplication::setOrganizationName(QStringLiteral("Vellora"));
    QGuiApplication::setApplicationName(QStringLiteral("Quillmere"));
    // Names the installed desktop entry, so the desktop matches the window to its icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.vellora.Quillmere"));
    qm::SignalQuit signalQuit;

    qm::SystemClock clock;
    qm::GuiAppActivity activity(app);
    qm::ReleasePageUpdater updater(qm::ProductLinks::releasesURL());
    // What starts at launch waits for the window's first frame.
    qm::FirstFrame firstFrame(false);
    // What the start freed (the first frame's shader compilations, the QML load, the launch scan's
    // working data) goes back to the system once the launch has settled.
    qm::HeapTrim heapTrim(firstFrame, clock, std::chrono::seconds(2));
    qm::QuillmereApp::Services services{clock, activity, updater, {}, {}, {}, {}};
    services.firstFrame = &firstFrame;
    qm::QuillmereApp quillmere(std::move(services));

    QQmlApplicationEngine engine;
    qm::ApplicationIconProvider::install(engine);
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app, [] { QCoreApplication::exit(1); },
        Qt::QueuedConnection);
    engine.setInitialProperties({{QStringLiteral("app"), QVariant::fromValue(&quillmere)}});
    const QUrl mainWindow(QStringLiteral("qrc:/qml/Main.qml"));
    {
        // Where the window draws with OpenGL, the type loader reads the window's compiled QML and its
        // imports on its own thread while this one brings up the OpenGL driver: the window asks for it
        // first thing when it is made, and on X11 that loads and starts the driver (tens of
        // milliseconds) on this thread. Doing it here lets both run at once; the load below then takes
        // the types the loader has read, or is reading.
        std::unique_ptr<QQmlComponent> readAhead;
        if (qm::RendererChoice::drawsWithOpenGL()) {
            readAhead = std::make_unique<QQmlComponent>(&engine, mainWindow, QQmlComponent::Asynchronous);
            QOpenGLContext::supportsThreadedOpenGL();
        }
        engine.load(mainWindow);
    }
    if (engine.rootObjects().isEmpty())
        return 1;
    auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    activity.setWindow(window);
    firstFrame.watch(window);
    qm::reportFirstFrame(window);
    return QGuiApplication::exec();
}

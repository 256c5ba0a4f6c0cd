// Shows one page of the design gallery and saves a picture of it, for people to look at.
// Usage: qm_design_gallery PAGE OUTPUT.png   (PAGE: components, symbols, motion or actions)
#include <QGuiApplication>
#include <QImage>
#include <QQuickItem>
#include <QQuickView>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace {

// Every warning (a QML binding that failed, a missing type) fails the capture.
std::atomic<int> g_warnings{0};
QtMessageHandler g_previousHandler = nullptr;

void countWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        ++g_warnings;
    if (g_previousHandler != nullptr)
        g_previousHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv)
{
    g_previousHandler = qInstallMessageHandler(countWarnings);
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: qm_design_gallery PAGE OUTPUT.png\n");
        return 2;
    }
    const QString page = args.at(1);
    const QString output = args.at(2);

    QQuickView view;
    view.setColor(Qt::black);
    view.setInitialProperties({{QStringLiteral("page"), page}});
    view.setSource(QUrl(QStringLiteral("qrc:/gallery/Gallery.qml")));
    if (view.status() != QQuickView::Ready || view.rootObject() == nullptr)
        return 1;
    view.setResizeMode(QQuickView::SizeViewToRootObject);
    view.setTitle(QStringLiteral("Quillmere design gallery"));
    view.show();

    // Grab once a few frames have been shown, so text, shapes and gradients are all in.
    int frames = 0;
    QObject::connect(&view, &QQuickWindow::frameSwapped, &app, [&] {
        if (++frames < 3) {
            view.update();
            return;
        }
        if (frames > 3)
            return;
        // A page may ask for time so its one-shot effects have played (milliseconds).
        const int delay = std::max(view.rootObject()->property("captureDelay").toInt(), 0);
        QTimer::singleShot(delay, &app, [&] {
            const QImage picture = view.grabWindow();
            const bool saved = !picture.isNull() && picture.save(output);
            QCoreApplication::exit(!saved ? 1 : g_warnings > 0 ? 4 : 0);
        });
    });
    // A watchdog in case no frame ever comes.
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(3); });
    return QGuiApplication::exec();
}

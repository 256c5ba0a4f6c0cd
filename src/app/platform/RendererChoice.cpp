#include "app/platform/RendererChoice.h"

#include <QDir>
#include <QQuickWindow>
#include <QSGRendererInterface>

#include <sys/stat.h>
#include <unistd.h>

namespace qm {
namespace {

// A variable set to something other than empty, "0" or "false".
bool isOn(const QProcessEnvironment& environment, const QString& name)
{
    const QString value = environment.value(name).trimmed().toLower();
    return !value.isEmpty() && value != QLatin1String("0") && value != QLatin1String("false");
}

// True when `path` is there, not a link, and this process may read and write it. Asks the kernel's
// permission check only: a device node is not opened, so no driver starts for the question.
bool usable(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat status
    {
    };
    return ::lstat(native.constData(), &status) == 0 && !S_ISLNK(status.st_mode) &&
           ::access(native.constData(), R_OK | W_OK) == 0;
}

// The Qt Quick renderer the environment names (QT_QUICK_BACKEND, or its older name QMLSCENE_DEVICE);
// empty when it names none.
QString rendererNamedIn(const QProcessEnvironment& environment)
{
    const QString renderer = environment.value(QStringLiteral("QT_QUICK_BACKEND"));
    return renderer.isEmpty() ? environment.value(QStringLiteral("QMLSCENE_DEVICE")) : renderer;
}

} // namespace

RendererChoice::Machine RendererChoice::inspect(const QProcessEnvironment& environment,
                                                const QString& deviceRoot)
{
    Machine machine;
    machine.userChose = !rendererNamedIn(environment).isEmpty() ||
                        !environment.value(QStringLiteral("QSG_RHI_BACKEND")).isEmpty();
    const QString gallium = environment.value(QStringLiteral("GALLIUM_DRIVER")).trimmed().toLower();
    machine.softwareAsked = isOn(environment, QStringLiteral("LIBGL_ALWAYS_SOFTWARE")) ||
                            gallium == QLatin1String("llvmpipe") || gallium == QLatin1String("softpipe");

    const QDir dri(deviceRoot + QStringLiteral("/dri"));
    const QStringList nodes = dri.entryList({QStringLiteral("renderD*"), QStringLiteral("card*")},
                                            QDir::System | QDir::Files | QDir::NoSymLinks, QDir::Name);
    for (const QString& node : nodes) {
        if (usable(dri.filePath(node))) {
            machine.graphicsDevice = true;
            break;
        }
    }
    if (!machine.graphicsDevice)
        machine.graphicsDevice = usable(deviceRoot + QStringLiteral("/nvidiactl"));
    return machine;
}

bool RendererChoice::wantsSoftware(const Machine& machine)
{
    return !machine.userChose && (machine.softwareAsked || !machine.graphicsDevice);
}

void RendererChoice::apply()
{
    if (wantsSoftware(inspect(QProcessEnvironment::systemEnvironment(), QStringLiteral("/dev"))))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

bool RendererChoice::drawsWithOpenGL()
{
    // Qt Quick reports the graphics API its default renderer would use even when another renderer is
    // chosen, so the renderer's name is asked first.
    QString renderer = QQuickWindow::sceneGraphBackend();
    if (renderer.isEmpty())
        renderer = rendererNamedIn(QProcessEnvironment::systemEnvironment());
    if (!renderer.isEmpty() && renderer != QLatin1String("rhi"))
        return false;
    return QQuickWindow::graphicsApi() == QSGRendererInterface::OpenGL;
}

} // namespace qm

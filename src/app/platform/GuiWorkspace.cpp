#include "app/platform/GuiWorkspace.h"

#include "core/apps/AppScanner.h"
#include "core/apps/RunningApps.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QStringList>

#include <sys/types.h>

#include <csignal>
#include <utility>

namespace qm {
namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kObject = QStringLiteral("/org/freedesktop/FileManager1");

} // namespace

GuiWorkspace::GuiWorkspace(QDBusConnection bus, UrlOpener open, QObject* parent, Path procRoot)
    : QObject(parent), m_bus(std::move(bus)),
      m_open(open ? std::move(open) : UrlOpener([](const QUrl& url) { QDesktopServices::openUrl(url); })),
      m_procRoot(std::move(procRoot))
{}

void GuiWorkspace::reveal(const Path& path)
{
    const QUrl folder = Workspace::fileUrl(path.parent_path());
    if (!m_bus.isConnected()) {
        m_open(folder);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kObject, kService, QStringLiteral("ShowItems"));
    // The item as an encoded file address, so a name that is not UTF-8 reaches the file manager intact;
    // no start-up notification id.
    call << QStringList{QString::fromLatin1(Workspace::fileUrl(path).toEncoded())} << QString();
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, folder] {
        if (watcher->isError())
            m_open(folder);
        watcher->deleteLater();
    });
}

void GuiWorkspace::openUrl(const QUrl& url)
{
    m_open(url);
}

std::vector<RunningApplication> GuiWorkspace::runningApplications() const
{
    const AppScanner scanner;
    return RunningApps::list(m_procRoot,
                             [&scanner](const Path& bundle) { return scanner.bundleIdentifier(bundle); });
}

void GuiWorkspace::terminate(const RunningApplication& application)
{
    // A process id freed and taken again meanwhile belongs to someone else.
    const auto bundle = RunningApps::bundleOfProcess(application.pid, m_procRoot);
    if (!bundle || bundle->native() != application.bundle.native())
        return;
    (void)::kill(pid_t(application.pid), SIGTERM);
}

} // namespace qm

#include "app/platform/GuiWorkspace.h"

#include "app/platform/DesktopOpenFailures.h"
#include "core/apps/RunningApps.h"
#include "platform/UniqueFd.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QStringList>

#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <csignal>
#include <utility>

namespace qm {
namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kObject = QStringLiteral("/org/freedesktop/FileManager1");

} // namespace

GuiWorkspace::GuiWorkspace(QDBusConnection bus, UrlOpener open, QObject* parent, Path procRoot)
    : QObject(parent), m_bus(std::move(bus)),
      m_open(open ? std::move(open)
                  : UrlOpener([](const QUrl& url) { return QDesktopServices::openUrl(url); })),
      m_procRoot(std::move(procRoot))
{}

void GuiWorkspace::reveal(const Path& path)
{
    const QUrl folder = Workspace::fileUrl(path.parent_path());
    if (!m_bus.isConnected()) {
        openFolderOf(path, folder);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kObject, kService, QStringLiteral("ShowItems"));
    // The item as an encoded file address, so a name that is not UTF-8 reaches the file manager intact;
    // no start-up notification id.
    call << QStringList{QString::fromLatin1(Workspace::fileUrl(path).toEncoded())} << QString();
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, path, folder] {
        if (watcher->isError())
            openFolderOf(path, folder);
        watcher->deleteLater();
    });
}

void GuiWorkspace::openFolderOf(const Path& path, const QUrl& folder)
{
    if (!m_open(folder))
        DesktopOpenFailures::instance().itemNotShown(path);
}

void GuiWorkspace::openUrl(const QUrl& url)
{
    if (!m_open(url))
        DesktopOpenFailures::instance().addressNotOpened(url);
}

std::vector<RunningApplication> GuiWorkspace::runningApplications() const
{
    return RunningApps::list(m_procRoot);
}

void GuiWorkspace::terminate(const RunningApplication& application)
{
    if (application.pid <= 0 || application.executable.empty())
        return;
    // Held first: should the process end and its id be taken by another after the check below, the
    // signal finds the descriptor's process gone instead of reaching the newcomer.
    // (Raw system calls: this C library's header declares its wrappers without C linkage.)
    const UniqueFd process(int(::syscall(SYS_pidfd_open, pid_t(application.pid), 0)));
    if (!process.valid())
        return;
    const auto now = RunningApps::process(application.pid, m_procRoot);
    if (!now || now->executable.native() != application.executable.native())
        return;
    (void)::syscall(SYS_pidfd_send_signal, process.get(), SIGTERM, nullptr, 0);
}

} // namespace qm

#pragma once

#include "platform/Workspace.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>

namespace qm {

// The desktop of this machine: a file is revealed through the freedesktop.org file-manager interface
// (org.freedesktop.FileManager1.ShowItems on the session bus), and addresses are opened with the
// desktop's URL handler. When no session bus is reachable or no file manager answers the call, the
// folder holding the file is opened instead. When nothing opens (no file manager, no browser), the
// failure is told to `DesktopOpenFailures` with the path or address. Running programs are the user's
// processes in the process table (`RunningApps`), and quit is SIGTERM. Lives on the GUI thread; the bus call
// does not block it.
class GuiWorkspace final : public QObject, public Workspace
{
    Q_OBJECT

public:
    // Opens an address and says whether a program took it; by default the desktop's URL handler
    // (QDesktopServices).
    using UrlOpener = std::function<bool(const QUrl&)>;

    // Calls the file manager over `bus` (by default the session bus) and opens addresses with `open`.
    // `procRoot` is where the process table is read (tests may point it elsewhere).
    explicit GuiWorkspace(QDBusConnection bus = QDBusConnection::sessionBus(), UrlOpener open = {},
                          QObject* parent = nullptr, Path procRoot = Path("/proc"));

    // Asks the file manager to show `path`; on any error reply, or with no bus, opens its folder.
    void reveal(const Path& path) override;
    void openUrl(const QUrl& url) override;
    std::vector<RunningApplication> runningApplications() const override;
    // Sends SIGTERM only while the process is still the user's and runs the same executable; the process
    // is held by a descriptor while that is checked, so a process id freed and taken again meanwhile
    // is never signalled.
    void terminate(const RunningApplication& application) override;

private:
    // Opens `folder`, the one holding `path`, and reports `path` when nothing opens it.
    void openFolderOf(const Path& path, const QUrl& folder);

    QDBusConnection m_bus;
    UrlOpener m_open;
    Path m_procRoot;
};

} // namespace qm

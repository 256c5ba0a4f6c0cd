#pragma once

#include "ScreenHarness.h"
#include "app/models/PerformanceViewModel.h"
#include "core/helper/HelperClient.h"
#include "support/FakeAdminPrompt.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/FakeDaemonService.h"
#include "support/FakeHostStatistics.h"
#include "support/FakePowerSources.h"
#include "support/FixtureHome.h"
#include "support/TempTree.h"

#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>

namespace qm::test {

// The Performance page in a window of this process, drawn from the real Performance model and launch
// folder scanner over a home folder and a system root in a temp tree, and the real helper client over
// a fake service manager and a fake administrator prompt (which a test may hold while an action runs).
// No statistics loop runs: a test puts the samples into the model's live statistics itself. While it
// lives the fixture home is HOME (so disabled items go to its Trash) and gsettings uses its memory
// back end.
class PerformanceScreenHarness
{
public:
    PerformanceScreenHarness();
    // Lets a held action go and waits for every job before the fixture goes.
    ~PerformanceScreenHarness();
    PerformanceScreenHarness(const PerformanceScreenHarness&) = delete;
    PerformanceScreenHarness& operator=(const PerformanceScreenHarness&) = delete;

    FixtureHome& tree() { return m_tree; }
    std::filesystem::path home() const { return m_tree.home(); }
    // The user's autostart folder, the system's (<system>/etc/xdg/autostart) and the folder whose
    // "*.wants" folders enable the system's services (<system>/etc/systemd/system).
    std::filesystem::path userDir() const;
    std::filesystem::path agentsDir() const;
    std::filesystem::path daemonsDir() const;
    // Writes the autostart entry `file` into `dir`, shown as `name` (empty: the file's name stands for
    // it) and running `exec` (the entry's "Exec" value).
    void addJob(const std::filesystem::path& dir, const std::string& file, const std::string& name,
                const std::string& exec = "/usr/bin/true");
    // Writes the unit `name` running `exec` (its "ExecStart" value) and enables it: a service of the
    // system's, or a unit of the user's (in their config home's "systemd/user"). Returns the unit
    // file's path.
    std::filesystem::path addDaemon(const std::string& name, const std::string& exec = "/usr/bin/true");
    std::filesystem::path addUserUnit(const std::string& name, const std::string& exec = "/usr/bin/true");

    FakeClock& clock() { return m_clock; }
    // The restore tracker the model shares, as the modules that undo through the Trash do.
    RestoreTracker& tracker() { return m_tracker; }
    FakeAppActivity& activity() { return m_activity; }
    FakeDaemonService& daemon() { return *m_daemon; }
    FakeAdminPrompt& prompt() { return *m_prompt; }
    // While held, an administrator command waits before it is answered; `held` says one waits now.
    void holdPrompt(bool hold);
    bool held() const { return m_waiting.load() > 0; }
    // While held, a move to the Trash (a disable) waits before it starts.
    void holdTrash(bool hold);

    // Makes the model and the helper client and shows the page in a window of `size` on the
    // Performance module's backdrop and tint (reduce motion on); false, with the QML errors in
    // `errors()`, when it did not load.
    bool open(QSize size);
    PerformanceViewModel& model() { return *m_model; }
    HelperClient& helper() { return *m_helper; }
    QQuickWindow* window() const { return m_screen.window(); }
    // The PerformanceView item.
    QQuickItem* page() const { return m_screen.page(); }
    // A QML property of the page that holds an item (`maintenance`, `systemCard`, ...).
    QQuickItem* part(const char* name) const;
    // The first visible item named `objectName` under `under` (the whole window when null), depth
    // first along the visual tree; null when there is none.
    QQuickItem* find(const QString& objectName, const QQuickItem* under = nullptr) const
    {
        return m_screen.find(objectName, under);
    }
    // Every visible item named `objectName` under `under`, in visual-tree order.
    QList<QQuickItem*> findAll(const QString& objectName, const QQuickItem* under = nullptr) const
    {
        return m_screen.findAll(objectName, under);
    }
    // Clicks the middle of `target` with the left button, scrolling the page to it first.
    void click(QQuickItem* target);
    QStringList warnings() const { return m_screen.warnings(); }
    QStringList errors() const { return m_screen.errors(); }

    // Runs the event loop until `done` holds or 30 s pass (a generous bound, never a measurement).
    template <typename Predicate> bool settle(Predicate done) { return m_screen.settle(done); }
    // Runs the event loop until the model's scan has landed.
    bool settleScan();
    // Lets the helper client's jobs end and their results land.
    void settleHelper();
    void wait(int ms) { m_screen.wait(ms); }
    QImage grab() { return m_screen.grab(); }

private:
    FixtureHome m_tree;
    FakeClock m_clock;
    FakeAppActivity m_activity;
    FakeHostStatistics m_host;
    FakePowerSources m_power;
    RestoreTracker m_tracker;
    std::shared_ptr<FakeDaemonService> m_daemon;
    std::shared_ptr<FakeAdminPrompt> m_prompt = std::make_shared<FakeAdminPrompt>();
    struct Hold
    {
        std::mutex mutex;
        std::condition_variable released;
        bool hold = false;
    };
    std::shared_ptr<Hold> m_hold = std::make_shared<Hold>();
    std::shared_ptr<Hold> m_trashHold = std::make_shared<Hold>();
    std::atomic<int> m_waiting{0};
    QThreadPool m_pool;
    std::unique_ptr<PerformanceViewModel> m_model;
    std::unique_ptr<HelperClient> m_helper;
    // The window, the engine and Qt's warnings; it keeps gsettings on its memory back end.
    ScreenHarness m_screen;
};

} // namespace qm::test

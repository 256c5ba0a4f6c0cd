#pragma once

#include "ScreenHarness.h"
#include "app/models/RestoreTracker.h"
#include "app/models/SpaceLensViewModel.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/FakeFolderPicker.h"
#include "support/FakeWorkspace.h"
#include "support/FixtureHome.h"
#include "support/StepGate.h"
#include "support/TempTree.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <semaphore>
#include <string>

namespace qm::test {

// The Space Lens page in a window of this process, drawn from the real space lens model over a fixture
// home and a fixture system root (the removal rule's protected folders lie there): the real sizer,
// cleaner and Trash (the home's), with a fake clock, activity source, folder chooser, desktop and Full
// Disk Access probe. A test may hold the sizer before it hands over each measured child, and the
// Trash's moves at a gate. Build the fixture first, then `open`. While it lives, XDG_CACHE_HOME lies
// outside the home and gsettings uses its memory back end.
class SpaceLensScreenHarness
{
public:
    SpaceLensScreenHarness();
    // Lets held work go and waits for every pool job before the fixture goes.
    ~SpaceLensScreenHarness();
    SpaceLensScreenHarness(const SpaceLensScreenHarness&) = delete;
    SpaceLensScreenHarness& operator=(const SpaceLensScreenHarness&) = delete;

    FixtureHome& home() { return m_home; }
    TempTree& system() { return m_system; }
    FakeClock& clock() { return m_clock; }
    FakeAppActivity& activity() { return m_activity; }
    FakeFolderPicker& picker() { return *m_picker; }
    FakeWorkspace& workspace() { return *m_workspace; }
    StepGate& trashGate() { return *m_trashGate; }
    RestoreTracker& tracker() { return m_tracker; }
    // What the Full Disk Access probe answers (true unless set).
    void setAccess(bool granted) { m_access->store(granted); }
    // While held, the sizer waits before handing over each measured child until `letOne` lets it go.
    void holdSizing(bool hold);
    void letOne();

    // Makes the model (the first time) and shows the page in a window of `size` on the Space Lens
    // module's backdrop and tint; false, with the QML errors in `errors()`, when it did not load. A
    // second call after `close` shows the page anew over the same model, as a revisit of the module.
    bool open(QSize size);
    // Destroys the page and its window, as leaving the module does; the model stays.
    void close() { m_screen.close(); }
    SpaceLensViewModel& model() { return *m_model; }
    QQuickWindow* window() const { return m_screen.window(); }
    // The SpaceLensView item.
    QQuickItem* page() const { return m_screen.page(); }
    QObject* pageObject(const char* property) const { return m_screen.pageObject(property); }
    // The object name of what the content loader shows now.
    QString contentName() const { return m_screen.contentName(); }
    QQuickItem* find(const QString& objectName, const QQuickItem* under = nullptr) const
    {
        return m_screen.find(objectName, under);
    }
    QList<QQuickItem*> findAllStartingWith(const QString& prefix) const
    {
        return m_screen.findAllStartingWith(prefix);
    }
    // The list row and the bubble of the entry named `name` in the current folder (null when none).
    QQuickItem* row(const std::string& name) const;
    QQuickItem* bubble(const std::string& name) const;
    // The id of the entry named `name` in the current folder, empty when none.
    QString entryId(const std::string& name) const;
    void click(QQuickItem* target) { m_screen.click(target); }
    QStringList warnings() const { return m_screen.warnings(); }
    QStringList errors() const { return m_screen.errors(); }

    template <typename Predicate> bool settle(Predicate done) { return m_screen.settle(done); }
    // Runs the event loop until no sizing pass runs and the window has laid out what it brought.
    bool settlePass();
    void drain() { m_screen.drain(); }
    void wait(int ms) { m_screen.wait(ms); }
    QImage grab() { return m_screen.grab(); }

private:
    FixtureHome m_home;
    TempTree m_system;
    TempTree m_caches;
    FakeClock m_clock;
    FakeAppActivity m_activity;
    RestoreTracker m_tracker;
    std::shared_ptr<FakeFolderPicker> m_picker = std::make_shared<FakeFolderPicker>();
    std::shared_ptr<FakeWorkspace> m_workspace = std::make_shared<FakeWorkspace>();
    std::shared_ptr<StepGate> m_trashGate = std::make_shared<StepGate>();
    std::shared_ptr<std::atomic<bool>> m_access = std::make_shared<std::atomic<bool>>(true);
    // Shared with the sizer's threads, which may outlive a test's expectations but never the harness.
    struct Hold
    {
        std::atomic<bool> held{false};
        std::counting_semaphore<1 << 16> permits{0};
    };
    std::shared_ptr<Hold> m_hold = std::make_shared<Hold>();
    std::unique_ptr<SpaceLensViewModel> m_model;
    ScreenHarness m_screen;
};

} // namespace qm::test

#pragma once

#include "ScreenHarness.h"
#include "app/models/CleanupViewModel.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/FakeWorkspace.h"
#include "support/FixtureHome.h"
#include "support/StepGate.h"
#include "support/TempTree.h"

#include <filesystem>
#include <memory>

namespace qm::test {

// The Cleanup page in a window of this process, drawn from the real Cleanup model over a fixture home:
// the real junk scanner (no installed applications), cleaner and Trash under the home's data folder,
// with a fake clock (the undo window), activity source and desktop. The scanner's and the Trash
// mover's file access pass through gates a test may close. Build the fixture first, then `open`.
// While it lives, XDG_CACHE_HOME lies outside the home and gsettings uses its memory back end, so
// nothing but the test writes into the fixture home (~/.cache is a developer-cache root).
class CleanupScreenHarness
{
public:
    CleanupScreenHarness();
    // Lets held jobs go and waits for every pool job before the fixture goes.
    ~CleanupScreenHarness();
    CleanupScreenHarness(const CleanupScreenHarness&) = delete;
    CleanupScreenHarness& operator=(const CleanupScreenHarness&) = delete;

    FixtureHome& home() { return m_home; }
    FakeClock& clock() { return m_clock; }
    FakeAppActivity& activity() { return m_activity; }
    FakeWorkspace& workspace() { return *m_workspace; }
    StepGate& scanGate() { return *m_scanGate; }
    StepGate& trashGate() { return *m_trashGate; }
    // The restore tracker the model shares, as with the other modules that undo.
    RestoreTracker& tracker() { return m_tracker; }
    // The home Trash's `files/` folder, which the card measures.
    std::filesystem::path trashFiles() const;

    // Makes the model and shows the page in a window of `size` (logical pixels) on the Cleanup
    // module's background and tint; false, with the QML errors in `errors()`, when it did not load.
    bool open(QSize size);
    CleanupViewModel& model() { return *m_model; }
    QQuickWindow* window() const { return m_screen.window(); }
    // The CleanupView item.
    QQuickItem* page() const { return m_screen.page(); }
    // An object-typed property of the page (its aliases: "trashCard", "cleanConfirm", ...).
    QObject* pageObject(const char* property) const { return m_screen.pageObject(property); }
    // The first visible item named `objectName` under `under` (the whole window when null), popups
    // included, searched depth first along the visual tree; null when there is none.
    QQuickItem* find(const QString& objectName, const QQuickItem* under = nullptr) const
    {
        return m_screen.find(objectName, under);
    }
    // Clicks the middle of `target` with the left button, scrolling the page to it first.
    void click(QQuickItem* target);
    // Warnings and errors the QML engine and Qt reported since `open`.
    QStringList warnings() const { return m_screen.warnings(); }
    QStringList errors() const { return m_screen.errors(); }

    // Runs the event loop until `done` holds or 30 s pass (a generous bound, never a measurement).
    template <typename Predicate> bool settle(Predicate done) { return m_screen.settle(done); }
    // Lets every job on the pool end and every result it posted land.
    void drain() { m_screen.drain(); }
    // Lets pending frames and animations of `ms` milliseconds play.
    void wait(int ms) { m_screen.wait(ms); }
    // A picture of the window as it is drawn now.
    QImage grab() { return m_screen.grab(); }

private:
    FixtureHome m_home;
    TempTree m_system;
    // Where XDG_CACHE_HOME points while the harness lives.
    TempTree m_caches;
    FakeClock m_clock;
    FakeAppActivity m_activity;
    RestoreTracker m_tracker;
    std::shared_ptr<FakeWorkspace> m_workspace = std::make_shared<FakeWorkspace>();
    std::shared_ptr<StepGate> m_scanGate = std::make_shared<StepGate>();
    std::shared_ptr<StepGate> m_trashGate = std::make_shared<StepGate>();
    std::unique_ptr<CleanupViewModel> m_model;
    // The window, the engine and Qt's warnings; it keeps gsettings on its memory back end.
    ScreenHarness m_screen;
};

} // namespace qm::test

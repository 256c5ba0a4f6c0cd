#pragma once

#include "ScreenHarness.h"
#include "app/models/ApplicationsViewModel.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/FakePackageDatabase.h"
#include "support/FakeWorkspace.h"
#include "support/FixtureHome.h"
#include "support/StepGate.h"
#include "support/TempTree.h"

#include <QByteArray>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace qm::test {

// The Applications page in a window of this process, drawn from the real Applications model over a
// fixture home and system root: the real inventory lister (counted, and held while the test says so),
// leftover finder (whose file access passes a gate), cleaner and Trash, with a fake clock, activity
// source, desktop and administrator move. Build the applications first, then `open`. While it lives
// gsettings uses its memory back end and XDG_CACHE_HOME lies outside the home.
class ApplicationsScreenHarness
{
public:
    // How a fixture application's icon file is made.
    enum class Icon { none, png, notAnImage, oversized, svg, brokenSvg };

    ApplicationsScreenHarness();
    // Lets held work go and waits for every pool job before the fixture goes.
    ~ApplicationsScreenHarness();
    ApplicationsScreenHarness(const ApplicationsScreenHarness&) = delete;
    ApplicationsScreenHarness& operator=(const ApplicationsScreenHarness&) = delete;

    FixtureHome& home() { return m_home; }
    TempTree& system() { return m_system; }
    // Who owns the system's files for the desktop entries.
    FakePackageDatabase& packages() { return *m_packages; }
    FakeClock& clock() { return m_clock; }
    // The restore tracker the models share, as the modules that undo through the Trash do.
    RestoreTracker& tracker() { return m_tracker; }
    FakeAppActivity& activity() { return m_activity; }
    FakeWorkspace& workspace() { return *m_fakeWorkspace; }
    // The leftover finder's file access passes this gate.
    StepGate& finderGate() { return *m_finderGate; }

    // What `homeApp` made.
    struct HomeApp
    {
        std::filesystem::path program; // ~/.local/opt/<folder>/<folder in lower case>, 20 KB
        std::filesystem::path entry;   // ~/.local/share/applications/<identifier>.desktop
    };
    // A program installed in the home with the desktop entry that starts it: the entry's file id is
    // `identifier` (the folder in lower case when empty), its Name `name`, its X-AppImage-Version
    // `version` (left out when empty) and its Icon an absolute path to the icon file asked for, in
    // the program's folder.
    HomeApp homeApp(const std::filesystem::path& folder, const QByteArray& name, const QByteArray& identifier,
                    const QByteArray& version = "1.0", Icon icon = Icon::none);

    // Before `open`: another desktop than the fake one (the real process table, say); another sizer
    // than the real bounded one.
    void useWorkspace(std::shared_ptr<Workspace> workspace) { m_workspace = std::move(workspace); }
    void useSizer(ApplicationsViewModel::Sizer sizer) { m_sizer = std::move(sizer); }
    // Every listing from now on reports that it could not read everything.
    void reportIncompleteListings(bool incomplete) { m_incomplete = incomplete; }
    // While held, listings wait until `holdListings(false)`.
    void holdListings(bool hold);
    // How many listings the model started.
    int listings() const { return m_listings; }
    // What the administrator move answers.
    void setAdminAnswer(PrivilegedUninstall::Result answer) { m_adminAnswer = std::move(answer); }

    // Makes the model and shows the page in a window of `size` on the Applications backdrop and tint;
    // false, with the QML errors in `errors()`, when it did not load.
    bool open(QSize size);
    // Hides the page and shows it again, as the shell does when the user leaves the module and comes
    // back to it.
    bool showPageAgain();
    ApplicationsViewModel& model() { return *m_model; }
    QQuickWindow* window() const { return m_screen.window(); }
    QQuickItem* page() const { return m_page; }
    // An object-typed property of the page ("sheet", "failureAlert", ...).
    QObject* pageObject(const char* property) const;
    // The first visible item named `objectName` under `under` (the whole window, popups included,
    // when null), depth first along the visual tree; null when there is none.
    QQuickItem* find(const QString& objectName, const QQuickItem* under = nullptr) const
    {
        return m_screen.find(objectName, under);
    }
    // Clicks the middle of `target` with the left button.
    void click(QQuickItem* target) { m_screen.click(target); }
    // Warnings and errors Qt reported since the harness was made, but those containing a text passed
    // to `expectWarning` (what a test provokes on purpose).
    QStringList warnings() const;
    void expectWarning(const QString& containing) { m_expected.append(containing); }
    QStringList errors() const { return m_screen.errors(); }

    // Runs the event loop until `done` holds or 30 s pass (a generous bound, never a measurement).
    template <typename Predicate> bool settle(Predicate done) { return m_screen.settle(done); }
    // Runs until the inventory is listed and measured.
    bool settleInventory();
    // Lets every job on the pool end and every result it posted land.
    void drain() { m_screen.drain(); }
    void wait(int ms) { m_screen.wait(ms); }
    QImage grab() { return m_screen.grab(); }

private:
    bool showPage();
    void startListing(ApplicationsViewModel::ListingDone done);

    FixtureHome m_home;
    std::shared_ptr<FakePackageDatabase> m_packages = std::make_shared<FakePackageDatabase>();
    TempTree m_system;
    TempTree m_caches;
    FakeClock m_clock;
    FakeAppActivity m_activity;
    RestoreTracker m_tracker;
    std::shared_ptr<FakeWorkspace> m_fakeWorkspace = std::make_shared<FakeWorkspace>();
    std::shared_ptr<Workspace> m_workspace = m_fakeWorkspace;
    std::shared_ptr<StepGate> m_finderGate = std::make_shared<StepGate>();
    ApplicationsViewModel::Sizer m_sizer;
    std::atomic<bool> m_incomplete{false};
    bool m_holdListings = false;
    std::vector<ApplicationsViewModel::ListingDone> m_heldListings;
    int m_listings = 0;
    PrivilegedUninstall::Result m_adminAnswer = PrivilegedUninstall::Result::success();
    std::unique_ptr<ApplicationsViewModel> m_model;
    // The window, the engine and Qt's warnings; it keeps gsettings on its memory back end.
    ScreenHarness m_screen;
    // What the host's loader shows; the same item after `showPageAgain`.
    QQuickItem* m_page = nullptr;
    QStringList m_expected;
};

} // namespace qm::test

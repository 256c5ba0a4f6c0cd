#include "AppInventoryFakes.h"
#include "app/models/ApplicationsViewModel.h"
#include "app/models/CleanupViewModel.h"
#include "app/models/RestoreTracker.h"
#include "core/model/Formatting.h"
#include "platform/Workspace.h"
#include "support/EntryIdentity.h"
#include "support/EventLoopWait.h"
#include "support/FakeAppLocator.h"
#include "support/FakeClock.h"
#include "support/FakePackageDatabase.h"
#include "support/FakeWorkspace.h"
#include "support/FixtureHome.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/StepGate.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThreadPool>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

namespace qm {
namespace {

using test::drain;
using test::identity;
using test::present;
using test::settle;
using test::spin;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using AdminResult = PrivilegedUninstall::Result;

const QString kLeft = QStringLiteral("\u201c");
const QString kRight = QStringLiteral("\u201d");

// The Applications model over a fixture home and system root with its real lister, leftover finder
// and cleaner; the sizer answers sizes the test chose (the real one once `realSizes`); a fake desktop,
// clock and administrator move; the Cleanup model beside it shares the restore tracker. The Trash
// mover and the Trash emptier pass through gates.
class UninstallFlowTest : public ::testing::Test
{
protected:
    UninstallFlowTest()
    {
        test::widenPool();
        home.folder(".config");
        home.folder(".cache");
        system.folder("opt");
    }

    ~UninstallFlowTest() override
    {
        trashGate->release();
        emptyGate->release();
        adminGate.release();
        apps.reset();
        cleanup.reset();
        drain();
    }

    // A program installed in the home, ~/.local/opt/<folder>/<folder in lower case> (20 KB), and the
    // desktop entry named `identifier` (the folder in lower case when empty) that starts it; answers
    // the entry, which is how the application is listed. Measured, it is the size the test chose for
    // the entry (10 KB unless told) with the entry itself at 0.
    fs::path homeApp(const std::string& folder, const QByteArray& name, const QByteArray& identifier)
    {
        const std::string lower = QString::fromStdString(folder).toLower().toStdString();
        const fs::path program = home.file(fs::path(".local/opt") / folder / lower, 20'000);
        const std::string id = identifier.isEmpty() ? lower : identifier.toStdString();
        const fs::path entry =
            home.fileWithContent(fs::path(".local/share/applications") / (id + ".desktop"),
                                 "[Desktop Entry]\nType=Application\nName=" + name +
                                     "\nExec=" + QByteArray::fromStdString(program) + "\n");
        const std::lock_guard lock(sizeMutex);
        programs[entry.native()] = program;
        sizes[entry.native()] = 0;
        return entry;
    }
    // The program the entry `entry` made by `homeApp` starts.
    fs::path programOf(const fs::path& entry) const { return programs.at(entry.native()); }

    // The inventory of this platform's desktop entries (with the fake package database); `ownURL` is
    // this program's path.
    void make(Path ownURL = Path("/nowhere"))
    {
        ApplicationsViewModel::Services services{clock};
        services.home = home.home();
        services.systemRoot = system.root();
        services.places = home.places(system.root());
        services.packages = packages;
        services.sizer = [this](const Path& of, const std::vector<Path>&, qint64, bool, double, CoverageFlag*,
                                std::stop_token) {
            const std::lock_guard lock(sizeMutex);
            ++sizeCalls;
            const auto found = sizes.find(of.native());
            return found == sizes.end() ? qint64(10'000) : found->second;
        };
        services.own = ApplicationsViewModel::OwnIdentity{std::move(ownURL)};
        services.workspace = workspace;
        services.adminMove = [this](const Path& folder) {
            adminGate.pass(FsStep::Move);
            adminCalls.fetch_add(1);
            const std::lock_guard lock(sizeMutex);
            adminMoved.push_back(folder);
            return adminAnswer;
        };
        services.trash =
            Trash(FileSystem([gate = trashGate](FsStep step, const Path&) { gate->pass(step); }));
        services.fullDiskAccess = [this] { return access.load(); };
        services.restoreTracker = &tracker;
        apps = std::make_unique<ApplicationsViewModel>(std::move(services));

        cleanup = std::make_unique<CleanupViewModel>(CleanupViewModel::Services{
            clock,
            CleanupScanner(FileSystem(), home.home(), system.root(),
                           std::make_shared<test::FakeAppLocator>()),
            TrashBin(std::nullopt,
                     FileSystem([gate = emptyGate](FsStep step, const Path&) { gate->pass(step); }),
                     [] { return MountTable(); }),
            Trash(FileSystem([gate = cleanupTrashGate](FsStep step, const Path&) { gate->pass(step); })),
            [] { return true; },
            workspace,
            &tracker,
        });
    }

    // The size the sizer answers for `path`; for an entry `homeApp` made, for its program.
    void setSize(const fs::path& path, qint64 bytes)
    {
        const std::lock_guard lock(sizeMutex);
        const auto program = programs.find(path.native());
        sizes[program != programs.end() ? program->second.native() : path.native()] = bytes;
    }
    int sizeCallCount()
    {
        const std::lock_guard lock(sizeMutex);
        return sizeCalls;
    }

    void loadAndSettle()
    {
        apps->load();
        ASSERT_TRUE(
            settle([&] { return apps->phase() == ApplicationsViewModel::Phase::loaded && !apps->sizing(); }));
    }

    std::optional<InstalledApp> listed(const fs::path& url) const
    {
        for (const InstalledApp& a : apps->apps()) {
            if (a.id() == url.native())
                return a;
        }
        return std::nullopt;
    }

    // Opens the sheet for the listed application at `url` and waits for its leftovers.
    void open(const fs::path& url)
    {
        const auto app = listed(url);
        ASSERT_TRUE(app) << "not listed: " << url;
        apps->openUninstaller(*app);
        ASSERT_EQ(apps->selectedApp(), app);
        ASSERT_TRUE(settle([&] { return !apps->findingLeftovers(); }));
    }

    void uninstallAndSettle()
    {
        apps->confirmUninstall();
        ASSERT_TRUE(settle([&] { return apps->inFlightActionIDs().empty(); }));
    }

    void undoAndSettle()
    {
        apps->undoLast();
        ASSERT_TRUE(settle([&] { return !apps->restoring(); }));
        ASSERT_TRUE(settle([&] { return apps->phase() == ApplicationsViewModel::Phase::loaded; }));
    }

    fs::path trashFiles() const { return home.dataHome() / "Trash" / "files"; }

    std::vector<std::string> leftoverNames() const
    {
        std::vector<std::string> names;
        for (const LeftoverItem& item : apps->leftovers())
            names.push_back(item.url.filename().native());
        return names;
    }

    test::FixtureHome home;
    test::TempTree system;
    std::shared_ptr<test::FakePackageDatabase> packages = std::make_shared<test::FakePackageDatabase>();
    test::FakeClock clock;
    std::shared_ptr<test::FakeWorkspace> workspace = std::make_shared<test::FakeWorkspace>();
    RestoreTracker tracker;
    std::shared_ptr<test::StepGate> trashGate = std::make_shared<test::StepGate>();
    std::shared_ptr<test::StepGate> cleanupTrashGate = std::make_shared<test::StepGate>();
    std::shared_ptr<test::StepGate> emptyGate = std::make_shared<test::StepGate>();
    test::StepGate adminGate;
    std::atomic<int> adminCalls{0};
    std::vector<Path> adminMoved; // under sizeMutex
    AdminResult adminAnswer = AdminResult::success();
    std::atomic<bool> access{true};
    std::mutex sizeMutex;
    std::map<std::string, qint64> sizes;
    std::map<std::string, fs::path> programs; // entry → program, under sizeMutex
    int sizeCalls = 0;
    std::unique_ptr<ApplicationsViewModel> apps;
    std::unique_ptr<CleanupViewModel> cleanup;
};

TEST_F(UninstallFlowTest, ApplicationsThenLeftoversUndoneTogetherWithTheirOwnInodes)
{
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    // An AppImage whose name is not text: its bytes move and come back as they are.
    const fs::path odd =
        home.file(fs::path("Applications") / (test::TempTree::nonUtf8Name().native() + ".AppImage"), 20'000);
    const QString oddName = FileSystem::displayName(test::TempTree::nonUtf8Name());
    const fs::path gamma = homeApp("Gamma", "Gamma", "com.example.gamma");
    const fs::path support = home.file(".config/com.example.alpha/data", 30'000).parent_path();
    const fs::path cache = home.file(".cache/com.example.alpha/blob", 5'000).parent_path();
    const std::vector<fs::path> moved = {programOf(alpha), alpha, support, cache, odd,
                                         programOf(gamma), gamma};
    std::map<std::string, std::pair<dev_t, ino_t>> before;
    for (const fs::path& path : moved)
        before[path.native()] = identity(path);
    make();
    loadAndSettle();
    ASSERT_EQ(apps->apps().size(), 3u);

    open(alpha);
    EXPECT_EQ(leftoverNames(), (std::vector<std::string>{"com.example.alpha", "com.example.alpha"}));
    EXPECT_EQ(apps->uninstallItemCount(), 3);
    uninstallAndSettle();
    for (const fs::path& path : {programOf(alpha), alpha, support, cache})
        EXPECT_FALSE(present(path)) << path;
    EXPECT_FALSE(listed(alpha));
    EXPECT_EQ(apps->uninstallCompletions(), 1);
    EXPECT_EQ(apps->uninstalledSummary(), QStringLiteral("Alpha"));
    ASSERT_TRUE(apps->lastReport());
    EXPECT_EQ(apps->lastReport()->trashed.size(), 4u);
    EXPECT_EQ(apps->lastReport()->trashed.front().original.native(), programOf(alpha).native())
        << "the program first";
    EXPECT_FALSE(apps->uninstallFailure());

    open(odd);
    uninstallAndSettle();
    EXPECT_EQ(apps->uninstalledSummary(), QStringLiteral("Alpha and ") + oddName);
    open(gamma);
    uninstallAndSettle();
    EXPECT_EQ(apps->uninstalledSummary(), QStringLiteral("3 apps"));
    EXPECT_EQ(apps->lastReport()->trashed.size(), 7u);
    EXPECT_TRUE(apps->apps().empty());

    undoAndSettle();
    for (const fs::path& path : moved)
        EXPECT_EQ(identity(path), before[path.native()]) << "not the same file back: " << path;
    EXPECT_FALSE(apps->lastReport());
    EXPECT_TRUE(apps->uninstalledNames().isEmpty());
    EXPECT_EQ(apps->uninstalledSummary(), QStringLiteral("Gamma")) << "falls back to the last name";
    EXPECT_FALSE(apps->uninstallFailure());
    EXPECT_EQ(apps->apps().size(), 3u) << "listed again";
    EXPECT_FALSE(apps->restoring());
    EXPECT_FALSE(tracker.anyRestoring());
}

TEST_F(UninstallFlowTest, AHomeInstalledApplicationGoesWithItsEntryAndLeftoversAndComesBack)
{
    const fs::path program = home.file(".local/bin/mytool", 20'000);
    const fs::path entry =
        home.fileWithContent(".local/share/applications/mytool.desktop",
                             "[Desktop Entry]\nType=Application\nName=My Tool\nExec=mytool %U\n");
    const fs::path config = home.file(".config/mytool/settings", 3'000).parent_path();
    const fs::path autostart = home.fileWithContent(".config/autostart/mytool.desktop",
                                                    "[Desktop Entry]\nType=Application\nExec=mytool\n");
    const fs::path unrelated = home.file(".config/mytoolbox/x", 3'000).parent_path();
    const std::vector<fs::path> moved = {program, entry, config, autostart};
    std::map<std::string, std::pair<dev_t, ino_t>> before;
    for (const fs::path& path : moved)
        before[path.native()] = identity(path);
    make();
    loadAndSettle();
    ASSERT_TRUE(listed(entry));
    EXPECT_EQ(listed(entry)->origin, AppOrigin::homeFile);

    open(entry);
    std::vector<std::string> names = leftoverNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"mytool", "mytool.desktop"}));
    uninstallAndSettle();
    for (const fs::path& path : moved)
        EXPECT_FALSE(present(path)) << path;
    EXPECT_TRUE(present(unrelated));
    EXPECT_FALSE(listed(entry));
    EXPECT_FALSE(apps->uninstallFailure());
    ASSERT_TRUE(apps->lastReport());
    EXPECT_EQ(apps->lastReport()->trashed.size(), 4u);

    undoAndSettle();
    for (const fs::path& path : moved)
        EXPECT_EQ(identity(path), before[path.native()]) << "not the same file back: " << path;
    EXPECT_FALSE(apps->uninstallFailure());
    EXPECT_TRUE(listed(entry)) << "listed again";
}

TEST_F(UninstallFlowTest, APackageOwnedApplicationLosesOnlyItsLeftoversAndIsHandedToTheSoftwareCentre)
{
    const fs::path entry =
        system.fileWithContent("usr/share/applications/org.example.Editor.desktop",
                               "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor\n");
    const fs::path program = system.file("usr/bin/editor", 20'000);
    system.fileWithContent("usr/share/applications/org.gnome.Software.desktop",
                           "[Desktop Entry]\nType=Application\nName=Software\nExec=gnome-software\n"
                           "MimeType=x-scheme-handler/appstream;\n");
    system.file("usr/bin/gnome-software", 100);
    packages->install(QStringLiteral("editor"), QStringLiteral("2.0"),
                      {Path("/usr/share/applications/org.example.Editor.desktop"), Path("/usr/bin/editor")});
    const fs::path config = home.file(".config/editor/settings", 3'000).parent_path();
    const fs::path cache = home.file(".cache/org.example.Editor/blob", 5'000).parent_path();
    const std::vector<fs::path> leftovers = {config, cache};
    std::map<std::string, std::pair<dev_t, ino_t>> before;
    for (const fs::path& path : {config, cache, entry, program})
        before[path.native()] = identity(path);
    make();
    loadAndSettle();
    ASSERT_TRUE(listed(entry));
    EXPECT_EQ(listed(entry)->version, QStringLiteral("2.0"));
    EXPECT_TRUE(apps->softwareCentreAvailable());

    open(entry);
    EXPECT_EQ(apps->selectedAppMap().value(QStringLiteral("packageManaged")), true);
    EXPECT_EQ(apps->selectedAppMap().value(QStringLiteral("removalCommand")),
              QStringLiteral("sudo apt remove editor"));
    // The application stays installed, so its data is offered but not chosen, and Uninstall has
    // nothing to move until the user chooses some.
    ASSERT_EQ(apps->leftovers().size(), 2u);
    for (const LeftoverItem& item : apps->leftovers())
        EXPECT_FALSE(item.isSelected) << item.url;
    EXPECT_EQ(apps->uninstallItemCount(), 0);
    EXPECT_FALSE(apps->canUninstall());
    apps->confirmUninstall();
    drain();
    EXPECT_TRUE(apps->inFlightActionIDs().empty());
    EXPECT_TRUE(apps->hasSelectedApp()) << "the sheet stays open";
    EXPECT_FALSE(apps->lastReport());
    for (const fs::path& path : leftovers)
        EXPECT_EQ(identity(path), before[path.native()]) << "moved unasked: " << path;
    for (const LeftoverItem& item : std::vector<LeftoverItem>(apps->leftovers()))
        apps->toggleLeftover(item.id);
    EXPECT_TRUE(apps->canUninstall());
    EXPECT_EQ(apps->uninstallItemCount(), 2) << "the application itself is not counted";
    EXPECT_EQ(apps->formattedUninstallTotal(),
              Formatting::byteCount(test::findAllocatedSize(config) + test::findAllocatedSize(cache)));
    apps->openInSoftwareCentre();
    ASSERT_EQ(workspace->opened().size(), 1u);
    EXPECT_EQ(workspace->opened().front(), QUrl(QStringLiteral("appstream://org.example.Editor")));
    uninstallAndSettle();
    for (const fs::path& path : leftovers)
        EXPECT_FALSE(present(path)) << path;
    for (const fs::path& path : {entry, program})
        EXPECT_EQ(identity(path), before[path.native()]) << "the package's own file was touched: " << path;
    EXPECT_TRUE(listed(entry)) << "still installed";
    ASSERT_TRUE(apps->lastReport());
    EXPECT_EQ(apps->lastReport()->trashed.size(), 2u);
    EXPECT_EQ(adminCalls.load(), 0);

    undoAndSettle();
    for (const fs::path& path : leftovers)
        EXPECT_EQ(identity(path), before[path.native()]) << "not the same file back: " << path;
    EXPECT_FALSE(apps->uninstallFailure());
}

// A program's own folder directly in the home goes to the Trash when chosen and comes back on undo,
// though no root admits the home itself.
TEST_F(UninstallFlowTest, AFolderOfTheProgramInTheHomeMovesAndComesBack)
{
    const fs::path entry = system.fileWithContent("usr/share/applications/thunderbird.desktop",
                                                  "[Desktop Entry]\nType=Application\nName=Thunderbird Mail\n"
                                                  "Exec=/usr/bin/thunderbird %u\n");
    system.file("usr/bin/thunderbird", 20'000);
    packages->install(QStringLiteral("thunderbird"), QStringLiteral("1:115.5.0-1~deb12u1"),
                      {Path("/usr/share/applications/thunderbird.desktop"), Path("/usr/bin/thunderbird")});
    const fs::path profile =
        home.file(".thunderbird/abc.default-release/prefs.js", 8'000).parent_path().parent_path();
    const fs::path rc = home.file(".thunderbirdrc", 100);
    const auto before = identity(profile);
    make();
    loadAndSettle();
    ASSERT_TRUE(listed(entry));
    EXPECT_EQ(listed(entry)->version, QStringLiteral("115.5.0"));
    open(entry);
    ASSERT_EQ(leftoverNames(), std::vector<std::string>{".thunderbird"});
    EXPECT_EQ(apps->leftovers().front().location, QStringLiteral("Home"));
    apps->toggleLeftover(apps->leftovers().front().id);
    uninstallAndSettle();
    EXPECT_FALSE(present(profile));
    EXPECT_TRUE(present(rc));
    ASSERT_TRUE(apps->lastReport());
    EXPECT_EQ(apps->lastReport()->trashed.size(), 1u);
    EXPECT_FALSE(apps->uninstallFailure());

    undoAndSettle();
    EXPECT_EQ(identity(profile), before) << "not the same folder back";
    EXPECT_FALSE(apps->uninstallFailure());
}

TEST_F(UninstallFlowTest, ADesktopApplicationRunsWhenItsProgramOrItsFlatpakRuns)
{
    const fs::path tool =
        home.fileWithContent(".local/share/applications/mytool.desktop",
                             "[Desktop Entry]\nType=Application\nName=My Tool\nExec=mytool\n");
    home.file(".local/bin/mytool", 100);
    const fs::path chat = home.fileWithContent(
        ".local/share/flatpak/exports/share/applications/org.example.Chat.desktop",
        "[Desktop Entry]\nType=Application\nName=Chat\nExec=/usr/bin/flatpak run org.example.Chat\n"
        "X-Flatpak=org.example.Chat\n");
    home.folder(".local/share/flatpak/app/org.example.Chat/current/active");
    make();
    loadAndSettle();
    struct Row
    {
        const char* what;
        fs::path app;
        RunningApplication process;
        bool runs;
    };
    const Row rows[] = {
        {"its program", tool, RunningApplication{1, home.path(".local/bin/mytool"), {}}, true},
        {"another program", tool, RunningApplication{2, Path("/usr/bin/mytoolbox"), {}}, false},
        {"its sandbox", chat,
         RunningApplication{3, Path("/app/bin/chat"), QStringLiteral("org.example.Chat")}, true},
        {"another sandbox", chat,
         RunningApplication{4, Path("/app/bin/chat"), QStringLiteral("org.other.Chat")}, false},
    };
    for (const Row& row : rows) {
        workspace->setRunning({row.process});
        const auto app = listed(row.app);
        ASSERT_TRUE(app) << row.what;
        EXPECT_EQ(apps->runningInstances(*app).size(), row.runs ? 1u : 0u) << row.what;
    }
}

TEST_F(UninstallFlowTest, ThisProgramsOwnEntryOpensNoSheet)
{
    const fs::path own =
        home.fileWithContent(".local/share/applications/com.vellora.Quillmere.desktop",
                             "[Desktop Entry]\nType=Application\nName=Quillmere\nExec=true\n");
    const fs::path launcher =
        home.fileWithContent(".local/share/applications/launcher.desktop",
                             "[Desktop Entry]\nType=Application\nName=Q\nExec=Quillmere\n");
    system.file("usr/bin/true", 100);
    system.file("usr/bin/Quillmere", 100);
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    make(Path("/usr/bin/Quillmere"));
    loadAndSettle();
    const int calls = sizeCallCount();
    const qint64 generation = apps->generation();
    for (const fs::path& entry : {own, launcher}) {
        const auto app = listed(entry);
        ASSERT_TRUE(app) << entry;
        apps->openUninstaller(*app);
        drain();
        EXPECT_FALSE(apps->hasSelectedApp()) << entry;
        EXPECT_FALSE(apps->findingLeftovers()) << entry;
    }
    EXPECT_EQ(apps->generation(), generation);
    EXPECT_EQ(sizeCallCount(), calls);
    EXPECT_EQ(apps->uninstallableCount(), 1);
    open(alpha); // control
}

TEST(SoftwareCentreTest, AddressAndCommandByOwner)
{
    struct Row
    {
        AppOrigin origin;
        const char* desktopId;
        const char* flatpakId;
        const char* package;
        const char* url;
        const char* command;
    };
    const Row rows[] = {
        {AppOrigin::debianPackage, "org.example.Editor", "", "editor", "appstream://org.example.Editor",
         "sudo apt remove editor"},
        {AppOrigin::debianPackage, "firefox-esr", "", "firefox-esr", "appstream://firefox-esr.desktop",
         "sudo apt remove firefox-esr"},
        {AppOrigin::userFlatpak, "org.example.Chat", "org.example.Chat", "", "appstream://org.example.Chat",
         "flatpak uninstall --user org.example.Chat"},
        {AppOrigin::systemFlatpak, "org.example.Chat", "org.example.Chat", "", "appstream://org.example.Chat",
         "flatpak uninstall org.example.Chat"},
        {AppOrigin::homeFile, "mytool", "", "", "", ""},
        {AppOrigin::appImage, "", "", "", "", ""},
    };
    for (const Row& row : rows) {
        InstalledApp app;
        app.origin = row.origin;
        app.desktopId = QString::fromUtf8(row.desktopId);
        app.flatpakId = QString::fromUtf8(row.flatpakId);
        app.packageName = QString::fromUtf8(row.package);
        EXPECT_EQ(ApplicationsViewModel::softwareCentreUrl(app), QString::fromUtf8(row.url)) << row.desktopId;
        EXPECT_EQ(ApplicationsViewModel::removalCommand(app), QString::fromUtf8(row.command))
            << row.desktopId;
    }
}

TEST_F(UninstallFlowTest, ASecondConfirmationWhileTheFirstRunsStartsNothing)
{
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    make();
    loadAndSettle();
    open(alpha);
    trashGate->arm(FsStep::Move);
    apps->confirmUninstall();
    EXPECT_FALSE(apps->hasSelectedApp()) << "the sheet closes at once";
    apps->confirmUninstall(); // nothing selected now
    ASSERT_TRUE(settle([&] { return trashGate->holding(); }));
    // Opened again while the application is moving: a second start for it is ignored.
    apps->openUninstaller(*listed(alpha));
    apps->confirmUninstall();
    EXPECT_TRUE(apps->hasSelectedApp());
    trashGate->release();
    ASSERT_TRUE(settle([&] { return apps->inFlightActionIDs().empty(); }));
    drain();
    EXPECT_EQ(apps->uninstallCompletions(), 1);
    EXPECT_EQ(apps->lastReport()->trashed.size(), 2u) << "the program and its entry, once";
    EXPECT_TRUE(present(trashFiles() / "alpha"));
    EXPECT_TRUE(present(trashFiles() / "com.example.alpha.desktop"));
    EXPECT_EQ(std::distance(fs::directory_iterator(trashFiles()), fs::directory_iterator()), 2);
}

TEST_F(UninstallFlowTest, OpeningBBeforeALeftoversArriveDropsAs)
{
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    const fs::path beta = homeApp("Beta", "Beta", "com.example.beta");
    home.file(".cache/com.example.alpha/a", 1'000);
    home.file(".cache/com.example.beta/b", 1'000);
    make();
    loadAndSettle();
    apps->openUninstaller(*listed(alpha));
    apps->openUninstaller(*listed(beta));
    EXPECT_TRUE(apps->findingLeftovers());
    drain();
    EXPECT_FALSE(apps->findingLeftovers());
    EXPECT_EQ(leftoverNames(), std::vector<std::string>{"com.example.beta"});
}

TEST_F(UninstallFlowTest, AKnownSizeIsNotMeasuredAgainAndOneBelowOneByteIsNotWritten)
{
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    const fs::path zero = homeApp("Zero", "Zero", "com.example.zero");
    setSize(alpha, 50'000);
    setSize(zero, 0);
    make();
    loadAndSettle();
    const int afterListing = sizeCallCount();

    open(alpha);
    drain();
    EXPECT_EQ(sizeCallCount(), afterListing) << "a known size was measured again";
    EXPECT_EQ(apps->selectedAppBytes(), 50'000);

    setSize(zero, -1);
    open(zero);
    drain();
    EXPECT_EQ(sizeCallCount(), afterListing + 2) << "the program and its entry, once each";
    EXPECT_EQ(listed(zero)->sizeBytes, 0);
    EXPECT_EQ(apps->selectedApp()->sizeBytes, 0);
    EXPECT_EQ(apps->formattedUninstallTotal(), QStringLiteral("\u2014"));

    setSize(zero, 7'000);
    open(zero);
    drain();
    EXPECT_EQ(listed(zero)->sizeBytes, 7'000);
    EXPECT_EQ(apps->selectedApp()->sizeBytes, 7'000);
    EXPECT_EQ(apps->formattedUninstallTotal(), QStringLiteral("7 KB"));
}

TEST_F(UninstallFlowTest, AdministratorRightsAreNeededForAnotherUsersProgramOnly)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to give a program away";
    const fs::path mine = programOf(homeApp("Mine", "Mine", ""));
    const fs::path theirs = programOf(homeApp("Theirs", "Theirs", ""));
    home.chown(theirs);
    const fs::path linked = home.symlink(theirs, ".local/bin/linked");
    EXPECT_FALSE(ApplicationsViewModel::appNeedsAdmin(mine));
    EXPECT_TRUE(ApplicationsViewModel::appNeedsAdmin(theirs));
    EXPECT_FALSE(ApplicationsViewModel::appNeedsAdmin(linked)) << "the link itself is root's";
    EXPECT_FALSE(ApplicationsViewModel::appNeedsAdmin(home.path(".local/bin/missing")));
}

TEST_F(UninstallFlowTest, TheSheetCountsTheSelectedLeftoversAndTheApplication)
{
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    home.file(".cache/com.example.alpha/blob", 8'000);
    home.file(".config/com.example.alpha/d", 30'000);
    setSize(alpha, 100'000);
    make();
    loadAndSettle();
    open(alpha);
    ASSERT_EQ(apps->leftovers().size(), 2u);
    EXPECT_EQ(apps->uninstallItemCount(), 3);
    const qint64 all = apps->selectedLeftoverBytes();
    EXPECT_GT(all, 0);
    apps->toggleLeftover(apps->leftovers().front().id.toString(QUuid::WithoutBraces));
    EXPECT_EQ(apps->uninstallItemCount(), 2);
    EXPECT_LT(apps->selectedLeftoverBytes(), all);
    apps->toggleLeftover(QUuid::createUuid());
    EXPECT_EQ(apps->uninstallItemCount(), 2) << "an unknown id changed the selection";
    EXPECT_EQ(apps->selectedAppBytes(), 100'000);
    EXPECT_EQ(apps->formattedUninstallTotal(),
              Formatting::byteCount(100'000 + apps->selectedLeftoverBytes()));

    // Only the selected leftover moves with the program and its entry.
    const Path kept = apps->leftovers().front().url;
    uninstallAndSettle();
    EXPECT_TRUE(present(kept));
    EXPECT_EQ(apps->lastReport()->trashed.size(), 3u);
}

TEST_F(UninstallFlowTest, AProgramOfAnotherUserGetsTheAdministratorSentenceAndNothingMoves)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to give the program away";
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    const fs::path cache = home.file(".cache/com.example.alpha/blob", 5'000).parent_path();
    home.chown(programOf(alpha));
    make();
    loadAndSettle();
    open(alpha);
    EXPECT_TRUE(apps->selectedAppNeedsAdmin());
    apps->confirmUninstall();
    drain();
    EXPECT_FALSE(apps->hasSelectedApp());
    EXPECT_EQ(apps->uninstallFailureText(),
              kLeft +
                  QStringLiteral("Alpha\u201d is owned by the system or its package manager, so Quillmere "
                                 "can't move it to the Trash without administrator rights. Show it in your "
                                 "file manager and remove it there, or uninstall it with your package "
                                 "manager \u2014 the system will ask for your password."));
    EXPECT_EQ(apps->pendingRevealURL(), Path(programOf(alpha)));
    EXPECT_TRUE(present(alpha));
    EXPECT_TRUE(present(programOf(alpha)));
    EXPECT_TRUE(present(cache));
    EXPECT_FALSE(apps->lastReport());
    EXPECT_EQ(apps->uninstallCompletions(), 0);
}

// The entry starts ~/.local/bin/real, a link to the program in ~/Programs. Moving the link would leave
// the application installed and take its data: the uninstall is refused whole, whoever owns the link,
// and nothing moves.
TEST_F(UninstallFlowTest, AnApplicationWhoseProgramIsALinkIsRefusedWholeAndNothingMoves)
{
    const fs::path real = home.file("Programs/Real/real", 20'000);
    const fs::path link = home.symlink(real, ".local/bin/real");
    const fs::path entry = home.fileWithContent(".local/share/applications/com.example.real.desktop",
                                                "[Desktop Entry]\nType=Application\nName=Real\nExec=" +
                                                    QByteArray::fromStdString(link.native()) + "\n");
    const fs::path cache = home.file(".cache/com.example.real/blob", 5'000).parent_path();
    struct Row
    {
        const char* owner;
        bool anotherUser;
    };
    for (const Row row : {Row{"the user's own link", false}, Row{"another user's link", true}}) {
        SCOPED_TRACE(row.owner);
        if (row.anotherUser) {
            if (::getuid() != 0)
                continue; // needs root to give the link away
            home.chown(link);
        }
        make();
        loadAndSettle();
        ASSERT_EQ(apps->apps().size(), 1u);
        open(entry);
        EXPECT_EQ(leftoverNames(), std::vector<std::string>{"com.example.real"});
        uninstallAndSettle();
        drain();
        EXPECT_FALSE(apps->hasSelectedApp());
        EXPECT_EQ(apps->uninstallFailureText(),
                  kLeft + QStringLiteral("Real\u201d couldn't be moved to the Trash.\nReal: ") +
                      AppScanner::linkedBundleRefusal());
        EXPECT_EQ(apps->pendingRevealURL(), Path(link)) << "the program as the entry names it";
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_TRUE(present(real));
        EXPECT_TRUE(present(entry));
        EXPECT_TRUE(present(cache));
        EXPECT_TRUE(!present(trashFiles()) || fs::is_empty(trashFiles())) << "nothing went to the Trash";
        EXPECT_FALSE(apps->lastReport());
        EXPECT_EQ(apps->uninstallCompletions(), 0);
        EXPECT_TRUE(listed(entry)) << "still listed";
        EXPECT_EQ(adminCalls.load(), 0);
    }
}

TEST_F(UninstallFlowTest, AnAppImageListedThroughALinkIsRefusedWholeAndNothingMoves)
{
    const fs::path real = home.file("Downloads/Viewer.AppImage", 20'000);
    const fs::path link = home.symlink(real, "Applications/Viewer.AppImage");
    const fs::path config = home.file(".config/viewer/settings", 3'000).parent_path();
    make();
    loadAndSettle();
    ASSERT_TRUE(listed(link));
    open(link);
    EXPECT_EQ(leftoverNames(), std::vector<std::string>{"viewer"});
    uninstallAndSettle();
    drain();
    EXPECT_EQ(apps->uninstallFailureText(),
              kLeft + QStringLiteral("Viewer\u201d couldn't be moved to the Trash.\nViewer: ") +
                  AppScanner::linkedBundleRefusal());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(present(real));
    EXPECT_TRUE(present(config)) << "an application that stays installed keeps its data";
    EXPECT_TRUE(!present(trashFiles()) || fs::is_empty(trashFiles())) << "nothing went to the Trash";
    EXPECT_FALSE(apps->lastReport());
    EXPECT_TRUE(listed(link)) << "still listed";
}

TEST_F(UninstallFlowTest, ALeftoverThatStaysIsWordedAndItsDetailsMatchItsLines)
{
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    const fs::path cache = home.file(".cache/com.example.alpha/blob", 5'000).parent_path();
    const fs::path support = home.file(".config/com.example.alpha/d", 5'000).parent_path();
    make();
    loadAndSettle();
    open(alpha);
    fs::remove_all(cache); // gone between the search and the move
    uninstallAndSettle();
    EXPECT_FALSE(present(support));
    ASSERT_TRUE(apps->lastReport());
    const CleanReport& report = *apps->lastReport();
    ASSERT_EQ(report.failures.size(), 1u);
    ASSERT_EQ(report.failureDetails.size(), report.failures.size()) << "details dropped on merging";
    EXPECT_EQ(report.failureDetails.front().url, Path(cache));
    EXPECT_TRUE(report.failures.front().startsWith(QStringLiteral("com.example.alpha: ")));
    EXPECT_EQ(apps->uninstallFailureText(),
              kLeft + QStringLiteral("Alpha") + kRight +
                  QStringLiteral(" was removed, but 1 item couldn\u2019t be trashed:\n") +
                  report.failures.front());
    EXPECT_EQ(apps->uninstallCompletions(), 1);
    EXPECT_FALSE(apps->failureNeedsFullDiskAccess());
}

// The sentences of an undo that could not bring everything back.
TEST_F(UninstallFlowTest, UndoWordsOnlyTheItemsThatCouldNotComeBack)
{
    struct Row
    {
        const char* name;
        int leftovers;    // leftovers uninstalled beside the program and its entry
        int deleted;      // trashed items deleted from the Trash before the undo (from the first)
        bool retake;      // the last item's place is taken again before the undo
        const char* text; // the sentence, or empty for none
    };
    const Row rows[] = {
        {"2 of 2", 0, 2, false,
         "2 of 2 items couldn't be restored from the Trash \u2014 it may have been permanently deleted."},
        {"2 of 4", 2, 2, false,
         "2 of 4 items couldn't be restored from the Trash \u2014 it may have been permanently deleted."},
        {"skipped fill the gap", 2, 0, true, ""},
        {"all back", 2, 0, false, ""},
    };
    make();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(trashFiles().parent_path());
        const fs::path app = homeApp("Alpha", "Alpha", "com.example.alpha");
        if (row.leftovers > 0)
            home.file(".cache/com.example.alpha/blob", 5'000);
        if (row.leftovers > 1)
            home.file(".config/com.example.alpha/d", 5'000);
        apps->setUninstallFailure(std::nullopt);
        loadAndSettle();
        open(app);
        uninstallAndSettle();
        ASSERT_TRUE(apps->lastReport());
        const std::vector<TrashedItem> trashed = apps->lastReport()->trashed;
        ASSERT_EQ(int(trashed.size()), 2 + row.leftovers);
        for (int i = 0; i < row.deleted; ++i)
            fs::remove_all(trashed[std::size_t(i)].inTrash);
        if (row.retake)
            home.folder(trashed.back().original);
        undoAndSettle();
        EXPECT_EQ(apps->uninstallFailureText(), QString::fromUtf8(row.text));
        for (const TrashedItem& item : trashed)
            fs::remove_all(item.original);
    }
}

TEST_F(UninstallFlowTest, AnUndoHeldInTheTrashKeepsEveryEmptyingOut)
{
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    const fs::path other = home.file(".cache/unrelated.bin", 4'000);
    make();
    loadAndSettle();
    open(alpha);
    uninstallAndSettle();
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() > 0; }));

    trashGate->arm(FsStep::Move);
    apps->undoLast();
    ASSERT_TRUE(settle([&] { return trashGate->holding(); }));
    EXPECT_TRUE(apps->restoring());
    EXPECT_TRUE(tracker.anyRestoring());
    EXPECT_TRUE(cleanup->anyRestoring());
    cleanup->requestEmptyTrash();
    spin(); // never drain: the held job would never end
    EXPECT_FALSE(cleanup->showEmptyConfirm()) << "offered to empty what an undo moves back";
    cleanup->confirmEmptyTrash();
    EXPECT_FALSE(cleanup->emptyingTrash());

    trashGate->release();
    ASSERT_TRUE(settle([&] { return !apps->restoring(); }));
    EXPECT_FALSE(tracker.anyRestoring());
    EXPECT_TRUE(present(alpha));

    // Likewise while Cleanup's own undo runs.
    cleanup->scan(false);
    ASSERT_TRUE(settle([&] { return cleanup->phase() == CleanupViewModel::Phase::results; }));
    cleanup->confirmClean();
    ASSERT_TRUE(settle([&] { return cleanup->phase() == CleanupViewModel::Phase::results; }));
    ASSERT_FALSE(present(other)) << "the fixture's cache was not cleaned";
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() > 0; }));
    cleanupTrashGate->arm(FsStep::Move);
    cleanup->undoLast();
    ASSERT_TRUE(settle([&] { return cleanupTrashGate->holding(); }));
    EXPECT_TRUE(tracker.anyRestoring());
    EXPECT_FALSE(apps->restoring());
    cleanup->requestEmptyTrash();
    spin();
    EXPECT_FALSE(cleanup->showEmptyConfirm());
    cleanupTrashGate->release();
    ASSERT_TRUE(settle([&] { return !cleanup->restoring(); }));
    EXPECT_FALSE(tracker.anyRestoring());
    EXPECT_TRUE(present(other));
}

TEST_F(UninstallFlowTest, NoUndoStartsWhileTheTrashIsEmptied)
{
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    make();
    loadAndSettle();
    open(alpha);
    uninstallAndSettle();
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() > 0; }));

    emptyGate->arm(FsStep::Remove);
    cleanup->confirmEmptyTrash();
    ASSERT_TRUE(settle([&] { return emptyGate->holding(); }));
    EXPECT_TRUE(tracker.emptyingTrash());
    apps->undoLast();
    EXPECT_FALSE(apps->restoring());
    EXPECT_TRUE(apps->lastReport()) << "the undo offer went while the Trash was emptied";

    emptyGate->release();
    ASSERT_TRUE(settle([&] { return !cleanup->emptyingTrash(); }));
    EXPECT_FALSE(tracker.emptyingTrash());
    apps->undoLast();
    EXPECT_TRUE(apps->restoring());
    EXPECT_FALSE(apps->lastReport());
    ASSERT_TRUE(settle([&] { return !apps->restoring(); }));
    // The program and its entry were deleted for good meanwhile: said so.
    EXPECT_EQ(
        apps->uninstallFailureText(),
        QStringLiteral("2 of 2 items couldn't be restored from the Trash \u2014 it may have been permanently "
                       "deleted."));
}

TEST_F(UninstallFlowTest, AnUnownedFolderUnderOptTakesTheAdministratorRoadWhole)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to give the folder away";
    const fs::path folder = system.folder("opt/viewer");
    system.file("opt/viewer/bin/viewer", 20'000);
    system.chown(folder);
    const fs::path entry = system.fileWithContent(
        "usr/share/applications/viewer.desktop",
        "[Desktop Entry]\nType=Application\nName=Viewer\nExec=/opt/viewer/bin/viewer %f\n");
    make();
    loadAndSettle();
    ASSERT_TRUE(listed(entry));
    EXPECT_EQ(listed(entry)->origin, AppOrigin::administrator);
    open(entry);
    EXPECT_TRUE(apps->selectedAppNeedsAdmin());
    apps->confirmAdminUninstall();
    ASSERT_TRUE(settle([&] { return apps->inFlightActionIDs().empty(); }));
    const std::lock_guard lock(sizeMutex);
    EXPECT_EQ(adminMoved, std::vector<Path>{Path(folder)}) << "the folder under /opt, not the entry";
}

TEST_F(UninstallFlowTest, TheAdministratorRoadSucceedsFailsOrIsCancelled)
{
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    const fs::path beta = homeApp("Beta", "Beta", "com.example.beta");
    const fs::path cache = home.file(".cache/com.example.alpha/blob", 5'000).parent_path();
    make();
    loadAndSettle();

    // Cancelled at the password prompt: the sheet stays with its selection, nothing is said.
    adminAnswer = AdminResult::cancelled();
    open(alpha);
    apps->toggleLeftover(apps->leftovers().front().id);
    const auto leftovers = apps->leftovers();
    apps->confirmAdminUninstall();
    EXPECT_TRUE(apps->adminUninstalling());
    ASSERT_TRUE(settle([&] { return !apps->adminUninstalling(); }));
    EXPECT_EQ(apps->selectedApp(), listed(alpha));
    EXPECT_EQ(apps->leftovers(), leftovers);
    EXPECT_FALSE(apps->uninstallFailure());
    EXPECT_TRUE(apps->inFlightActionIDs().empty());

    // Failed: the sheet closes and the message is shown.
    adminAnswer = AdminResult::failed(QStringLiteral("Refused"));
    apps->confirmAdminUninstall();
    ASSERT_TRUE(settle([&] { return apps->inFlightActionIDs().empty(); }));
    EXPECT_FALSE(apps->hasSelectedApp());
    EXPECT_EQ(apps->uninstallFailureText(),
              QStringLiteral(
                  "Couldn't uninstall \u201cAlpha\u201d: Refused\nShow it in your file manager and remove it "
                  "there instead."));
    EXPECT_EQ(apps->pendingRevealURL(), Path(alpha));
    EXPECT_TRUE(listed(alpha));

    // Succeeded: the row goes, the leftovers follow, and Open Trash shows the folder it went to.
    const fs::path volumeTrash = system.folder("volume/.Trash-0/files");
    adminAnswer = AdminResult::success(volumeTrash);
    apps->setUninstallFailure(std::nullopt);
    open(alpha);
    apps->confirmAdminUninstall();
    ASSERT_TRUE(settle([&] { return apps->inFlightActionIDs().empty(); }));
    EXPECT_FALSE(listed(alpha));
    EXPECT_FALSE(present(cache));
    EXPECT_FALSE(apps->hasSelectedApp());
    EXPECT_EQ(apps->lastAdminUninstallName(), QStringLiteral("Alpha"));
    EXPECT_EQ(apps->uninstallCompletions(), 1);
    EXPECT_FALSE(apps->lastReport()) << "nothing of it is undone here";
    EXPECT_FALSE(apps->uninstallFailure());
    apps->openTrash();
    ASSERT_FALSE(workspace->opened().empty());
    EXPECT_EQ(workspace->opened().back(), Workspace::fileUrl(volumeTrash));

    // Succeeded after another sheet was opened: the row goes, the other sheet stays, no name, no count.
    adminAnswer = AdminResult::success(trashFiles());
    open(beta);
    adminGate.arm(FsStep::Move);
    apps->confirmAdminUninstall();
    ASSERT_TRUE(settle([&] { return adminGate.holding(); }));
    const fs::path gamma = homeApp("Gamma", "Gamma", "com.example.gamma");
    InstalledApp other;
    other.url = gamma;
    other.name = QStringLiteral("Gamma");
    apps->openUninstaller(other);
    adminGate.release();
    ASSERT_TRUE(settle([&] { return apps->inFlightActionIDs().empty(); }));
    EXPECT_FALSE(listed(beta));
    EXPECT_EQ(apps->selectedApp()->name, QStringLiteral("Gamma"));
    EXPECT_EQ(apps->lastAdminUninstallName(), QStringLiteral("Alpha")) << "the earlier name stays";
    EXPECT_EQ(apps->uninstallCompletions(), 1);
    apps->openTrash();
    EXPECT_EQ(workspace->opened().back(), Workspace::fileUrl(volumeTrash))
        << "the folder stays with its name";

    // A normal uninstall drops the administrator name, and with it its folder.
    const fs::path delta = homeApp("Delta", "Delta", "com.example.delta");
    apps->dismissUninstaller();
    loadAndSettle();
    open(delta);
    uninstallAndSettle();
    EXPECT_FALSE(apps->lastAdminUninstallName());
    apps->openTrash();
    EXPECT_EQ(workspace->opened().back(), Workspace::fileUrl(trashFiles()));
}

// Quit-first: the fake desktop reports the application running until the test says otherwise.
class QuitFirstTest : public UninstallFlowTest
{
protected:
    void SetUp() override
    {
        alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
        make();
        loadAndSettle();
        workspace->setRunning({RunningApplication{4242, Path("/other/place/alpha"), {}}});
        open(alpha);
        ASSERT_TRUE(apps->selectedAppIsRunning());
    }

    fs::path alpha;
};

TEST_F(QuitFirstTest, GoneAfterThreePollsLeadsBackToTheConfirmation)
{
    for (const bool needsAdmin : {false, true}) {
        SCOPED_TRACE(needsAdmin);
        apps->setShowConfirm(false);
        apps->setShowAdminConfirm(false);
        workspace->setRunning({RunningApplication{4242, Path("/other/place/alpha"), {}}});
        const std::size_t asked = workspace->terminated().size();
        apps->quitAndUninstall(needsAdmin);
        EXPECT_EQ(workspace->terminated().size(), asked + 1) << "asked by its program";
        EXPECT_TRUE(apps->quittingApp());
        clock.advance(250ms);
        clock.advance(250ms);
        EXPECT_TRUE(apps->quittingApp());
        workspace->setRunning({});
        clock.advance(249ms);
        EXPECT_TRUE(apps->quittingApp());
        clock.advance(1ms);
        EXPECT_FALSE(apps->quittingApp());
        EXPECT_FALSE(apps->selectedAppIsRunning());
        EXPECT_EQ(apps->showConfirm(), !needsAdmin);
        EXPECT_EQ(apps->showAdminConfirm(), needsAdmin);
        EXPECT_FALSE(apps->quitRefusedMessage());
    }
}

TEST_F(QuitFirstTest, AnOpenSheetFollowsTheApplicationStartingAndStopping)
{
    const RunningApplication running{4242, Path("/other/place/alpha"), {}};
    workspace->setRunning({});
    clock.advance(1000ms);
    EXPECT_FALSE(apps->selectedAppIsRunning());
    workspace->setRunning({running});
    clock.advance(1000ms);
    EXPECT_TRUE(apps->selectedAppIsRunning());

    apps->dismissUninstaller();
    const int reads = workspace->runningReads();
    clock.advance(5000ms);
    EXPECT_EQ(workspace->runningReads(), reads) << "polled with no sheet open";
}

TEST_F(QuitFirstTest, OneThatNeverQuitsIsRefusedAtTenSeconds)
{
    apps->quitAndUninstall(false);
    clock.advance(9'750ms);
    EXPECT_TRUE(apps->quittingApp());
    EXPECT_FALSE(apps->quitRefusedMessage());
    clock.advance(250ms);
    EXPECT_FALSE(apps->quittingApp());
    EXPECT_EQ(apps->quitRefusedMessageText(),
              QStringLiteral("Alpha didn't quit, so nothing was removed. If it asked to save changes, finish "
                             "that, then try again."));
    EXPECT_FALSE(apps->showConfirm());
    EXPECT_TRUE(present(alpha));
    apps->dismissUninstaller(); // the sheet's own watcher goes with it
    EXPECT_EQ(clock.activeTimerCount(), 0) << "a poll stayed armed";
}

TEST_F(QuitFirstTest, ClosingTheSheetMeanwhileShowsNothing)
{
    apps->quitAndUninstall(false);
    apps->quitAndUninstall(false); // a second request while waiting is ignored
    EXPECT_EQ(workspace->terminated().size(), 1u);
    clock.advance(500ms);
    apps->dismissUninstaller();
    workspace->setRunning({});
    clock.advance(10'000ms);
    EXPECT_FALSE(apps->quittingApp());
    EXPECT_FALSE(apps->showConfirm());
    EXPECT_FALSE(apps->quitRefusedMessage());
    EXPECT_FALSE(apps->hasSelectedApp());
}

// With the privileges of "nobody", whose home this is.
class UninstallAsUserTest : public UninstallFlowTest
{
protected:
    void SetUp() override
    {
        QM_SKIP_UNLESS_PRIVILEGE_DROP();
        for (const fs::path& folder :
             {home.home(), home.path(".cache"), home.dataHome().parent_path(), home.dataHome()})
            home.chown(home.folder(folder));
    }
};

TEST_F(UninstallAsUserTest, AProgramInAFolderItCannotWriteStaysAndOneInItsOwnMoves)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    // Both programs and entries are the user's; only Own's folder is too (Locked's stays root's).
    const fs::path locked = homeApp("Locked", "Locked", "com.example.locked");
    const fs::path own = homeApp("Own", "Own", "com.example.own");
    home.chown(home.path(".local/share/applications"));
    for (const fs::path& entry : {locked, own}) {
        home.chown(entry);
        home.chown(programOf(entry));
    }
    home.chown(programOf(own).parent_path());
    make();
    test::DroppedPrivileges dropped;
    loadAndSettle();

    open(locked);
    EXPECT_FALSE(apps->selectedAppNeedsAdmin()) << "the program is the user's own";
    uninstallAndSettle();
    EXPECT_TRUE(present(programOf(locked)));
    EXPECT_TRUE(listed(locked));
    const QString text = apps->uninstallFailureText();
    const QString lead = kLeft + QStringLiteral("Locked\u201d couldn't be moved to the Trash.\n");
    EXPECT_TRUE(text.startsWith(lead)) << text.toStdString();
    EXPECT_TRUE(text.mid(lead.size()).startsWith(QStringLiteral("Locked: "))) << "its failure line follows";
    EXPECT_EQ(apps->pendingRevealURL(), Path(programOf(locked)));
    EXPECT_FALSE(apps->lastReport());
    EXPECT_EQ(apps->uninstallCompletions(), 0);

    open(own);
    uninstallAndSettle();
    EXPECT_FALSE(present(own));
    EXPECT_FALSE(present(programOf(own)));
    EXPECT_EQ(apps->uninstallCompletions(), 1);
}

TEST_F(UninstallAsUserTest, ALeftoverInAProtectedFolderIsPointedAtAndItsNeighbourMoves)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const fs::path alpha = homeApp("Alpha", "Alpha", "com.example.alpha");
    home.chown(home.path(".local/share/applications"));
    home.chown(alpha);
    home.chown(programOf(alpha).parent_path());
    home.chown(programOf(alpha));
    // The config home stays root's (0755): what lies in it cannot be moved out.
    const fs::path denied = home.folder(".config/com.example.alpha");
    home.chown(denied);
    const fs::path neighbour = home.folder(".cache/com.example.alpha");
    home.file(neighbour / "blob", 3'000);
    home.chown(neighbour);
    home.chown(neighbour / "blob");
    // A third leftover goes missing before the move: a failure, but no denial.
    const fs::path missing = home.folder(".local/state/com.example.alpha");
    home.chown(missing.parent_path());
    access = false;
    make();
    test::DroppedPrivileges dropped;
    loadAndSettle();
    open(alpha);
    ASSERT_EQ(apps->leftovers().size(), 3u);
    fs::remove(missing);
    uninstallAndSettle();

    EXPECT_FALSE(present(alpha));
    EXPECT_FALSE(present(programOf(alpha)));
    EXPECT_FALSE(present(neighbour));
    EXPECT_TRUE(present(denied));
    EXPECT_EQ(apps->pendingRevealURL(), Path(denied));
    EXPECT_TRUE(apps->failureNeedsFullDiskAccess());
    EXPECT_EQ(
        apps->uninstallFailureText(),
        kLeft + QStringLiteral("Alpha\u201d was removed, but 2 items couldn\u2019t be trashed automatically: "
                               "com.example.alpha. It lives in a protected location (the app\u2019s Flatpak "
                               "data folder). Show it in your file manager and move it to the Trash there to "
                               "finish removing it. Quillmere can only remove what your user may change: "
                               "fixing that folder's permissions lets it remove items like this for you next "
                               "time."));
    ASSERT_TRUE(apps->lastReport());
    EXPECT_EQ(apps->lastReport()->trashed.size(), 3u) << "the program, its entry and the neighbour";
    EXPECT_EQ(apps->lastReport()->failures.size(), 2u);
    EXPECT_EQ(apps->lastReport()->failureDetails.size(), 2u);
    EXPECT_EQ(apps->lastReport()->permissionDenied().size(), 1u);
}

} // namespace
} // namespace qm

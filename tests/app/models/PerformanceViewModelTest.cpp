#include "app/models/PerformanceViewModel.h"

#include "app/models/CleanupViewModel.h"
#include "app/models/RestoreTracker.h"
#include "core/cleaning/MountTable.h"
#include "support/EntryIdentity.h"
#include "support/EventLoopWait.h"
#include "support/FakeAppLocator.h"
#include "support/FakeClock.h"
#include "support/FakeHostStatistics.h"
#include "support/FakePowerSources.h"
#include "support/FakeWorkspace.h"
#include "support/FixtureHome.h"
#include "support/PrivilegeDrop.h"
#include "support/StepGate.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <utility>

namespace qm {
namespace {

using test::drain;
using test::present;
using test::settle;
using test::spin;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::vector<QString> labelsOf(const std::vector<LaunchAgent>& jobs)
{
    std::vector<QString> labels;
    for (const LaunchAgent& job : jobs)
        labels.push_back(job.label);
    return labels;
}

std::vector<Path::string_type> pathsOf(const std::vector<LaunchAgent>& jobs)
{
    std::vector<Path::string_type> paths;
    for (const LaunchAgent& job : jobs)
        paths.push_back(job.url.native());
    return paths;
}

// An autostart entry shown as `name` (empty: the file's name stands for it) that runs a program.
QByteArray entry(const QByteArray& name)
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=/usr/bin/true\n";
}

// A unit file whose service runs a program.
const QByteArray kUnit = "[Service]\nExecStart=/usr/bin/true\n";

const QString kLeft = QStringLiteral("\u201c");
const QString kRight = QStringLiteral("\u201d");

// The Performance model over a fixture home and system root with the real scanner, cleaner and
// Trash, fake statistics sources and a fake clock; the Cleanup model beside it shares the restore
// tracker. The scanner's listing, the Trash mover and the Trash emptier pass through gates.
class PerformanceViewModelTest : public ::testing::Test
{
protected:
    PerformanceViewModelTest()
    {
        // A held job must never keep the next one from running.
        test::widenPool();
    }

    ~PerformanceViewModelTest() override
    {
        scanGate->release();
        laterScanGate->release();
        trashGate->release();
        emptyGate->release();
        model.reset();
        cleanup.reset();
        drain();
    }

    // The model over this system's launch folders of `places` (default: the fixture home's, with the
    // system root in `system`).
    void make(PerformanceViewModel::CleanFunction clean = {}, PerformanceViewModel::UndoFunction undo = {},
              std::optional<Places> places = std::nullopt)
    {
        PerformanceViewModel::Services services{clock};
        services.places = places ? *places : home.places(system.root());
        services.home = services.places->home();
        services.systemRoot = services.places->systemRoot();
        services.scanFileSystem = FileSystem([this](FsStep step, const Path&) {
            if (step == FsStep::List)
                ++listings;
            scanGate->pass(step);
            laterScanGate->pass(step);
        });
        services.trash =
            Trash(FileSystem([gate = trashGate](FsStep step, const Path&) { gate->pass(step); }));
        services.clean = std::move(clean);
        services.undo = std::move(undo);
        services.host = &host;
        services.powerSources = &power;
        services.volume = [](const Path&) { return MacHealth{40'000, 100'000, 60'000}; };
        services.restoreTracker = &tracker;
        model = std::make_unique<PerformanceViewModel>(std::move(services));

        CleanupViewModel::Services cleanupServices{
            clock,
            CleanupScanner(FileSystem(), home.home(), system.root(),
                           std::make_shared<test::FakeAppLocator>()),
            // Only the fixture's home trash, never the machine's volumes.
            TrashBin(std::nullopt,
                     FileSystem([gate = emptyGate](FsStep step, const Path&) { gate->pass(step); }),
                     [] { return MountTable(); }),
            Trash(),
            [] { return true; },
            std::make_shared<test::FakeWorkspace>(),
        };
        cleanupServices.restoreTracker = &tracker;
        cleanup = std::make_unique<CleanupViewModel>(std::move(cleanupServices));
    }

    // The user's autostart entries and the system's.
    fs::path userDir() const { return home.configHome() / "autostart"; }
    fs::path agentsDir() const { return system.path("etc/xdg/autostart"); }

    // A system service `name` enabled for the system: its unit file, linked from a "*.wants" folder.
    fs::path systemUnit(const std::string& name)
    {
        const fs::path unit = system.fileWithContent("usr/lib/systemd/system/" + name, kUnit);
        system.symlink(unit, "etc/systemd/system/multi-user.target.wants/" + name);
        return unit;
    }

    // Three login items, a system agent and a system daemon.
    void buildJobs()
    {
        alpha = home.fileWithContent(userDir() / "com.example.alpha.desktop", entry("com.example.alpha"));
        beta = home.fileWithContent(userDir() / "com.example.beta.desktop", entry("com.example.beta"));
        gamma = home.fileWithContent(userDir() / "com.example.gamma.desktop", entry("com.example.gamma"));
        system.fileWithContent(agentsDir() / "com.example.sysagent.desktop", entry("com.example.sysagent"));
        systemUnit("com.example.daemon.service");
    }

    void loadAndSettle()
    {
        model->load();
        ASSERT_TRUE(settle([&] { return !model->loading(); })) << "the scan never ended";
    }

    const LaunchAgent& job(const QString& label) const
    {
        for (const LaunchAgent& candidate : model->agents()) {
            if (candidate.label == label)
                return candidate;
        }
        static const LaunchAgent none;
        ADD_FAILURE() << "no job " << label.toStdString();
        return none;
    }

    void disable(const LaunchAgent& target)
    {
        model->setPendingRemoval(target);
        model->confirmDisable();
    }

    void disableAndSettle(const LaunchAgent& target)
    {
        disable(target);
        ASSERT_TRUE(model->disableInFlight());
        ASSERT_TRUE(settle([&] { return !model->disableInFlight(); })) << "the disable never ended";
    }

    void undoAndSettle()
    {
        const int before = model->generation();
        model->undoLast();
        ASSERT_TRUE(settle([&] {
            return !model->restoring() && model->generation() > before && !model->loading();
        })) << "the undo and its rescan never ended";
    }

    test::FixtureHome home;
    test::TempTree system;
    test::FakeClock clock;
    test::FakeHostStatistics host;
    test::FakePowerSources power;
    RestoreTracker tracker;
    std::shared_ptr<test::StepGate> scanGate = std::make_shared<test::StepGate>();
    std::shared_ptr<test::StepGate> laterScanGate = std::make_shared<test::StepGate>();
    std::shared_ptr<test::StepGate> trashGate = std::make_shared<test::StepGate>();
    std::shared_ptr<test::StepGate> emptyGate = std::make_shared<test::StepGate>();
    std::atomic<int> listings{0};
    std::unique_ptr<PerformanceViewModel> model;
    std::unique_ptr<CleanupViewModel> cleanup;
    fs::path alpha, beta, gamma;
};

TEST_F(PerformanceViewModelTest, ListsLoginItemsApartFromSystemJobsAndLoadsOnlyWhenEmpty)
{
    buildJobs();
    make();
    EXPECT_TRUE(model->loading()) << "loading from creation until the first scan lands";
    EXPECT_EQ(model->generation(), 0);

    model->loadIfNeeded();
    EXPECT_EQ(model->generation(), 1);
    ASSERT_TRUE(settle([&] { return !model->loading(); }));
    EXPECT_EQ(labelsOf(model->userAgents()),
              (std::vector<QString>{"com.example.alpha", "com.example.beta", "com.example.gamma"}));
    EXPECT_EQ(labelsOf(model->systemAgents()),
              (std::vector<QString>{"com.example.daemon.service", "com.example.sysagent"}));
    EXPECT_EQ(model->systemAgents()[0].domain, LaunchDomain::systemDaemon);
    EXPECT_EQ(model->systemAgents()[1].domain, LaunchDomain::systemAgent);
    EXPECT_TRUE(model->unreadableDomains().empty());
    EXPECT_EQ(model->userAgentList().size(), 3);
    EXPECT_EQ(model->systemAgentList().size(), 2);

    // Jobs are listed: nothing starts.
    model->loadIfNeeded();
    EXPECT_EQ(model->generation(), 1);
    EXPECT_FALSE(model->loading());
}

TEST_F(PerformanceViewModelTest, ANewerScanWinsAndLoadingHoldsUntilItLands)
{
    buildJobs();
    make();
    // The first scan is held before it lists anything, the second as well.
    scanGate->arm(FsStep::List);
    model->loadIfNeeded();
    ASSERT_TRUE(settle([&] { return scanGate->holding(); }));
    laterScanGate->arm(FsStep::List);
    model->loadIfNeeded(); // nothing listed yet: a second scan starts
    EXPECT_EQ(model->generation(), 2);
    ASSERT_TRUE(settle([&] { return laterScanGate->holding(); }));

    // The first scan ends (six listings: five launch folders and one "*.wants" folder) and is dropped.
    scanGate->release();
    ASSERT_TRUE(settle([&] { return listings.load() >= 7; }));
    spin();
    EXPECT_TRUE(model->loading()) << "a superseded scan ended the loading";
    EXPECT_TRUE(model->agents().empty()) << "a superseded scan's result landed";

    // What the newer scan finds is what lands.
    fs::remove(beta);
    laterScanGate->release();
    ASSERT_TRUE(settle([&] { return !model->loading(); }));
    EXPECT_EQ(labelsOf(model->userAgents()),
              (std::vector<QString>{"com.example.alpha", "com.example.gamma"}));
}

TEST_F(PerformanceViewModelTest, ADisableTrashesTheEntryAndDropsItsRowsOnly)
{
    buildJobs();
    make();
    loadAndSettle();
    const int generation = model->generation();

    // Nothing pending: nothing happens.
    model->confirmDisable();
    EXPECT_FALSE(model->disableInFlight());
    EXPECT_FALSE(model->disableFailure());

    disableAndSettle(job("com.example.beta"));
    EXPECT_FALSE(present(beta)) << "the entry is still in its folder";
    ASSERT_TRUE(model->lastReport());
    ASSERT_EQ(model->lastReport()->trashed.size(), 1u);
    const fs::path inTrash = model->lastReport()->trashed[0].inTrash;
    EXPECT_EQ(inTrash.parent_path(), home.dataHome() / "Trash/files");
    EXPECT_TRUE(present(inTrash));
    EXPECT_EQ(model->lastDisabledName(), QStringLiteral("com.example.beta"));
    EXPECT_TRUE(model->hasUndoOffer());
    EXPECT_FALSE(model->disableFailure());
    EXPECT_EQ(labelsOf(model->userAgents()),
              (std::vector<QString>{"com.example.alpha", "com.example.gamma"}));
    EXPECT_EQ(model->systemAgents().size(), 2u);
    EXPECT_EQ(model->generation(), generation) << "a disable does not rescan";
}

TEST_F(PerformanceViewModelTest, RowsOfOneFileGoTogetherAndNamesThatReadAlikeStayApart)
{
    // With the config home at <home>/etc and the home as system root, the user's unit folder is also
    // the folder of units enabled for every user: each unit is listed as a login item and as a system
    // agent, two rows of one file. The two units whose names read alike ("a\uFFFD.service") are two
    // files.
    const Places places =
        Places::resolve(home.home(), {{"XDG_CONFIG_HOME", home.path("etc").native()}}, home.home());
    const fs::path units = home.path("etc/systemd/user");
    const auto enabled = [&](const std::string& name) {
        const fs::path unit = home.fileWithContent(units / name, kUnit);
        return std::make_pair(unit, home.symlink("../" + name, units / "default.target.wants" / name));
    };
    const auto [raw, rawLink] = enabled("a\xff.service");
    const auto [replacement, replacementLink] = enabled("a\xEF\xBF\xBD.service");
    const auto [keep, keepLink] = enabled("com.example.keep.service");
    make({}, {}, places);
    loadAndSettle();
    ASSERT_EQ(model->agents().size(), 6u);

    LaunchAgent target;
    for (const LaunchAgent& candidate : model->userAgents()) {
        if (candidate.url.native() == raw.native())
            target = candidate;
    }
    ASSERT_EQ(target.url, raw);
    std::vector<Path::string_type> expected;
    for (const LaunchAgent& other : model->agents()) {
        if (other.url.native() != raw.native())
            expected.push_back(other.url.native());
    }
    disableAndSettle(target);
    EXPECT_FALSE(present(rawLink));
    EXPECT_TRUE(present(raw)) << "the unit file itself went";
    EXPECT_TRUE(present(replacementLink));
    EXPECT_TRUE(present(keepLink));
    EXPECT_EQ(pathsOf(model->agents()), expected) << "the other rows or their order changed";
    EXPECT_EQ(model->lastDisabledName(), QString::fromUtf8("a\xEF\xBF\xBD.service"));
}

TEST_F(PerformanceViewModelTest, ASecondDisableWhileOneRunsIsRefusedAndForgotten)
{
    buildJobs();
    make();
    loadAndSettle();
    trashGate->arm(FsStep::Move);
    disable(job("com.example.alpha"));
    ASSERT_TRUE(settle([&] { return trashGate->holding(); }));
    EXPECT_FALSE(model->pendingRemoval());
    EXPECT_TRUE(model->disableInFlight());

    disable(job("com.example.gamma"));
    EXPECT_EQ(model->disableFailure(),
              QStringLiteral("Quillmere is still disabling the previous item \u2014 try ") + kLeft +
                  QStringLiteral("com.example.gamma") + kRight + QStringLiteral(" again in a moment."));
    EXPECT_FALSE(model->pendingRemoval());
    EXPECT_TRUE(model->disableInFlight());

    trashGate->release();
    ASSERT_TRUE(settle([&] { return !model->disableInFlight(); }));
    EXPECT_EQ(model->lastDisabledName(), QStringLiteral("com.example.alpha"));
    EXPECT_FALSE(present(alpha));
    EXPECT_TRUE(present(gamma)) << "the refused request was queued";
    EXPECT_EQ(labelsOf(model->userAgents()), (std::vector<QString>{"com.example.beta", "com.example.gamma"}));
}

TEST_F(PerformanceViewModelTest, AListedFileSwappedForALinkOutsideIsRefusedAndTheEarlierUndoStays)
{
    buildJobs();
    make();
    loadAndSettle();
    disableAndSettle(job("com.example.alpha"));
    const CleanReport earlier = *model->lastReport();

    // After the scan, the listed file becomes a link to a file outside the folder.
    const fs::path outside = system.fileWithContent("elsewhere/victim.desktop", entry("victim"));
    fs::remove(gamma);
    home.symlink(outside, gamma);
    disableAndSettle(job("com.example.gamma"));
    EXPECT_EQ(model->disableFailure(), kLeft + QStringLiteral("com.example.gamma") + kRight +
                                           QStringLiteral(" couldn't be disabled.\nSkipped for safety: "
                                                          "com.example.gamma"));
    EXPECT_TRUE(present(gamma)) << "the link moved";
    EXPECT_TRUE(present(outside)) << "the file outside moved";
    ASSERT_TRUE(model->lastReport()) << "a failed disable withdrew the earlier undo offer";
    EXPECT_EQ(model->lastReport()->trashed[0].inTrash, earlier.trashed[0].inTrash);
    EXPECT_EQ(model->lastDisabledName(), QStringLiteral("com.example.alpha"));
    EXPECT_EQ(labelsOf(model->userAgents()), (std::vector<QString>{"com.example.beta", "com.example.gamma"}));
}

QByteArray contentOf(const fs::path& file)
{
    QFile f(QString::fromStdString(file.native()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Each kind of login item is disabled its own way and undone, as seen on disk, and nothing more: the
// user's entry goes to the Trash; a user unit loses its enable links to the Trash and keeps its file.
TEST_F(PerformanceViewModelTest, EachKindIsDisabledAndUndoneOnDisk)
{
    const fs::path config = home.configHome();
    const fs::path own = home.fileWithContent(config / "autostart/notes.desktop",
                                              "[Desktop Entry]\nName=Notes\nExec=/usr/bin/notes\n");
    const fs::path unitFile =
        home.fileWithContent(config / "systemd/user/sync.service", "[Service]\nExecStart=/usr/bin/sync\n");
    const fs::path firstLink =
        home.symlink(unitFile, config / "systemd/user/default.target.wants/sync.service");
    const fs::path secondLink =
        home.symlink("../sync.service", config / "systemd/user/graphical-session.target.wants/sync.service");
    make();
    loadAndSettle();
    ASSERT_EQ(labelsOf(model->userAgents()), (std::vector<QString>{"Notes", "sync.service"}));

    // The user's own entry: to the Trash and back.
    disableAndSettle(job("Notes"));
    EXPECT_FALSE(model->disableFailure());
    EXPECT_FALSE(present(own));
    undoAndSettle();
    EXPECT_TRUE(present(own));
    EXPECT_EQ(contentOf(own), "[Desktop Entry]\nName=Notes\nExec=/usr/bin/notes\n");

    // A user unit: both enable links to the Trash; the undo puts them back as they were.
    disableAndSettle(job("sync.service"));
    EXPECT_FALSE(model->disableFailure());
    EXPECT_FALSE(present(firstLink));
    EXPECT_FALSE(present(secondLink));
    EXPECT_TRUE(present(unitFile)) << "the unit file itself went";
    EXPECT_EQ(model->lastReport()->trashed.size(), 2u);
    EXPECT_EQ(labelsOf(model->userAgents()), (std::vector<QString>{"Notes"}));
    undoAndSettle();
    EXPECT_FALSE(model->disableFailure());
    EXPECT_EQ(fs::read_symlink(firstLink), unitFile);
    EXPECT_EQ(fs::read_symlink(secondLink), fs::path("../sync.service"));
    EXPECT_EQ(labelsOf(model->userAgents()), (std::vector<QString>{"Notes", "sync.service"}));
    EXPECT_EQ(model->userAgents()[1].enableLinks, (std::vector<Path>{firstLink, secondLink}));
}

// The system's autostart entries and units are listed only: none can be made pending, a job set
// pending anyway is dropped by the confirmation, and nothing is written for it.
TEST_F(PerformanceViewModelTest, SystemJobsAreListedOnlyAndNothingIsWrittenForThem)
{
    const fs::path systemEntry = system.fileWithContent("etc/xdg/autostart/print.desktop",
                                                        "[Desktop Entry]\nName=Print\nExec=/usr/bin/print\n");
    const fs::path allUsers =
        system.fileWithContent("usr/lib/systemd/user/tray.service", "[Service]\nExecStart=/usr/bin/tray\n");
    system.symlink(allUsers, "etc/systemd/user/default.target.wants/tray.service");
    const fs::path daemon = systemUnit("sshd.service");
    make();
    loadAndSettle();
    ASSERT_EQ(labelsOf(model->systemAgents()),
              (std::vector<QString>{"Print", "sshd.service", "tray.service"}));
    const std::vector<LaunchAgent> before = model->agents();

    for (const QString& label :
         {QStringLiteral("Print"), QStringLiteral("sshd.service"), QStringLiteral("tray.service")}) {
        SCOPED_TRACE(label.toStdString());
        const LaunchAgent target = job(label);
        EXPECT_FALSE(PerformanceViewModel::canDisable(target));
        model->setPendingRemovalId(PerformanceViewModel::rowId(target));
        EXPECT_FALSE(model->pendingRemoval()) << "a system job was offered for disabling";

        disable(target);
        EXPECT_FALSE(model->pendingRemoval());
        EXPECT_FALSE(model->disableInFlight());
        drain();
        EXPECT_FALSE(model->disableFailure());
        EXPECT_FALSE(model->hasUndoOffer());
        EXPECT_EQ(model->agents(), before);
    }
    EXPECT_FALSE(present(home.configHome() / "autostart")) << "an entry was written for a system job";
    EXPECT_EQ(contentOf(systemEntry), "[Desktop Entry]\nName=Print\nExec=/usr/bin/print\n");
    EXPECT_TRUE(present(system.path("etc/systemd/user/default.target.wants/tray.service")));
    EXPECT_TRUE(present(system.path("etc/systemd/system/multi-user.target.wants/sshd.service")));
    EXPECT_TRUE(present(daemon));
}

TEST_F(PerformanceViewModelTest, UndoRestoresTheFileAndRescans)
{
    buildJobs();
    make();
    loadAndSettle();
    disableAndSettle(job("com.example.alpha"));
    const int generation = model->generation();

    model->undoLast();
    EXPECT_FALSE(model->hasUndoOffer()) << "the offer stayed while the undo ran";
    EXPECT_EQ(model->lastDisabledName(), QStringLiteral("com.example.alpha"));
    ASSERT_TRUE(
        settle([&] { return !model->restoring() && model->generation() > generation && !model->loading(); }));
    EXPECT_EQ(model->generation(), generation + 1);
    EXPECT_TRUE(present(alpha));
    EXPECT_FALSE(model->disableFailure());
    EXPECT_EQ(labelsOf(model->userAgents()),
              (std::vector<QString>{"com.example.alpha", "com.example.beta", "com.example.gamma"}));

    // No offer: nothing happens.
    model->undoLast();
    EXPECT_FALSE(model->restoring());
    EXPECT_EQ(model->generation(), generation + 1);
}

TEST_F(PerformanceViewModelTest, AReplacedTrashCopyIsReportedAndAnOccupiedPlaceIsNot)
{
    buildJobs();
    make();
    loadAndSettle();

    // The copy in the Trash was replaced by another file of the same name: not put back.
    disableAndSettle(job("com.example.alpha"));
    const fs::path inTrash = model->lastReport()->trashed[0].inTrash;
    // Made beside it first, so it cannot get the freed inode number of the copy it replaces.
    fs::rename(home.fileWithContent(inTrash.string() + ".new", "someone else's file"), inTrash);
    undoAndSettle();
    EXPECT_EQ(
        model->disableFailure(),
        kLeft + QStringLiteral("com.example.alpha") + kRight +
            QStringLiteral(" couldn't be fully restored (1 of 1 item couldn't be put back). It may still be "
                           "disabled \u2014 check the login items list."));
    EXPECT_FALSE(present(alpha));
    EXPECT_EQ(labelsOf(model->userAgents()), (std::vector<QString>{"com.example.beta", "com.example.gamma"}));

    // Something took the file's place again: handled, said nothing, still rescanned.
    model->setDisableFailure(std::nullopt);
    disableAndSettle(job("com.example.beta"));
    home.fileWithContent(beta, entry("com.example.beta.new"));
    const int generation = model->generation();
    undoAndSettle();
    EXPECT_FALSE(model->disableFailure());
    EXPECT_EQ(model->generation(), generation + 1);
    EXPECT_EQ(labelsOf(model->userAgents()),
              (std::vector<QString>{"com.example.beta.new", "com.example.gamma"}));
}

TEST_F(PerformanceViewModelTest, AnUndoHeldInTheTrashKeepsTheEmptyingOut)
{
    buildJobs();
    make();
    loadAndSettle();
    disableAndSettle(job("com.example.alpha"));
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() > 0; }));

    trashGate->arm(FsStep::Move);
    model->undoLast();
    ASSERT_TRUE(settle([&] { return trashGate->holding(); }));
    EXPECT_TRUE(model->restoring());
    EXPECT_TRUE(model->anyRestoring());
    EXPECT_TRUE(cleanup->anyRestoring());
    cleanup->requestEmptyTrash();
    spin(); // never drain: the held job would never end
    EXPECT_FALSE(cleanup->showEmptyConfirm()) << "offered to empty what an undo moves back";
    cleanup->confirmEmptyTrash();
    EXPECT_FALSE(cleanup->emptyingTrash());

    trashGate->release();
    ASSERT_TRUE(settle([&] { return !model->restoring(); }));
    EXPECT_FALSE(tracker.anyRestoring());
    EXPECT_TRUE(present(alpha));
}

TEST_F(PerformanceViewModelTest, NoUndoStartsWhileTheTrashIsEmptied)
{
    buildJobs();
    make();
    loadAndSettle();
    disableAndSettle(job("com.example.alpha"));
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() > 0; }));

    emptyGate->arm(FsStep::Remove);
    cleanup->confirmEmptyTrash();
    ASSERT_TRUE(settle([&] { return emptyGate->holding(); }));
    ASSERT_TRUE(tracker.emptyingTrash());
    const int generation = model->generation();
    model->undoLast();
    EXPECT_FALSE(model->restoring());
    EXPECT_TRUE(model->hasUndoOffer()) << "the undo offer went while the Trash was emptied";
    EXPECT_EQ(model->generation(), generation);

    emptyGate->release();
    ASSERT_TRUE(settle([&] { return !cleanup->emptyingTrash(); }));
}

TEST_F(PerformanceViewModelTest, AnUnreadableLoginFolderIsReportedBesideTheSystemJobs)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    buildJobs();
    // Root's own, closed to everyone else.
    home.chmod(userDir(), 0700);
    make();
    {
        test::DroppedPrivileges dropped;
        loadAndSettle();
    }
    EXPECT_EQ(model->unreadableDomains(), (std::vector<LaunchDomain>{LaunchDomain::userAgent}));
    EXPECT_EQ(model->unreadableDomainList(), QStringList{QStringLiteral("Login items")});
    EXPECT_TRUE(model->userAgents().empty());
    EXPECT_EQ(labelsOf(model->systemAgents()),
              (std::vector<QString>{"com.example.daemon.service", "com.example.sysagent"}))
        << "the dropped process could not read the system folders either";
}

TEST_F(PerformanceViewModelTest, AnEmptyReportGivesThePermissionSentenceUnderTheFileName)
{
    home.fileWithContent(userDir() / "com.example.agent.desktop", entry(""));
    make([](const std::vector<ScanItem>&) { return CleanReport{}; });
    loadAndSettle();
    ASSERT_EQ(model->userAgents().size(), 1u);
    const LaunchAgent unlabelled = model->userAgents()[0];
    EXPECT_EQ(PerformanceViewModel::displayName(unlabelled), QStringLiteral("com.example.agent"));
    LaunchAgent withoutLabel = unlabelled;
    withoutLabel.label.clear();
    EXPECT_EQ(PerformanceViewModel::displayName(withoutLabel), QStringLiteral("com.example.agent"));

    disableAndSettle(unlabelled);
    EXPECT_EQ(model->disableFailure(),
              kLeft + QStringLiteral("com.example.agent") + kRight +
                  QStringLiteral(" couldn't be disabled.\nYou may not have permission to move its login item "
                                 "to the Trash."));
    EXPECT_FALSE(model->hasUndoOffer());
    EXPECT_EQ(model->userAgents().size(), 1u);

    // A label that looks like placeholders or markup is written as it is.
    home.fileWithContent(userDir() / "odd.desktop", entry("%1 <b>%2</b>"));
    loadAndSettle();
    disableAndSettle(job(QStringLiteral("%1 <b>%2</b>")));
    EXPECT_EQ(model->disableFailure(),
              kLeft + QStringLiteral("%1 <b>%2</b>") + kRight +
                  QStringLiteral(" couldn't be disabled.\nYou may not have permission to move its login item "
                                 "to the Trash."));
}

TEST_F(PerformanceViewModelTest, AnIncompleteUndoCountsWhatWasNotPutBack)
{
    struct Row
    {
        qint64 restored, skipped, total;
        const char* expected; // null: no sentence
    };
    const Row rows[] = {
        {0, 0, 1, "(1 of 1 item couldn't"},
        {0, 0, 2, "(2 of 2 items couldn't"},
        {1, 0, 2, "(1 of 2 items couldn't"},
        {2, 0, 1, "(0 of 1 item couldn't"},
        {0, 1, 1, nullptr},
        {1, 1, 2, nullptr},
    };
    alpha = home.fileWithContent(userDir() / "com.example.alpha.desktop", entry("com.example.alpha"));
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.restored << " restored, " << row.skipped << " skipped of " << row.total);
        make(
            [](const std::vector<ScanItem>& items) {
                CleanReport report;
                report.trashed.push_back(
                    TrashedItem{QUuid::createUuid(), items[0].url, "/nowhere/a", 0, {}, {}});
                report.trashed.push_back(
                    TrashedItem{QUuid::createUuid(), items[0].url, "/nowhere/b", 0, {}, {}});
                return report;
            },
            [row](const CleanReport&) {
                return UndoResult{row.restored, row.skipped, row.total};
            });
        loadAndSettle();
        disableAndSettle(job("com.example.alpha"));
        undoAndSettle();
        if (!row.expected) {
            EXPECT_FALSE(model->disableFailure());
            continue;
        }
        EXPECT_EQ(model->disableFailure(),
                  kLeft + QStringLiteral("com.example.alpha") + kRight +
                      QStringLiteral(" couldn't be fully restored ") + QString::fromUtf8(row.expected) +
                      QStringLiteral(" be put back). It may still be disabled \u2014 check "
                                     "the login items list."));
    }
}

TEST_F(PerformanceViewModelTest, StatisticsRefreshesChainTheirSamplesAndLeaveTheModelQuiet)
{
    host.ticks = HostCpuTicks{1'000, 9'000};
    host.physical = 8'000'000'000;
    host.used = 3'000'000'000;
    host.processors = 4;
    power.maps.powerSource = QVariantMap{{"Type", "InternalBattery"},
                                         {"Current Capacity", 80},
                                         {"Max Capacity", 100},
                                         {"Is Charging", false},
                                         {"Power Source State", "Battery Power"}};
    make();
    EXPECT_EQ(model->stats()->snapshot(), SystemSnapshot::empty());
    EXPECT_EQ(model->stats()->battery(), BatteryInfo::unavailable());

    std::vector<std::unique_ptr<QSignalSpy>> modelSignals;
    const QMetaObject* meta = model->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        if (meta->method(i).methodType() == QMetaMethod::Signal)
            modelSignals.push_back(std::make_unique<QSignalSpy>(model.get(), meta->method(i)));
    }
    ASSERT_GE(modelSignals.size(), 10u);
    QSignalSpy snapshots(model->stats(), &LiveStats::snapshotChanged);
    QSignalSpy refreshed(model->stats(), &LiveStats::refreshed);

    int published = 0;
    model->refreshStats([&] { ++published; });
    ASSERT_TRUE(settle([&] { return published == 1; }));
    const SystemSnapshot first = model->stats()->snapshot();
    EXPECT_FALSE(first.cpuUsage) << "the first sample had a previous one with ticks";
    ASSERT_TRUE(first.cpuTicks);
    EXPECT_EQ(first.capturedAt, clock.now());
    EXPECT_EQ(first.diskTotal, 100'000);
    EXPECT_EQ(model->stats()->battery().chargePercent, 80);

    // 50 ms later, half of the ticks since were busy; the battery is missing for a moment.
    clock.advance(50ms);
    host.ticks = HostCpuTicks{1'500, 9'500};
    power.maps = PowerSourceMaps{};
    model->refreshStats([&] { ++published; });
    ASSERT_TRUE(settle([&] { return published == 2; }));
    const SystemSnapshot second = model->stats()->snapshot();
    ASSERT_TRUE(second.cpuUsage);
    EXPECT_DOUBLE_EQ(*second.cpuUsage, 0.5);
    EXPECT_EQ(second.capturedAt, first.capturedAt.addMSecs(50));
    EXPECT_EQ(model->stats()->battery().chargePercent, 80) << "a briefly missing battery lost its charge";
    EXPECT_TRUE(model->stats()->battery().isPresent);

    EXPECT_EQ(snapshots.count(), 2);
    EXPECT_EQ(refreshed.count(), 2);
    for (const auto& spy : modelSignals)
        EXPECT_EQ(spy->count(), 0) << spy->signal().toStdString();
}

} // namespace
} // namespace qm

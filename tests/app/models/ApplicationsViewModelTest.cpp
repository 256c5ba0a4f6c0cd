#include "app/models/ApplicationsViewModel.h"

#include "AppInventoryFakes.h"
#include "core/CoreInfo.h"
#include "support/EventLoopWait.h"
#include "support/FakeClock.h"
#include "support/FakePackageDatabase.h"
#include "support/FixtureHome.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>

namespace qm {
namespace {

using test::settle;

namespace fs = std::filesystem;
using Phase = ApplicationsViewModel::Phase;
using namespace std::chrono_literals;

// An application installed in the home whose desktop entry is `url`; uninstalling it moves, and
// measuring it measures, that one item.
InstalledApp app(const Path& url, const QString& name, const QString& bundleID = {})
{
    InstalledApp out;
    out.url = url;
    out.name = name;
    out.bundleID = bundleID;
    out.origin = AppOrigin::homeFile;
    out.removal = {url};
    out.sizeRoots = {url};
    return out;
}

std::vector<QString> namesOf(const std::vector<InstalledApp>& apps)
{
    std::vector<QString> names;
    for (const InstalledApp& a : apps)
        names.push_back(a.name);
    return names;
}

// Scripted listings, a recording sizer and a fake clock; the own identity matches nothing unless a
// test says otherwise.
class ApplicationsViewModelTest : public ::testing::Test
{
protected:
    ~ApplicationsViewModelTest() override
    {
        sizer.open();
        model.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }

    void make(std::optional<ApplicationsViewModel::OwnIdentity> own = std::nullopt,
              ApplicationsViewModel::ExistenceTest exists = {})
    {
        ApplicationsViewModel::Services services{clock};
        services.lister = lister.lister();
        services.sizer = sizer.sizer();
        services.own = own ? *own : ApplicationsViewModel::OwnIdentity{Path("/nowhere/Quillmere")};
        services.exists = std::move(exists);
        model = std::make_unique<ApplicationsViewModel>(std::move(services));
    }

    // Delivers listing `call` and lets the model take it (one turn of the event loop).
    void deliver(int call, AppScanner::Listing listing)
    {
        ASSERT_TRUE(lister.release(call, std::move(listing))) << "no pending listing " << call;
        QCoreApplication::processEvents();
    }

    // Waits until the sizing job has measured everything and its last batch has landed.
    bool sizesSettled()
    {
        return settle([&] { return !model->sizing(); });
    }

    // load() answered with `apps`, every size landed.
    void loadAndSettle(std::vector<InstalledApp> apps, bool complete = true)
    {
        const int call = lister.calls();
        model->load();
        deliver(call, AppScanner::Listing{std::move(apps), complete});
        ASSERT_EQ(model->phase(), Phase::loaded);
        ASSERT_TRUE(sizesSettled());
    }

    // The size shown for the application at `url`, failing the test when it is not listed (so a
    // missing row never reads as 0).
    qint64 sizeOf(const Path& url) const
    {
        for (const InstalledApp& a : model->apps()) {
            if (a.id() == url.native())
                return a.sizeBytes;
        }
        ADD_FAILURE() << "not listed: " << url;
        return -1;
    }
    bool listed(const Path& url) const
    {
        return std::any_of(model->apps().begin(), model->apps().end(),
                           [&](const InstalledApp& a) { return a.id() == url.native(); });
    }

    test::FakeClock clock;
    test::ScriptedLister lister;
    test::RecordingSizer sizer;
    std::unique_ptr<ApplicationsViewModel> model;
};

TEST_F(ApplicationsViewModelTest, StartsLoadingWithNothingAndStartsNoWork)
{
    make();
    EXPECT_EQ(model->phase(), Phase::loading);
    EXPECT_TRUE(model->apps().empty());
    EXPECT_TRUE(model->inventoryComplete());
    EXPECT_FALSE(model->refreshing());
    EXPECT_TRUE(model->query().isEmpty());
    EXPECT_FALSE(model->sortBySize());
    EXPECT_FALSE(model->selectedApp().has_value());
    EXPECT_FALSE(model->lastReport().has_value());
    EXPECT_EQ(model->generation(), 0);
    EXPECT_EQ(model->loadGeneration(), 0);
    EXPECT_EQ(model->listScanGeneration(), 0);
    EXPECT_EQ(model->quitToken(), 0);
    EXPECT_EQ(model->uninstallCompletions(), 0);
    EXPECT_TRUE(model->inFlightActionIDs().empty());
    EXPECT_FALSE(model->sizing());
    EXPECT_EQ(lister.calls(), 0);
    EXPECT_EQ(model->filteredAppsModel()->rowCount(), 0);
}

// Listing `k` of the table below: two applications of its own, complete only for odd k, each of a
// size of its own.
AppScanner::Listing listing(int k)
{
    const QString tag = QStringLiteral("L") + QString::number(k);
    return AppScanner::Listing{
        {app(Path("/apps/" + tag.toStdString() + "a.desktop"), tag + QStringLiteral("a")),
         app(Path("/apps/" + tag.toStdString() + "b.desktop"), tag + QStringLiteral("b"))},
        k % 2 == 1};
}

qint64 sizeFor(int k, int j)
{
    return 4096 * (k * 10 + j + 1);
}

TEST_F(ApplicationsViewModelTest, OnlyTheNewestListingLands)
{
    // Steps: L = load(), R = refresh(), a digit = listing call number k completes with listing(k).
    struct Row
    {
        const char* steps;
        int shown; // the listing on screen, -1 none
        Phase phase;
        bool refreshing;
        bool complete;
        std::set<int> measured; // the listings whose applications were measured
        int calls;              // listings started
    };
    const Row rows[] = {
        {"L", -1, Phase::loading, false, true, {}, 1},
        {"L0", 0, Phase::loaded, false, false, {0}, 1},
        // A stale load still ends `loading`; nothing else of it lands.
        {"LL0", -1, Phase::loaded, false, true, {}, 2},
        {"LL01", 1, Phase::loaded, false, true, {1}, 2},
        {"LL10", 1, Phase::loaded, false, true, {1}, 2},
        {"LL1", 1, Phase::loaded, false, true, {1}, 2},
        // No refresh while loading, nor while one runs.
        {"R", -1, Phase::loading, false, true, {}, 0},
        {"LR0", 0, Phase::loaded, false, false, {0}, 1},
        {"L0R", 0, Phase::loaded, true, false, {0}, 2},
        {"L0RR1", 1, Phase::loaded, false, true, {0, 1}, 2},
        {"L0R1R2", 2, Phase::loaded, false, false, {0, 1, 2}, 3},
        // A load during a refresh ends `refreshing` at once, and the refresh never lands.
        {"L0RL", 0, Phase::loading, false, false, {0}, 3},
        {"L0RL21", 2, Phase::loaded, false, false, {0, 2}, 3},
        {"L0RL12", 2, Phase::loaded, false, false, {0, 2}, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.steps);
        model.reset();
        QThreadPool::globalInstance()->waitForDone();
        lister = test::ScriptedLister();
        sizer.reset();
        for (int k = 0; k < 3; ++k) {
            sizer.set(listing(k).apps[0].url, sizeFor(k, 0));
            sizer.set(listing(k).apps[1].url, sizeFor(k, 1));
        }
        make();
        for (const char* step = row.steps; *step != '\0'; ++step) {
            if (*step == 'L') {
                model->load();
            } else if (*step == 'R') {
                model->refresh();
            } else {
                const int k = *step - '0';
                deliver(k, listing(k));
                ASSERT_TRUE(sizesSettled());
            }
        }
        EXPECT_EQ(lister.calls(), row.calls);
        EXPECT_EQ(model->phase(), row.phase);
        EXPECT_EQ(model->refreshing(), row.refreshing);
        EXPECT_EQ(model->inventoryComplete(), row.complete);
        if (row.shown < 0) {
            EXPECT_TRUE(model->apps().empty());
        } else {
            const AppScanner::Listing shown = listing(row.shown);
            ASSERT_EQ(namesOf(model->apps()), namesOf(shown.apps));
            EXPECT_EQ(sizeOf(shown.apps[0].url), sizeFor(row.shown, 0));
            EXPECT_EQ(sizeOf(shown.apps[1].url), sizeFor(row.shown, 1));
        }
        std::set<int> measured;
        for (const test::RecordingSizer::Call& call : sizer.calls())
            measured.insert(call.of.filename().native()[1] - '0');
        EXPECT_EQ(measured, row.measured);
    }
}

TEST_F(ApplicationsViewModelTest, SizesArePublishedInBatchesOfTwentyFive)
{
    struct Row
    {
        int apps;
        std::vector<int> measuredAtEachPublication; // the listing's own publication first
    };
    const Row rows[] = {
        {0, {0}}, {1, {0, 1}}, {10, {0, 10}}, {25, {0, 25}}, {26, {0, 25, 26}}, {60, {0, 25, 50, 60}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.apps);
        model.reset();
        QThreadPool::globalInstance()->waitForDone();
        lister = test::ScriptedLister();
        sizer.reset();
        make();
        std::vector<InstalledApp> apps;
        for (int i = 0; i < row.apps; ++i) {
            const QString name = QStringLiteral("App %1").arg(i, 3, 10, QLatin1Char('0'));
            apps.push_back(app(Path("/apps/" + name.toStdString() + ".desktop"), name));
            sizer.set(apps.back().url, 512 * (i + 1));
        }
        std::vector<int> measuredAtEachPublication;
        const QMetaObject::Connection watching =
            QObject::connect(model.get(), &ApplicationsViewModel::appsChanged, [&] {
                measuredAtEachPublication.push_back(
                    int(std::count_if(model->apps().begin(), model->apps().end(),
                                      [](const InstalledApp& a) { return a.sizeBytes > 0; })));
            });
        QSignalSpy resets(model->filteredAppsModel(), &QAbstractItemModel::modelReset);
        QSignalSpy updates(model->filteredAppsModel(), &QAbstractItemModel::dataChanged);

        loadAndSettle(apps);
        EXPECT_EQ(measuredAtEachPublication, row.measuredAtEachPublication);
        EXPECT_EQ(resets.count() + updates.count(), qsizetype(row.measuredAtEachPublication.size()))
            << "the list changes once per publication";
        EXPECT_EQ(resets.count(), 1) << "a size batch keeps the rows, so a view keeps its place";
        for (int i = 0; i < row.apps; ++i)
            EXPECT_EQ(sizeOf(apps[std::size_t(i)].url), 512 * (i + 1)) << i;

        // One measurement per application, in listing order, with the bounded sizer's limits.
        const std::vector<test::RecordingSizer::Call> calls = sizer.calls();
        ASSERT_EQ(calls.size(), std::size_t(row.apps));
        for (int i = 0; i < row.apps; ++i) {
            const test::RecordingSizer::Call& call = calls[std::size_t(i)];
            EXPECT_EQ(call.of, apps[std::size_t(i)].url);
            EXPECT_TRUE(call.excluding.empty());
            EXPECT_EQ(call.nodeLimit, 200'000);
            EXPECT_FALSE(call.flagCapAsIncomplete);
            EXPECT_EQ(call.deadline, 90.0);
            EXPECT_FALSE(call.hadCoverage);
        }
    }
}

TEST_F(ApplicationsViewModelTest, RefreshKeepsKnownSizesUntilMeasuredAgain)
{
    make();
    const InstalledApp a = app("/apps/A.desktop", QStringLiteral("A"));
    const InstalledApp empty = app("/apps/Empty.desktop", QStringLiteral("Empty"));
    const InstalledApp c = app("/apps/C.desktop", QStringLiteral("C"));
    const InstalledApp fresh = app("/apps/D.desktop", QStringLiteral("D"));
    sizer.set(a.url, 8192);
    sizer.set(c.url, 40960);
    loadAndSettle({a, empty, c});
    ASSERT_EQ(sizeOf(a.url), 8192);
    ASSERT_EQ(sizeOf(empty.url), 0);

    // The sizes of the new run are held back until the test lets them through.
    sizer.hold();
    sizer.set(a.url, 12288);
    sizer.set(empty.url, 4096);
    sizer.set(fresh.url, 16384);
    model->refresh();
    EXPECT_TRUE(model->refreshing());
    EXPECT_EQ(model->generation(), 1) << "only the load moved the sheet counter";
    deliver(1, AppScanner::Listing{{a, empty, c, fresh}, true});
    EXPECT_FALSE(model->refreshing());
    ASSERT_EQ(model->apps().size(), 4u);
    EXPECT_EQ(sizeOf(a.url), 8192) << "a known size stays until measured again";
    EXPECT_EQ(sizeOf(empty.url), 0) << "0 stays 0";
    EXPECT_EQ(sizeOf(c.url), 40960);
    EXPECT_EQ(sizeOf(fresh.url), 0) << "a new application shows 0 until measured";
    EXPECT_TRUE(model->sizing());

    sizer.open();
    ASSERT_TRUE(sizesSettled());
    EXPECT_EQ(sizeOf(a.url), 12288);
    EXPECT_EQ(sizeOf(empty.url), 4096);
    EXPECT_EQ(sizeOf(c.url), 40960);
    EXPECT_EQ(sizeOf(fresh.url), 16384);
}

TEST_F(ApplicationsViewModelTest, BatchesOfAnOlderListingNeverLand)
{
    make();
    std::vector<InstalledApp> apps;
    for (int i = 0; i < 30; ++i) {
        apps.push_back(app(Path("/apps/" + std::to_string(i) + ".desktop"), QString::number(i)));
        sizer.set(apps.back().url, 4096);
    }
    sizer.hold();
    model->load();
    deliver(0, AppScanner::Listing{apps, true});
    ASSERT_TRUE(sizer.waitForCalls(1));
    // The refresh's listing has not come yet: the old run measures everything, and both of its
    // batches are dropped.
    model->refresh();
    sizer.open();
    ASSERT_TRUE(sizesSettled());
    EXPECT_EQ(sizer.calls().size(), 30u);
    for (const InstalledApp& a : apps)
        EXPECT_EQ(sizeOf(a.url), 0) << a.name.toStdString();

    deliver(1, AppScanner::Listing{apps, true});
    ASSERT_TRUE(sizesSettled());
    for (const InstalledApp& a : apps)
        EXPECT_EQ(sizeOf(a.url), 4096) << a.name.toStdString();
}

TEST_F(ApplicationsViewModelTest, ANewSizingRunStopsTheOldOne)
{
    make();
    std::vector<InstalledApp> apps;
    for (int i = 0; i < 30; ++i) {
        apps.push_back(app(Path("/apps/" + std::to_string(i) + ".desktop"), QString::number(i)));
        sizer.set(apps.back().url, 4096);
    }
    sizer.hold();
    model->load();
    deliver(0, AppScanner::Listing{apps, true});
    ASSERT_TRUE(sizer.waitForCalls(1));
    model->refresh();
    // The refresh's sizing cancels the old run, which leaves its measurement at once and measures
    // nothing more.
    deliver(1, AppScanner::Listing{apps, true});
    ASSERT_TRUE(sizer.waitForCalls(2));
    sizer.open();
    ASSERT_TRUE(sizesSettled());
    EXPECT_EQ(sizer.calls().size(), 31u);
    for (const InstalledApp& a : apps)
        EXPECT_EQ(sizeOf(a.url), 4096) << a.name.toStdString();
}

TEST_F(ApplicationsViewModelTest, ClosingStopsASizingJobThatWaitsForItsBatch)
{
    make();
    std::vector<InstalledApp> apps;
    for (int i = 0; i < 40; ++i)
        apps.push_back(app(Path("/apps/" + std::to_string(i) + ".desktop"), QString::number(i)));
    model->load();
    deliver(0, AppScanner::Listing{apps, true});
    // The first batch is handed over after the 25th measurement; the event loop does not turn, so
    // the job waits for it.
    ASSERT_TRUE(sizer.waitForCalls(25));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(sizer.calls().size(), 25u) << "the job measures on only once its batch has landed";
    model.reset();
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(10'000)) << "the job ended without its batch";
    QCoreApplication::processEvents();
    EXPECT_EQ(sizer.calls().size(), 25u);
}

TEST_F(ApplicationsViewModelTest, AListingWithNoApplicationsPublishesNoSizes)
{
    make();
    QSignalSpy published(model.get(), &ApplicationsViewModel::appsChanged);
    loadAndSettle({});
    EXPECT_EQ(published.count(), 1) << "the empty list itself, and no batch";
    EXPECT_TRUE(sizer.calls().empty());
}

TEST_F(ApplicationsViewModelTest, PruningChecksTwiceAndRespectsTheListingCounter)
{
    test::TempTree tree;
    const Path kept = tree.file("apps/Kept.desktop");
    const Path deleted = tree.file("apps/Deleted.desktop");
    const Path recreated = tree.file("apps/Recreated.desktop");
    const std::vector<InstalledApp> apps{app(deleted, QStringLiteral("Deleted")),
                                         app(kept, QStringLiteral("Kept")),
                                         app(recreated, QStringLiteral("Recreated"))};

    // The first look runs on the pool: it may be held there, and it puts Recreated back right after
    // finding it gone, so the second look finds it again.
    std::atomic<bool> hold{false};
    std::atomic<bool> held{false};
    std::atomic<int> poolLooks{0};
    const std::thread::id gui = std::this_thread::get_id();
    const auto exists = [&](const Path& path) {
        const bool there = fs::exists(fs::symlink_status(path));
        if (std::this_thread::get_id() != gui) {
            ++poolLooks;
            while (hold) {
                held = true;
                std::this_thread::sleep_for(1ms);
            }
            if (path == recreated && !there)
                tree.file(recreated);
        }
        return there;
    };
    make(std::nullopt, exists);

    // Nothing listed: nothing to look at.
    model->pruneUninstalledApps();
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(poolLooks, 0);

    loadAndSettle(apps);
    fs::remove(deleted);
    fs::remove(recreated);
    QSignalSpy published(model.get(), &ApplicationsViewModel::appsChanged);
    model->pruneUninstalledApps();
    ASSERT_TRUE(settle([&] { return !listed(deleted); }));
    EXPECT_EQ(namesOf(model->apps()),
              (std::vector<QString>{QStringLiteral("Kept"), QStringLiteral("Recreated")}));
    EXPECT_EQ(published.count(), 1) << "one publication";
    EXPECT_EQ(model->listScanGeneration(), 1) << "pruning moves no counter";

    // A listing started while the looks run wins: nothing is pruned.
    fs::remove(kept);
    hold = true;
    model->pruneUninstalledApps();
    ASSERT_TRUE(settle([&] { return held.load(); }));
    model->refresh();
    hold = false;
    QThreadPool::globalInstance()->waitForDone();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(listed(kept)) << "the prune was dropped";
    EXPECT_TRUE(model->refreshing());
}

TEST_F(ApplicationsViewModelTest, OnlyAMissingApplicationIsPruned)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    // An entry behind a folder this user may not enter cannot be examined: that does not make it gone.
    test::TempTree tree;
    const Path gone = tree.file("apps/Gone.desktop");
    const Path kept = tree.file("apps/Kept.desktop");
    const Path hidden = tree.file("apps/Locked/Hidden.desktop");
    tree.chmod(tree.path("apps/Locked"), 0700);
    make(); // the real existence test
    loadAndSettle({app(gone, QStringLiteral("Gone")), app(hidden, QStringLiteral("Hidden")),
                   app(kept, QStringLiteral("Kept"))});
    fs::remove(gone);
    {
        test::DroppedPrivileges dropped;
        ASSERT_TRUE(FileSystem().status(kept).ok()) << "the dropped process sees what it may see";
        ASSERT_TRUE(FileSystem().status(hidden).error().isPosix(EACCES)) << "and is denied the rest";
        model->pruneUninstalledApps();
        ASSERT_TRUE(settle([&] { return !listed(gone); }));
    }
    EXPECT_EQ(namesOf(model->apps()),
              (std::vector<QString>{QStringLiteral("Hidden"), QStringLiteral("Kept")}));
}

TEST_F(ApplicationsViewModelTest, ThisProgramIsNeverListedButStillMeasured)
{
    test::TempTree tree;
    const Path self = tree.file("apps/Quillmere.desktop");
    const Path other = tree.file("apps/Other.desktop");
    struct Row
    {
        const char* why;
        QString desktopId;   // the listed entry's file id
        QString programName; // the program the listed entry starts
        bool hidden;
    };
    const Row rows[] = {
        {"by its own entry", ownDesktopId(), QStringLiteral("something"), true},
        {"by the program it starts", QStringLiteral("org.other.Launcher"), QStringLiteral("Quillmere"), true},
        {"an entry id differing in case", ownDesktopId().toLower(), QString(), false},
        {"a program name differing in case", QStringLiteral("x"), QStringLiteral("quillmere"), false},
        {"an empty program name matches nothing", QStringLiteral("x"), QString(), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        model.reset();
        QThreadPool::globalInstance()->waitForDone();
        lister = test::ScriptedLister();
        sizer.reset();
        make(ApplicationsViewModel::OwnIdentity{Path("/usr/bin/Quillmere")});
        InstalledApp listedSelf = app(self, QStringLiteral("Quillmere"));
        listedSelf.desktopId = row.desktopId;
        listedSelf.programName = row.programName;
        loadAndSettle({app(other, QStringLiteral("Other")), listedSelf});
        const std::vector<QString> expected =
            row.hidden ? std::vector<QString>{QStringLiteral("Other")}
                       : std::vector<QString>{QStringLiteral("Other"), QStringLiteral("Quillmere")};
        EXPECT_EQ(namesOf(model->uninstallableApps()), expected);
        EXPECT_EQ(namesOf(model->filteredApps()), expected);
        EXPECT_EQ(model->filteredAppsModel()->count(), int(expected.size()));
        EXPECT_EQ(model->uninstallableCount(), int(expected.size()));
        model->setQuery(QStringLiteral("quill"));
        EXPECT_EQ(model->filteredApps().size(), row.hidden ? 0u : 1u);
        EXPECT_EQ(model->appCount(), 2) << "the inventory keeps it";
        ASSERT_EQ(sizer.calls().size(), 2u);
        EXPECT_EQ(sizer.calls()[1].of, self) << "still measured";
    }
}

TEST_F(ApplicationsViewModelTest, SearchAndSort)
{
    make();
    const std::vector<InstalledApp> apps{
        app("/apps/Cafe.desktop", QStringLiteral("Café Crème"), QStringLiteral("com.example.cafe")),
        app("/apps/Lait.desktop", QStringLiteral("cafe au lait"), QStringLiteral("org.lait")),
        app("/apps/Safari.desktop", QStringLiteral("Safari"), QStringLiteral("com.apple.Safari")),
        app("/apps/Square.desktop", QStringLiteral("x²"), QStringLiteral("net.square")),
        app("/apps/Wide.desktop", QStringLiteral("ｃａｆｅ"), QStringLiteral("jp.wide")),
    };
    loadAndSettle(apps);
    struct Row
    {
        const char16_t* query;
        std::vector<QString> names;
    };
    const Row rows[] = {
        {u"", namesOf(apps)},
        {u"cafe", {QStringLiteral("Café Crème"), QStringLiteral("cafe au lait")}},
        {u"CAFÉ", {QStringLiteral("Café Crème"), QStringLiteral("cafe au lait")}},
        {u"apple.saf", {QStringLiteral("Safari")}},
        {u"EXAMPLE", {QStringLiteral("Café Crème")}},
        {u" ", {QStringLiteral("Café Crème"), QStringLiteral("cafe au lait")}},
        {u"ｃａｆｅ", {QStringLiteral("ｃａｆｅ")}},
        {u"x2", {}},
        {u"x²", {QStringLiteral("x²")}},
        {u"safari ", {}},
    };
    QSignalSpy resets(model->filteredAppsModel(), &QAbstractItemModel::modelReset);
    for (const Row& row : rows) {
        const QString query = QString::fromUtf16(row.query);
        model->setQuery(query);
        EXPECT_EQ(model->query(), query) << "kept as typed";
        EXPECT_EQ(namesOf(model->filteredApps()), row.names) << "\"" << query.toStdString() << "\"";
        EXPECT_EQ(namesOf(model->filteredAppsModel()->rows()), row.names)
            << "\"" << query.toStdString() << "\"";
    }
    const qsizetype changes = resets.count();
    model->setQuery(QStringLiteral("safari "));
    EXPECT_EQ(resets.count(), changes) << "the same query publishes nothing";

    // Sorting by size: largest first, equal sizes in listing order; off again: listing order.
    model->setQuery(QString());
    sizer.set(apps[0].url, 4096);
    sizer.set(apps[1].url, 8192);
    sizer.set(apps[3].url, 4096);
    model->refresh();
    deliver(1, AppScanner::Listing{apps, true});
    ASSERT_TRUE(sizesSettled());
    QSignalSpy sortChanges(model->filteredAppsModel(), &QAbstractItemModel::modelReset);
    model->setSortBySize(true);
    EXPECT_EQ(sortChanges.count(), 1);
    const std::vector<QString> bySize{QStringLiteral("cafe au lait"), QStringLiteral("Café Crème"),
                                      QStringLiteral("x²"), QStringLiteral("Safari"),
                                      QStringLiteral("ｃａｆｅ")};
    EXPECT_EQ(namesOf(model->filteredApps()), bySize);
    EXPECT_EQ(namesOf(model->filteredAppsModel()->rows()), bySize);
    model->setQuery(QStringLiteral("a"));
    EXPECT_EQ(namesOf(model->filteredApps()),
              (std::vector<QString>{QStringLiteral("cafe au lait"), QStringLiteral("Café Crème"),
                                    QStringLiteral("x²"), QStringLiteral("Safari")}))
        << "x² by its identifier";
    model->setQuery(QString());
    model->setSortBySize(false);
    EXPECT_EQ(namesOf(model->filteredApps()), namesOf(apps));

    // All sizes equal: listing order.
    model.reset();
    lister = test::ScriptedLister();
    sizer.reset();
    make();
    loadAndSettle(apps);
    model->setSortBySize(true);
    EXPECT_EQ(namesOf(model->filteredApps()), namesOf(apps));
}

TEST_F(ApplicationsViewModelTest, SelectedLeftoverBytes)
{
    make();
    EXPECT_EQ(model->selectedLeftoverBytes(), 0);
    std::vector<LeftoverItem> items(3);
    items[0].bytes = 4096;
    items[1].bytes = 8192;
    items[2].bytes = 3'000'000'000; // beyond 32 bits
    model->setLeftovers(items);
    EXPECT_EQ(model->selectedLeftoverBytes(), 3'000'012'288);
    items[1].isSelected = false;
    model->setLeftovers(items);
    EXPECT_EQ(model->selectedLeftoverBytes(), 3'000'004'096);
    for (LeftoverItem& item : items)
        item.isSelected = false;
    model->setLeftovers(items);
    EXPECT_EQ(model->selectedLeftoverBytes(), 0);
}

TEST_F(ApplicationsViewModelTest, DismissingTheUninstallerClearsTheSheetOnly)
{
    make();
    // With no sheet open it still moves both counters.
    model->dismissUninstaller();
    EXPECT_EQ(model->generation(), 1);
    EXPECT_EQ(model->quitToken(), 1);

    model->setSelectedApp(app("/apps/A.desktop", QStringLiteral("A")));
    model->setLeftovers(std::vector<LeftoverItem>(2));
    model->setFindingLeftovers(true);
    model->setShowConfirm(true);
    model->setShowAdminConfirm(true);
    model->setQuittingApp(true);
    model->setQuitRefusedMessage(QStringLiteral("A didn't quit."));
    model->setSelectedAppIsRunning(true);
    model->setAdminUninstalling(true);
    model->setLeftoverScanIncomplete(true);
    model->setLastReport(CleanReport{});
    model->setUninstallFailure(QStringLiteral("failed"));
    QSignalSpy selected(model.get(), &ApplicationsViewModel::selectedAppChanged);
    QSignalSpy leftovers(model.get(), &ApplicationsViewModel::leftoversChanged);

    model->dismissUninstaller();
    EXPECT_EQ(model->generation(), 2);
    EXPECT_EQ(model->quitToken(), 2);
    EXPECT_FALSE(model->selectedApp().has_value());
    EXPECT_TRUE(model->selectedAppMap().isEmpty());
    EXPECT_TRUE(model->leftovers().empty());
    EXPECT_FALSE(model->findingLeftovers());
    EXPECT_FALSE(model->showConfirm());
    EXPECT_FALSE(model->showAdminConfirm());
    EXPECT_FALSE(model->quittingApp());
    EXPECT_FALSE(model->quitRefusedMessage().has_value());
    EXPECT_EQ(selected.count(), 1);
    EXPECT_EQ(leftovers.count(), 1);
    // Running state, undo and failure stay.
    EXPECT_TRUE(model->selectedAppIsRunning());
    EXPECT_TRUE(model->adminUninstalling());
    EXPECT_TRUE(model->leftoverScanIncomplete());
    EXPECT_TRUE(model->lastReport().has_value());
    EXPECT_EQ(model->uninstallFailure(), QStringLiteral("failed"));
}

TEST_F(ApplicationsViewModelTest, LoadMovesEveryListingCounterAndTheSheetCounter)
{
    make();
    model->load();
    EXPECT_EQ(model->generation(), 1);
    EXPECT_EQ(model->loadGeneration(), 1);
    EXPECT_EQ(model->listScanGeneration(), 1);
    deliver(0, AppScanner::Listing{});
    model->refresh();
    EXPECT_EQ(model->generation(), 1);
    EXPECT_EQ(model->loadGeneration(), 2);
    EXPECT_EQ(model->listScanGeneration(), 2);
}

// The real lister and sizer over a home folder holding real applications: AppImages in
// ~/Applications, a program installed in the home with its entry, one whose entry lies in a sub-folder
// of the entries, and two AppImages whose names look alike once decoded: "a\xff.AppImage" (not valid
// UTF-8) and "a\uFFFD.AppImage" (what a text round trip turns the first into).
class ApplicationsOnDiskTest : public ::testing::Test
{
protected:
    ApplicationsOnDiskTest()
    {
        delta = home.file("Applications/Delta.AppImage", 10'000);
        beta = homeApp("Beta", "com.example.beta.desktop", 30'000);
        gamma = homeApp("Gamma", "example/gamma.desktop", 1);
        odd =
            home.file(Path("Applications") / (test::TempTree::nonUtf8Name().native() + ".AppImage"), 20'000);
        lookAlike = home.file("Applications/a\xef\xbf\xbd.AppImage", 5'000);
    }
    ~ApplicationsOnDiskTest() override
    {
        model.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
    }

    // A program of `payload` bytes in ~/.local/opt/<name> and its entry `entry` in the entries of
    // the data home; answers the entry.
    Path homeApp(const std::string& name, const Path& entry, qint64 payload)
    {
        const Path program = home.file(Path(".local/opt") / name / "program", payload);
        return home.fileWithContent(Path(".local/share/applications") / entry,
                                    QByteArray::fromStdString("[Desktop Entry]\nType=Application\nName=" +
                                                              name + "\nExec=" + program.native() + "\n"));
    }

    void make()
    {
        ApplicationsViewModel::Services services{clock};
        services.home = home.home();
        services.systemRoot = system.root();
        services.places = home.places(system.root());
        services.packages = std::make_shared<test::FakePackageDatabase>();
        model = std::make_unique<ApplicationsViewModel>(std::move(services));
    }

    qint64 sizeOf(const Path& url) const
    {
        for (const InstalledApp& a : model->apps()) {
            if (a.id() == url.native())
                return a.sizeBytes;
        }
        ADD_FAILURE() << "not listed: " << url;
        return -1;
    }
    // What uninstalling the application listed as `url` would free.
    qint64 expectedSize(const Path& url) const
    {
        for (const InstalledApp& a : model->apps()) {
            if (a.id() == url.native()) {
                qint64 total = 0;
                for (const Path& root : a.sizeRoots)
                    total += test::findAllocatedSize(root);
                return total;
            }
        }
        return -1;
    }

    test::FixtureHome home;
    test::TempTree system;
    test::FakeClock clock;
    Path delta;
    Path beta;
    Path gamma;
    Path odd;
    Path lookAlike;
    std::unique_ptr<ApplicationsViewModel> model;
};

TEST_F(ApplicationsOnDiskTest, ListsMeasuresRefreshesAndPrunesRealApplications)
{
    make();
    model->load();
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::loaded; }));
    ASSERT_TRUE(settle([&] { return !model->sizing(); }));
    EXPECT_TRUE(model->inventoryComplete());
    const QString oddName = FileSystem::displayName(test::TempTree::nonUtf8Name());
    EXPECT_EQ(namesOf(model->apps()),
              (std::vector<QString>{oddName, oddName, QStringLiteral("Beta"), QStringLiteral("Delta"),
                                    QStringLiteral("Gamma")}));
    for (const Path& url : {delta, beta, gamma, odd, lookAlike}) {
        EXPECT_GT(sizeOf(url), 0) << url;
        EXPECT_EQ(sizeOf(url), expectedSize(url)) << url;
    }
    EXPECT_EQ(sizeOf(beta),
              test::findAllocatedSize(home.path(".local/opt/Beta/program")) + test::findAllocatedSize(beta))
        << "the program and its entry";
    EXPECT_NE(sizeOf(odd), sizeOf(lookAlike)) << "the fixture tells the two apart by size";

    // The odd AppImage grows; a refresh shows its known size until the new one is measured.
    const qint64 oddBefore = sizeOf(odd);
    const qint64 lookAlikeBefore = sizeOf(lookAlike);
    home.file(odd, 60'000);
    std::vector<std::pair<qint64, qint64>> published; // odd, look-alike at each publication
    const QMetaObject::Connection watching =
        QObject::connect(model.get(), &ApplicationsViewModel::appsChanged,
                         [&] { published.emplace_back(sizeOf(odd), sizeOf(lookAlike)); });
    model->refresh();
    ASSERT_TRUE(settle([&] { return !model->refreshing(); }));
    ASSERT_TRUE(settle([&] { return !model->sizing(); }));
    ASSERT_EQ(published.size(), 2u) << "the listing, then one batch";
    EXPECT_EQ(published[0], std::make_pair(oddBefore, lookAlikeBefore)) << "known sizes carried over";
    EXPECT_EQ(published[1], std::make_pair(test::findAllocatedSize(odd), lookAlikeBefore));
    EXPECT_GT(published[1].first, oddBefore);

    QObject::disconnect(watching);

    // Deleted, it goes, and only it.
    fs::remove(odd);
    model->pruneUninstalledApps();
    ASSERT_TRUE(settle([&] { return model->apps().size() == 4; }));
    EXPECT_EQ(sizeOf(lookAlike), lookAlikeBefore);
    EXPECT_FALSE(std::any_of(model->apps().begin(), model->apps().end(),
                             [&](const InstalledApp& a) { return a.id() == odd.native(); }));
}

} // namespace
} // namespace qm

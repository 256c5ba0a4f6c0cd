#include "app/models/LargeFilesViewModel.h"

#include "CleanupBeside.h"
#include "app/models/RestoreTracker.h"
#include "support/EventLoopWait.h"
#include "support/FakeClock.h"
#include "support/FakeFolderPicker.h"
#include "support/FakeWorkspace.h"
#include "support/FixtureHome.h"
#include "support/StepGate.h"
#include "support/TempTree.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <semaphore>
#include <string>

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::drain;
using test::settle;
using Phase = LargeFilesViewModel::Phase;

class LargeFilesViewModelTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        gate->release();
        model.reset();
        drain();
    }

    void make(LargeFilesViewModel::Services services)
    {
        services.home = home.home();
        FileScanner::Services scanning;
        scanning.home = home.home();
        services.scanner = FileScanner(scanning);
        services.trash = Trash(FileSystem([g = gate](FsStep step, const Path&) { g->pass(step); }));
        if (!services.fullDiskAccess)
            services.fullDiskAccess = [] { return true; };
        services.folderPicker = picker;
        services.restoreTracker = &tracker;
        model = std::make_unique<LargeFilesViewModel>(std::move(services));
    }
    void make() { make(LargeFilesViewModel::Services{clock}); }

    void search()
    {
        model->scan();
        ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    }
    const FileEntry* entry(const std::string& name) const
    {
        for (const FileEntry& file : model->files())
            if (file.name.native() == name)
                return &file;
        return nullptr;
    }
    void select(const std::string& name)
    {
        if (!entry(name)->isSelected)
            model->toggle(entry(name)->id);
    }
    void cleanAndWait()
    {
        model->confirmClean();
        ASSERT_TRUE(model->cleaning());
        ASSERT_TRUE(settle([&] { return !model->cleaning(); }));
    }

    test::FixtureHome home;
    test::TempTree system;
    test::FakeClock clock;
    RestoreTracker tracker;
    std::shared_ptr<test::FakeFolderPicker> picker = std::make_shared<test::FakeFolderPicker>();
    std::shared_ptr<test::StepGate> gate = std::make_shared<test::StepGate>();
    std::unique_ptr<LargeFilesViewModel> model;
};

TEST_F(LargeFilesViewModelTest, ThresholdsReachTheSearchAsBytesAndMonths)
{
    struct Case
    {
        double minMB;
        int months;
        qint64 bytes;
        std::optional<int> age;
    };
    std::mutex mutex;
    std::vector<std::pair<qint64, std::optional<int>>> seen;
    LargeFilesViewModel::Services services{clock};
    services.search = [&](const Path&, qint64 minBytes, std::optional<int> months,
                          const FileScanner::VisitSink&, std::stop_token) {
        const std::lock_guard lock(mutex);
        seen.emplace_back(minBytes, months);
        return FileScanner::LargeFiles{};
    };
    make(std::move(services));
    for (const Case& c : {Case{100, 0, 100'000'000, std::nullopt}, Case{2000, 12, 2'000'000'000, 12},
                          Case{10.5, 3, 10'500'000, 3}}) {
        model->setMinMB(c.minMB);
        model->setOlderThanMonths(c.months);
        search();
        const std::lock_guard lock(mutex);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back().first, c.bytes) << c.minMB;
        EXPECT_EQ(seen.back().second, c.age) << c.months;
    }
}

// The first count of a search is published; one that follows within 0.15 s is dropped; and a count of
// an outdated search never lands.
TEST_F(LargeFilesViewModelTest, CountsAreThrottledOnTheClockAndStaleOnesDropped)
{
    for (const auto& [gap, expected] : {std::pair{100ms, qint64(200)}, std::pair{150ms, qint64(400)}}) {
        std::binary_semaphore next(0);
        LargeFilesViewModel::Services services{clock};
        services.search = [&](const Path&, qint64, std::optional<int>, const FileScanner::VisitSink& progress,
                              std::stop_token) {
            progress(200);
            next.acquire();
            progress(400);
            return FileScanner::LargeFiles{};
        };
        make(std::move(services));
        model->scan();
        ASSERT_TRUE(settle([&] { return model->scannedCount() == 200; }));
        clock.advance(gap);
        next.release();
        ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
        EXPECT_EQ(model->scannedCount(), expected) << gap.count();
        model.reset();
        drain();
    }

    std::binary_semaphore next(0);
    LargeFilesViewModel::Services services{clock};
    // The first search (1 MB) waits; the second (2 MB) ends at once.
    services.search = [&](const Path&, qint64 minBytes, std::optional<int>,
                          const FileScanner::VisitSink& progress, std::stop_token) {
        if (minBytes == 1'000'000) {
            next.acquire();
            progress(999);
            FileScanner::LargeFiles stale;
            stale.entries.push_back(FileEntry{});
            return stale;
        }
        return FileScanner::LargeFiles{};
    };
    make(std::move(services));
    model->setMinMB(1);
    model->scan();
    model->setMinMB(2);
    model->scan();
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    clock.advance(1s);
    next.release();
    drain();
    EXPECT_EQ(model->scannedCount(), 0);
    EXPECT_TRUE(model->files().empty()) << "the older search's result is dropped";
}

TEST_F(LargeFilesViewModelTest, SelectCleanPruneUndoAndSearchAgain)
{
    home.file("Docs/big1", 1'200'000, 'a');
    home.file("Docs/big2", 1'300'000, 'b');
    home.file("Docs/gone", 1'400'000, 'c');
    const Path linked = home.file("Docs/linked", 1'500'000, 'd');
    home.hardLink(linked, "Docs/linked2");
    const Path odd = home.file(std::string("Docs/odd\xff"), 1'600'000, 'e');
    make();
    model->setMinMB(1);
    EXPECT_EQ(model->formattedSelected(), QStringLiteral("0 KB"));
    search();
    ASSERT_EQ(model->files().size(), 6u);

    // Toggling twice restores; an unknown id changes nothing.
    model->toggle(entry("big1")->id);
    model->toggle(entry("big1")->id);
    model->toggle(QUuid::createUuid());
    EXPECT_EQ(model->formattedSelected(), QStringLiteral("0 KB"));

    // A hard-linked file counts for nothing and is never moved.
    select("linked");
    EXPECT_EQ(model->formattedSelected(), QStringLiteral("0 KB"));
    select("big1");
    select(std::string("odd\xff"));
    select("gone");
    fs::remove(home.path("Docs/gone"));
    cleanAndWait();
    EXPECT_EQ(model->failureNote().section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("1 file couldn't be moved to the Trash."));
    EXPECT_FALSE(entry("big1"));
    EXPECT_FALSE(entry(std::string("odd\xff"))) << "pruned by its raw path";
    ASSERT_TRUE(entry("gone"));
    EXPECT_TRUE(entry("gone")->isSelected) << "a failed move stays selected";
    EXPECT_TRUE(fs::exists(linked));
    EXPECT_EQ(model->phase(), Phase::results);

    // A second clean joins the record; failures and their details stay side by side.
    model->toggle(entry("gone")->id);
    select("big2");
    cleanAndWait();
    ASSERT_TRUE(model->lastReport().has_value());
    EXPECT_EQ(model->lastReport()->trashed.size(), 3u);
    EXPECT_EQ(model->lastReport()->failures.size(), model->lastReport()->failureDetails.size());

    model->undoLast();
    EXPECT_TRUE(model->restoring());
    EXPECT_FALSE(model->lastReport().has_value());
    ASSERT_TRUE(settle([&] { return !model->restoring() && model->phase() == Phase::results; }));
    EXPECT_TRUE(fs::exists(odd)) << "restored as itself";
    EXPECT_EQ(model->files().size(), 5u) << "searched again";
}

TEST_F(LargeFilesViewModelTest, TheFileListChangesInPlace)
{
    home.file("Docs/a", 1'300'000, 'a');
    home.file("Docs/b", 1'200'000, 'b');
    home.file(std::string("Docs/c\xff"), 1'100'000, 'c');
    make();
    model->setMinMB(1);
    FileEntryListModel& list = *model->fileList();
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    search();
    ASSERT_EQ(list.count(), 3);
    // Rows are largest first; the odd name reads as its decoded text.
    EXPECT_EQ(list.data(list.index(2), FileEntryListModel::NameRole).toString(),
              FileSystem::displayName(Path(std::string("c\xff"))));
    EXPECT_EQ(list.data(list.index(0), FileEntryListModel::FolderRole).toString(),
              FileSystem::displayName(home.path("Docs")));

    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    QSignalSpy selection(model.get(), &LargeFilesViewModel::selectionChanged);
    QSignalSpy files(model.get(), &LargeFilesViewModel::filesChanged);
    // The toggle goes by the id text QML holds.
    model->toggle(list.data(list.index(2), FileEntryListModel::FileIdRole).toString());
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), 2);
    EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), 2);
    EXPECT_TRUE(list.data(list.index(2), FileEntryListModel::IsSelectedRole).toBool());
    EXPECT_EQ(selection.size(), 1);
    EXPECT_EQ(files.size(), 0) << "a toggle is not a new list";
    EXPECT_EQ(model->selectedCount(), 1);

    select("a");
    cleanAndWait();
    EXPECT_EQ(reset.size(), 0) << "pruning keeps the rows left";
    EXPECT_EQ(removed.size(), 2);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.data(list.index(0), FileEntryListModel::NameRole).toString(), QStringLiteral("b"));
    EXPECT_EQ(model->fileCount(), 1);
    EXPECT_EQ(model->trashedCount(), 2);
    EXPECT_EQ(model->formattedFreed(), model->lastReport()->formattedFreed());
    EXPECT_EQ(model->selectedCount(), 0);
}

TEST_F(LargeFilesViewModelTest, FullDiskAccessIsAskedAgainOnRequest)
{
    bool granted = false;
    LargeFilesViewModel::Services services{clock};
    services.fullDiskAccess = [&granted] { return granted; };
    make(std::move(services));
    EXPECT_FALSE(model->fullDiskAccessGranted());
    granted = true;
    EXPECT_FALSE(model->fullDiskAccessGranted()) << "only asked when told";
    QSignalSpy spy(model.get(), &LargeFilesViewModel::fullDiskAccessGrantedChanged);
    model->refreshFullDiskAccess();
    EXPECT_TRUE(model->fullDiskAccessGranted());
    EXPECT_EQ(spy.size(), 1);
}

TEST_F(LargeFilesViewModelTest, WhileRestoringNothingElseStartsAndUndoWaitsForCleanAndEmptying)
{
    home.file("Docs/big1", 1'200'000, 'a');
    home.file("Docs/big2", 1'200'000, 'b');
    home.file("Docs/big3", 1'200'000, 'c');
    make();
    const auto emptyGate = std::make_shared<test::StepGate>();
    const std::unique_ptr<CleanupViewModel> cleanup = test::cleanupBeside(
        clock, tracker, home.home(), system.root(), emptyGate, std::make_shared<test::FakeWorkspace>());
    model->setMinMB(1);
    search();
    select("big1");
    cleanAndWait();

    tracker.setEmptyingTrash(true);
    model->undoLast();
    EXPECT_FALSE(model->restoring());
    tracker.setEmptyingTrash(false);

    gate->arm(FsStep::Move);
    select("big2");
    model->confirmClean();
    ASSERT_TRUE(settle([&] { return gate->holding(); }));
    model->undoLast();
    EXPECT_FALSE(model->restoring()) << "no undo during a clean";
    model->scan();
    EXPECT_NE(model->phase(), Phase::scanning) << "no search during a clean";
    gate->release();
    ASSERT_TRUE(settle([&] { return !model->cleaning(); }));
    const int generation = model->generation();
    select("big3");
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() == 2; }));

    // While an undo runs nothing else starts, here or in Cleanup's Empty Trash.
    gate->arm(FsStep::Move);
    model->undoLast();
    ASSERT_TRUE(settle([&] { return gate->holding(); }));
    EXPECT_TRUE(model->restoring());
    EXPECT_TRUE(tracker.anyRestoring());
    model->scan();
    model->chooseFolder();
    model->confirmClean();
    EXPECT_TRUE(picker->requests().empty());
    EXPECT_FALSE(model->cleaning());
    EXPECT_EQ(model->generation(), generation);
    cleanup->requestEmptyTrash();
    cleanup->confirmEmptyTrash();
    EXPECT_FALSE(cleanup->emptyingTrash());
    gate->release();
    ASSERT_TRUE(settle([&] { return !model->restoring(); }));
    EXPECT_FALSE(tracker.anyRestoring());
    EXPECT_TRUE(fs::exists(home.path("Docs/big3")));
    EXPECT_EQ(model->generation(), generation + 1) << "the follow-up search ran";
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    EXPECT_EQ(model->files().size(), 3u);
}

TEST_F(LargeFilesViewModelTest, AnotherFolderDuringASearchGoesBackToIdle)
{
    home.file("Docs/big1", 1'200'000, 'a');
    const Path other = home.folder("Other");
    make();
    model->setMinMB(1);
    search();
    select("big1");
    cleanAndWait();
    const int generation = model->generation();

    model->chooseFolder();
    ASSERT_EQ(picker->requests().size(), 1u);
    EXPECT_EQ(picker->requests()[0].message, QStringLiteral("Choose a folder to scan for large files"));
    picker->answer(home.home());
    EXPECT_EQ(model->generation(), generation);
    EXPECT_TRUE(model->lastReport().has_value());

    // Another folder: back to idle with the record gone.
    model->chooseFolder();
    picker->answer(other);
    EXPECT_EQ(model->phase(), Phase::idle);
    EXPECT_EQ(model->root().native(), other.native());
    EXPECT_FALSE(model->lastReport().has_value());

    // Another folder during a search: back to idle, the search's result dropped.
    model->chooseFolder();
    model->scan();
    picker->answer(home.home());
    EXPECT_EQ(model->phase(), Phase::idle);
    drain();
    EXPECT_EQ(model->phase(), Phase::idle);
    EXPECT_TRUE(model->files().empty());
}

} // namespace
} // namespace qm

#include "app/models/CloudCleanupViewModel.h"

#include "core/model/Formatting.h"
#include "support/EventLoopWait.h"
#include "support/FakeCloudDrive.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/TempTree.h"
#include "support/ThreadGate.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

namespace qm {
namespace {

using test::drain;
using test::settle;

namespace fs = std::filesystem;
using Phase = CloudCleanupViewModel::Phase;
using test::FakeCloudDrive;
using test::TempTree;
using test::ThreadGate;

const QString kScanFailed = QStringLiteral("Couldn't read your cloud drive \u2014 it may be syncing or "
                                           "temporarily unavailable. Try scanning again.");
const QString kRescanFailed =
    QStringLiteral("The eviction ran, but Quillmere couldn't re-read your cloud drive to "
                   "confirm what was freed. Try scanning again.");
const QString kNothingFreed = QStringLiteral("Those files couldn't be made online-only right now \u2014 they "
                                             "may be open in an app, or the system is still "
                                             "syncing them. Try again after closing them.");

std::vector<QUuid> idsOf(const std::vector<CloudItem>& items)
{
    std::vector<QUuid> ids;
    for (const CloudItem& item : items)
        ids.push_back(item.id);
    return ids;
}

// The drive's folder "iCloud" in a temp tree (not made until a test makes it), a fake drive confined to
// the tree that reports it, and the model over both. Both gates are wired: `questionGate` into every
// placeholder question of a scan, `evictionGate` after every eviction.
class CloudCleanupViewModelTest : public ::testing::Test
{
protected:
    CloudCleanupViewModelTest()
    {
        // A held job must never keep the next one from running.
        test::widenPool();
        drive->onDatalessQuestion([this](const Path&) { questionGate.pass(); });
        drive->onEvicted([this](const Path&) { evictionGate.pass(); });
    }
    ~CloudCleanupViewModelTest() override
    {
        questionGate.release();
        evictionGate.release();
        model.reset();
        drain();
    }

    // A file in the drive's folder that the cloud already holds.
    fs::path uploaded(const fs::path& relative, qint64 size)
    {
        const fs::path path = tree.file(root / relative, size);
        drive->setUploadState(path, CloudUploadState::uploaded);
        return path;
    }
    // Starts the page and waits for its results.
    bool started()
    {
        model->start();
        return settle([&] { return model->phase() == Phase::results; });
    }
    const CloudItem* named(const char* name) const
    {
        for (const CloudItem& item : model->items()) {
            if (item.url.filename() == name)
                return &item;
        }
        return nullptr;
    }
    void select(const char* name)
    {
        const CloudItem* item = named(name);
        ASSERT_NE(item, nullptr) << name;
        model->toggle(item->id.toString());
    }
    bool freed()
    {
        model->confirmFree();
        return settle([&] { return !model->freeing(); });
    }

    TempTree tree;
    fs::path root = tree.path("iCloud");
    std::shared_ptr<FakeCloudDrive> drive = std::make_shared<FakeCloudDrive>(tree.root(), root);
    ThreadGate questionGate;
    ThreadGate evictionGate;
    std::unique_ptr<CloudCleanupViewModel> model =
        std::make_unique<CloudCleanupViewModel>(CloudCleanupViewModel::Services{drive});
};

TEST_F(CloudCleanupViewModelTest, WithoutAFolderThePageIsUnavailableUntilOneAppears)
{
    drive->setRoot(std::nullopt);
    EXPECT_EQ(model->phase(), Phase::checking);
    model->start();
    EXPECT_EQ(model->phase(), Phase::unavailable);
    model->scan(); // the Scan command
    EXPECT_EQ(model->phase(), Phase::unavailable);
    EXPECT_EQ(model->generation(), 0);

    // A provider whose folder is not there yet.
    drive->setRoot(root);
    model->start();
    model->scan();
    EXPECT_EQ(model->phase(), Phase::unavailable);
    EXPECT_EQ(model->generation(), 0);

    uploaded("Notes.txt", 5'000);
    ASSERT_TRUE(started());
    EXPECT_EQ(model->generation(), 1);
    ASSERT_EQ(model->items().size(), 1u);
    EXPECT_EQ(model->failureNote(), QString());
}

TEST_F(CloudCleanupViewModelTest, TheScanCommandScansAFolderThatAppeared)
{
    model->start();
    ASSERT_EQ(model->phase(), Phase::unavailable);
    uploaded("Notes.txt", 5'000);
    model->scan();
    EXPECT_EQ(model->phase(), Phase::scanning);
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    EXPECT_EQ(model->items().size(), 1u);
}

TEST_F(CloudCleanupViewModelTest, AppearingAgainDoesNotMeasureAgain)
{
    uploaded("Notes.txt", 5'000);
    ASSERT_TRUE(started());
    const std::vector<QUuid> ids = idsOf(model->items());
    model->start();
    EXPECT_EQ(model->phase(), Phase::results);
    EXPECT_EQ(model->generation(), 1);
    EXPECT_EQ(idsOf(model->items()), ids);

    // An empty folder's results are not measured again by coming back either.
    fs::remove(root / "Notes.txt");
    model->scan();
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    ASSERT_TRUE(model->items().empty());
    model->start();
    EXPECT_EQ(model->generation(), 2);
}

TEST_F(CloudCleanupViewModelTest, AFolderThatCannotBeListedShowsAnEmptyResultAndSaysSo)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    uploaded("Notes.txt", 5'000);
    tree.chmod(root, 0700);
    {
        test::DroppedPrivileges dropped;
        model->scan();
        ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
        drain();
    }
    EXPECT_TRUE(model->items().empty());
    EXPECT_EQ(model->failureNote(), kScanFailed);
    model->setFailureNote(QString()); // the alert's OK
    EXPECT_EQ(model->failureNote(), QString());
}

TEST_F(CloudCleanupViewModelTest, ASupersededScansLateProgressChangesNothing)
{
    uploaded("Folder/inside.bin", 5'000);
    ThreadGate second;
    drive->onDatalessQuestion([&](const Path&) {
        questionGate.pass();
        second.pass();
    });
    EXPECT_EQ(model->progressText(), QStringLiteral("Reading your cloud drive\u2026"));

    questionGate.arm();
    model->scan();
    ASSERT_TRUE(settle([&] { return questionGate.holding() && model->total() == 1; }));
    EXPECT_EQ(model->progressText(), QStringLiteral("Measuring your cloud drive\u2026 0 of 1"));
    EXPECT_FALSE(model->canRescan());

    // The second scan takes over and is held in its walk too.
    second.arm();
    model->scan();
    EXPECT_EQ(model->total(), 0);
    ASSERT_TRUE(settle([&] { return second.holding() && model->total() == 1; }));
    QSignalSpy progress(model.get(), &CloudCleanupViewModel::progressChanged);

    // The first one finishes its entry and reports (1, 1), then its result: both are dropped.
    questionGate.release();
    ASSERT_TRUE(settle([] { return QThreadPool::globalInstance()->activeThreadCount() == 1; }));
    for (int round = 0; round < 5; ++round)
        QCoreApplication::processEvents();
    EXPECT_EQ(model->scanned(), 0);
    EXPECT_EQ(model->total(), 1);
    EXPECT_EQ(progress.count(), 0);
    EXPECT_EQ(model->phase(), Phase::scanning);

    second.release();
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    EXPECT_EQ(model->scanned(), 1);
    EXPECT_EQ(model->items().size(), 1u);
    EXPECT_TRUE(model->canRescan());
}

TEST_F(CloudCleanupViewModelTest, OnlyItemsWithALocalCopyCanBeSelected)
{
    uploaded("Local.bin", 20'000);
    drive->makeDataless(uploaded("CloudOnly.bin", 9'000));
    ASSERT_TRUE(started());
    ASSERT_NE(named("CloudOnly.bin"), nullptr);
    EXPECT_EQ(named("CloudOnly.bin")->localBytes, 0);

    select("CloudOnly.bin");
    model->toggle(QUuid::createUuid().toString());
    model->toggle(QStringLiteral("not an id"));
    EXPECT_TRUE(model->selected().empty());
    model->requestFree();
    EXPECT_FALSE(model->showConfirm());
    model->confirmFree();
    EXPECT_FALSE(model->freeing()) << "nothing selected, nothing to free";
    EXPECT_EQ(model->generation(), 1);

    select("Local.bin");
    EXPECT_EQ(model->selectedCount(), 1);
    select("Local.bin");
    EXPECT_EQ(model->selectedCount(), 0);
}

TEST_F(CloudCleanupViewModelTest, TextsCountOneItemInTheSingular)
{
    const fs::path only = uploaded("Only.bin", 20'000);
    ASSERT_TRUE(started());
    const QString size = Formatting::byteCount(test::findRegularFilesAllocatedSize(only));
    EXPECT_EQ(model->summaryText(),
              size + QStringLiteral(" downloaded locally \u00b7 1 of 1 item on this computer"));
    EXPECT_EQ(model->bottomBar(), QStringLiteral("none"));
    select("Only.bin");
    EXPECT_EQ(model->bottomBar(), QStringLiteral("selection"));
    EXPECT_EQ(model->barTitle(), size);
    EXPECT_EQ(model->barSubtitle(), QStringLiteral("1 selected to free locally"));
    EXPECT_EQ(model->confirmTitle(), QStringLiteral("Free 1 item locally?"));
    EXPECT_EQ(model->confirmButtonText(), QStringLiteral("Free ") + size + QStringLiteral(" locally"));

    const fs::path second = uploaded("Second.bin", 30'000);
    drive->makeDataless(uploaded("Third.bin", 1'000));
    model->scan();
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    EXPECT_TRUE(model->selected().empty()) << "a scan clears the selection";
    const qint64 both =
        test::findRegularFilesAllocatedSize(only) + test::findRegularFilesAllocatedSize(second);
    EXPECT_EQ(model->totalLocal(), both);
    EXPECT_EQ(model->summaryText(),
              Formatting::byteCount(both) +
                  QStringLiteral(" downloaded locally \u00b7 2 of 3 items on this computer"));
    select("Only.bin");
    select("Second.bin");
    EXPECT_EQ(model->barSubtitle(), QStringLiteral("2 selected to free locally"));
    EXPECT_EQ(model->confirmTitle(), QStringLiteral("Free 2 items locally?"));
    EXPECT_EQ(model->formattedSelected(), Formatting::byteCount(both));
    model->clearSelection();
    EXPECT_EQ(model->formattedSelected(), QStringLiteral("0 KB"));
}

TEST_F(CloudCleanupViewModelTest, AnExactFreeingReportsWhatTheNewMeasurementLost)
{
    const fs::path movie = uploaded("Movie.mov", 64'000);
    uploaded("Keep.bin", 10'000);
    ASSERT_TRUE(started());
    const qint64 expected = test::findRegularFilesAllocatedSize(movie);
    const std::vector<QUuid> before = idsOf(model->items());
    select("Movie.mov");
    model->requestFree();
    EXPECT_TRUE(model->showConfirm());
    model->setShowConfirm(false); // the dialog closes itself

    QSignalSpy completions(model.get(), &CloudCleanupViewModel::freeCompletionsChanged);
    ASSERT_TRUE(freed());
    EXPECT_EQ(model->lastFreed(), std::optional<qint64>(expected));
    EXPECT_TRUE(model->lastFreedExact());
    EXPECT_EQ(model->freeCompletions(), 1);
    EXPECT_EQ(completions.count(), 1);
    EXPECT_EQ(model->failureNote(), QString());
    EXPECT_TRUE(model->selected().empty());
    EXPECT_EQ(model->phase(), Phase::results);
    EXPECT_NE(idsOf(model->items()), before) << "the list is the new measurement";
    EXPECT_EQ(named("Movie.mov")->localBytes, 0);
    EXPECT_EQ(model->bottomBar(), QStringLiteral("freed"));
    EXPECT_EQ(model->barTitle(),
              QStringLiteral("Freed ") + Formatting::byteCount(expected) + QStringLiteral(" locally"));
    EXPECT_EQ(model->barSubtitle(), QStringLiteral("Files stay in the cloud \u2014 open one to re-download"));

    // A selection takes the bar over; clearing it brings the figure back until "Done".
    select("Keep.bin");
    EXPECT_EQ(model->bottomBar(), QStringLiteral("selection"));
    model->clearSelection();
    EXPECT_EQ(model->bottomBar(), QStringLiteral("freed"));
    model->dismissFreed();
    EXPECT_EQ(model->bottomBar(), QStringLiteral("none"));
    EXPECT_FALSE(model->hasLastFreed());
}

TEST_F(CloudCleanupViewModelTest, NothingFreedSaysWhyAndDoesNotCelebrate)
{
    const fs::path open = uploaded("Open.key", 40'000);
    drive->refuseEviction(open);
    ASSERT_TRUE(started());
    select("Open.key");
    ASSERT_TRUE(freed());
    EXPECT_EQ(model->failureNote(), kNothingFreed);
    EXPECT_FALSE(model->hasLastFreed());
    EXPECT_EQ(model->freeCompletions(), 0);
    EXPECT_EQ(model->bottomBar(), QStringLiteral("none"));
    EXPECT_GT(named("Open.key")->localBytes, 0);
}

TEST_F(CloudCleanupViewModelTest, APartialRemeasurementGivesAnUpperBound)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const fs::path big = uploaded("Big.bin", 50'000);
    tree.chown(big); // the dropped user may evict it
    tree.file(root / "Docs/readable.txt", 4'000);
    tree.file(root / "Docs/Secret/plan.txt", 4'000);
    tree.chmod(root / "Docs/Secret", 0700);
    const qint64 expected = test::findRegularFilesAllocatedSize(big);
    ASSERT_TRUE(started());
    EXPECT_FALSE(model->scanPartial());
    select("Big.bin");
    {
        test::DroppedPrivileges dropped;
        ASSERT_TRUE(freed());
        drain();
    }
    EXPECT_TRUE(model->scanPartial());
    EXPECT_EQ(model->lastFreed(), std::optional<qint64>(expected));
    EXPECT_FALSE(model->lastFreedExact());
    EXPECT_EQ(model->freeCompletions(), 1);
    EXPECT_EQ(model->barTitle(),
              QStringLiteral("Freed up to ") + Formatting::byteCount(expected) + QStringLiteral(" locally"));
    EXPECT_EQ(model->barSubtitle(),
              QStringLiteral(
                  "Approximate \u2014 some folders couldn't be fully re-read. Files stay in the cloud."));
}

TEST_F(CloudCleanupViewModelTest, AFreeingRunCannotBeInterruptedAndARescanThatCannotListKeepsTheList)
{
    const fs::path first = uploaded("First.bin", 30'000);
    uploaded("Second.bin", 20'000);
    ASSERT_TRUE(started());
    select("First.bin");
    ASSERT_TRUE(freed());
    EXPECT_EQ(test::findRegularFilesAllocatedSize(first), 0);
    ASSERT_TRUE(model->hasLastFreed());
    const qint64 firstFreed = model->lastFreedBytes();
    const std::vector<QUuid> listed = idsOf(model->items());

    // Held just after its eviction; the folder moves away there, before the re-scan.
    select("Second.bin");
    evictionGate.arm();
    model->confirmFree();
    ASSERT_TRUE(settle([&] { return evictionGate.holding(); }));
    EXPECT_TRUE(model->freeing());
    EXPECT_FALSE(model->canRescan()) << "no Re-scan while freeing";
    EXPECT_EQ(model->bottomBar(), QStringLiteral("freeing"));
    EXPECT_EQ(model->barTitle(), QStringLiteral("Freeing space\u2026"));
    EXPECT_EQ(model->barSubtitle(), QStringLiteral("Removing local copies"));
    const int generation = model->generation();
    model->confirmFree();
    fs::rename(root, tree.path("moved"));
    // The folder is gone, yet the Scan command during freeing changes nothing: the page stays on its
    // list rather than turning unavailable under the running eviction.
    model->scan();
    model->start();
    EXPECT_EQ(model->phase(), Phase::results);
    EXPECT_EQ(model->generation(), generation);
    EXPECT_TRUE(model->freeing());
    evictionGate.release();

    ASSERT_TRUE(settle([&] { return !model->freeing(); }));
    EXPECT_EQ(model->failureNote(), kRescanFailed);
    EXPECT_EQ(idsOf(model->items()), listed) << "the old list stays";
    EXPECT_TRUE(model->selected().empty());
    EXPECT_EQ(model->lastFreed(), std::optional<qint64>(firstFreed)) << "the earlier figure stays";
    EXPECT_EQ(model->freeCompletions(), 1);
    EXPECT_EQ(model->phase(), Phase::results);
    EXPECT_TRUE(model->canRescan());
}

} // namespace
} // namespace qm

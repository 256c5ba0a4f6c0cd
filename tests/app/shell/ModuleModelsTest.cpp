#include "app/shell/ModuleModels.h"

#include "TextPrinter.h"
#include "core/helper/HelperConnection.h"
#include "support/EventLoopWait.h"
#include "support/FakeAdminPrompt.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/FakeDaemonService.h"
#include "support/FixtureHome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace qm {
namespace {

// Lists the applications (none: the fixture home and "/" hold no application folder) and runs the
// event loop until the listing has landed, so that a refresh is accepted.
bool loadApplications(ApplicationsViewModel& applications)
{
    applications.load();
    QElapsedTimer timer;
    timer.start();
    while (applications.phase() != ApplicationsViewModel::Phase::loaded && timer.elapsed() < 30'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return applications.phase() == ApplicationsViewModel::Phase::loaded;
}

class ModuleModelsTest : public ::testing::Test
{
protected:
    ~ModuleModelsTest() override { QThreadPool::globalInstance()->waitForDone(); }

    // `firstFrame` null: the window's first frame counts as shown.
    std::unique_ptr<ModuleModels> make(FirstFrame* firstFrame = nullptr)
    {
        const auto helperServices = [this](Clock& c) {
            return HelperClient::Services{c,
                                          daemon,
                                          std::make_shared<test::FakeAdminPrompt>(),
                                          [] { return std::unique_ptr<HelperConnection>(); },
                                          QStringLiteral("1.0"),
                                          nullptr};
        };
        ModuleModels::Services services{clock, activity,
                                        [this] {
                                            ++reads;
                                            return MacHealth{.usedBytes = 1, .totalBytes = 2};
                                        },
                                        helperServices};
        services.firstFrame = firstFrame;
        return std::make_unique<ModuleModels>(services);
    }

    // The Cleanup model scans and measures the home folder: never the real one.
    test::FixtureHome home;
    test::FakeClock clock;
    test::FakeAppActivity activity;
    std::shared_ptr<test::FakeDaemonService> daemon = std::make_shared<test::FakeDaemonService>();
    std::atomic<int> reads{0};
};

TEST_F(ModuleModelsTest, CreatesEveryModelTheHelperAndTheMonitorAndStartsTheRegistrationRefresh)
{
    const auto models = make();
    const QList<QObject*> members{models->smartScan(),    models->health(),     models->cleanup(),
                                  models->applications(), models->largeFiles(), models->duplicates(),
                                  models->spaceLens(),    models->disk(),       models->cloud(),
                                  models->privacy(),      models->malware(),    models->performance(),
                                  models->helper(),       models->storage()};
    for (int i = 0; i < members.size(); ++i)
        EXPECT_NE(members[i], nullptr) << "member " << i;
    EXPECT_EQ(QSet<QObject*>(members.begin(), members.end()).size(), 14) << "fourteen distinct objects";

    EXPECT_EQ(models->malware()->helper(), models->helper());
    EXPECT_EQ(models->privacy()->phase(), PrivacyViewModel::Phase::idle) << "the privacy model started work";
    EXPECT_EQ(models->malware()->restoreTracker(), models->restoreTracker());
    EXPECT_EQ(models->helper()->status(), HelperClient::Status::notInstalled);
    EXPECT_FALSE(models->helper()->daemonUsable().has_value());

    // Started, not run inside the constructor; it runs once the event loop turns.
    EXPECT_EQ(daemon->count(QStringLiteral("status")), 0);
    QCoreApplication::processEvents();
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(daemon->count(QStringLiteral("status")), 1);

    // The monitor read the volume at once.
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(reads, 1);
}

TEST_F(ModuleModelsTest, TheMonitorAndTheRegistrationRefreshWaitForTheWindowsFirstFrame)
{
    FirstFrame firstFrame(false);
    const auto models = make(&firstFrame);
    QSignalSpy storageChanges(models.get(), &ModuleModels::storageChanged);
    QCoreApplication::processEvents();
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(models->storage(), nullptr);
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(daemon->count(QStringLiteral("status")), 0);

    firstFrame.markShown();
    ASSERT_NE(models->storage(), nullptr);
    EXPECT_EQ(storageChanges.size(), 1);
    QCoreApplication::processEvents();
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(daemon->count(QStringLiteral("status")), 1);

    // Once only, and never for a container that is gone.
    FirstFrame later(false);
    make(&later).reset();
    firstFrame.markShown();
    later.markShown();
    QCoreApplication::processEvents();
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(storageChanges.size(), 1);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(daemon->count(QStringLiteral("status")), 1);
}

TEST_F(ModuleModelsTest, TheMalwareModelHoldsTheHelperWeakly)
{
    MalwareViewModel malware(MalwareViewModel::Services{clock});
    auto helper = std::make_unique<HelperClient>(HelperClient::Services{
        clock, daemon, std::make_shared<test::FakeAdminPrompt>(),
        [] { return std::unique_ptr<HelperConnection>(); }, QStringLiteral("1.0"), nullptr});
    malware.setHelper(helper.get());
    EXPECT_EQ(malware.helper(), helper.get());
    helper.reset();
    EXPECT_EQ(malware.helper(), nullptr);
}

TEST_F(ModuleModelsTest, ARegistrationRefreshQueuedByAReleasedContainerNeverRuns)
{
    // Nothing to observe but the absence of a crash: the queued call targets the released client.
    make().reset();
    QCoreApplication::processEvents();
    SUCCEED();
}

TEST_F(ModuleModelsTest, ScanCommandsFollowTheScreenTable)
{
    const auto models = make();
    struct Row
    {
        QuillmereModule module;
        const char* target; // null: no command
    };
    const Row rows[] = {
        {QuillmereModule::smartScan, "Smart Scan"},      {QuillmereModule::health, "System Health"},
        {QuillmereModule::cleanup, "Cleanup"},           {QuillmereModule::protection, nullptr},
        {QuillmereModule::performance, "Performance"},   {QuillmereModule::battery, nullptr},
        {QuillmereModule::applications, "Applications"}, {QuillmereModule::files, nullptr},
        {QuillmereModule::spaceLens, "Space Lens"},      {QuillmereModule::disk, "Disk"},
        {QuillmereModule::cloud, "Cloud Cleanup"},
    };
    for (const Row& row : rows) {
        const std::optional<ScanCommand> command = models->scanCommand(row.module);
        if (row.target == nullptr) {
            EXPECT_FALSE(command.has_value()) << QuillmereModules::id(row.module).toStdString();
            continue;
        }
        ASSERT_TRUE(command.has_value()) << row.target;
        EXPECT_EQ(command->target, QString::fromUtf8(row.target));
        ASSERT_TRUE(command->run) << row.target;
    }

    // Each action reaches its own model and nothing else. The Applications model accepts a refresh
    // only once its first listing has landed.
    ASSERT_TRUE(loadApplications(*models->applications()));
    models->scanCommand(QuillmereModule::smartScan)->run();
    models->scanCommand(QuillmereModule::health)->run();
    models->scanCommand(QuillmereModule::cleanup)->run();
    models->scanCommand(QuillmereModule::performance)->run();
    models->scanCommand(QuillmereModule::applications)->run();
    models->scanCommand(QuillmereModule::spaceLens)->run();
    models->scanCommand(QuillmereModule::cloud)->run();
    EXPECT_EQ(models->smartScan()->generation(), 1);
    EXPECT_EQ(models->health()->generation(), 1);
    EXPECT_EQ(models->cleanup()->phase(), CleanupViewModel::Phase::scanning);
    EXPECT_FALSE(models->cleanup()->isPostUndoRescan()) << "the menu's scan is the user's own";
    EXPECT_EQ(models->performance()->generation(), 1);
    EXPECT_TRUE(models->applications()->refreshing());
    EXPECT_EQ(models->spaceLens()->generation(), 1);
    // No cloud provider here: the Scan command only shows the Cloud Cleanup page as unavailable.
    EXPECT_EQ(models->cloud()->generation(), 0);
    EXPECT_EQ(models->cloud()->phase(), CloudCleanupViewModel::Phase::unavailable);
    EXPECT_EQ(models->disk()->generation(), 0);
    EXPECT_TRUE(models->disk()->loading()) << "the Disk page is loading until its first report";
    EXPECT_FALSE(models->disk()->scanning());

    // The disk model ignores a second start while its scan runs.
    const ScanCommand disk = *models->scanCommand(QuillmereModule::disk);
    disk.run();
    disk.run();
    EXPECT_EQ(models->disk()->generation(), 1);
    EXPECT_TRUE(models->disk()->scanning());
    EXPECT_TRUE(models->disk()->loading());
}

TEST_F(ModuleModelsTest, PublishingPutsTheModulesCommandIntoTheFocusedValues)
{
    const auto models = make();
    FocusedValues focused;
    models->publishScanCommand(&focused, QStringLiteral("Cleanup"));
    EXPECT_EQ(focused.scanTarget(), QStringLiteral("Cleanup"));
    EXPECT_TRUE(focused.runScanCommand());
    EXPECT_EQ(models->cleanup()->phase(), CleanupViewModel::Phase::scanning);

    models->publishScanCommand(&focused, QStringLiteral("Battery"));
    EXPECT_FALSE(focused.hasScanCommand());
    models->publishScanCommand(&focused, QStringLiteral("Disk"));
    models->publishScanCommand(&focused, QStringLiteral("disk"));
    EXPECT_FALSE(focused.hasScanCommand()) << "an unknown id withdraws the command";
    models->publishScanCommand(nullptr, QStringLiteral("Disk"));
}

TEST_F(ModuleModelsTest, ACommandOutlivingItsContainerDoesNothing)
{
    auto models = make();
    const ScanCommand command = *models->scanCommand(QuillmereModule::cleanup);
    QPointer<CleanupViewModel> cleanup = models->cleanup();
    models.reset();
    EXPECT_TRUE(cleanup.isNull());
    command.run();
}

TEST_F(ModuleModelsTest, CleanupAndApplicationsKeepTheirGuards)
{
    const auto models = make();
    CleanupViewModel& cleanup = *models->cleanup();
    cleanup.scan(true);
    EXPECT_TRUE(cleanup.isPostUndoRescan());
    cleanup.scan(false);
    EXPECT_EQ(cleanup.generation(), 2) << "a rescan while scanning starts again";

    ApplicationsViewModel& applications = *models->applications();
    applications.refresh();
    EXPECT_EQ(applications.loadGeneration(), 0) << "no refresh before the first listing";
    ASSERT_TRUE(loadApplications(applications));
    applications.refresh();
    applications.refresh();
    EXPECT_EQ(applications.loadGeneration(), 2) << "no second refresh while one runs";
    EXPECT_TRUE(applications.refreshing());
}

TEST_F(ModuleModelsTest, TheUndoingModelsShareOneRestoreTracker)
{
    const auto models = make();
    ASSERT_NE(models->restoreTracker(), nullptr);
    EXPECT_FALSE(models->cleanup()->anyRestoring());
    {
        const RestoreTracker::Token restore = models->restoreTracker()->hold();
        EXPECT_TRUE(models->cleanup()->anyRestoring()) << "Cleanup does not see the shared tracker";
        EXPECT_TRUE(models->performance()->anyRestoring()) << "Performance does not see the shared tracker";
        EXPECT_TRUE(models->privacy()->anyRestoring()) << "Privacy does not see the shared tracker";
    }
    EXPECT_FALSE(models->cleanup()->anyRestoring());

    // Smart Scan's undo holds the same tracker from its start.
    SmartScanViewModel& smartScan = *models->smartScan();
    home.file(".cache/junk.bin", 4'000);
    smartScan.scan();
    ASSERT_TRUE(test::settle([&] { return smartScan.phase() == SmartScanViewModel::Phase::results; }));
    smartScan.confirmClean();
    ASSERT_TRUE(test::settle([&] { return !smartScan.isCleaning(); }));
    ASSERT_TRUE(smartScan.hasLastReport());
    smartScan.undoLast();
    EXPECT_TRUE(models->cleanup()->anyRestoring()) << "Smart Scan does not hold the shared tracker";
    ASSERT_TRUE(test::settle([&] { return !smartScan.restoring(); }));
    EXPECT_FALSE(models->cleanup()->anyRestoring());
}

TEST_F(ModuleModelsTest, TheHealthModelMeasuresTheVolumeThroughTheContainersReader)
{
    const auto models = make();
    QThreadPool::globalInstance()->waitForDone();
    const int before = reads;
    models->scanCommand(QuillmereModule::health)->run();
    QElapsedTimer timer;
    timer.start();
    while (!models->health()->hasResult() && timer.elapsed() < 30'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(models->health()->hasResult());
    EXPECT_EQ(reads, before + 1);
    EXPECT_EQ(models->health()->storage(), (MacHealth{.usedBytes = 1, .totalBytes = 2}));
}

} // namespace
} // namespace qm

#include "app/models/SmartScanViewModel.h"

#include "app/models/CleanupViewModel.h"
#include "core/cleaning/MountTable.h"
#include "core/cleaning/TrashBin.h"
#include "core/model/Formatting.h"
#include "support/EventLoopWait.h"
#include "support/FakeAppLocator.h"
#include "support/FakeClock.h"
#include "support/FixtureHome.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/StepGate.h"
#include "support/TempTree.h"

#include <QFile>
#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <utility>

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Phase = SmartScanViewModel::Phase;
using test::drain;
using test::settle;
using test::spin;

std::vector<QString> idsOf(const std::vector<JunkCategory>& categories)
{
    std::vector<QString> ids;
    for (const JunkCategory& category : categories)
        ids.push_back(category.id());
    return ids;
}

std::vector<std::string> pathsOf(const JunkCategory& category)
{
    std::vector<std::string> paths;
    for (const ScanItem& item : category.items)
        paths.push_back(item.url.native());
    return paths;
}

QByteArray contentOf(const fs::path& file)
{
    QFile f(QString::fromStdString(file.native()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

ScanItem fakeItem(const QString& name, qint64 bytes, bool selected)
{
    return ScanItem{
        QUuid::createUuid(), Path("/nowhere") / name.toStdString(), name, bytes, std::nullopt, selected};
}

// A fixture home with the real scanner, cleaner and Trash under it, a fake clock, a fake Full Disk
// Access probe and a restore tracker the test owns. The scanner's and the Trash's file access pass
// through gates a test may close.
class SmartScanViewModelTest : public ::testing::Test
{
protected:
    SmartScanViewModelTest()
    {
        // A held job must never keep the next one from running.
        test::widenPool();
    }

    ~SmartScanViewModelTest() override
    {
        scanGate->release();
        trashGate->release();
        emptyGate->release();
        model.reset();
        cleanup.reset();
        drain();
    }

    void make(SmartScanViewModel::ScanFunction scan = {})
    {
        SmartScanViewModel::Services services{clock};
        services.scanner =
            CleanupScanner(FileSystem([gate = scanGate](FsStep step, const Path&) { gate->pass(step); }),
                           home.home(), system.root(), std::make_shared<test::FakeAppLocator>());
        services.trash =
            Trash(FileSystem([gate = trashGate](FsStep step, const Path&) { gate->pass(step); }));
        services.fullDiskAccess = [this] { return access.load(); };
        services.restoreTracker = &tracker;
        services.scan = std::move(scan);
        model = std::make_unique<SmartScanViewModel>(std::move(services));
    }

    // The Cleanup page's model on the same home, Trash and tracker; its emptying passes `emptyGate`.
    void makeCleanup()
    {
        cleanup = std::make_unique<CleanupViewModel>(CleanupViewModel::Services{
            clock,
            CleanupScanner(FileSystem(), home.home(), system.root(),
                           std::make_shared<test::FakeAppLocator>()),
            TrashBin(std::nullopt,
                     FileSystem([gate = emptyGate](FsStep step, const Path&) { gate->pass(step); }),
                     [] { return MountTable(); }),
            Trash(),
            [] { return true; },
            nullptr,
            &tracker,
        });
    }

    // Caches: big.bin and the folder com.acme.cache; logs: app.log; saved state: nothing. Sizes far
    // apart, so the largest-first order is certain; contents differ, so a restore is checked byte for
    // byte.
    void buildJunk()
    {
        big = home.fileWithContent(".cache/big.bin", QByteArray(90'000, 'b') + "end of big");
        acme = home.fileWithContent(".cache/com.acme.cache/data.bin", QByteArray(30'000, 'a') + "acme")
                   .parent_path();
        log = home.fileWithContent(".npm/_logs/app.log", QByteArray(9'000, 'l') + "log tail");
        home.folder(".local/state");
    }

    void scanAndSettle()
    {
        model->scan();
        ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; })) << "the scan never ended";
    }

    void cleanAndSettle()
    {
        model->confirmClean();
        ASSERT_TRUE(model->isCleaning());
        ASSERT_TRUE(settle([&] { return !model->isCleaning(); })) << "the clean never ended";
    }

    fs::path trashFiles() const { return home.dataHome() / "Trash" / "files"; }
    // The Trash's folders, made ahead and given to "nobody", as a user's own Trash is theirs.
    void trashOwnedByNobody()
    {
        for (const fs::path& folder :
             {home.dataHome() / "Trash", trashFiles(), home.dataHome() / "Trash" / "info"}) {
            home.folder(folder);
            home.chown(folder);
        }
    }

    test::FixtureHome home;
    test::TempTree system;
    test::FakeClock clock;
    RestoreTracker tracker;
    std::shared_ptr<test::StepGate> scanGate = std::make_shared<test::StepGate>();
    std::shared_ptr<test::StepGate> trashGate = std::make_shared<test::StepGate>();
    std::shared_ptr<test::StepGate> emptyGate = std::make_shared<test::StepGate>();
    std::atomic<bool> access{true};
    std::unique_ptr<SmartScanViewModel> model;
    std::unique_ptr<CleanupViewModel> cleanup;
    fs::path big, acme, log;
};

TEST_F(SmartScanViewModelTest, AScanReportsItsProgressInOrderAndListsTheKindsWithItems)
{
    buildJunk();
    access = false;
    make();
    EXPECT_EQ(model->phase(), Phase::idle);
    EXPECT_FALSE(model->fullDiskAccessGranted()) << "probed at creation";

    access = true;
    std::vector<double> reports;
    QObject::connect(model.get(), &SmartScanViewModel::scanProgressChanged,
                     [&] { reports.push_back(model->scanProgress()); });
    model->scan();
    EXPECT_EQ(model->phase(), Phase::scanning);
    EXPECT_EQ(model->generation(), 1);
    EXPECT_TRUE(model->fullDiskAccessGranted()) << "probed again by the scan";
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    const std::vector<double> expected{0.0, 0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0};
    ASSERT_EQ(reports.size(), expected.size()) << "the reset, then one report per kind and the end";
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_DOUBLE_EQ(reports[i], expected[i]) << "report " << i;

    // Saved state is empty and readable: not listed.
    ASSERT_EQ(idsOf(model->categories()),
              (std::vector<QString>{QStringLiteral("userCaches"), QStringLiteral("logs")}));
    EXPECT_EQ(pathsOf(model->categories()[0]), (std::vector<std::string>{big.native(), acme.native()}));
    const qint64 bigBytes = test::findAllocatedSize(big);
    const qint64 acmeBytes = test::findAllocatedSize(acme);
    const qint64 logBytes = test::findAllocatedSize(log);
    EXPECT_EQ(model->totalBytes(), bigBytes + acmeBytes + logBytes);
    EXPECT_EQ(model->totalItems(), 3);
    EXPECT_EQ(model->selectedCount(), 3) << "every item comes preselected";
    EXPECT_EQ(model->selectedBytes(), model->totalBytes());
    // What the category card reads.
    const QVariantMap caches = model->categoryList().at(0).toMap();
    EXPECT_EQ(caches.value(QStringLiteral("kind")).toString(), QStringLiteral("userCaches"));
    EXPECT_EQ(caches.value(QStringLiteral("items")).toList().size(), 2);
    EXPECT_FALSE(caches.value(QStringLiteral("incomplete")).toBool());
}

TEST_F(SmartScanViewModelTest, ASecondScanDropsTheFirstScansLateProgressAndResult)
{
    buildJunk();
    make();
    scanGate->arm(FsStep::List);
    model->scan();
    ASSERT_TRUE(settle([&] { return scanGate->holding(); })) << "the first scan never listed a folder";

    model->scan();
    EXPECT_EQ(model->generation(), 2);
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    std::vector<QUuid> shownIds;
    for (const JunkCategory& category : model->categories()) {
        for (const ScanItem& item : category.items)
            shownIds.push_back(item.id);
    }
    ASSERT_EQ(shownIds.size(), 3u);

    // The first scan now runs on and posts its last report (1.0 after a stop too) and its result.
    QSignalSpy progress(model.get(), &SmartScanViewModel::scanProgressChanged);
    QSignalSpy categories(model.get(), &SmartScanViewModel::categoriesChanged);
    scanGate->release();
    drain();
    EXPECT_EQ(progress.count(), 0);
    EXPECT_EQ(categories.count(), 0);
    EXPECT_EQ(model->phase(), Phase::results);
    EXPECT_DOUBLE_EQ(model->scanProgress(), 1.0);
    std::vector<QUuid> idsAfter;
    for (const JunkCategory& category : model->categories()) {
        for (const ScanItem& item : category.items)
            idsAfter.push_back(item.id);
    }
    EXPECT_EQ(idsAfter, shownIds) << "items of the newer scan, not of the older one";
}

TEST_F(SmartScanViewModelTest, AnUnreadableKindStaysAsAnEmptyIncompleteCategoryAlsoAfterAClean)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const fs::path only = home.file(".cache/only.bin", 5'000);
    home.file(".npm/_logs/hidden.log", 5'000);
    home.chmod(home.path(".npm/_logs"), 0700);
    make();
    {
        test::DroppedPrivileges dropped;
        scanAndSettle();
        drain();
    }
    ASSERT_EQ(idsOf(model->categories()),
              (std::vector<QString>{QStringLiteral("userCaches"), QStringLiteral("logs")}))
        << "the dropped process still found the readable cache";
    EXPECT_TRUE(model->categories()[1].items.empty());
    EXPECT_TRUE(model->categories()[1].incomplete);

    cleanAndSettle();
    EXPECT_FALSE(fs::exists(only));
    ASSERT_EQ(idsOf(model->categories()), (std::vector<QString>{QStringLiteral("logs")}));
    EXPECT_TRUE(model->categories()[0].incomplete);
    EXPECT_FALSE(model->cleanedEverything()) << "an incomplete category is still shown";
    EXPECT_FALSE(model->didCleanEverything());
}

TEST_F(SmartScanViewModelTest, ACleanMovesTheSelectionToTheTrashAndCleaningEverythingSaysSo)
{
    buildJunk();
    make();
    scanAndSettle();
    model->toggleCategory(QStringLiteral("logs"));
    ASSERT_EQ(model->selectedCount(), 2);

    QSignalSpy completions(model.get(), &SmartScanViewModel::cleanCompletionsChanged);
    cleanAndSettle();
    for (const fs::path& gone : {big, acme})
        EXPECT_FALSE(fs::exists(fs::symlink_status(gone))) << gone;
    EXPECT_TRUE(fs::exists(trashFiles() / "big.bin"));
    EXPECT_TRUE(fs::exists(trashFiles() / "com.acme.cache" / "data.bin"));
    EXPECT_TRUE(fs::exists(log)) << "a deselected item stays";
    EXPECT_EQ(idsOf(model->categories()), (std::vector<QString>{QStringLiteral("logs")}));
    EXPECT_EQ(model->cleanCompletions(), 1);
    EXPECT_EQ(completions.count(), 1);
    EXPECT_FALSE(model->cleanedEverything());
    EXPECT_EQ(model->phase(), Phase::results) << "a clean leaves the phase alone";
    ASSERT_TRUE(model->hasLastReport());
    EXPECT_EQ(model->lastReportCount(), 2);
    EXPECT_EQ(model->lastReportFreed(), Formatting::byteCount(model->lastReport()->trashed[0].bytes +
                                                              model->lastReport()->trashed[1].bytes));
    EXPECT_TRUE(model->failureNote().isEmpty());

    model->toggleCategory(QStringLiteral("logs"));
    cleanAndSettle();
    EXPECT_FALSE(fs::exists(log));
    EXPECT_TRUE(model->categories().empty());
    EXPECT_EQ(model->cleanCompletions(), 2);
    EXPECT_TRUE(model->cleanedEverything());
    EXPECT_TRUE(model->didCleanEverything());
    EXPECT_EQ(model->foundComponents(), (SmartScanViewModel::FoundComponents{"0", "KB"}));

    model->scan();
    EXPECT_FALSE(model->cleanedEverything()) << "reset by the next scan";
    EXPECT_FALSE(model->hasLastReport());
}

TEST_F(SmartScanViewModelTest, ACleanWhereEveryItemFailsChangesNothingAndItsItemsStaySelected)
{
    buildJunk();
    make();
    scanAndSettle();
    // Gone between the scan and the clean.
    for (const fs::path& gone : {big, acme, log})
        fs::remove_all(gone);
    cleanAndSettle();

    EXPECT_EQ(model->cleanCompletions(), 0);
    EXPECT_FALSE(model->cleanedEverything());
    EXPECT_FALSE(model->hasLastReport()) << "no offer without a moved item";
    EXPECT_EQ(model->selectedCount(), 3) << "failed items stay listed and selected";
    EXPECT_EQ(model->failureNote(),
              QStringLiteral("3 items couldn't be moved to the Trash.\nbig.bin: No such file or directory"));
    model->setFailureNote(QString());
    EXPECT_TRUE(model->failureNote().isEmpty());
}

TEST_F(SmartScanViewModelTest, CleanedPathsCompareAsBytes)
{
    // Both names read "a\uFFFD" once decoded; only the first one moves.
    const fs::path raw = home.nonUtf8File(".cache", 6'000);
    const fs::path replacement = home.file(fs::path(".cache") / "a\xEF\xBF\xBD", 3'000);
    make();
    scanAndSettle();
    ASSERT_EQ(model->totalItems(), 2);
    fs::remove(replacement);
    cleanAndSettle();

    EXPECT_FALSE(fs::exists(fs::symlink_status(raw)));
    ASSERT_EQ(idsOf(model->categories()), (std::vector<QString>{QStringLiteral("userCaches")}));
    EXPECT_EQ(pathsOf(model->categories()[0]), (std::vector<std::string>{replacement.native()}))
        << "the failed item stays, the moved one goes";
    ASSERT_TRUE(model->hasLastReport());
    EXPECT_EQ(model->lastReport()->trashed.at(0).original.native(), raw.native());
}

TEST_F(SmartScanViewModelTest, TwoCleansTenSecondsApartAreUndoneTogetherByteForByteThenRescanned)
{
    buildJunk();
    const QByteArray bigBytes = contentOf(big);
    const QByteArray acmeBytes = contentOf(acme / "data.bin");
    const QByteArray logBytes = contentOf(log);
    make();
    scanAndSettle();
    model->toggleCategory(QStringLiteral("logs"));
    cleanAndSettle();
    ASSERT_TRUE(model->hasLastReport());

    clock.advance(10s);
    ASSERT_TRUE(model->hasLastReport());
    model->toggleCategory(QStringLiteral("logs"));
    cleanAndSettle();
    ASSERT_EQ(model->lastReportCount(), 3) << "one offer for both cleans";
    EXPECT_EQ(model->cleanCompletions(), 2);

    // The first recording's expiry falls due here and must leave the renewed offer alone.
    clock.advance(10s);
    ASSERT_TRUE(model->hasLastReport());

    model->undoLast();
    EXPECT_EQ(model->phase(), Phase::scanning);
    EXPECT_FALSE(model->hasLastReport());
    EXPECT_TRUE(model->restoring());
    ASSERT_TRUE(settle([&] { return !model->restoring() && model->phase() == Phase::results; }));
    EXPECT_EQ(model->generation(), 2) << "the undo is followed by a rescan of its own";
    EXPECT_EQ(contentOf(big), bigBytes);
    EXPECT_EQ(contentOf(acme / "data.bin"), acmeBytes);
    EXPECT_EQ(contentOf(log), logBytes);
    EXPECT_EQ(idsOf(model->categories()),
              (std::vector<QString>{QStringLiteral("userCaches"), QStringLiteral("logs")}));
    EXPECT_EQ(model->totalItems(), 3);
}

TEST_F(SmartScanViewModelTest, TheOfferEndsFifteenSecondsAfterItsLastRecordingOrWhenWithdrawn)
{
    buildJunk();
    const fs::path spare = home.file(".npm/_logs/spare.log", 2'000);
    make();
    scanAndSettle();
    model->toggleCategory(QStringLiteral("logs"));
    cleanAndSettle();
    ASSERT_TRUE(model->hasLastReport());

    // A clean 10 s later that moves nothing records the old items again: their 15 s start anew.
    clock.advance(10s);
    model->toggleCategory(QStringLiteral("logs"));
    fs::remove(log);
    fs::remove(spare);
    cleanAndSettle();
    ASSERT_TRUE(model->hasLastReport());
    EXPECT_EQ(model->lastReportCount(), 2);
    EXPECT_EQ(model->cleanCompletions(), 1);
    clock.advance(14'999ms);
    EXPECT_TRUE(model->hasLastReport()) << "an older expiry does nothing";
    clock.advance(1ms);
    EXPECT_FALSE(model->hasLastReport()) << "15 s after the last recording";

    struct Row
    {
        const char* how;
        std::function<void()> withdraw;
    };
    const Row rows[] = {
        {"dismissed", [&] { model->dismissUndo(); }},
        {"rescanned", [&] { model->scan(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.how);
        const fs::path item = home.file(".cache/again.bin", 4'000);
        scanAndSettle();
        cleanAndSettle();
        ASSERT_TRUE(model->hasLastReport());
        const int token = model->reportToken();
        row.withdraw();
        EXPECT_GT(model->reportToken(), token);
        EXPECT_FALSE(model->hasLastReport());
        model->undoLast();
        EXPECT_FALSE(model->restoring());
        clock.advance(15s);
        EXPECT_FALSE(model->hasLastReport());
        ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
        drain();
        EXPECT_FALSE(fs::exists(item)) << "the items stay in the Trash";
    }
}

TEST_F(SmartScanViewModelTest, APartlyFailedCleanRecordsTheFailureTextBesideItsDetail)
{
    buildJunk();
    make();
    scanAndSettle();
    model->toggleCategory(QStringLiteral("logs"));
    fs::remove_all(acme);
    cleanAndSettle();

    ASSERT_TRUE(model->hasLastReport()) << "big.bin moved";
    const CleanReport& report = *model->lastReport();
    ASSERT_EQ(report.trashed.size(), 1u);
    ASSERT_EQ(report.failures.size(), 1u);
    ASSERT_EQ(report.failureDetails.size(), 1u) << "one detail beside each failure text";
    EXPECT_EQ(report.failures[0], QStringLiteral("com.acme.cache: No such file or directory"));
    EXPECT_EQ(report.failureDetails[0].name, QStringLiteral("com.acme.cache"));
    EXPECT_EQ(report.failureDetails[0].url.native(), acme.native());
    EXPECT_EQ(
        model->failureNote(),
        QStringLiteral("1 item couldn't be moved to the Trash.\ncom.acme.cache: No such file or directory"));
}

TEST_F(SmartScanViewModelTest, AnUndoHeldInTheTrashKeepsEveryEmptyingAndCleanOut)
{
    buildJunk();
    make();
    makeCleanup();
    scanAndSettle();
    model->toggleCategory(QStringLiteral("logs"));
    cleanAndSettle();
    model->toggleCategory(QStringLiteral("logs"));
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() == 2; }));

    trashGate->arm(FsStep::Move);
    model->undoLast();
    ASSERT_TRUE(settle([&] { return trashGate->holding(); })) << "the restore never started moving";
    EXPECT_TRUE(model->restoring());
    EXPECT_TRUE(tracker.anyRestoring());
    EXPECT_TRUE(cleanup->anyRestoring());
    cleanup->requestEmptyTrash();
    spin(); // never drain: the held job would never end
    EXPECT_FALSE(cleanup->showEmptyConfirm()) << "offered to empty what an undo moves back";
    cleanup->confirmEmptyTrash();
    EXPECT_FALSE(cleanup->emptyingTrash());
    model->confirmClean();
    EXPECT_FALSE(model->isCleaning()) << "a clean would refuse the undo's rescan";

    trashGate->release();
    ASSERT_TRUE(settle([&] { return !model->restoring() && model->phase() == Phase::results; }));
    EXPECT_FALSE(tracker.anyRestoring());
    EXPECT_FALSE(cleanup->anyRestoring());
    for (const fs::path& back : {big, acme, log})
        EXPECT_TRUE(fs::exists(back)) << back;
}

TEST_F(SmartScanViewModelTest, NoUndoStartsWhileTheCleanupPageEmptiesTheTrash)
{
    buildJunk();
    make();
    makeCleanup();
    scanAndSettle();
    cleanAndSettle();
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() == 3; }));

    emptyGate->arm(FsStep::Remove);
    cleanup->confirmEmptyTrash();
    ASSERT_TRUE(settle([&] { return emptyGate->holding(); }));
    ASSERT_TRUE(tracker.emptyingTrash());
    model->undoLast();
    EXPECT_FALSE(model->restoring());
    EXPECT_TRUE(model->hasLastReport());
    EXPECT_EQ(model->phase(), Phase::results);

    emptyGate->release();
    ASSERT_TRUE(settle([&] { return !cleanup->emptyingTrash(); }));
}

TEST_F(SmartScanViewModelTest, ProtectedItemsAreNamedWithAndWithoutFullDiskAccess)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    // The cache home stays root's, so nobody may move its children out; gone.bin (the largest, so the
    // first failure) disappears before the clean. the npm logs folder and the Trash are nobody's own, so the
    // positive control moves.
    const fs::path gone = home.file(".cache/gone.bin", 90'000);
    const fs::path locked = home.file(".cache/locked.bin", 5'000);
    log = home.file(".npm/_logs/app.log", 9'000);
    home.chown(home.path(".npm/_logs"));
    trashOwnedByNobody();
    make();
    scanAndSettle();
    fs::remove(gone);

    const QString protectedNote =
        QStringLiteral("2 items couldn't be moved to the Trash automatically: locked.bin. "
                       "It lives in a protected location.");
    struct Row
    {
        bool granted;
        QString note;
    };
    const Row rows[] = {
        {true, protectedNote},
        {false,
         protectedNote + QStringLiteral(" Quillmere can only remove what your user may change: fixing "
                                        "that folder's permissions lets it remove items like this for you "
                                        "next time.")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.granted ? "access granted" : "access off");
        access = row.granted;
        model->setFailureNote(QString());
        {
            test::DroppedPrivileges dropped;
            cleanAndSettle();
            drain();
        }
        EXPECT_EQ(model->failureNote(), row.note);
        EXPECT_EQ(model->selectedCount(), 2) << "the failed items stay, selected";
        ASSERT_EQ(model->lastReport()->failureDetails.size(), 2u);
        EXPECT_TRUE(model->lastReport()->failureDetails[1].isPermissionDenied);
    }
    EXPECT_FALSE(fs::exists(log)) << "the dropped process moved what it may move";
    EXPECT_TRUE(fs::exists(locked));
}

TEST_F(SmartScanViewModelTest, HostileNamesReachTheFailureNoteUnchanged)
{
    make();
    // Markup (a file name cannot hold "/", so no closing tag), an entity and an argument marker.
    for (const char* name : {"<b>x<b>&amp;", "%2", "%1%2 %n"}) {
        SCOPED_TRACE(name);
        const fs::path item = home.file(fs::path(".cache") / name, 4'000);
        scanAndSettle();
        fs::remove(item);
        model->setFailureNote(QString());
        cleanAndSettle();
        EXPECT_EQ(model->failureNote(), QStringLiteral("1 item couldn't be moved to the Trash.\n") +
                                            QString::fromUtf8(name) +
                                            QStringLiteral(": No such file or directory"));
    }
}

TEST_F(SmartScanViewModelTest, ToggleCategorySelectsAllOrNone)
{
    // Categories the real scanner never yields: part of a kind selected, an incomplete empty kind.
    make([](const CleanupScanner&, const std::vector<JunkKind>& kinds,
            const CleanupScanner::Progress& progress, std::stop_token) {
        EXPECT_EQ(kinds, JunkKinds::smartScanKinds());
        progress(1.0, QString());
        return std::vector<JunkCategory>{
            {JunkKind::userCaches, {fakeItem("one", 300, true), fakeItem("two", 200, false)}, false},
            {JunkKind::logs, {}, true},
            {JunkKind::savedState, {}, false},
        };
    });
    scanAndSettle();
    ASSERT_EQ(idsOf(model->categories()),
              (std::vector<QString>{QStringLiteral("userCaches"), QStringLiteral("logs")}));

    struct Row
    {
        const char* id;
        int selected; // the selected count after the toggle
        bool changes;
    };
    const Row rows[] = {
        {"nope", 1, false},      {"UserCaches", 1, false},
        {"logs", 1, false},      {"userCaches", 2, true}, // some -> all
        {"userCaches", 0, true},                          // all -> none
        {"userCaches", 2, true},                          // none -> all
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        QSignalSpy changed(model.get(), &SmartScanViewModel::categoriesChanged);
        model->toggleCategory(QString::fromUtf8(row.id));
        EXPECT_EQ(changed.count(), row.changes ? 1 : 0);
        EXPECT_EQ(model->selectedCount(), row.selected);
    }
    EXPECT_EQ(model->selectedBytes(), 500);
}

TEST_F(SmartScanViewModelTest, FoundComponentsSplitTheSizeText)
{
    make([](const CleanupScanner&, const std::vector<JunkKind>&, const CleanupScanner::Progress&,
            std::stop_token) {
        return std::vector<JunkCategory>{{JunkKind::logs, {fakeItem("big", 1'234'567, true)}, false}};
    });
    EXPECT_EQ(model->foundComponents(), (SmartScanViewModel::FoundComponents{"0", "KB"}));
    scanAndSettle();
    EXPECT_EQ(model->foundComponents(), (SmartScanViewModel::FoundComponents{"1.2", "MB"}));
    EXPECT_EQ(model->foundValue(), QStringLiteral("1.2"));
    EXPECT_EQ(model->foundUnit(), QStringLiteral("MB"));

    struct Row
    {
        const char* text;
        const char* value;
        const char* unit;
    };
    const Row rows[] = {
        {"Zero KB", "0", "KB"}, {"Zero", "0", "GB"},          {"12", "12", "GB"},
        {"", "0", "GB"},        {"  3.4   kB ", "3.4", "kB"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SmartScanViewModel::splitFoundText(QString::fromUtf8(row.text)),
                  (SmartScanViewModel::FoundComponents{row.value, row.unit}))
            << row.text;
    }
}

TEST_F(SmartScanViewModelTest, ScanUndoAndCleanAreRefusedWhileACleanRuns)
{
    buildJunk();
    make();
    scanAndSettle();
    model->toggleCategory(QStringLiteral("logs"));
    cleanAndSettle();
    ASSERT_TRUE(model->hasLastReport());
    model->toggleCategory(QStringLiteral("logs"));

    trashGate->arm(FsStep::Move);
    model->confirmClean();
    ASSERT_TRUE(settle([&] { return trashGate->holding(); }));
    model->scan();
    model->undoLast();
    model->confirmClean();
    EXPECT_EQ(model->generation(), 1);
    EXPECT_EQ(model->phase(), Phase::results);
    EXPECT_FALSE(model->restoring());
    EXPECT_TRUE(model->hasLastReport());

    trashGate->release();
    ASSERT_TRUE(settle([&] { return !model->isCleaning(); }));
    drain();
    EXPECT_EQ(model->lastReportCount(), 3) << "one more clean, not two";
    EXPECT_EQ(model->cleanCompletions(), 2);
    EXPECT_TRUE(fs::exists(trashFiles() / "big.bin")) << "nothing was restored";
}

} // namespace
} // namespace qm

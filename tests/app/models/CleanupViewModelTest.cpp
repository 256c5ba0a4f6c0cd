#include "app/models/CleanupViewModel.h"

#include "core/model/Formatting.h"
#include "platform/Workspace.h"
#include "support/EventLoopWait.h"
#include "support/FakeAppLocator.h"
#include "support/FakeClock.h"
#include "support/FakeWorkspace.h"
#include "support/FixtureHome.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/StepGate.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <utility>

namespace qm {
namespace {

using test::drain;
using test::settle;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Phase = CleanupViewModel::Phase;

std::vector<QString> idsOf(const std::vector<JunkCategory>& categories)
{
    std::vector<QString> ids;
    for (const JunkCategory& category : categories)
        ids.push_back(category.id());
    return ids;
}

std::vector<QString> namesOf(const JunkCategory& category)
{
    std::vector<QString> names;
    for (const ScanItem& item : category.items)
        names.push_back(item.name);
    return names;
}

// A fixture home with the real scanner, cleaner and Trash under it, a system root without
// applications, a fake clock and a fake desktop. The scanner's and the cleaner's file access pass
// through gates a test may close.
class CleanupViewModelTest : public ::testing::Test
{
protected:
    CleanupViewModelTest()
    {
        // A held job must never keep the next one from running.
        test::widenPool();
    }

    ~CleanupViewModelTest() override
    {
        scanGate->release();
        trashGate->release();
        model.reset();
        drain();
    }

    // `volumes` lists the volumes whose trash folders count beside the home trash (none by default).
    void make(FileSystem trashBinFiles = {}, TrashBin::MountSource volumes = {})
    {
        if (!volumes)
            volumes = [] { return MountTable(); };
        model = std::make_unique<CleanupViewModel>(CleanupViewModel::Services{
            clock,
            CleanupScanner(FileSystem([gate = scanGate](FsStep step, const Path&) { gate->pass(step); }),
                           home.home(), system.root(), std::make_shared<test::FakeAppLocator>()),
            // Never the machine's own volumes and their trash folders.
            TrashBin(std::nullopt, std::move(trashBinFiles), std::move(volumes)),
            Trash(FileSystem([gate = trashGate](FsStep step, const Path&) { gate->pass(step); })),
            [this] {
                ++accessAsked;
                return access.load();
            },
            workspace,
        });
    }

    // Caches (preselected): big.bin and the folder com.acme.cache; logs (preselected): app.log;
    // developer caches (not preselected): the npm cache folder index-v5. Sizes far apart, so the
    // largest-first order is certain.
    void buildJunk()
    {
        big = home.file(".cache/big.bin", 90'000);
        acme = home.file(".cache/com.acme.cache/data.bin", 30'000).parent_path();
        log = home.file(".npm/_logs/app.log", 9'000);
        npm = home.file(".npm/_cacache/index-v5/entry", 20'000).parent_path();
    }

    void scanAndSettle()
    {
        model->scan(false);
        ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; })) << "the scan never ended";
    }

    void cleanAndSettle()
    {
        model->confirmClean();
        ASSERT_EQ(model->phase(), Phase::cleaning);
        ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; })) << "the clean never ended";
    }

    const ScanItem& item(const QString& categoryId, const QString& name) const
    {
        for (const JunkCategory& category : model->categories()) {
            if (category.id() != categoryId)
                continue;
            for (const ScanItem& candidate : category.items) {
                if (candidate.name == name)
                    return candidate;
            }
        }
        static const ScanItem none;
        ADD_FAILURE() << "no item " << name.toStdString() << " in " << categoryId.toStdString();
        return none;
    }

    // Leaves exactly the named items selected.
    void selectOnly(const std::vector<std::pair<QString, QString>>& wanted)
    {
        model->selectAll(false);
        for (const auto& [categoryId, name] : wanted)
            model->toggleItem(categoryId, item(categoryId, name).id);
    }

    fs::path trashFiles() const { return home.dataHome() / "Trash" / "files"; }
    fs::path trashInfo() const { return home.dataHome() / "Trash" / "info"; }
    // The Trash's folders, made ahead and given to "nobody", as a user's own Trash is theirs.
    void trashOwnedByNobody()
    {
        for (const fs::path& folder : {home.dataHome() / "Trash", trashFiles(), trashInfo()}) {
            home.folder(folder);
            home.chown(folder);
        }
    }

    test::FixtureHome home;
    test::TempTree system;
    test::FakeClock clock;
    std::shared_ptr<test::FakeWorkspace> workspace = std::make_shared<test::FakeWorkspace>();
    std::shared_ptr<test::StepGate> scanGate = std::make_shared<test::StepGate>();
    std::shared_ptr<test::StepGate> trashGate = std::make_shared<test::StepGate>();
    std::atomic<bool> access{true};
    std::atomic<int> accessAsked{0};
    std::unique_ptr<CleanupViewModel> model;
    fs::path big, acme, log, npm;
};

TEST_F(CleanupViewModelTest, ScanSelectCleanUndoAndTheAutomaticRescan)
{
    buildJunk();
    make();
    EXPECT_EQ(model->phase(), Phase::idle);
    EXPECT_EQ(model->contentState(), QStringLiteral("idle"));
    EXPECT_EQ(model->bottomBar(), QStringLiteral("none"));

    std::vector<std::pair<double, QString>> reports;
    QObject::connect(model.get(), &CleanupViewModel::progressChanged,
                     [&] { reports.emplace_back(model->progress(), model->progressLabel()); });
    model->scan(false);
    EXPECT_EQ(model->phase(), Phase::scanning);
    EXPECT_FALSE(model->isPostUndoRescan());
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    const std::vector<std::pair<double, QString>> expectedReports{
        {0.0, QStringLiteral("Starting\u2026")},
        {0.0, QStringLiteral("Scanning User Caches\u2026")},
        {0.2, QStringLiteral("Scanning Application Logs\u2026")},
        {0.4, QStringLiteral("Scanning Saved App State\u2026")},
        {0.6, QStringLiteral("Scanning Developer Caches\u2026")},
        {0.8, QStringLiteral("Scanning App Leftovers\u2026")},
        {1.0, QStringLiteral("Scanning App Leftovers\u2026")},
    };
    EXPECT_EQ(reports, expectedReports) << "every report, in order, before the result";

    // Empty, readable kinds are not listed.
    ASSERT_EQ(idsOf(model->categories()),
              (std::vector<QString>{QStringLiteral("userCaches"), QStringLiteral("logs"),
                                    QStringLiteral("developerCaches")}));
    EXPECT_EQ(namesOf(model->categories()[0]),
              (std::vector<QString>{QStringLiteral("big.bin"), QStringLiteral("com.acme.cache")}));
    EXPECT_EQ(namesOf(model->categories()[2]), (std::vector<QString>{QStringLiteral("npm \u00b7 index-v5")}));
    const qint64 bigBytes = test::findAllocatedSize(big);
    const qint64 acmeBytes = test::findAllocatedSize(acme);
    const qint64 logBytes = test::findAllocatedSize(log);
    const qint64 npmBytes = test::findAllocatedSize(npm);
    EXPECT_EQ(model->totalBytes(), bigBytes + acmeBytes + logBytes + npmBytes);
    EXPECT_EQ(model->selectedCount(), 3) << "caches and logs come preselected, developer caches not";
    EXPECT_EQ(model->selectedBytes(), bigBytes + acmeBytes + logBytes);
    EXPECT_EQ(model->contentState(), QStringLiteral("results"));
    EXPECT_EQ(model->bottomBar(), QStringLiteral("selection"));

    // Adjust: logs off, developer caches on, then one cache item off and on again.
    QSignalSpy edits(model.get(), &CleanupViewModel::categoriesChanged);
    model->toggleItem(QStringLiteral("logs"),
                      item(QStringLiteral("logs"), QStringLiteral("npm \u00B7 app.log")).id);
    model->setCategory(QStringLiteral("developerCaches"), true);
    model->toggleItem(QStringLiteral("userCaches"),
                      item(QStringLiteral("userCaches"), QStringLiteral("big.bin")).id.toString());
    EXPECT_EQ(edits.count(), 3);
    QVariantMap caches = model->categoryList().at(0).toMap();
    EXPECT_EQ(caches.value(QStringLiteral("selectionState")).toString(), QStringLiteral("some"));
    EXPECT_EQ(caches.value(QStringLiteral("selectionSummary")).toString(),
              QStringLiteral("1 of 2 items selected"));
    EXPECT_EQ(caches.value(QStringLiteral("sizeText")).toString(), Formatting::byteCount(acmeBytes));
    model->toggleItem(QStringLiteral("userCaches"),
                      item(QStringLiteral("userCaches"), QStringLiteral("big.bin")).id);
    caches = model->categoryList().at(0).toMap();
    EXPECT_EQ(caches.value(QStringLiteral("selectionSummary")).toString(), QStringLiteral("2 items"));
    EXPECT_EQ(model->categoryList().at(1).toMap().value(QStringLiteral("selectionState")).toString(),
              QStringLiteral("none"));
    EXPECT_EQ(model->categoryList().at(2).toMap().value(QStringLiteral("selectionState")).toString(),
              QStringLiteral("all"));
    // Unknown categories and items change nothing.
    edits.clear();
    model->setCategory(QStringLiteral("savedState"), true);
    model->setCategory(QStringLiteral("UserCaches"), false);
    model->toggleItem(QStringLiteral("logs"), QStringLiteral("not-a-uuid"));
    model->toggleItem(QStringLiteral("logs"), QUuid::createUuid());
    EXPECT_EQ(edits.count(), 0);
    EXPECT_EQ(model->selectedCount(), 3);
    EXPECT_EQ(model->selectedBytes(), bigBytes + acmeBytes + npmBytes);
    EXPECT_EQ(model->selectedCountText(), QStringLiteral("3 items selected"));
    EXPECT_EQ(model->cleanConfirmTitle(), QStringLiteral("Move 3 items to the Trash?"));
    EXPECT_EQ(model->cleanConfirmButtonText(), QStringLiteral("Move ") +
                                                   Formatting::byteCount(bigBytes + acmeBytes + npmBytes) +
                                                   QStringLiteral(" to Trash"));

    model->confirmClean();
    EXPECT_EQ(model->phase(), Phase::cleaning);
    EXPECT_EQ(model->bottomBar(), QStringLiteral("cleaning"));
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    for (const fs::path& gone : {big, acme, npm})
        EXPECT_FALSE(fs::exists(fs::symlink_status(gone))) << gone;
    EXPECT_TRUE(fs::exists(log)) << "a deselected item stays";
    EXPECT_EQ(idsOf(model->categories()), (std::vector<QString>{QStringLiteral("logs")}));
    EXPECT_FALSE(model->cleanedEverything());
    ASSERT_TRUE(model->hasUndoOffer());
    EXPECT_EQ(model->lastReport()->trashed.size(), 3u);
    EXPECT_EQ(model->undoOfferText(), QStringLiteral("Freed ") +
                                          Formatting::byteCount(bigBytes + acmeBytes + npmBytes) +
                                          QStringLiteral(" \u2014 3 items in Trash"));
    EXPECT_EQ(model->cleanCompletions(), 1);
    EXPECT_TRUE(model->failureNote().isEmpty());
    EXPECT_EQ(model->bottomBar(), QStringLiteral("undoOffer"));

    // The clean refreshed the Trash summary.
    ASSERT_TRUE(settle([&] { return model->trashCount() == 3; }));
    EXPECT_EQ(model->trashBytes(), test::findAllocatedSize(trashFiles()));
    EXPECT_EQ(model->trashSubtitle(), QStringLiteral("3 items \u00b7 ") +
                                          Formatting::byteCount(model->trashBytes()) +
                                          QStringLiteral(" \u2014 frees space permanently"));

    model->undoLast();
    EXPECT_TRUE(model->restoring());
    EXPECT_EQ(model->phase(), Phase::scanning);
    EXPECT_TRUE(model->isPostUndoRescan());
    EXPECT_FALSE(model->hasUndoOffer());
    ASSERT_TRUE(settle([&] {
        return !model->restoring() && model->generation() == 2 && model->phase() == Phase::results;
    })) << "the undo is followed by a rescan of its own";
    for (const fs::path& back : {big, acme, npm, log})
        EXPECT_TRUE(fs::exists(back)) << back;
    EXPECT_TRUE(model->isPostUndoRescan());
    EXPECT_EQ(idsOf(model->categories()),
              (std::vector<QString>{QStringLiteral("userCaches"), QStringLiteral("logs"),
                                    QStringLiteral("developerCaches")}));
    ASSERT_TRUE(settle([&] { return model->trashCount() == 0; })) << "and by a Trash refresh";
}

TEST_F(CleanupViewModelTest, TwoCleansTenSecondsApartAreUndoneTogether)
{
    buildJunk();
    make();
    scanAndSettle();
    selectOnly({{QStringLiteral("userCaches"), QStringLiteral("big.bin")}});
    cleanAndSettle();
    ASSERT_TRUE(model->hasUndoOffer());

    clock.advance(10s);
    ASSERT_TRUE(model->hasUndoOffer());
    selectOnly({{QStringLiteral("logs"), QStringLiteral("npm \u00B7 app.log")}});
    cleanAndSettle();
    ASSERT_TRUE(model->hasUndoOffer());
    ASSERT_EQ(model->lastReport()->trashed.size(), 2u);
    EXPECT_EQ(model->lastReport()->trashed[0].original, big);
    EXPECT_EQ(model->lastReport()->trashed[1].original, log);
    EXPECT_EQ(model->undoOfferText().right(16), QStringLiteral("2 items in Trash"));

    // The first offer's timer falls due at 15 s and must not close the offer the second clean renewed.
    clock.advance(10s);
    ASSERT_TRUE(model->hasUndoOffer());

    model->undoLast();
    ASSERT_TRUE(settle([&] { return !model->restoring() && model->phase() == Phase::results; }));
    EXPECT_TRUE(fs::exists(big));
    EXPECT_TRUE(fs::exists(log));
}

TEST_F(CleanupViewModelTest, TheOfferClosesFifteenSecondsAfterTheCleanOrWhenDismissedOrRescanned)
{
    buildJunk();
    make();
    scanAndSettle();

    selectOnly({{QStringLiteral("userCaches"), QStringLiteral("big.bin")}});
    cleanAndSettle();
    clock.advance(14'999ms);
    EXPECT_TRUE(model->hasUndoOffer());
    clock.advance(1ms);
    EXPECT_FALSE(model->hasUndoOffer()) << "15 s after the clean";
    EXPECT_TRUE(model->undoOfferText().isEmpty());

    selectOnly({{QStringLiteral("logs"), QStringLiteral("npm \u00B7 app.log")}});
    cleanAndSettle();
    ASSERT_TRUE(model->hasUndoOffer());
    model->dismissUndo();
    EXPECT_FALSE(model->hasUndoOffer());
    EXPECT_FALSE(fs::exists(log)) << "dismissing leaves the items in the Trash";

    selectOnly({{QStringLiteral("userCaches"), QStringLiteral("com.acme.cache")}});
    cleanAndSettle();
    ASSERT_TRUE(model->hasUndoOffer());
    model->scan(false);
    EXPECT_FALSE(model->hasUndoOffer()) << "a new scan closes the offer at once";
}

TEST_F(CleanupViewModelTest, AnEmptyResultAndCleaningEverything)
{
    make();
    scanAndSettle();
    EXPECT_TRUE(model->categories().empty());
    EXPECT_TRUE(model->isEmptyResult());
    EXPECT_EQ(model->contentState(), QStringLiteral("empty"));
    EXPECT_EQ(model->foundText(), QStringLiteral("0 KB found"));

    home.file(".cache/only.bin", 5'000);
    scanAndSettle();
    ASSERT_EQ(idsOf(model->categories()), (std::vector<QString>{QStringLiteral("userCaches")}));
    cleanAndSettle();
    EXPECT_TRUE(model->categories().empty());
    EXPECT_TRUE(model->cleanedEverything());
    EXPECT_TRUE(model->didCleanEverything());
    EXPECT_FALSE(model->isEmptyResult());
    EXPECT_EQ(model->contentState(), QStringLiteral("cleanedAll"));
    EXPECT_EQ(model->bottomBar(), QStringLiteral("undoOffer"));
    model->scan(false);
    EXPECT_FALSE(model->cleanedEverything());
}

TEST_F(CleanupViewModelTest, AnIncompleteKindWithoutItemsStaysListed)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    home.file(".cache/only.bin", 5'000);
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
    const QVariantMap logs = model->categoryList().at(1).toMap();
    EXPECT_TRUE(logs.value(QStringLiteral("incomplete")).toBool());
    EXPECT_EQ(logs.value(QStringLiteral("count")).toLongLong(), 0);
    EXPECT_EQ(logs.value(QStringLiteral("selectionSummary")).toString(), QStringLiteral("0 items"));
    EXPECT_EQ(logs.value(QStringLiteral("sizeText")).toString(), QStringLiteral("0 KB"));
    EXPECT_FALSE(model->isEmptyResult());
    EXPECT_EQ(model->contentState(), QStringLiteral("results"));
}

TEST_F(CleanupViewModelTest, AReplacedScansLateProgressAndResultAreDropped)
{
    buildJunk();
    make();
    scanGate->arm(FsStep::List);
    model->scan(false);
    ASSERT_TRUE(settle([&] { return scanGate->holding(); })) << "the first scan never listed a root";

    model->scan(false);
    EXPECT_EQ(model->generation(), 2);
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    std::vector<QUuid> shownIds;
    for (const JunkCategory& category : model->categories()) {
        for (const ScanItem& scanned : category.items)
            shownIds.push_back(scanned.id);
    }
    ASSERT_EQ(shownIds.size(), 4u);

    // The first scan now runs on to its end and posts its last report and its result.
    QSignalSpy progress(model.get(), &CleanupViewModel::progressChanged);
    QSignalSpy categories(model.get(), &CleanupViewModel::categoriesChanged);
    scanGate->release();
    drain();
    EXPECT_EQ(progress.count(), 0);
    EXPECT_EQ(categories.count(), 0);
    std::vector<QUuid> idsAfter;
    for (const JunkCategory& category : model->categories()) {
        for (const ScanItem& scanned : category.items)
            idsAfter.push_back(scanned.id);
    }
    EXPECT_EQ(idsAfter, shownIds) << "items of the newer scan, not of the older one";
    EXPECT_EQ(model->phase(), Phase::results);
    EXPECT_DOUBLE_EQ(model->progress(), 1.0);
}

TEST_F(CleanupViewModelTest, CancellingTheFirstScanReturnsToIdle)
{
    buildJunk();
    make();
    scanGate->arm(FsStep::List);
    model->scan(false);
    ASSERT_TRUE(settle([&] { return scanGate->holding(); }));

    model->cancelScan();
    EXPECT_EQ(model->phase(), Phase::idle);
    EXPECT_EQ(model->contentState(), QStringLiteral("idle"));
    QSignalSpy progress(model.get(), &CleanupViewModel::progressChanged);
    QSignalSpy phase(model.get(), &CleanupViewModel::phaseChanged);
    scanGate->release();
    drain();
    EXPECT_EQ(model->phase(), Phase::idle) << "the cancelled scan's result is discarded";
    EXPECT_TRUE(model->categories().empty());
    EXPECT_EQ(progress.count(), 0);
    EXPECT_EQ(phase.count(), 0);
}

TEST_F(CleanupViewModelTest, WhileCleaningScanAndCancelChangeNothing)
{
    buildJunk();
    make();
    scanAndSettle();
    trashGate->arm(FsStep::Move);
    model->confirmClean();
    ASSERT_TRUE(settle([&] { return trashGate->holding(); }));

    model->scan(false);
    model->cancelScan();
    model->confirmClean();
    EXPECT_EQ(model->phase(), Phase::cleaning);
    EXPECT_EQ(model->generation(), 1);

    trashGate->release();
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    EXPECT_EQ(model->lastReport()->trashed.size(), 3u) << "one clean, not two";
}

TEST_F(CleanupViewModelTest, AScanEndingDuringACleanLeavesThePageCleaning)
{
    buildJunk();
    const fs::path kept = home.file(trashFiles() / "kept.txt", 3'000);
    make();
    scanAndSettle();
    model->refreshTrash();
    ASSERT_TRUE(settle([&] { return model->trashCount() == 1; }));

    // A rescan is held before it lists anything; a clean of what is still on screen starts meanwhile
    // and is held before its first move.
    scanGate->arm(FsStep::List);
    model->scan(false);
    ASSERT_TRUE(settle([&] { return scanGate->holding(); }));
    trashGate->arm(FsStep::Move);
    model->confirmClean();
    ASSERT_EQ(model->phase(), Phase::cleaning);
    ASSERT_TRUE(settle([&] { return trashGate->holding(); }));

    QSignalSpy landed(model.get(), &CleanupViewModel::categoriesChanged);
    scanGate->release();
    ASSERT_TRUE(settle([&] { return landed.count() > 0; })) << "the rescan never ended";
    EXPECT_EQ(model->phase(), Phase::cleaning) << "the clean is still moving items";
    model->confirmEmptyTrash();
    EXPECT_FALSE(model->emptyingTrash());
    model->confirmClean();

    trashGate->release();
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    drain();
    EXPECT_TRUE(fs::exists(kept)) << "nothing in the Trash was deleted while the clean ran";
    ASSERT_TRUE(model->hasUndoOffer());
    EXPECT_EQ(model->lastReport()->trashed.size(), 3u) << "one clean, not two";
    EXPECT_TRUE(model->failureNote().isEmpty());
    EXPECT_EQ(idsOf(model->categories()), (std::vector<QString>{QStringLiteral("developerCaches")}))
        << "the rescan's categories without what the clean moved";
}

TEST_F(CleanupViewModelTest, EmptyingIsRefusedWhileAnUndoRestores)
{
    buildJunk();
    const fs::path kept = home.file(trashFiles() / "kept.txt", 3'000);
    make();
    scanAndSettle();
    cleanAndSettle();
    ASSERT_TRUE(settle([&] { return model->trashCount() == 4; }));

    trashGate->arm(FsStep::Move);
    model->undoLast();
    ASSERT_TRUE(settle([&] { return trashGate->holding(); })) << "the restore never started moving";
    EXPECT_TRUE(model->restoring());
    model->requestEmptyTrash();
    model->confirmEmptyTrash();
    EXPECT_FALSE(model->emptyingTrash());

    trashGate->release();
    ASSERT_TRUE(settle([&] { return !model->restoring() && model->phase() == Phase::results; }));
    drain();
    EXPECT_FALSE(model->showEmptyConfirm());
    EXPECT_TRUE(model->emptyResultNote().isEmpty());
    for (const fs::path& back : {big, acme, log})
        EXPECT_TRUE(fs::exists(back)) << back;
    EXPECT_TRUE(fs::exists(kept)) << "nothing in the Trash was deleted";

    // Once the restore is over, the same two calls empty the Trash.
    const qint64 keptBytes = test::findAllocatedSize(kept);
    model->requestEmptyTrash();
    ASSERT_TRUE(settle([&] { return model->showEmptyConfirm(); }));
    EXPECT_EQ(model->trashCount(), 1);
    model->confirmEmptyTrash();
    EXPECT_TRUE(model->emptyingTrash());
    ASSERT_TRUE(settle([&] { return !model->emptyingTrash(); }));
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_EQ(model->emptyResultNote(), QStringLiteral("Trash emptied \u2014 ") +
                                            Formatting::byteCount(keptBytes) + QStringLiteral(" reclaimed"));
}

TEST_F(CleanupViewModelTest, FailureNoteForSeveralGenericFailures)
{
    buildJunk();
    make();
    scanAndSettle();
    // Gone between the scan and the clean.
    for (const fs::path& gone : {big, acme, log})
        fs::remove_all(gone);
    cleanAndSettle();

    EXPECT_EQ(model->failureNote(), QStringLiteral("3 items couldn't be moved to the Trash.\n"
                                                   "big.bin: No such file or directory"));
    EXPECT_FALSE(model->failureNeedsFullDiskAccess());
    EXPECT_EQ(accessAsked, 0) << "only a protected location asks about access";
    EXPECT_FALSE(model->hasUndoOffer());
    EXPECT_EQ(model->cleanCompletions(), 0);
    EXPECT_EQ(model->selectedCount(), 3) << "failed items stay listed and selected";
    model->setFailureNote(QString());
    EXPECT_TRUE(model->failureNote().isEmpty());
}

TEST_F(CleanupViewModelTest, FailureNoteForAProtectedItemWithAndWithoutFullDiskAccess)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    // The cache home stays root's, so nobody may move its children out; the npm logs folder and the Trash are
    // nobody's own, so the positive control moves.
    home.file(".cache/locked.bin", 5'000);
    log = home.file(".npm/_logs/app.log", 9'000);
    home.chown(home.path(".npm/_logs"));
    trashOwnedByNobody();
    make();
    scanAndSettle();

    struct Row
    {
        bool granted;
        QString note;
    };
    const QString protectedNote =
        QStringLiteral("1 item couldn't be moved to the Trash automatically: locked.bin. "
                       "It lives in a protected location.");
    const Row rows[] = {
        {true, protectedNote},
        {false,
         protectedNote + QStringLiteral(" Quillmere can only remove what your user may change: fixing "
                                        "that folder's permissions lets it remove items like this for you "
                                        "next time.")},
    };
    selectOnly({{QStringLiteral("userCaches"), QStringLiteral("locked.bin")},
                {QStringLiteral("logs"), QStringLiteral("npm \u00B7 app.log")}});
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
        EXPECT_EQ(model->failureNeedsFullDiskAccess(), !row.granted);
        EXPECT_EQ(model->selectedCount(), 1) << "the protected item stays, selected";
    }
    EXPECT_EQ(accessAsked, 2);
    EXPECT_FALSE(fs::exists(log)) << "the dropped process moved what it may move";
    EXPECT_TRUE(fs::exists(home.path(".cache/locked.bin")));
}

TEST_F(CleanupViewModelTest, ACompleteEmptyingIsWordedWithItsSize)
{
    make();
    struct Row
    {
        qint64 size;
    };
    for (const Row row : {Row{0}, Row{5'000}}) {
        SCOPED_TRACE(row.size);
        const fs::path entry = home.file(trashFiles() / "old.bin", row.size);
        const fs::path info = home.fileWithContent(trashInfo() / "old.bin.trashinfo", "[Trash Info]\n");
        const qint64 bytes = test::findAllocatedSize(entry);
        model->refreshTrash();
        ASSERT_TRUE(settle([&] { return model->trashCount() == 1; }));
        EXPECT_EQ(model->trashSubtitle(), QStringLiteral("1 item \u00b7 ") + Formatting::byteCount(bytes) +
                                              QStringLiteral(" \u2014 frees space permanently"));

        model->requestEmptyTrash();
        ASSERT_TRUE(settle([&] { return model->showEmptyConfirm(); }));
        EXPECT_EQ(model->emptyConfirmTitle(), QStringLiteral("Permanently delete 1 item in the Trash?"));
        EXPECT_EQ(model->emptyConfirmButtonText(),
                  QStringLiteral("Empty Trash (") + Formatting::byteCount(bytes) + QStringLiteral(")"));
        model->setShowEmptyConfirm(false);
        model->confirmEmptyTrash();
        ASSERT_TRUE(settle([&] { return !model->emptyingTrash(); }));
        drain();
        const QString note = QStringLiteral("Trash emptied \u2014 ") + Formatting::byteCount(bytes) +
                             QStringLiteral(" reclaimed");
        EXPECT_EQ(model->emptyResultNote(), note);
        EXPECT_EQ(model->trashSubtitle(), note) << "the note stays while the Trash stays empty";
        EXPECT_FALSE(fs::exists(entry));
        EXPECT_FALSE(fs::exists(info));
    }

    // Once the Trash fills again, a complete emptying's note goes.
    home.file(trashFiles() / "new.bin", 100);
    model->refreshTrash();
    ASSERT_TRUE(settle([&] { return model->trashCount() == 1; }));
    EXPECT_TRUE(model->emptyResultNote().isEmpty());
}

TEST_F(CleanupViewModelTest, APartialEmptyingIsWordedAndItsNoteStays)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    trashOwnedByNobody();
    make();
    struct Row
    {
        int removable;
        int stuckTotal;
        QString before; // the note's text before and after the size of what was removed
        QString after;
    };
    const Row rows[] = {
        {1, 1, QStringLiteral("Emptied 1 item ("), QStringLiteral("); 1 couldn't be removed")},
        {2, 2, QStringLiteral("Emptied 2 items ("), QStringLiteral("); 2 couldn't be removed")},
    };
    int made = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.removable);
        qint64 removableBytes = 0;
        std::vector<fs::path> removable;
        for (int i = 0; i < row.removable; ++i) {
            const fs::path entry = home.file(trashFiles() / ("loose" + std::to_string(made++)), 6'000);
            home.chown(entry);
            removableBytes += test::findAllocatedSize(entry);
            removable.push_back(entry);
        }
        // A folder of root's: nobody cannot delete what is inside it.
        const fs::path stuck =
            home.file(trashFiles() / ("stuck" + std::to_string(row.stuckTotal)) / "inner", 100);
        model->refreshTrash();
        ASSERT_TRUE(settle([&] { return model->trashCount() == row.removable + row.stuckTotal; }));
        {
            test::DroppedPrivileges dropped;
            ASSERT_TRUE(FileSystem().list(trashFiles()).ok()) << "the dropped process reads the Trash";
            model->confirmEmptyTrash();
            ASSERT_TRUE(model->emptyingTrash());
            ASSERT_TRUE(settle([&] { return !model->emptyingTrash(); }));
            drain();
        }
        const QString note = row.before + Formatting::byteCount(removableBytes) + row.after;
        EXPECT_EQ(model->emptyResultNote(), note);
        EXPECT_EQ(model->trashCount(), row.stuckTotal) << "the summary after the emptying";
        EXPECT_EQ(model->trashSubtitle(), note) << "the note survives the summary while items are left";
        for (const fs::path& entry : removable)
            EXPECT_FALSE(fs::exists(entry)) << entry;
        EXPECT_TRUE(fs::exists(stuck));
    }
}

TEST_F(CleanupViewModelTest, AnEmptyingThatCannotListTheTrashSaysNothingWasRemoved)
{
    const fs::path entry = home.file(trashFiles() / "old.bin", 4'000);
    const auto armed = std::make_shared<std::atomic<bool>>(false);
    const fs::path moved = home.dataHome() / "Trash" / "files.moved";
    // Just before the emptying lists the folder, it is taken away.
    make(FileSystem([armed, files = trashFiles(), moved](FsStep step, const Path& path) {
        std::error_code error;
        if (step == FsStep::List && path == files && armed->exchange(false))
            fs::rename(files, moved, error);
    }));
    model->refreshTrash();
    ASSERT_TRUE(settle([&] { return model->trashCount() == 1; }));

    *armed = true;
    model->confirmEmptyTrash();
    ASSERT_TRUE(settle([&] { return !model->emptyingTrash(); }));
    drain();
    EXPECT_EQ(model->emptyResultNote(),
              QStringLiteral("Couldn't read the Trash \u2014 nothing was removed."));
    EXPECT_TRUE(fs::exists(moved / "old.bin")) << entry;
}

TEST_F(CleanupViewModelTest, AVolumeTrashThatCannotBeListedDoesNotHideWhatWasEmptied)
{
    const fs::path entry = home.file(trashFiles() / "old.bin", 4'000);
    const qint64 entryBytes = test::findAllocatedSize(entry);
    // A volume whose trash holds a `files` link, which is never listed.
    test::TempTree volume;
    const fs::path volumeTrash = volume.folder(".Trash-" + std::to_string(::geteuid()));
    volume.symlink(volume.folder("elsewhere"), volumeTrash / "files");
    const QByteArray mountinfo =
        "7 1 0:99 / " + QByteArray::fromStdString(volume.root().native()) + " rw - ext4 /dev/x rw\n";
    make({}, [mountinfo] { return MountTable::parse(mountinfo); });
    model->refreshTrash();
    ASSERT_TRUE(settle([&] { return model->trashCount() == 1; }));

    model->confirmEmptyTrash();
    ASSERT_TRUE(settle([&] { return !model->emptyingTrash(); }));
    drain();
    EXPECT_EQ(model->emptyResultNote(), QStringLiteral("Trash emptied \u2014 ") +
                                            Formatting::byteCount(entryBytes) + QStringLiteral(" reclaimed"));
    EXPECT_FALSE(fs::exists(entry));
}

TEST_F(CleanupViewModelTest, ARestrictedTrashIsNeverEmptied)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const fs::path entry = home.file(trashFiles() / "old.bin", 4'000);
    home.chmod(trashFiles(), 0700);
    make();
    model->refreshTrash();
    ASSERT_TRUE(settle([&] { return model->trashCount() == 1; })) << "readable before the drop";
    {
        test::DroppedPrivileges dropped;
        ASSERT_TRUE(FileSystem().list(home.home()).ok()) << "the dropped process reads the home folder";
        model->refreshTrash();
        ASSERT_TRUE(settle([&] { return model->trashRestricted(); }));
        model->requestEmptyTrash();
        drain();
        EXPECT_FALSE(model->showEmptyConfirm());
        model->confirmEmptyTrash();
        EXPECT_FALSE(model->emptyingTrash());
        drain();
    }
    EXPECT_EQ(model->trashCount(), 0);
    EXPECT_FALSE(model->trashIsEmpty());
    EXPECT_EQ(
        model->trashSubtitle(),
        QStringLiteral("Quillmere may not read the Trash to empty it \u2014 open it in your file manager"));
    EXPECT_TRUE(fs::exists(entry));
}

TEST_F(CleanupViewModelTest, RevealOpensTheHomeTrashFolder)
{
    make();
    model->revealTrashInFileManager();
    ASSERT_EQ(workspace->opened().size(), 1u);
    EXPECT_EQ(workspace->opened()[0], Workspace::fileUrl(trashFiles()));
    EXPECT_EQ(workspace->opened()[0].toLocalFile(), QString::fromStdString(trashFiles().native()));
    EXPECT_TRUE(workspace->revealed().empty());
}

} // namespace
} // namespace qm

#include "app/models/SpaceLensViewModel.h"

#include "CleanupBeside.h"
#include "app/models/CleanupViewModel.h"
#include "app/models/RestoreTracker.h"
#include "core/model/Formatting.h"
#include "support/EventLoopWait.h"
#include "support/FakeClock.h"
#include "support/FakeFolderPicker.h"
#include "support/FakeWorkspace.h"
#include "support/FixtureHome.h"
#include "support/PrivilegeDrop.h"
#include "support/StepGate.h"

#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <semaphore>
#include <string>

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::drain;
using test::settle;

constexpr qint64 kBlock = 4096;

// The space lens over a fixture home and a fixture system root, with the real sizer and Trash, a fake
// chooser, desktop, probe and clock. `gate` holds the Trash's moves (removal and undo), `collect` can
// hold the sizer before it hands over each measured child.
class SpaceLensViewModelTest : public ::testing::Test
{
protected:
    SpaceLensViewModelTest() { test::widenPool(); }

    ~SpaceLensViewModelTest() override
    {
        gate->release();
        holdCollecting = false;
        collect.release(1000);
        model.reset();
        drain();
    }

    void make()
    {
        SpaceLensViewModel::Services services{clock};
        services.home = home.home();
        services.systemRoot = system.root();
        FileScanner::Services scanning;
        scanning.home = home.home();
        scanning.systemRoot = system.root();
        scanning.hook = [this](FileScanner::Checkpoint point, qint64) {
            if (point == FileScanner::Checkpoint::Collecting && holdCollecting)
                collect.acquire();
        };
        services.scanner = FileScanner(scanning);
        services.trash = Trash(FileSystem([g = gate](FsStep step, const Path&) { g->pass(step); }));
        services.fullDiskAccess = [this] { return access.load(); };
        services.folderPicker = picker;
        services.workspace = workspace;
        services.restoreTracker = &tracker;
        model = std::make_unique<SpaceLensViewModel>(std::move(services));
    }

    // A Cleanup model sharing the restore tracker; `binGate` holds its emptying of the Trash.
    std::unique_ptr<CleanupViewModel> makeCleanup()
    {
        return test::cleanupBeside(clock, tracker, home.home(), system.root(), binGate, workspace);
    }

    void finishPass()
    {
        ASSERT_TRUE(settle([&] { return !model->scanning(); }));
    }
    void measure()
    {
        model->load();
        finishPass();
    }
    void chooseAndMeasure(const Path& folder)
    {
        model->choose();
        picker->answer(folder);
        finishPass();
    }
    const SizedEntry* entry(const std::string& name) const
    {
        for (const SizedEntry& e : model->entries())
            if (e.name.native() == name)
                return &e;
        return nullptr;
    }
    void openAndMeasure(const std::string& name)
    {
        ASSERT_TRUE(entry(name)) << name;
        model->open(*entry(name));
        finishPass();
    }
    void select(const std::string& name)
    {
        ASSERT_TRUE(entry(name)) << name;
        if (!model->selected().contains(entry(name)->url.native()))
            model->toggleSelect(*entry(name));
        ASSERT_TRUE(model->selected().contains(home.path(model->current() / name).native())) << name;
    }
    void removeAndWait()
    {
        model->confirmRemove();
        ASSERT_TRUE(model->removing());
        ASSERT_TRUE(settle([&] { return !model->removing(); }));
    }
    void undoAndWait()
    {
        model->undoLast();
        ASSERT_TRUE(model->restoring());
        ASSERT_TRUE(settle([&] { return !model->restoring() && !model->scanning(); }));
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (const SizedEntry& e : model->entries())
            result.push_back(e.name.native());
        std::sort(result.begin(), result.end());
        return result;
    }
    QString stackText() const { return model->crumbLabels().join(QLatin1Char('/')); }

    test::FixtureHome home;
    test::TempTree system;
    test::FakeClock clock;
    RestoreTracker tracker;
    std::atomic<bool> access{true};
    std::atomic<bool> holdCollecting{false};
    std::counting_semaphore<1024> collect{0};
    std::shared_ptr<test::FakeFolderPicker> picker = std::make_shared<test::FakeFolderPicker>();
    std::shared_ptr<test::FakeWorkspace> workspace = std::make_shared<test::FakeWorkspace>();
    std::shared_ptr<test::StepGate> gate = std::make_shared<test::StepGate>();
    std::shared_ptr<test::StepGate> binGate = std::make_shared<test::StepGate>();
    std::unique_ptr<SpaceLensViewModel> model;
};

// The home folder reads "Home" wherever it stands in the breadcrumb; every other folder, one named
// "Home" included, reads its own name.
TEST_F(SpaceLensViewModelTest, TheHomeFolderReadsHomeWhereverItStands)
{
    home.file("Docs/Home/x", kBlock);
    make();
    const Path above = home.home().parent_path();
    chooseAndMeasure(above);
    ASSERT_TRUE(entry(home.home().filename().native()));
    openAndMeasure(home.home().filename().native());
    openAndMeasure("Docs");
    openAndMeasure("Home");
    EXPECT_EQ(model->crumbLabels(),
              (QStringList{FileSystem::displayName(above.filename()), QStringLiteral("Home"),
                           QStringLiteral("Docs"), QStringLiteral("Home")}));
    EXPECT_EQ(model->current().native(), home.path("Docs/Home").native());
}

// An entry lands at once, the next ones within 0.12 s of the last repack wait for a later one, and the
// pass ends with two more.
TEST_F(SpaceLensViewModelTest, StreamingRepacksAreThrottledOnTheClockAndThePassEndsWithTwo)
{
    for (int i = 0; i < 4; ++i)
        home.file("f" + std::to_string(i), (i + 1) * kBlock);
    make();
    EXPECT_EQ(model->stackDepth(), 1);
    EXPECT_EQ(model->crumbLabels(), QStringList{QStringLiteral("Home")});
    holdCollecting = true;
    model->load();
    int repacks = 0;
    QObject::connect(model.get(), &SpaceLensViewModel::layoutChanged, [&] { ++repacks; });
    EXPECT_TRUE(model->scanning());
    EXPECT_EQ(model->totalToMeasure(), 0);
    EXPECT_EQ(model->progress(), 0.0) << "nothing to measure yet";

    const auto next = [&](std::chrono::milliseconds wait, int landed) {
        clock.advance(wait);
        collect.release();
        ASSERT_TRUE(settle([&] { return model->entryCount() == landed; }));
    };
    next(0ms, 1);
    EXPECT_EQ(repacks, 1) << "the first entry is placed at once";
    EXPECT_EQ(model->totalToMeasure(), 4);
    next(0ms, 2);
    next(119ms, 3);
    EXPECT_EQ(repacks, 1) << "within 0.12 s of the last repack";
    EXPECT_EQ(model->bubbleCount(), 1);
    EXPECT_EQ(model->entryList()->count(), 3) << "listed at the end before they are placed";
    next(1ms, 4);
    finishPass();
    EXPECT_EQ(repacks, 4) << "one after 0.12 s, then the two that end the pass";
    EXPECT_EQ(model->measured(), 4);
    EXPECT_EQ(model->progress(), 1.0);
    EXPECT_TRUE(model->hasScanned());
    EXPECT_EQ(model->bubbleCount(), 4);
    EXPECT_EQ(model->layoutList()->count(), 4);
    EXPECT_EQ(model->entries().front().name.native(), "f3") << "largest first";
}

// Entries and reports a superseded pass had already queued are dropped by the generation; an empty
// folder measures nothing and its progress stays 0.
TEST_F(SpaceLensViewModelTest, ReportsOfASupersededPassAreDropped)
{
    const Path a = home.folder("A");
    home.file("A/a1", kBlock);
    home.file("A/a2", kBlock);
    const Path b = home.folder("B");
    home.file("B/b1", kBlock);
    const Path empty = home.folder("E");
    make();

    model->choose();
    picker->answer(a);
    // The pass of A ends and queues everything, none of which has landed yet.
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(model->entryCount(), 0);
    model->choose();
    picker->answer(b);
    finishPass();
    EXPECT_EQ(names(), std::vector<std::string>{"b1"});
    EXPECT_EQ(model->measured(), 1);
    EXPECT_EQ(model->totalToMeasure(), 1);

    // A cancelled choice changes nothing.
    const int generation = model->generation();
    const QString stack = stackText();
    model->choose();
    picker->answer(std::nullopt);
    drain();
    EXPECT_EQ(model->generation(), generation);
    EXPECT_EQ(stackText(), stack);
    EXPECT_EQ(names(), std::vector<std::string>{"b1"});
    EXPECT_FALSE(model->scanning());

    chooseAndMeasure(empty);
    EXPECT_EQ(model->entryCount(), 0);
    EXPECT_EQ(model->totalToMeasure(), 0);
    EXPECT_EQ(model->progress(), 0.0);
    EXPECT_FALSE(model->currentUnreadable());
    EXPECT_EQ(model->summaryText(), QStringLiteral("0 KB \u00b7 0 items"));
}

// At most forty entries become bubbles (the smallest forty-first stays listed); entries of equal size
// keep the order they arrived in; colour indices follow the sorted list.
TEST_F(SpaceLensViewModelTest, FortyBubblesAtMostAndEqualSizesKeepTheirArrivalOrder)
{
    for (const int count : {40, 41}) {
        const Path folder = home.folder("n" + std::to_string(count));
        for (int i = 0; i < count; ++i)
            home.file(folder / ("e" + std::to_string(i)), (1 + i / 2) * kBlock);
        make();
        std::vector<QString> arrived;
        QObject::connect(model->entryList(), &QAbstractItemModel::rowsInserted,
                         [&](const QModelIndex&, int first, int) {
                             arrived.push_back(model->entryList()
                                                   ->data(model->entryList()->index(first),
                                                          SizedEntryListModel::EntryIdRole)
                                                   .toString());
                         });
        chooseAndMeasure(folder);

        const std::vector<SizedEntry>& entries = model->entries();
        ASSERT_EQ(int(entries.size()), count);
        ASSERT_EQ(int(arrived.size()), count);
        EXPECT_EQ(model->bubbleCount(), 40) << count;
        EXPECT_EQ(model->layout().size(), 40u) << count;
        const auto arrival = [&](const SizedEntry& e) {
            return std::find(arrived.begin(), arrived.end(), e.id.toString(QUuid::WithoutBraces)) -
                   arrived.begin();
        };
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(model->colorIndexByID().value(entries[i].id, -1), int(i)) << count;
            if (i > 0 && entries[i].bytes == entries[i - 1].bytes) {
                EXPECT_LT(arrival(entries[i - 1]), arrival(entries[i])) << count << " at " << i;
            }
        }
        const bool lastIsBubble = std::any_of(model->bubbles().begin(), model->bubbles().end(),
                                              [&](const SizedEntry& e) { return e.id == entries.back().id; });
        EXPECT_EQ(lastIsBubble, count == 40);
        model.reset();
        drain();
    }
}

// A folder whose children are all unreadable folders: nothing to share out, every entry numbered, no
// circle drawn.
TEST_F(SpaceLensViewModelTest, UnreadableChildrenOfNoBytesGetIndicesButNoCircles)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const Path folder = home.folder("locked");
    for (const char* name : {"u1", "u2"}) {
        home.file(folder / name / "inside", kBlock);
        home.chmod(folder / name, 0);
    }
    make();
    {
        // Dropped before the folder is answered: the pass starts on the answer, and a pass that lists
        // as root reads the closed folders.
        const test::DroppedPrivileges dropped;
        model->choose();
        picker->answer(folder);
        finishPass();
    }
    // The positive control: the folder itself was listed.
    EXPECT_FALSE(model->currentUnreadable());
    ASSERT_EQ(model->entryCount(), 2);
    for (const SizedEntry& e : model->entries()) {
        EXPECT_TRUE(e.unreadable);
        EXPECT_EQ(e.bytes, 0);
        EXPECT_EQ(e.fraction, 0.0);
        EXPECT_TRUE(model->colorIndexByID().contains(e.id));
    }
    EXPECT_EQ(model->bubbleCount(), 2);
    EXPECT_TRUE(model->layout().empty());
    EXPECT_EQ(model->layoutList()->count(), 0);
    EXPECT_EQ(model->summaryText(), QStringLiteral("\u2014 \u00b7 2 items \u00b7 2 can't be measured"));
    EXPECT_EQ(model->entryList()->data(model->entryList()->index(0), SizedEntryListModel::SizeTextRole),
              QStringLiteral("\u2014 can't read"));
}

TEST_F(SpaceLensViewModelTest, BreadcrumbJumpsBackAndOpening)
{
    home.file("A/B/f", kBlock);
    const Path top = home.file("top.txt", kBlock);
    make();
    measure();
    EXPECT_EQ(model->currentName(), QString::fromStdString(home.home().filename().native()));

    model->open(*entry("top.txt"));
    EXPECT_EQ(model->stackDepth(), 1) << "a file is revealed, not entered";
    ASSERT_EQ(workspace->revealed().size(), 1u);
    EXPECT_EQ(workspace->revealed()[0].native(), top.native());

    model->reveal(entry("A")->id.toString(QUuid::WithoutBraces));
    ASSERT_EQ(workspace->revealed().size(), 2u);
    EXPECT_EQ(workspace->revealed()[1].native(), home.path("A").native());
    model->open(QUuid::createUuid().toString());
    EXPECT_EQ(model->stackDepth(), 1) << "an id that is not listed";
    model->open(entry("A")->id.toString(QUuid::WithoutBraces));
    finishPass();
    openAndMeasure("B");
    EXPECT_EQ(stackText(), QStringLiteral("Home/A/B"));
    EXPECT_EQ(names(), std::vector<std::string>{"f"});
    const int generation = model->generation();
    for (const int index : {2, 3, -1}) {
        model->jump(index);
        EXPECT_EQ(model->stackDepth(), 3) << index;
        EXPECT_EQ(model->generation(), generation) << index;
    }
    model->back();
    EXPECT_EQ(stackText(), QStringLiteral("Home/A"));
    finishPass();
    // A folder is pushed even when it is on the stack already.
    ASSERT_TRUE(entry("B"));
    const SizedEntry b = *entry("B");
    model->open(b);
    model->open(b);
    finishPass();
    EXPECT_EQ(stackText(), QStringLiteral("Home/A/B/B"));

    model->jump(0);
    EXPECT_EQ(stackText(), QStringLiteral("Home"));
    finishPass();
    EXPECT_TRUE(entry("top.txt"));
    model->back();
    EXPECT_EQ(model->stackDepth(), 1) << "nothing above the root";
}

// While a removal runs nothing loads or navigates, the chooser is not shown and its late answer is
// ignored, and a second removal does not start; the folder's entries stay as they were.
TEST_F(SpaceLensViewModelTest, ARemovalBlocksLoadingNavigationChoosingAndASecondRemoval)
{
    home.file("x", kBlock);
    home.file("A/a1", kBlock);
    home.file("A/sub/s", kBlock);
    const Path other = home.folder("Other");
    make();
    measure();
    select("x");
    openAndMeasure("A");
    model->choose();
    ASSERT_TRUE(picker->pending());

    gate->arm(FsStep::Move);
    model->confirmRemove();
    ASSERT_TRUE(settle([&] { return gate->holding(); }));
    EXPECT_TRUE(model->removing());
    const int generation = model->generation();
    model->load();
    model->loadIfNeeded();
    model->open(*entry("sub"));
    model->back();
    model->jump(0);
    model->choose();
    EXPECT_EQ(picker->requests().size(), 1u);
    picker->answer(other);
    select("a1");
    model->confirmRemove();
    EXPECT_EQ(model->generation(), generation);
    EXPECT_EQ(stackText(), QStringLiteral("Home/A"));

    gate->release();
    ASSERT_TRUE(settle([&] { return !model->removing(); }));
    drain();
    EXPECT_FALSE(fs::exists(home.path("x")));
    EXPECT_TRUE(fs::exists(home.path("A/a1"))) << "the second removal never ran";
    EXPECT_EQ(model->removeCompletions(), 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"a1", "sub"}));
    EXPECT_EQ(model->selectedCount(), 1) << "x deselected, a1 still selected";
    EXPECT_EQ(model->trashedCount(), 1);
}

// A selection made in a subfolder survives going back and goes with the next removal, which
// deselects it though it is not listed; a folder selected with a file inside it is removed alone.
TEST_F(SpaceLensViewModelTest, SelectionSpansFoldersAndNestedItemsGoWithTheirFolder)
{
    home.file("A/x", kBlock);
    home.file("A/y", kBlock);
    home.file("B/b", 2 * kBlock);
    home.file("C/c", 3 * kBlock);
    home.file("C/d", kBlock);
    home.file("keep", kBlock);
    make();
    measure();
    openAndMeasure("A");
    select("x");
    model->back();
    finishPass();
    EXPECT_EQ(model->selectedCount(), 1);
    EXPECT_FALSE(entry("x"));
    select("B");
    EXPECT_EQ(model->effectiveCount(), 2);
    removeAndWait();
    EXPECT_FALSE(fs::exists(home.path("A/x")));
    EXPECT_FALSE(fs::exists(home.path("B")));
    EXPECT_EQ(model->selectedCount(), 0);
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "C", "keep"}));

    select("C");
    const qint64 folderBytes = entry("C")->bytes;
    openAndMeasure("C");
    select("c");
    EXPECT_EQ(model->selectedCount(), 2);
    ASSERT_EQ(model->effectiveSelection().size(), 1u);
    EXPECT_EQ(model->effectiveSelection()[0].url.native(), home.path("C").native());
    EXPECT_EQ(model->formattedSelected(), Formatting::byteCount(folderBytes));
    removeAndWait();
    EXPECT_EQ(model->selectedCount(), 0) << "both keys gone";
    ASSERT_EQ(model->trashedCount(), 3);
    EXPECT_EQ(model->lastReport()->trashed.back().original.native(), home.path("C").native());
    EXPECT_EQ(names(), (std::vector<std::string>{"c", "d"})) << "what was inside is not pruned one by one";
}

// Measured again, a selected entry keeps its selection with the new size and the path it now leads to.
TEST_F(SpaceLensViewModelTest, AReMeasuredSelectionTakesTheNewSizeAndPath)
{
    const Path one = home.file("one/f", kBlock).parent_path();
    const Path two = home.file("two/f", kBlock).parent_path();
    const Path link = home.symlink(one, "current");
    make();
    chooseAndMeasure(link);
    select("f");
    const Path::string_type key = (link / "f").native();
    EXPECT_EQ(model->selected().at(key).resolvedPath.native(), (one / "f").native());
    home.file("two/f", 5 * kBlock);
    fs::remove(link);
    home.symlink(two, "current");
    measure();
    ASSERT_EQ(model->selectedCount(), 1);
    ASSERT_TRUE(entry("f"));
    EXPECT_GE(entry("f")->bytes, 5 * kBlock);
    EXPECT_EQ(model->selected().at(key).bytes, entry("f")->bytes);
    EXPECT_EQ(model->selected().at(key).resolvedPath.native(), (two / "f").native());
}

TEST_F(SpaceLensViewModelTest, ANameThatIsNotUtf8IsRemovedDeselectedAndRestoredAsItself)
{
    const Path odd = home.nonUtf8File(home.home(), kBlock);
    home.file("plain", kBlock);
    make();
    measure();
    select(test::TempTree::nonUtf8Name().native());
    removeAndWait();
    EXPECT_FALSE(fs::exists(fs::symlink_status(odd)));
    EXPECT_EQ(model->selectedCount(), 0);
    EXPECT_EQ(names(), std::vector<std::string>{"plain"});
    undoAndWait();
    EXPECT_TRUE(fs::exists(fs::symlink_status(odd)));
    EXPECT_TRUE(model->failureNote().isEmpty());
    EXPECT_TRUE(entry(test::TempTree::nonUtf8Name().native())) << "measured again";
}

// The home's protected folders and the system's protected roots, and everything in them, cannot be
// selected; an unprotected system folder can.
TEST_F(SpaceLensViewModelTest, ProtectedEntriesCannotBeSelected)
{
    home.file("Documents/d", kBlock);
    system.file("usr/lib/x", kBlock);
    system.file("Developer/x", kBlock);
    make();
    measure();
    model->toggleSelect(*entry("Documents"));
    EXPECT_EQ(model->selectedCount(), 0);
    const SizedEntryListModel::Row* row = model->entryList()->find(entry("Documents")->id);
    ASSERT_TRUE(row);
    EXPECT_FALSE(row->removable);

    chooseAndMeasure(system.root());
    model->toggleSelect(*entry("usr"));
    EXPECT_EQ(model->selectedCount(), 0);
    openAndMeasure("usr");
    model->toggleSelect(entry("lib")->id.toString());
    EXPECT_EQ(model->selectedCount(), 0);
    model->jump(0);
    finishPass();
    model->toggleSelect(entry("Developer")->id.toString());
    EXPECT_EQ(model->selectedCount(), 1);
}

// The removal rule is asked again at confirmation: an item it refuses now is left out without a word,
// and with nothing left nothing starts.
TEST_F(SpaceLensViewModelTest, ItemsTheRuleRefusesAtConfirmationAreLeftOut)
{
    home.file("A/x", kBlock);
    home.file("y", kBlock);
    home.folder(".config");
    make();
    measure();
    openAndMeasure("A");
    select("x");
    model->back();
    finishPass();
    // A now leads into the home's config folder.
    fs::rename(home.path("A"), home.path("A-real"));
    home.symlink(home.path(".config"), "A");
    model->confirmRemove();
    EXPECT_FALSE(model->removing());
    EXPECT_EQ(model->selectedCount(), 1);

    select("y");
    removeAndWait();
    EXPECT_TRUE(model->failureNote().isEmpty());
    EXPECT_EQ(model->trashedCount(), 1);
    EXPECT_FALSE(fs::exists(home.path("y")));
    EXPECT_TRUE(fs::exists(home.path("A-real/x")));
}

TEST_F(SpaceLensViewModelTest, OnlyARemovalThatEmptiesTheFolderSaysSo)
{
    home.file("A/x", kBlock);
    home.file("A/y", kBlock);
    make();
    measure();
    openAndMeasure("A");
    select("x");
    removeAndWait();
    EXPECT_FALSE(model->justEmptiedByRemoval());
    EXPECT_EQ(names(), std::vector<std::string>{"y"});
    select("y");
    removeAndWait();
    EXPECT_TRUE(model->justEmptiedByRemoval());
    EXPECT_EQ(model->entryCount(), 0);
    EXPECT_EQ(model->removeCompletions(), 2);
    EXPECT_EQ(model->trashedCount(), 2);
    model->load();
    EXPECT_FALSE(model->justEmptiedByRemoval());
}

// A folder that was empty before the removal was not emptied by it: items chosen elsewhere and removed
// while it shows leave the flag alone, so the page keeps its empty-folder state.
TEST_F(SpaceLensViewModelTest, ARemovalWhileAnEmptyFolderShowsDoesNotSayItEmptiedIt)
{
    home.file("B/z", kBlock);
    home.file("C/c", kBlock);
    make();
    measure();
    openAndMeasure("B");
    select("z");
    model->jump(0);
    finishPass();
    openAndMeasure("C");
    fs::remove(home.path("C/c"));
    measure();
    ASSERT_EQ(model->entryCount(), 0);
    removeAndWait();
    EXPECT_FALSE(fs::exists(home.path("B/z")));
    EXPECT_EQ(model->trashedCount(), 1);
    EXPECT_FALSE(model->justEmptiedByRemoval());
}

TEST_F(SpaceLensViewModelTest, NotesCountTheFailuresAndTheItemsNotRestored)
{
    struct RemovalCase
    {
        std::vector<QString> failures;
        std::optional<QString> note;
    };
    for (const RemovalCase& c :
         {RemovalCase{{QStringLiteral("a: gone"), QStringLiteral("b: gone"), QStringLiteral("c: gone")},
                      QStringLiteral("3 items couldn't be moved to the Trash:\na: gone")},
          RemovalCase{{QStringLiteral("Skipped for safety: a")},
                      QStringLiteral("1 item couldn't be moved to the Trash:\nSkipped for safety: a")},
          RemovalCase{{}, std::nullopt}}) {
        CleanReport report;
        report.failures = c.failures;
        EXPECT_EQ(SpaceLensViewModel::removalNote(report), c.note) << c.failures.size();
    }
    const QString tail =
        QStringLiteral(" couldn't be restored from the Trash \u2014 it may have been permanently "
                       "deleted.");
    struct UndoCase
    {
        UndoResult result;
        std::optional<QString> note;
    };
    for (const UndoCase& c : {UndoCase{{3, 0, 5}, QStringLiteral("2 of 5 items") + tail},
                              UndoCase{{0, 0, 1}, QStringLiteral("1 of 1 item") + tail},
                              UndoCase{{1, 1, 2}, std::nullopt}, UndoCase{{0, 0, 0}, std::nullopt}})
        EXPECT_EQ(SpaceLensViewModel::undoNote(c.result), c.note)
            << c.result.restored << " " << c.result.skippedRecreated << " " << c.result.total;

    // The same through real removals: three items vanished before their move, then two of five
    // Trash copies gone before the undo.
    for (const char* name : {"v1", "v2", "v3", "k1", "k2", "k3", "k4", "k5"})
        home.file(name, kBlock);
    make();
    measure();
    for (const char* name : {"v1", "v2", "v3"}) {
        select(name);
        fs::remove(home.path(name));
    }
    removeAndWait();
    EXPECT_TRUE(
        model->failureNote().startsWith(QStringLiteral("3 items couldn't be moved to the Trash:\nv1")))
        << model->failureNote().toStdString();
    EXPECT_FALSE(model->hasLastReport());
    EXPECT_EQ(model->removeCompletions(), 0);
    model->setFailureNote(QString());
    EXPECT_EQ(model->selectedCount(), 3) << "what failed stays selected";
    model->clearSelection();

    for (const char* name : {"k1", "k2", "k3", "k4", "k5"})
        select(name);
    removeAndWait();
    EXPECT_TRUE(model->failureNote().isEmpty());
    ASSERT_EQ(model->trashedCount(), 5);
    for (int i : {0, 3})
        fs::remove(model->lastReport()->trashed[std::size_t(i)].inTrash);
    undoAndWait();
    EXPECT_EQ(model->failureNote(), QStringLiteral("2 of 5 items") + tail);
    EXPECT_EQ(names(), (std::vector<std::string>{"k2", "k3", "k5"}));
}

// Two removals make one record that carries the latest failures with their details; one undo
// restores both.
TEST_F(SpaceLensViewModelTest, TwoRemovalsAreUndoneTogether)
{
    for (const char* name : {"x", "y", "gone1", "gone2"})
        home.file(name, kBlock);
    make();
    measure();
    select("x");
    select("gone1");
    fs::remove(home.path("gone1"));
    removeAndWait();
    model->clearSelection();
    select("y");
    select("gone2");
    fs::remove(home.path("gone2"));
    removeAndWait();
    ASSERT_TRUE(model->hasLastReport());
    EXPECT_EQ(model->trashedCount(), 2);
    EXPECT_EQ(model->lastReport()->failures.size(), 1u);
    EXPECT_EQ(model->lastReport()->failureDetails.size(), model->lastReport()->failures.size());
    model->setFailureNote(QString());
    undoAndWait();
    EXPECT_TRUE(fs::exists(home.path("x")));
    EXPECT_TRUE(fs::exists(home.path("y")));
    EXPECT_TRUE(model->failureNote().isEmpty());
    model->undoLast();
    EXPECT_FALSE(model->restoring()) << "the record was taken";
}

// The undo is held to the root of the browsing, where the removals were: items removed there come
// back though a subfolder is shown now.
TEST_F(SpaceLensViewModelTest, AnUndoAfterDrillingDownRestoresWhatWasRemovedAtTheRoot)
{
    home.file("x", kBlock);
    home.file("A/a", kBlock);
    make();
    measure();
    select("x");
    removeAndWait();
    openAndMeasure("A");
    const int generation = model->generation();
    undoAndWait();
    EXPECT_TRUE(fs::exists(home.path("x")));
    EXPECT_TRUE(model->failureNote().isEmpty()) << model->failureNote().toStdString();
    EXPECT_EQ(model->generation(), generation + 1) << "the folder shown is measured again";
    EXPECT_EQ(names(), std::vector<std::string>{"a"});
}

// An undo holds the restore token: Cleanup's Empty Trash waits for it; an undo waits for Cleanup's
// emptying.
TEST_F(SpaceLensViewModelTest, UndoAndEmptyingTheTrashNeverOverlap)
{
    home.file("x", kBlock);
    home.file("y", kBlock);
    make();
    const std::unique_ptr<CleanupViewModel> cleanup = makeCleanup();
    measure();
    select("x");
    removeAndWait();
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() == 1; }));

    gate->arm(FsStep::Move);
    model->undoLast();
    ASSERT_TRUE(settle([&] { return gate->holding(); }));
    EXPECT_TRUE(model->restoring());
    EXPECT_TRUE(tracker.anyRestoring());
    cleanup->requestEmptyTrash();
    cleanup->confirmEmptyTrash();
    EXPECT_FALSE(cleanup->showEmptyConfirm());
    EXPECT_FALSE(cleanup->emptyingTrash());
    gate->release();
    ASSERT_TRUE(settle([&] { return !model->restoring() && !model->scanning(); }));
    EXPECT_FALSE(tracker.anyRestoring());
    EXPECT_TRUE(fs::exists(home.path("x")));

    select("y");
    removeAndWait();
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() == 1; }));
    binGate->arm(FsStep::Remove);
    cleanup->confirmEmptyTrash();
    ASSERT_TRUE(settle([&] { return binGate->holding(); }));
    EXPECT_TRUE(tracker.emptyingTrash());
    model->undoLast();
    EXPECT_FALSE(model->restoring());
    EXPECT_TRUE(model->hasLastReport());
    binGate->release();
    ASSERT_TRUE(settle([&] { return !cleanup->emptyingTrash(); }));
}

// An undo that ends while a removal runs measures again once that removal has been applied.
TEST_F(SpaceLensViewModelTest, AnUndoEndingDuringARemovalReloadsAfterIt)
{
    home.file("x", kBlock);
    home.file("y", kBlock);
    make();
    measure();
    select("x");
    removeAndWait();
    select("y");
    gate->arm(FsStep::Move);
    model->confirmRemove();
    ASSERT_TRUE(settle([&] { return gate->holding(); }));
    const int generation = model->generation();
    model->undoLast();
    ASSERT_TRUE(settle([&] { return !model->restoring(); }));
    EXPECT_TRUE(fs::exists(home.path("x")));
    EXPECT_EQ(model->generation(), generation) << "no load while removing";

    gate->release();
    ASSERT_TRUE(settle([&] { return !model->removing(); }));
    EXPECT_EQ(model->generation(), generation + 1);
    finishPass();
    EXPECT_EQ(names(), std::vector<std::string>{"x"});
}

TEST_F(SpaceLensViewModelTest, FullDiskAccessAppearingReloadsOnce)
{
    home.file("x", kBlock);
    access = false;
    make();
    EXPECT_FALSE(model->fullDiskAccessGranted());
    measure();
    const int generation = model->generation();
    model->refreshFullDiskAccess();
    EXPECT_EQ(model->generation(), generation) << "no change";
    access = true;
    model->refreshFullDiskAccess();
    EXPECT_TRUE(model->fullDiskAccessGranted());
    EXPECT_EQ(model->generation(), generation + 1);
    finishPass();
    model->refreshFullDiskAccess();
    EXPECT_EQ(model->generation(), generation + 1) << "granted before";

    // Access that appears while a pass runs only shows.
    access = false;
    model->refreshFullDiskAccess();
    model->load();
    access = true;
    model->refreshFullDiskAccess();
    EXPECT_TRUE(model->fullDiskAccessGranted());
    EXPECT_EQ(model->generation(), generation + 2);
    finishPass();
}

} // namespace
} // namespace qm

#include "app/models/DuplicatesViewModel.h"

#include "CleanupBeside.h"
#include "app/models/FileToolCleaning.h"
#include "app/models/RestoreTracker.h"
#include "core/model/Formatting.h"
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

#include <filesystem>
#include <string>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::drain;
using test::settle;
using Phase = DuplicatesViewModel::Phase;

constexpr qint64 kSize = 1'100'000;

class DuplicatesViewModelTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        gate->release();
        model.reset();
        drain();
    }

    void make()
    {
        FileScanner::Services scanning;
        scanning.home = home.home();
        // Files whose names start with "link" share their storage with each other.
        scanning.extentKey = [](const Path& path) -> std::optional<QString> {
            if (path.filename().native().starts_with("link"))
                return QStringLiteral("9:4096");
            return std::nullopt;
        };
        DuplicatesViewModel::Services services{clock};
        services.home = home.home();
        services.scanner = FileScanner(scanning);
        services.trash = Trash(FileSystem([g = gate](FsStep step, const Path&) { g->pass(step); }));
        services.fullDiskAccess = [] { return true; };
        services.folderPicker = picker;
        services.restoreTracker = &tracker;
        model = std::make_unique<DuplicatesViewModel>(services);
    }

    // A copy of `fill`-bytes content in Docs.
    Path copy(const std::string& name, char fill) { return home.file(fs::path("Docs") / name, kSize, fill); }

    void search()
    {
        model->scan();
        ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    }

    // The group whose files include `name`.
    const DuplicateGroup* groupOf(const std::string& name) const
    {
        for (const DuplicateGroup& group : model->groups()) {
            for (const FileEntry& file : group.files) {
                if (file.name.native() == name)
                    return &group;
            }
        }
        return nullptr;
    }
    const FileEntry* entry(const std::string& name) const
    {
        if (const DuplicateGroup* group = groupOf(name)) {
            for (const FileEntry& file : group->files) {
                if (file.name.native() == name)
                    return &file;
            }
        }
        return nullptr;
    }
    bool selected(const std::string& name) const { return entry(name) && entry(name)->isSelected; }
    void toggle(const std::string& name) { model->toggle(entry(name)->id); }

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
    std::unique_ptr<DuplicatesViewModel> model;
};

TEST_F(DuplicatesViewModelTest, SelectionKeepsOneCopyOfEveryGroup)
{
    copy("a1", 'a');
    copy("a2", 'a');
    copy("b1", 'b');
    copy("b2", 'b');
    copy("b3", 'b');
    copy("link1", 'c');
    copy("c2", 'c');
    copy("link3", 'c');
    make();
    EXPECT_EQ(model->totalWasted(), 0);
    EXPECT_EQ(model->formattedSelected(), QStringLiteral("0 KB"));
    search();
    ASSERT_EQ(model->groups().size(), 3u);

    // Two copies: the finder selected the second; the first cannot join it until it is released.
    const std::string a1 = groupOf("a1")->files[0].name.native();
    const std::string a2 = groupOf("a1")->files[1].name.native();
    EXPECT_FALSE(selected(a1));
    EXPECT_TRUE(selected(a2));
    toggle(a1);
    EXPECT_FALSE(selected(a1)) << "refused";
    toggle(a2);
    toggle(a1);
    EXPECT_TRUE(selected(a1)) << "any copy may be the one left";
    toggle(a2);
    EXPECT_FALSE(selected(a2));

    // Three copies: two selected, the third refused until one is released.
    const DuplicateGroup& b = *groupOf("b1");
    const std::string b0 = b.files[0].name.native();
    EXPECT_TRUE(selected(b.files[1].name.native()) && selected(b.files[2].name.native()));
    toggle(b0);
    EXPECT_FALSE(selected(b0));
    toggle(b.files[1].name.native());
    toggle(b0);
    EXPECT_TRUE(selected(b0));

    // The linked copies: the keeper is one of them; selecting it counts, but it is never moved.
    const DuplicateGroup& c = *groupOf("c2");
    EXPECT_TRUE(selected("c2"));
    EXPECT_FALSE(selected("link1") || selected("link3"));
    toggle(c.files[0].name.native());
    EXPECT_TRUE(selected(c.files[0].name.native()));
    toggle(c.files[2].name.native());
    EXPECT_FALSE(selected(c.files[2].name.native())) << "refused: one copy stays";
    const std::vector<FileEntry> chosen = model->selectedFiles();
    EXPECT_EQ(std::count_if(chosen.begin(), chosen.end(),
                            [](const FileEntry& f) { return f.name.native().starts_with("link"); }),
              0);

    // Wasted: every copy after the first that does not share storage.
    qint64 wasted = 0;
    for (const DuplicateGroup& group : model->groups())
        for (std::size_t i = 1; i < group.files.size(); ++i)
            wasted += group.files[i].sharesInode ? 0 : group.files[i].bytes;
    EXPECT_EQ(model->totalWasted(), wasted);
    EXPECT_EQ(groupOf("c2")->wastedBytes(), entry("c2")->bytes);

    // Nothing selected reads "0 KB".
    for (const FileEntry& file : model->selectedFiles())
        model->toggle(file.id);
    EXPECT_EQ(model->formattedSelected(), QStringLiteral("0 KB"));
}

// A chosen linked copy frees nothing, so it adds nothing to the selection and the clean leaves it.
TEST_F(DuplicatesViewModelTest, AChosenLinkedCopyCountsNothingAndStays)
{
    copy("link1", 'c');
    copy("c2", 'c');
    copy("link3", 'c');
    make();
    search();
    ASSERT_EQ(model->groups().size(), 1u);
    ASSERT_TRUE(selected("c2"));
    ASSERT_FALSE(selected("link1") || selected("link3"));
    toggle("c2");
    toggle("link1");
    ASSERT_TRUE(selected("link1"));
    EXPECT_EQ(model->formattedSelected(), QStringLiteral("0 KB"));
    toggle("c2");
    EXPECT_EQ(model->formattedSelected(), Formatting::byteCount(entry("c2")->bytes));

    cleanAndWait();
    EXPECT_FALSE(fs::exists(home.path("Docs/c2")));
    EXPECT_TRUE(fs::exists(home.path("Docs/link1"))) << "a linked copy is never moved";
    ASSERT_TRUE(model->lastReport().has_value());
    EXPECT_EQ(model->lastReport()->trashed.size(), 1u);
}

TEST_F(DuplicatesViewModelTest, CleanPrunesGroupsAndKeepsWhatFailed)
{
    copy("a1", 'a');
    copy("a2", 'a');
    copy("a3", 'a');
    copy("link1", 'c');
    copy("c2", 'c');
    copy("link3", 'c');
    copy("b1", 'b');
    copy("b2", 'b');
    copy("b3", 'b');
    make();
    search();
    ASSERT_EQ(model->groups().size(), 3u);
    // In the b group, the keeper stays and a file selected for the clean is deleted just before it.
    const DuplicateGroup& b = *groupOf("b1");
    const Path gone = b.files[1].url;
    const Path moves = b.files[2].url;
    fs::remove(gone);

    cleanAndWait();
    ASSERT_EQ(model->groups().size(), 1u) << "the a group emptied, the c group left with linked copies";
    ASSERT_EQ(model->groups()[0].files.size(), 2u);
    EXPECT_EQ(model->groups()[0].files[1].url, gone);
    EXPECT_TRUE(model->groups()[0].files[1].isSelected) << "a failed move stays selected";
    EXPECT_FALSE(fs::exists(moves));
    EXPECT_TRUE(model->failureNote().startsWith(QStringLiteral("1 file couldn't be moved to the Trash.\n")))
        << model->failureNote().toStdString();
    ASSERT_TRUE(model->lastReport().has_value());
    EXPECT_EQ(model->lastReport()->trashed.size(), 4u);
    EXPECT_EQ(model->lastReport()->failures.size(), model->lastReport()->failureDetails.size());
    EXPECT_EQ(model->phase(), Phase::results);
}

// A copy on its way to the Trash still counts as chosen: picks made while a clean runs can never leave
// a group, once pruned, with every remaining copy chosen (the next clean would take them all).
TEST_F(DuplicatesViewModelTest, PicksDuringACleanStillLeaveOneCopyOfEveryGroup)
{
    copy("a1", 'a');
    copy("a2", 'a');
    copy("a3", 'a');
    make();
    search();
    ASSERT_EQ(model->groups().size(), 1u);
    const std::string keeper = model->groups()[0].files[0].name.native();
    const std::string second = model->groups()[0].files[1].name.native();
    const std::string third = model->groups()[0].files[2].name.native();
    toggle(third);
    ASSERT_TRUE(selected(second));
    ASSERT_FALSE(selected(third));

    gate->arm(FsStep::Move);
    model->confirmClean();
    ASSERT_TRUE(settle([&] { return gate->holding(); }));
    // The copy being moved is released and the other two are picked instead.
    toggle(second);
    toggle(third);
    toggle(keeper);
    EXPECT_FALSE(selected(keeper)) << "refused: the second copy is still leaving";
    gate->release();
    ASSERT_TRUE(settle([&] { return !model->cleaning(); }));

    ASSERT_EQ(model->groups().size(), 1u);
    const DuplicateGroup& left = model->groups()[0];
    ASSERT_EQ(left.files.size(), 2u);
    EXPECT_TRUE(std::any_of(left.files.begin(), left.files.end(), [](const FileEntry& f) {
        return !f.isSelected;
    })) << "one copy stays unchosen";
    cleanAndWait();
    EXPECT_TRUE(fs::exists(home.path(fs::path("Docs") / keeper)) ||
                fs::exists(home.path(fs::path("Docs") / third)));
}

TEST_F(DuplicatesViewModelTest, TheGroupListChangesInPlace)
{
    copy("a1", 'a');
    copy("a2", 'a');
    copy("a3", 'a');
    copy("b1", 'b');
    copy("b2", 'b');
    copy("link1", 'c');
    copy("c2", 'c');
    copy("link3", 'c');
    make();
    DuplicateGroupListModel& list = *model->groupList();
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    search();
    ASSERT_EQ(list.count(), 3);
    const auto rowOf = [&](const std::string& name) { return int(groupOf(name) - model->groups().data()); };
    const int c = rowOf("c2");
    EXPECT_EQ(list.data(list.index(c), DuplicateGroupListModel::FileCountRole).toInt(), 3)
        << "a linked copy counts";
    EXPECT_EQ(list.data(list.index(c), DuplicateGroupListModel::CopySizeRole).toString(),
              Formatting::byteCount(groupOf("c2")->files[0].bytes));
    const QVariantList cFiles = list.data(list.index(c), DuplicateGroupListModel::FilesRole).toList();
    ASSERT_EQ(cFiles.size(), 3);
    for (const QVariant& file : cFiles) {
        const QVariantMap row = file.toMap();
        EXPECT_EQ(row.value(QStringLiteral("linked")).toBool(), row.value(QStringLiteral("name")) != "c2")
            << row.value(QStringLiteral("name")).toString().toStdString();
    }

    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    QSignalSpy groups(model.get(), &DuplicatesViewModel::groupsChanged);
    // The b group's second copy, unticked by its id text as QML holds it: its group's row alone.
    const int b = rowOf("b1");
    const QVariantMap b2 = list.data(list.index(b), DuplicateGroupListModel::FilesRole).toList()[1].toMap();
    ASSERT_TRUE(b2.value(QStringLiteral("isSelected")).toBool());
    model->toggle(b2.value(QStringLiteral("fileId")).toString());
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), b);
    EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), b);
    EXPECT_FALSE(list.data(list.index(b), DuplicateGroupListModel::FilesRole)
                     .toList()[1]
                     .toMap()
                     .value(QStringLiteral("isSelected"))
                     .toBool());
    EXPECT_EQ(groups.size(), 0) << "a toggle is not a new list";

    // Only a3 goes: the a group is announced, the b and c groups are untouched.
    toggle("a2");
    for (const FileEntry& file : groupOf("c2")->files) {
        if (file.isSelected)
            model->toggle(file.id);
    }
    changed.clear();
    cleanAndWait();
    EXPECT_EQ(reset.size(), 0);
    EXPECT_EQ(removed.size(), 0);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), rowOf("a1"));
    EXPECT_EQ(list.data(list.index(rowOf("a1")), DuplicateGroupListModel::FileCountRole).toInt(), 2);

    // Now a2 goes too, which leaves its group with the keeper alone: that row is removed.
    toggle("a2");
    cleanAndWait();
    EXPECT_EQ(reset.size(), 0);
    EXPECT_EQ(removed.size(), 1);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(model->trashedCount(), 2);
}

TEST_F(DuplicatesViewModelTest, FullDiskAccessIsAskedAgainOnRequest)
{
    make();
    bool granted = false;
    // The fixture's probe said yes at creation; the next answer is what this test says.
    DuplicatesViewModel::Services services{clock};
    services.home = home.home();
    services.fullDiskAccess = [&granted] { return granted; };
    services.folderPicker = picker;
    services.restoreTracker = &tracker;
    model = std::make_unique<DuplicatesViewModel>(services);
    EXPECT_FALSE(model->fullDiskAccessGranted());
    granted = true;
    EXPECT_FALSE(model->fullDiskAccessGranted()) << "only asked when told";
    model->refreshFullDiskAccess();
    EXPECT_TRUE(model->fullDiskAccessGranted());
}

TEST_F(DuplicatesViewModelTest, TwoCleansMakeOneRecordAndUndoRestoresBothAsThemselves)
{
    copy("a1", 'a');
    copy(std::string("a\xff"), 'a');
    copy("b1", 'b');
    copy("b2", 'b');
    copy("b3", 'b');
    make();
    search();
    ASSERT_EQ(model->groups().size(), 2u);
    const Path odd = entry(std::string("a\xff"))->url;
    // Clean the a group's selected copy only, making sure it is the odd name.
    const DuplicateGroup& a = *groupOf("a1");
    for (const FileEntry& file : a.files)
        if (file.isSelected != (file.url == odd))
            model->toggle(file.id);
    for (const FileEntry& file : groupOf("b1")->files)
        if (file.isSelected)
            model->toggle(file.id);
    cleanAndWait();
    EXPECT_FALSE(fs::exists(odd));
    EXPECT_EQ(model->groups().size(), 1u) << "pruned by its raw path";

    // The second clean takes two b copies, one of them deleted just before it.
    for (const FileEntry& file : model->groups()[0].files)
        if (&file != &model->groups()[0].files[0] && !file.isSelected)
            model->toggle(file.id);
    const Path gone = model->groups()[0].files[2].url;
    fs::remove(gone);
    cleanAndWait();
    ASSERT_TRUE(model->lastReport().has_value());
    EXPECT_EQ(model->lastReport()->trashed.size(), 2u) << "one record of both cleans";
    ASSERT_EQ(model->lastReport()->failures.size(), 1u);
    EXPECT_EQ(model->lastReport()->failureDetails.size(), model->lastReport()->failures.size());
    ASSERT_EQ(model->groups().size(), 1u) << "the failed copy stays listed";
    EXPECT_TRUE(model->failureNote().startsWith(QStringLiteral("1 file couldn't be moved to the Trash.\n")));
    model->setFailureNote(QString()); // the page's alert, dismissed

    model->undoLast();
    EXPECT_TRUE(model->restoring());
    EXPECT_FALSE(model->lastReport().has_value());
    ASSERT_TRUE(settle([&] { return !model->restoring() && model->phase() == Phase::results; }));
    EXPECT_TRUE(fs::exists(odd)) << "restored as itself";
    EXPECT_EQ(fs::file_size(odd), std::uintmax_t(kSize));
    EXPECT_EQ(model->groups().size(), 2u) << "searched again";
    EXPECT_TRUE(model->failureNote().isEmpty());
}

TEST_F(DuplicatesViewModelTest, WhileRestoringNothingElseStarts)
{
    copy("a1", 'a');
    copy("a2", 'a');
    copy("b1", 'b');
    copy("b2", 'b');
    make();
    const auto emptyGate = std::make_shared<test::StepGate>();
    const std::unique_ptr<CleanupViewModel> cleanup = test::cleanupBeside(
        clock, tracker, home.home(), system.root(), emptyGate, std::make_shared<test::FakeWorkspace>());
    search();
    toggle(groupOf("b1")->files[1].name.native());
    cleanAndWait();
    toggle(groupOf("b1")->files[1].name.native());
    cleanup->refreshTrash();
    ASSERT_TRUE(settle([&] { return cleanup->trashCount() == 1; }));
    const int generation = model->generation();

    gate->arm(FsStep::Move);
    model->undoLast();
    ASSERT_TRUE(settle([&] { return gate->holding(); }));
    EXPECT_TRUE(model->restoring());
    EXPECT_TRUE(tracker.anyRestoring());
    cleanup->requestEmptyTrash();
    cleanup->confirmEmptyTrash();
    EXPECT_FALSE(cleanup->emptyingTrash()) << "Cleanup's Empty Trash waits for the undo";
    model->scan();
    model->confirmClean();
    model->chooseFolder();
    EXPECT_TRUE(picker->requests().empty());
    EXPECT_EQ(model->generation(), generation);
    EXPECT_FALSE(model->cleaning());
    EXPECT_TRUE(fs::exists(home.path("Docs") / groupOf("b1")->files[1].name.native()))
        << "the chosen b copy stays while the undo runs";

    gate->release();
    ASSERT_TRUE(settle([&] { return !model->restoring(); }));
    EXPECT_FALSE(tracker.anyRestoring());
    EXPECT_EQ(model->generation(), generation + 1) << "the follow-up search ran";
    ASSERT_TRUE(settle([&] { return model->phase() == Phase::results; }));
    EXPECT_EQ(model->groups().size(), 2u);
    EXPECT_TRUE(fs::exists(home.path("Docs/a1")) && fs::exists(home.path("Docs/a2")));
}

TEST_F(DuplicatesViewModelTest, UndoIsRefusedDuringACleanOrWhileTheTrashIsEmptied)
{
    copy("a1", 'a');
    copy("a2", 'a');
    copy("a3", 'a');
    make();
    search();
    // One copy first, so a record exists.
    toggle(groupOf("a1")->files[2].name.native());
    cleanAndWait();
    ASSERT_TRUE(model->lastReport().has_value());

    tracker.setEmptyingTrash(true);
    model->undoLast();
    EXPECT_FALSE(model->restoring());
    EXPECT_TRUE(model->lastReport().has_value());
    tracker.setEmptyingTrash(false);

    gate->arm(FsStep::Move);
    toggle(groupOf("a1")->files[1].name.native());
    model->confirmClean();
    ASSERT_TRUE(settle([&] { return gate->holding(); }));
    model->undoLast();
    EXPECT_FALSE(model->restoring());
    gate->release();
    ASSERT_TRUE(settle([&] { return !model->cleaning(); }));
    EXPECT_EQ(model->lastReport()->trashed.size(), 2u);
}

TEST_F(DuplicatesViewModelTest, FolderChoice)
{
    copy("a1", 'a');
    copy("a2", 'a');
    const Path other = home.folder("Other");
    make();
    search();
    cleanAndWait();
    ASSERT_TRUE(model->lastReport().has_value());
    const int generation = model->generation();

    // The same folder: nothing changes.
    model->chooseFolder();
    ASSERT_EQ(picker->requests().size(), 1u);
    EXPECT_EQ(picker->requests()[0].message, QStringLiteral("Choose a folder to scan for duplicates"));
    EXPECT_EQ(picker->requests()[0].start->native(), home.home().native());
    picker->answer(home.home());
    EXPECT_EQ(model->generation(), generation);
    EXPECT_TRUE(model->lastReport().has_value());

    // A cancelled chooser: nothing.
    model->chooseFolder();
    picker->answer(std::nullopt);
    EXPECT_EQ(model->generation(), generation);

    // Another folder: back to idle with the record gone.
    model->chooseFolder();
    picker->answer(other);
    EXPECT_EQ(model->phase(), Phase::idle);
    EXPECT_EQ(model->root().native(), other.native());
    EXPECT_FALSE(model->lastReport().has_value());
    EXPECT_TRUE(model->groups().empty());

    // Another folder during a search: back to idle; the search's texts and result are dropped.
    model->chooseFolder();
    model->scan();
    const QString label = model->progressLabel();
    picker->answer(home.home());
    EXPECT_EQ(model->phase(), Phase::idle);
    EXPECT_EQ(model->root().native(), home.home().native());
    drain();
    EXPECT_EQ(model->phase(), Phase::idle);
    EXPECT_TRUE(model->groups().empty());
    EXPECT_EQ(model->progressLabel(), label) << "a stale progress text is dropped";

    // The next search covers the chosen folder.
    search();
    EXPECT_EQ(model->scannedRoot().native(), home.home().native());
}

TEST_F(DuplicatesViewModelTest, AnswerDuringACleanAndStaleResultsAreDropped)
{
    copy("a1", 'a');
    copy("a2", 'a');
    make();
    search();

    gate->arm(FsStep::Move);
    model->chooseFolder();
    model->confirmClean();
    ASSERT_TRUE(settle([&] { return gate->holding(); }));
    model->scan();
    EXPECT_NE(model->phase(), Phase::scanning) << "scan() during a clean is ignored";
    picker->answer(home.folder("Elsewhere"));
    EXPECT_EQ(model->root().native(), home.home().native());
    gate->release();
    ASSERT_TRUE(settle([&] { return !model->cleaning(); }));

    // A search cancelled, then a newer one: only the newest lands.
    model->scan();
    model->cancel();
    EXPECT_EQ(model->phase(), Phase::idle);
    drain();
    EXPECT_EQ(model->phase(), Phase::idle);
    EXPECT_TRUE(model->groups().empty());
}

TEST(FileToolCleaningTest, NotesCountFilesInTheirOwnWords)
{
    CleanReport one;
    one.failures = {QStringLiteral("a: gone")};
    EXPECT_EQ(FileToolCleaning::cleanNote(one),
              QStringLiteral("1 file couldn't be moved to the Trash.\na: gone"));
    CleanReport two;
    two.failures = {QStringLiteral("b: busy"), QStringLiteral("c: gone")};
    EXPECT_EQ(FileToolCleaning::cleanNote(two),
              QStringLiteral("2 files couldn't be moved to the Trash.\nb: busy"));
    EXPECT_FALSE(FileToolCleaning::cleanNote(CleanReport{}).has_value());

    const QString tail =
        QStringLiteral(" couldn't be restored from the Trash \u2014 it may have been permanently deleted.");
    EXPECT_EQ(FileToolCleaning::undoNote(UndoResult{0, 0, 1}), QStringLiteral("1 of 1 file") + tail);
    EXPECT_EQ(FileToolCleaning::undoNote(UndoResult{1, 0, 3}), QStringLiteral("2 of 3 files") + tail);
    EXPECT_FALSE(FileToolCleaning::undoNote(UndoResult{2, 1, 3}).has_value())
        << "skipped items are not reported";
}

} // namespace
} // namespace qm

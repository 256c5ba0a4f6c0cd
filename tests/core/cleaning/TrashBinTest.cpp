#include "core/cleaning/TrashBin.h"

#include "core/cleaning/Cleaner.h"
#include "platform/Trash.h"
#include "support/FakeClock.h"
#include "support/FixtureHome.h"
#include "support/PrivilegeDrop.h"
#include "support/ScratchMount.h"
#include "support/SizeOracle.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <future>

namespace qm {
namespace {

// A mount table of the given mountinfo text.
TrashBin::MountSource table(QByteArray mountinfo)
{
    return [mountinfo] { return MountTable::parse(mountinfo); };
}

// No volumes at all: the machine's own mounts and their trash folders stay out of a test.
TrashBin::MountSource noVolumes()
{
    return [] { return MountTable(); };
}

// The mounts of this machine that lie inside `tree`: the scratch mounts a test made.
TrashBin::MountSource mountsInside(const Path& tree)
{
    return [tree] {
        QByteArray text;
        int id = 1;
        const MountTable current = MountTable::current();
        for (const MountTable::Mount& mount : current.mounts()) {
            const std::string& point = mount.mountPoint.native();
            if (point.rfind(tree.native() + "/", 0) == 0)
                text += QByteArray::number(id++) + " 1 0:1 / " + QByteArray::fromStdString(point) +
                        (mount.readOnly ? " ro" : " rw") + " - " + QByteArray::fromStdString(mount.type) +
                        " none rw\n";
        }
        return MountTable::parse(text);
    };
}

// One mountinfo line for a folder standing in for a volume; the folder's path is escaped as the kernel
// escapes it.
QByteArray mountLine(const Path& at, const char* options = "rw", const char* type = "ext4")
{
    QByteArray point = QByteArray::fromStdString(at.native());
    point.replace("\\", "\\134").replace(" ", "\\040");
    return "7 1 0:99 / " + point + " " + options + " - " + type + " /dev/x " + options + "\n";
}

class TrashBinTest : public ::testing::Test
{
protected:
    // The fixture's home trash alone.
    static TrashBin homeBin(FileSystem fs = {}) { return TrashBin(std::nullopt, std::move(fs), noVolumes()); }

    test::FixtureHome home;
    Path trash = Trash::homeTrashDirectory();
    Path files = home.folder(trash / "files");
    Path info = home.folder(trash / "info");
    std::string uid = std::to_string(::geteuid());
};

TEST_F(TrashBinTest, DefaultFolderIsTheHomeTrash)
{
    EXPECT_EQ(TrashBin().directory(), home.dataHome() / "Trash/files");
}

TEST_F(TrashBinTest, EmptyTrash)
{
    const TrashBin bin = homeBin();
    EXPECT_EQ(bin.summary(), (TrashBin::Summary{0, 0, false, false}));
    EXPECT_EQ(bin.empty(), (TrashBin::EmptyResult{0, 0, 0, false}));
}

TEST_F(TrashBinTest, SummaryMatchesTheOracleAndWhatEmptyingFrees)
{
    home.file(files / ".DS_Store", 6148);
    home.file(files / "big.bin", 300'000);
    home.file(files / "folder/a", 5000);
    home.file(files / "folder/sub/b", 70'000);
    home.hardLink(files / "folder/a", files / "folder/a-again");
    home.sparseFile(files / "sparse", 50'000'000);
    const Path target = home.folder("Documents/kept");
    home.file("Documents/kept/inside", 9000);
    home.symlink(target, files / "link-to-folder");
    home.fileWithContent(info / "big.bin.trashinfo",
                         "[Trash Info]\nPath=/x/big.bin\nDeletionDate=2026-01-01T00:00:00\n");

    const TrashBin bin = homeBin();
    const TrashBin::Summary before = bin.summary();
    EXPECT_EQ(before.count, 5); // hidden entries count too
    EXPECT_EQ(before.bytes, test::findAllocatedSize(files));
    EXPECT_FALSE(before.restricted);

    const TrashBin::EmptyResult emptied = bin.empty();
    EXPECT_EQ(emptied, (TrashBin::EmptyResult{5, before.bytes, 0, false}));
    EXPECT_TRUE(FileSystem().list(files)->names.empty());
    EXPECT_TRUE(FileSystem().list(info)->names.empty()); // the matching info file went too
    EXPECT_TRUE(FileSystem().exists(target / "inside")); // the link went, not what it pointed to
}

TEST_F(TrashBinTest, CountsAndEmptiesWhatOtherProgramsTrashed)
{
    // Another program's layout: an item and its info file, written without us.
    home.file(files / "theirs.txt", 4096);
    home.fileWithContent(info / "theirs.txt.trashinfo",
                         "[Trash Info]\nPath=/home/u/theirs.txt\nDeletionDate=2026-12-01T10:00:00\n");
    // And our own.
    const Path caches = home.folder("Library/Caches");
    const CleanReport report = Cleaner(SafetyGuard({caches}))
                                   .clean({ScanItem{QUuid::createUuid(),
                                                    home.file("Library/Caches/ours", 4096),
                                                    QStringLiteral("ours"),
                                                    4096,
                                                    {},
                                                    true}});
    ASSERT_EQ(report.trashed.size(), 1u);

    const TrashBin bin = homeBin();
    EXPECT_EQ(bin.summary().count, 2);
    EXPECT_EQ(bin.empty().removed, 2);
    EXPECT_TRUE(FileSystem().list(info)->names.empty());
}

TEST_F(TrashBinTest, EmptyingRemovesOnlyTheInfoFileThatDescribedTheEntry)
{
    home.file(files / "paired", 100);
    home.fileWithContent(info / "paired.trashinfo", "[Trash Info]\nPath=/x/paired\n");
    home.file(files / "orphan", 100); // left without an info file by another program
    const QByteArray claim = "[Trash Info]\nPath=/elsewhere/orphan\n";
    // Another program claims the orphan's name for the item it trashes next, just as the orphan goes.
    const FileSystem racing([&](FsStep step, const Path& path) {
        if (step == FsStep::Remove && path == files / "orphan")
            home.fileWithContent(info / "orphan.trashinfo", claim);
    });

    const TrashBin::EmptyResult result = homeBin(racing).empty();
    EXPECT_EQ(result.removed, 2);
    EXPECT_EQ(result.failures, 0);
    EXPECT_FALSE(FileSystem().exists(info / "paired.trashinfo"));
    ASSERT_TRUE(FileSystem().exists(info / "orphan.trashinfo")) << "another program's claim was deleted";
}

TEST_F(TrashBinTest, AFilesFolderThatIsALinkIsNotFollowed)
{
    const Path elsewhere = home.folder("elsewhere");
    home.file("elsewhere/precious", 10);
    ASSERT_TRUE(FileSystem().removeTree(files));
    home.symlink(elsewhere, files);
    const TrashBin bin = homeBin();
    EXPECT_TRUE(bin.summary().listingFailed);
    EXPECT_EQ(bin.empty(), (TrashBin::EmptyResult{0, 0, 0, true}));
    EXPECT_TRUE(FileSystem().exists(elsewhere / "precious"));
}

TEST_F(TrashBinTest, AFileSystemMountedInsideAnEntryIsNeitherMeasuredNorEntered)
{
    home.file(files / "folder/a", 5000);
    const Path mountPoint = home.folder(files / "folder/mounted");
    const test::ScratchMount volume = test::ScratchMount::tmpfs(mountPoint);
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(volume);
    home.file(mountPoint / "kept", 100'000);
    const Path plain = home.file(files / "plain", 4096);
    const qint64 plainBytes = test::findAllocatedSize(plain);

    const TrashBin bin = homeBin();
    EXPECT_EQ(bin.summary().bytes, test::findAllocatedSize(files) - test::findAllocatedSize(mountPoint))
        << "only what emptying can free is counted";
    EXPECT_EQ(bin.empty(), (TrashBin::EmptyResult{1, plainBytes, 1, false}));
    EXPECT_TRUE(FileSystem().exists(mountPoint / "kept"));
}

TEST_F(TrashBinTest, UnreadableTrashIsRestrictedAndReportedAsUnread)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    home.file(files / "x", 10);
    const Path readable = home.folder("readable");
    home.file("readable/y", 10);
    home.chmod(files, 0700); // root's, not readable by the dropped user

    TrashBin::Summary denied, control;
    TrashBin::EmptyResult emptied;
    {
        test::DroppedPrivileges dropped;
        denied = TrashBin(files).summary();
        emptied = TrashBin(files).empty();
        control = TrashBin(readable).summary();
    }
    EXPECT_EQ(denied, (TrashBin::Summary{0, 0, true, true}));
    EXPECT_EQ(emptied, (TrashBin::EmptyResult{0, 0, 0, true}));
    EXPECT_EQ(control.count, 1); // positive control: the dropped user reads what it may
    EXPECT_TRUE(FileSystem().exists(files / "x"));
}

TEST_F(TrashBinTest, UndeletableEntriesAreFailuresAndAddNoBytes)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    home.chown(files);
    const Path locked = home.folder(files / "locked");
    home.file(files / "locked/inside", 8192); // root's folder: the dropped user cannot empty it
    home.file(files / "free", 4096);
    home.chown(files / "free");
    const qint64 freeBytes = FileSystem().status(files / "free")->allocated;

    TrashBin::EmptyResult result;
    {
        test::DroppedPrivileges dropped;
        result = TrashBin(files).empty();
    }
    EXPECT_EQ(result.removed, 1);
    EXPECT_EQ(result.failures, 1);
    EXPECT_EQ(result.bytes, freeBytes); // the locked folder's bytes are not counted
    EXPECT_FALSE(FileSystem().exists(files / "free"));
    EXPECT_TRUE(FileSystem().exists(locked / "inside"));
}

TEST_F(TrashBinTest, EmptyingRemovesInfoFilesLeftWithoutTheirItemOnceAnHourOld)
{
    const auto clock = std::make_shared<test::FakeClock>();
    const QDateTime now = clock->now();
    const Path paired = home.file(files / "paired", 4096);
    home.fileWithContent(info / "paired.trashinfo", "[Trash Info]\nPath=/x/paired\n");
    // A clean killed between reserving and writing its info file leaves it empty.
    home.fileWithMtime(info / "killed.trashinfo", now.addSecs(-2 * 3600));
    home.fileWithContent(info / "gone.trashinfo", "[Trash Info]\nPath=/x/gone\n");
    home.setMtime(info / "gone.trashinfo", now.addSecs(-3600));
    // Another program's claim on a name, just made: its item is about to be moved in.
    home.fileWithMtime(info / "claimed.trashinfo", now.addSecs(-3599));
    home.fileWithMtime(info / "notes.txt", now.addSecs(-2 * 3600));
    home.folder(info / "folder.trashinfo");
    home.setMtime(info / "folder.trashinfo", now.addSecs(-2 * 3600));
    const qint64 pairedBytes = test::findAllocatedSize(paired);

    const TrashBin bin(std::nullopt, {}, noVolumes(), clock);
    EXPECT_EQ(bin.summary(), (TrashBin::Summary{1, pairedBytes, false, false})) << "orphans are not items";
    EXPECT_EQ(bin.empty(), (TrashBin::EmptyResult{1, pairedBytes, 0, false}))
        << "nor are they counted as removed";
    std::vector<Path> left = FileSystem().list(info)->names;
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<Path>{"claimed.trashinfo", "folder.trashinfo", "notes.txt"}));
}

TEST_F(TrashBinTest, CountsAndEmptiesThePerUserTrashFoldersOfEveryWritableVolume)
{
    home.file(files / "home-item", 4096);
    home.fileWithContent(info / "home-item.trashinfo", "[Trash Info]\nPath=/x/home-item\n");
    test::TempTree disk;
    const test::ScratchMount volume = test::ScratchMount::tmpfs(disk.path("volume"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(volume);
    // Where our own cleans put items on that volume.
    const Path own = disk.path("volume/.Trash-" + uid);
    disk.file(own / "files/cleaned/inside", 8192);
    disk.fileWithContent(own / "info/cleaned.trashinfo", "[Trash Info]\nPath=cleaned\n");
    // Where other clients put them: the shared sticky .Trash, one folder per user.
    const Path shared = disk.folder("volume/.Trash");
    disk.chmod(shared, 01777);
    disk.file(shared / uid / "files/theirs", 4096);
    disk.fileWithContent(shared / uid / "info/theirs.trashinfo", "[Trash Info]\nPath=theirs\n");
    const Path otherUser = disk.file(shared / "65534/files/not-ours", 4096);
    // The same volume mounted a second time shows the same folders again: they count once.
    const test::ScratchMount again = test::ScratchMount::bind(disk.path("volume"), disk.path("again"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(again);
    const qint64 bytes = test::findAllocatedSize(files) + test::findAllocatedSize(own / "files") +
                         test::findAllocatedSize(shared / uid / "files");

    const TrashBin bin(std::nullopt, {}, mountsInside(disk.root()));
    EXPECT_EQ(bin.summary(), (TrashBin::Summary{3, bytes, false, false}));
    EXPECT_EQ(bin.empty(), (TrashBin::EmptyResult{3, bytes, 0, false}));
    for (const Path& folder :
         {files, info, own / "files", own / "info", shared / uid / "files", shared / uid / "info"})
        EXPECT_TRUE(FileSystem().list(folder)->names.empty()) << folder;
    EXPECT_TRUE(FileSystem().exists(otherUser)) << "another user's folder is never looked at";
}

TEST_F(TrashBinTest, OnlyTheUsersOwnRealTrashFoldersOfWritableVolumesCount)
{
    // A plain folder stands in for each volume's top; its name needs escaping in the mount table.
    using Plant = std::function<Path(test::TempTree & tree, const Path& top)>;
    const Plant ownTrash = [this](test::TempTree& t, const Path& top) {
        return t.file(top / (".Trash-" + uid) / "files/item", 10);
    };
    const auto sharedTrash = [this](mode_t mode) {
        return Plant([this, mode](test::TempTree& t, const Path& top) {
            const Path item = t.file(top / ".Trash" / uid / "files/item", 10);
            t.chmod(top / ".Trash", mode);
            return item;
        });
    };
    struct Row
    {
        const char* what;
        Plant plant;
        const char* options;
        const char* type;
        qint64 counted;
    };
    const Row rows[] = {
        {"own .Trash-$uid (control)", ownTrash, "rw,relatime", "ext4", 1},
        {"own folder in a sticky .Trash (control)", sharedTrash(01777), "rw", "ext4", 1},
        {"a read-only mount", ownTrash, "ro,relatime", "ext4", 0},
        {"a pseudo file system", ownTrash, "rw", "proc", 0},
        {".Trash-$uid a link to a folder",
         [this](test::TempTree& t, const Path& top) {
             const Path item = t.file(top / "real/files/item", 10);
             t.symlink(top / "real", top / (".Trash-" + uid));
             return item;
         },
         "rw", "ext4", 0},
        {".Trash-$uid another user's",
         [&](test::TempTree& t, const Path& top) {
             const Path item = ownTrash(t, top);
             t.chown(top / (".Trash-" + uid));
             return item;
         },
         "rw", "ext4", 0},
        {".Trash-$uid writable by its group",
         [&](test::TempTree& t, const Path& top) {
             const Path item = ownTrash(t, top);
             t.chmod(top / (".Trash-" + uid), 0770);
             return item;
         },
         "rw", "ext4", 0},
        {".Trash-$uid writable by others",
         [&](test::TempTree& t, const Path& top) {
             const Path item = ownTrash(t, top);
             t.chmod(top / (".Trash-" + uid), 0707);
             return item;
         },
         "rw", "ext4", 0},
        {".Trash not sticky", sharedTrash(0777), "rw", "ext4", 0},
        {".Trash a link to a sticky folder",
         [this](test::TempTree& t, const Path& top) {
             const Path item = t.file(top / "real" / uid / "files/item", 10);
             t.chmod(top / "real", 01777);
             t.symlink(top / "real", top / ".Trash");
             return item;
         },
         "rw", "ext4", 0},
        {".Trash/$uid another user's",
         [&](test::TempTree& t, const Path& top) {
             const Path item = sharedTrash(01777)(t, top);
             t.chown(top / ".Trash" / uid);
             return item;
         },
         "rw", "ext4", 0},
    };
    for (const Row& row : rows) {
        test::TempTree tree;
        const Path top = tree.folder("vol ume");
        const Path item = row.plant(tree, top);
        const TrashBin bin(std::nullopt, {}, table(mountLine(top, row.options, row.type)));
        EXPECT_EQ(bin.summary().count, row.counted) << row.what;
        EXPECT_EQ(bin.empty().removed, row.counted) << row.what;
        EXPECT_EQ(FileSystem().exists(item), row.counted == 0) << row.what;
    }
}

TEST_F(TrashBinTest, AVolumeTrashSwappedForALinkWhileEmptyingSendsNoRemovalElsewhere)
{
    // Someone who may write in the volume's top folder swaps our trash for a link between the listing
    // and the removals: the removal still happens in the folder that was listed.
    test::TempTree tree;
    const Path top = tree.folder("volume");
    const Path own = top / (".Trash-" + uid);
    tree.file(own / "files/item", 10);
    const Path victim = tree.file(top / "victim/files/item", 10);
    bool swapped = false;
    const FileSystem fs([&](FsStep step, const Path&) {
        if (step != FsStep::Remove || swapped)
            return;
        swapped = true;
        std::filesystem::rename(own, top / "moved");
        std::filesystem::create_directory_symlink(top / "victim", own);
    });
    const TrashBin bin(std::nullopt, fs, table(mountLine(top)));
    EXPECT_EQ(bin.empty().removed, 1);
    EXPECT_TRUE(swapped);
    EXPECT_TRUE(FileSystem().exists(victim)) << "the removal followed the swapped link";
    EXPECT_FALSE(FileSystem().exists(top / "moved/files/item"));
}

TEST_F(TrashBinTest, AVolumeNotListedInTimeIsReportedAndHoldsNoOtherBack)
{
    const auto clock = std::make_shared<test::FakeClock>();
    test::TempTree disk;
    const Path stalled = disk.folder("stalled");
    const Path healthy = disk.folder("healthy");
    const Path stuck = disk.file(stalled / (".Trash-" + uid) / "files/item", 4096);
    const Path item = disk.file(healthy / (".Trash-" + uid) / "files/item", 4096);
    const qint64 itemBytes = test::findAllocatedSize(item);
    // The stalled volume stops answering once its trash is listed, as a network mount that went away;
    // meanwhile the time limit passes. It answers again when the test ends.
    const auto release = std::make_shared<std::promise<void>>();
    const std::shared_future<void> released = release->get_future().share();
    const FileSystem stalling(
        [clock, released, files = stalled / (".Trash-" + uid) / "files"](FsStep step, const Path& path) {
            if (step == FsStep::List && path == files) {
                clock->advance(TrashBin::kVolumeListingLimit);
                released.wait();
            }
        });
    const TrashBin bin(std::nullopt, stalling, table(mountLine(stalled) + mountLine(healthy)), clock);

    EXPECT_EQ(bin.summary(), (TrashBin::Summary{1, itemBytes, false, true}));
    EXPECT_EQ(bin.empty(), (TrashBin::EmptyResult{1, itemBytes, 0, true}));
    release->set_value();
    EXPECT_FALSE(FileSystem().exists(item));
    EXPECT_TRUE(FileSystem().exists(stuck));
}

} // namespace
} // namespace qm

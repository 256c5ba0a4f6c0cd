#include "core/cleaning/TrashBin.h"

#include "core/cleaning/Cleaner.h"
#include "platform/Trash.h"
#include "support/FixtureHome.h"
#include "support/PrivilegeDrop.h"
#include "support/ScratchMount.h"
#include "support/SizeOracle.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

class TrashBinTest : public ::testing::Test
{
protected:
    test::FixtureHome home;
    Path trash = Trash::homeTrashDirectory();
    Path files = home.folder(trash / "files");
    Path info = home.folder(trash / "info");
};

TEST_F(TrashBinTest, DefaultFolderIsTheHomeTrash)
{
    EXPECT_EQ(TrashBin().directory(), home.dataHome() / "Trash/files");
}

TEST_F(TrashBinTest, EmptyTrash)
{
    const TrashBin bin;
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

    const TrashBin bin;
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

    const TrashBin bin;
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

    const TrashBin::EmptyResult result = TrashBin(std::nullopt, racing).empty();
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
    const TrashBin bin;
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

    const TrashBin bin;
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

} // namespace
} // namespace qm

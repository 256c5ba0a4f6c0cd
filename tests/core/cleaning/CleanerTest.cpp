#include "core/cleaning/Cleaner.h"

#include "platform/Trash.h"
#include "support/FixtureHome.h"
#include "support/PrivilegeDrop.h"
#include "support/ScratchMount.h"

#include <QFile>
#include <QRegularExpression>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace qm {
namespace {

ScanItem itemAt(const Path& path, qint64 bytes = 4096)
{
    ScanItem item;
    item.url = path;
    item.name = FileSystem::displayName(path.filename());
    item.bytes = bytes;
    item.isSelected = true;
    return item;
}

FileId idOf(const Path& path)
{
    return FileSystem().status(path)->id;
}

QByteArray readAll(const Path& path)
{
    QFile f(QString::fromStdString(path.native()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class CleanerTest : public ::testing::Test
{
protected:
    test::FixtureHome home;
    Path caches = home.folder("Library/Caches");
    Cleaner cleaner{SafetyGuard({caches})};
};

TEST_F(CleanerTest, CleanThenUndoRestoresTheSameFiles)
{
    const Path file = home.file("Library/Caches/app/cache.db", 10'000);
    const Path folder = home.folder("Library/Caches/com.example.app");
    home.file("Library/Caches/com.example.app/blob", 3000);
    const Path odd = home.nonUtf8File(caches, 100);
    const FileId fileId = idOf(file), folderId = idOf(folder), oddId = idOf(odd);

    const CleanReport report = cleaner.clean({itemAt(file, 12'288), itemAt(folder), itemAt(odd)});
    ASSERT_EQ(report.trashed.size(), 3u);
    EXPECT_TRUE(report.failures.empty());
    for (const TrashedItem& t : report.trashed) {
        EXPECT_FALSE(FileSystem().exists(t.original));
        EXPECT_EQ(t.inTrash.parent_path(), Trash::homeTrashFilesDirectory());
        EXPECT_EQ(t.fileID, idOf(t.inTrash).toText());
        EXPECT_TRUE(FileSystem().exists(Trash::infoFileFor(t.inTrash)));
    }
    EXPECT_EQ(report.trashed[0].bytes, 12'288); // the scanned size, not measured again
    EXPECT_EQ(report.trashed[2].inTrash.filename(), test::TempTree::nonUtf8Name());

    const UndoResult undone = cleaner.undo(report);
    EXPECT_EQ(undone, (UndoResult{3, 0, 3}));
    EXPECT_EQ(idOf(file), fileId);
    EXPECT_EQ(idOf(folder), folderId);
    EXPECT_EQ(idOf(odd), oddId); // the raw name came back as itself
    for (const TrashedItem& t : report.trashed)
        EXPECT_FALSE(FileSystem().exists(Trash::infoFileFor(t.inTrash)));
}

TEST_F(CleanerTest, InfoFileIsReadableByOtherPrograms)
{
    const Path file = home.file("Library/Caches/with space%.txt", 10);
    const CleanReport report = cleaner.clean({itemAt(file)});
    ASSERT_EQ(report.trashed.size(), 1u);
    const QByteArray info = readAll(Trash::infoFileFor(report.trashed[0].inTrash));
    const QByteArray encodedPath =
        QByteArray::fromStdString(caches.native()).replace("%", "%25") + "/with%20space%25.txt";
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + encodedPath + "\nDeletionDate=")) << info.constData();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$"))
            .match(QString::fromLatin1(info))
            .hasMatch())
        << info.constData();
}

TEST_F(CleanerTest, AFolderGivenWithATrailingSlashOrDotComesBack)
{
    for (const char* suffix : {"/", "/."}) {
        const Path folder = home.file("Library/Caches/app/blob", 3000).parent_path();
        const FileId folderId = idOf(folder);
        const CleanReport report = cleaner.clean({itemAt(Path(folder.native() + suffix))});
        ASSERT_EQ(report.trashed.size(), 1u) << suffix;
        EXPECT_EQ(report.trashed[0].original, folder) << "recorded as the Trash records it: " << suffix;

        EXPECT_EQ(cleaner.undo(report), (UndoResult{1, 0, 1})) << suffix;
        EXPECT_EQ(idOf(folder), folderId) << suffix;
        EXPECT_EQ(FileSystem().list(folder)->names, (std::vector<Path>{"blob"})) << suffix;

        // A report that kept the path as given is compared the same way.
        CleanReport asGiven = cleaner.clean({itemAt(folder)});
        ASSERT_EQ(asGiven.trashed.size(), 1u) << suffix;
        asGiven.trashed[0].original = Path(folder.native() + suffix);
        EXPECT_EQ(cleaner.undo(asGiven), (UndoResult{1, 0, 1})) << suffix;
        EXPECT_EQ(idOf(folder), folderId) << suffix;
        ASSERT_TRUE(FileSystem().removeTree(folder));
    }
}

TEST_F(CleanerTest, UndoLeavesAnItemWhoseInfoFileNoLongerNamesItsPlace)
{
    // The trashed file's inode may have gone to another file since: only the info file tells whose it is.
    struct Row
    {
        const char* what;
        std::function<void(const Path& info)> change;
    };
    const Row rows[] = {
        {"names another path",
         [&](const Path& info) {
             (void)FileSystem().removeTree(info);
             home.fileWithContent(
                 info, "[Trash Info]\nPath=" + QByteArray::fromStdString((caches / "other").native()) +
                           "\nDeletionDate=2026-01-01T00:00:00\n");
         }},
        {"is missing", [](const Path& info) { (void)FileSystem().removeTree(info); }},
        {"is empty", [&](const Path& info) { home.fileWithContent(info, ""); }},
    };
    for (const Row& row : rows) {
        const Path file = home.fileWithContent("Library/Caches/item", "data");
        const CleanReport report = cleaner.clean({itemAt(file)});
        ASSERT_EQ(report.trashed.size(), 1u) << row.what;
        const Path inTrash = report.trashed[0].inTrash;
        row.change(Trash::infoFileFor(inTrash));
        EXPECT_EQ(cleaner.undo(report), (UndoResult{0, 0, 1})) << row.what;
        EXPECT_FALSE(FileSystem().exists(file)) << row.what;
        EXPECT_EQ(readAll(inTrash), "data") << row.what;
        ASSERT_TRUE(FileSystem().removeTree(inTrash));
    }
}

TEST_F(CleanerTest, RefusedItemsAreReportedAndLeftAlone)
{
    const Path outside = home.file("Documents/keep.txt", 10);
    const Path inside = home.file("Library/Caches/junk", 10);
    ScanItem refused = itemAt(outside);
    refused.name = QStringLiteral("My file");
    const CleanReport report = cleaner.clean({refused, itemAt(caches), itemAt(inside)});
    ASSERT_EQ(report.trashed.size(), 1u);
    EXPECT_EQ(report.trashed[0].original, inside);
    EXPECT_EQ(report.failures, (std::vector<QString>{QStringLiteral("Skipped for safety: My file"),
                                                     QStringLiteral("Skipped for safety: Caches")}));
    ASSERT_EQ(report.failureDetails.size(), 2u);
    EXPECT_EQ(report.failureDetails[0], (CleanFailure{outside, QStringLiteral("My file"),
                                                      QStringLiteral("Skipped for safety"), false}));
    EXPECT_TRUE(FileSystem().exists(outside));
    EXPECT_TRUE(FileSystem().exists(caches));
}

TEST_F(CleanerTest, MissingItemFailsWithTheSystemsReason)
{
    ScanItem gone = itemAt(caches / "gone");
    const CleanReport report = cleaner.clean({gone});
    ASSERT_EQ(report.failureDetails.size(), 1u);
    EXPECT_EQ(report.failures[0], QStringLiteral("gone: ") + report.failureDetails[0].reason);
    EXPECT_FALSE(report.failureDetails[0].isPermissionDenied);
    EXPECT_FALSE(report.failureDetails[0].reason.isEmpty());
}

TEST_F(CleanerTest, UndoNeverReplacesWhatNowStandsAtTheOriginalPlace)
{
    struct Case
    {
        const char* what;
        std::function<void(test::TempTree&, const Path&)> recreate;
    };
    const Case cases[] = {
        {"a file", [](test::TempTree& t, const Path& p) { t.fileWithContent(p, "new"); }},
        {"an empty folder", [](test::TempTree& t, const Path& p) { t.folder(p); }},
        {"a dangling link", [](test::TempTree& t, const Path& p) { t.symlink("nowhere", p); }},
    };
    for (const Case& c : cases) {
        const Path file = home.fileWithContent("Library/Caches/item", "old");
        const CleanReport report = cleaner.clean({itemAt(file)});
        ASSERT_EQ(report.trashed.size(), 1u) << c.what;
        c.recreate(home, file);
        EXPECT_EQ(cleaner.undo(report), (UndoResult{0, 1, 1})) << c.what;
        EXPECT_EQ(readAll(report.trashed[0].inTrash), "old") << c.what;
        (void)FileSystem().removeTree(file);
    }
}

TEST_F(CleanerTest, UndoLeavesAReplacedTrashCopyAlone)
{
    const Path file = home.fileWithContent("Library/Caches/item", "old");
    const CleanReport report = cleaner.clean({itemAt(file)});
    ASSERT_EQ(report.trashed.size(), 1u);
    const Path inTrash = report.trashed[0].inTrash;
    // Keep the original alive elsewhere so the impostor cannot reuse its inode number.
    ASSERT_TRUE(FileSystem().moveNoReplace(inTrash, home.path("aside")));
    home.fileWithContent(inTrash, "impostor");
    EXPECT_EQ(cleaner.undo(report), (UndoResult{0, 0, 1}));
    EXPECT_FALSE(FileSystem().exists(file));
    EXPECT_EQ(readAll(inTrash), "impostor");

    CleanReport noIdentity = report;
    noIdentity.trashed[0].fileID.reset();
    EXPECT_EQ(cleaner.undo(noIdentity), (UndoResult{0, 0, 1}));
    EXPECT_EQ(cleaner.undo(CleanReport{}), (UndoResult{0, 0, 0}));
}

// Another freedesktop client empties the Trash: every item and info file goes.
void emptyTrashAsAnotherClient()
{
    const Path trash = Trash::homeTrashDirectory();
    for (const char* part : {"files", "info"}) {
        const Result<FileSystem::Listing> listing = FileSystem().list(trash / part);
        ASSERT_TRUE(listing.ok());
        for (const Path& name : listing->names)
            ASSERT_TRUE(FileSystem().removeTree(trash / part / name));
    }
}

// Another freedesktop client trashes `item` under its own name: the info file first, then the move.
Path trashAsAnotherClient(test::TempTree& tree, const Path& item)
{
    const Path trash = Trash::homeTrashDirectory();
    const Path inTrash = trash / "files" / item.filename();
    tree.fileWithContent(trash / "info" / Path(item.filename().native() + ".trashinfo"),
                         Trash::infoFileContents(item));
    EXPECT_TRUE(FileSystem().moveNoReplace(item, inTrash));
    return inTrash;
}

// Once another client empties the Trash, a new file made at the cleaned place and trashed by that
// client lies under the same name with the same info file, and may get the freed inode number too:
// only the birth marks tell it from the file the report moved. A report made without marks (or on a
// file system that gives none) keeps the device-and-inode check alone.
TEST_F(CleanerTest, UndoLeavesANewFileThatTookTheInodeOfAnEmptiedItem)
{
    const Path notes = home.fileWithContent("Library/Caches/app/notes.txt", "ours");
    const CleanReport report = cleaner.clean({itemAt(notes)});
    ASSERT_EQ(report.trashed.size(), 1u);
    if (!report.trashed[0].birth.known())
        GTEST_SKIP() << "this file system records neither a birth time nor an inode generation";
    emptyTrashAsAnotherClient();
    home.fileWithContent(notes, "theirs");
    const Path theirs = trashAsAnotherClient(home, notes);
    ASSERT_EQ(theirs, report.trashed[0].inTrash) << "the same name in the Trash";
    if (report.trashed[0].birth.matches(*FileSystem().birth(theirs)))
        GTEST_SKIP() << "this file system gave the new file the same marks (a birth time of the same "
                        "clock tick and no generation)";

    // Whether or not the file system handed the inode on, the report now names the new file's.
    CleanReport reused = report;
    reused.trashed[0].fileID = idOf(theirs).toText();
    EXPECT_EQ(cleaner.undo(reused), (UndoResult{0, 0, 1}));
    EXPECT_FALSE(FileSystem().exists(notes));
    EXPECT_EQ(readAll(theirs), "theirs");

    // The same item recorded without marks, as an older report holds it, still comes back.
    emptyTrashAsAnotherClient();
    home.fileWithContent(notes, "ours again");
    CleanReport older = cleaner.clean({itemAt(notes)});
    ASSERT_EQ(older.trashed.size(), 1u);
    older.trashed[0].birth = {};
    EXPECT_EQ(cleaner.undo(older), (UndoResult{1, 0, 1}));
    EXPECT_EQ(readAll(notes), "ours again");
}

// The whole sequence on this machine's file system, which on ext4 hands a freed inode number to the
// next file at once: clean, the Trash emptied by another client, a new file at the same place trashed
// by that client, then Undo. Repeated, since the inode is handed on only most of the time.
TEST_F(CleanerTest, UndoNeverTakesBackWhatAnotherClientTrashedAfterEmptying)
{
    int reused = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        SCOPED_TRACE(attempt);
        const Path notes = home.fileWithContent("Library/Caches/app/notes.txt", "ours");
        const CleanReport report = cleaner.clean({itemAt(notes)});
        ASSERT_EQ(report.trashed.size(), 1u);
        emptyTrashAsAnotherClient();
        home.fileWithContent(notes, "theirs");
        const Path theirs = trashAsAnotherClient(home, notes);
        ASSERT_EQ(theirs, report.trashed[0].inTrash);
        if (report.trashed[0].fileID == idOf(theirs).toText()) {
            if (!report.trashed[0].birth.known())
                GTEST_SKIP() << "the inode number was handed on and this file system records no birth marks";
            ++reused;
        }
        EXPECT_EQ(cleaner.undo(report), (UndoResult{0, 0, 1}));
        EXPECT_FALSE(FileSystem().exists(notes));
        EXPECT_EQ(readAll(theirs), "theirs");
        emptyTrashAsAnotherClient();
    }
    std::printf("the freed inode number went to the new file in %d of 20 tries\n", reused);
    if (reused == 0)
        GTEST_SKIP() << "this file system never handed a freed inode number on";
}

TEST_F(CleanerTest, UndoRecreatesMissingParents)
{
    const Path file = home.fileWithContent("Library/Caches/app/deep/er/item", "data");
    const CleanReport report = cleaner.clean({itemAt(file)});
    ASSERT_EQ(report.trashed.size(), 1u);
    ASSERT_TRUE(FileSystem().removeTree(caches / "app"));
    EXPECT_EQ(cleaner.undo(report), (UndoResult{1, 0, 1}));
    EXPECT_EQ(readAll(file), "data");
}

TEST_F(CleanerTest, UndoRefusesARestoreThatALinkedParentWouldCarryOutside)
{
    const Path file = home.fileWithContent("Library/Caches/app/item", "data");
    const CleanReport report = cleaner.clean({itemAt(file)});
    ASSERT_EQ(report.trashed.size(), 1u);
    ASSERT_TRUE(FileSystem().removeTree(caches / "app"));
    const Path outside = home.folder("outside");
    home.symlink(outside, caches / "app");
    EXPECT_EQ(cleaner.undo(report), (UndoResult{0, 0, 1}));
    EXPECT_FALSE(FileSystem().exists(outside / "item"));
    EXPECT_EQ(readAll(report.trashed[0].inTrash), "data");
}

// Another process exchanges a folder on the way with a link to an outside folder of same-named files
// (renameat2 RENAME_EXCHANGE) after the guard has judged the item and just before the move: the clean
// moves the file the guard judged and the undo puts it back into that folder, never into the outside
// one.
TEST_F(CleanerTest, AFolderExchangedForALinkAfterTheCheckKeepsTheMoveInside)
{
    const Path folder = home.folder("Library/Caches/p");
    const Path file = home.fileWithContent("Library/Caches/p/f", "inside");
    const Path outside = home.folder("outside");
    home.fileWithContent(outside / "f", "outside");
    home.folder("elsewhere");
    const Path link = home.symlink(outside, "elsewhere/p");
    const auto exchange = [&] {
        ASSERT_EQ(::renameat2(AT_FDCWD, folder.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE), 0);
    };
    int exchanges = 0;
    const Trash racingTrash(FileSystem([&](FsStep step, const Path&) {
        if (step == FsStep::Move && exchanges++ % 2 == 0)
            exchange();
    }));
    const Cleaner racing(SafetyGuard({caches}), racingTrash);

    const CleanReport report = racing.clean({itemAt(file)});
    exchange(); // the folder back in its place
    ASSERT_EQ(exchanges, 1);
    EXPECT_EQ(readAll(outside / "f"), "outside") << "the outside file stayed";
    ASSERT_EQ(report.trashed.size(), 1u)
        << (report.failures.empty() ? std::string() : report.failures[0].toStdString());
    EXPECT_EQ(readAll(report.trashed[0].inTrash), "inside");

    ASSERT_TRUE(FileSystem().removeTree(outside / "f")); // a restore carried outside would land here
    exchanges = 0;
    const UndoResult undone = racing.undo(report);
    exchange();
    ASSERT_EQ(exchanges, 1);
    EXPECT_FALSE(FileSystem().exists(outside / "f")) << "nothing was restored into the outside folder";
    EXPECT_EQ(undone, (UndoResult{1, 0, 1}));
    EXPECT_EQ(readAll(file), "inside");
}

TEST_F(CleanerTest, AFileCreatedBetweenTheCheckAndTheMoveIsNeverOverwritten)
{
    const Path file = home.fileWithContent("Library/Caches/item", "old");
    const CleanReport report = cleaner.clean({itemAt(file)});
    ASSERT_EQ(report.trashed.size(), 1u);

    int raced = 0;
    const Trash racingTrash(FileSystem([&](FsStep step, const Path& path) {
        if (step == FsStep::Move && path == file) {
            home.fileWithContent(file, "racer");
            ++raced;
        }
    }));
    const Cleaner racing(SafetyGuard({caches}), racingTrash);
    EXPECT_EQ(racing.undo(report), (UndoResult{0, 1, 1}));
    EXPECT_EQ(raced, 1);
    EXPECT_EQ(readAll(file), "racer");
    EXPECT_EQ(readAll(report.trashed[0].inTrash), "old");
}

TEST_F(CleanerTest, NamesCollidingInTheTrashGetFreeNames)
{
    const Path first = home.fileWithContent("Library/Caches/a/report.txt", "1");
    const Path second = home.fileWithContent("Library/Caches/b/report.txt", "2");
    const Path third = home.fileWithContent("Library/Caches/c/report.txt", "3");
    // Another program claimed the name ".2" without putting a file there yet.
    home.fileWithContent(Trash::homeTrashDirectory() / "info/report.2.txt.trashinfo", "[Trash Info]\n");
    const CleanReport report = cleaner.clean({itemAt(first), itemAt(second), itemAt(third)});
    ASSERT_EQ(report.trashed.size(), 3u);
    EXPECT_EQ(report.trashed[0].inTrash.filename(), "report.txt");
    EXPECT_EQ(report.trashed[1].inTrash.filename(), "report.3.txt");
    EXPECT_EQ(report.trashed[2].inTrash.filename(), "report.4.txt");
    EXPECT_EQ(cleaner.undo(report), (UndoResult{3, 0, 3}));
    EXPECT_EQ(readAll(second), "2");
}

TEST_F(CleanerTest, ItemsOnAnotherVolumeGoToThatVolumesTrashAndMountPointsAreRefused)
{
    // The caches folder is a link to a folder on another volume, as when caches live on a second disk.
    test::TempTree disk;
    const test::ScratchMount volume = test::ScratchMount::tmpfs(disk.path("volume"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(volume);
    const Path linkedCaches = home.symlink(disk.folder("volume/Caches"), "Library/LinkedCaches");
    const Path folder = home.file("Library/LinkedCaches/com.example.app/blob", 3000).parent_path();
    const FileId folderId = idOf(folder);
    // A folder with another file system mounted on it.
    const Path mountPoint = home.folder("Library/LinkedCaches/mounted");
    const test::ScratchMount inner = test::ScratchMount::tmpfs(mountPoint);
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(inner);
    home.file(mountPoint / "kept", 100);

    const Cleaner linked{SafetyGuard({linkedCaches})};
    const CleanReport report = linked.clean({itemAt(folder), itemAt(mountPoint)});
    ASSERT_EQ(report.trashed.size(), 1u);
    const Path volumeTrash = disk.path("volume/.Trash-" + std::to_string(::geteuid()));
    EXPECT_EQ(report.trashed[0].inTrash, volumeTrash / "files/com.example.app");
    EXPECT_TRUE(FileSystem().exists(volumeTrash / "info/com.example.app.trashinfo"));

    ASSERT_EQ(report.failureDetails.size(), 1u);
    EXPECT_EQ(report.failureDetails[0].url, mountPoint);
    EXPECT_TRUE(FileSystem().exists(mountPoint / "kept"));
    EXPECT_EQ(FileSystem().list(mountPoint)->names.size(), 1u) << "no trash folder made inside the mount";

    EXPECT_EQ(linked.undo(report), (UndoResult{1, 0, 1}));
    EXPECT_EQ(idOf(folder), folderId);
    EXPECT_EQ(FileSystem().list(folder)->names, (std::vector<Path>{"blob"}))
        << "no trash folder made inside the item";
}

// A folder that holds another file system anywhere below it is refused whole, before anything moves:
// the mount would go into the Trash with it and the Trash could not be emptied. The mount table's
// escapes ("\040" for a space) are undone before the match, and a folder whose name only begins like
// the mount's folder is moved as usual.
TEST_F(CleanerTest, AFolderThatHoldsAMountIsRefusedWhole)
{
    const QString holdsAMount =
        QStringLiteral("This folder holds a mounted volume and can't be moved to the Trash.");
    const test::ScratchMount plain =
        test::ScratchMount::tmpfs(home.folder("Library/Caches/JetBrains/remote"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(plain);
    const test::ScratchMount spaced =
        test::ScratchMount::tmpfs(home.folder("Library/Caches/Jet Brains/deep/re mote"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(spaced);
    home.file(plain.at() / "document", 1'000'000);
    home.file(spaced.at() / "document", 1000);
    const Path beside = home.file("Library/Caches/Jet/blob", 100).parent_path();

    const CleanReport report =
        cleaner.clean({itemAt(caches / "JetBrains"), itemAt(caches / "Jet Brains"), itemAt(beside)});
    const std::vector<TrashedItem> trashed = report.trashed;
    (void)cleaner.undo(report); // puts back whatever moved, so that the mounts can be detached
    ASSERT_EQ(trashed.size(), 1u);
    EXPECT_EQ(trashed[0].original, beside);
    ASSERT_EQ(report.failureDetails.size(), 2u);
    for (const CleanFailure& failure : report.failureDetails) {
        EXPECT_EQ(failure.reason.toStdString(), holdsAMount.toStdString()) << failure.url;
        EXPECT_FALSE(failure.isPermissionDenied) << failure.url;
    }
    EXPECT_EQ(report.failures[0], QStringLiteral("JetBrains: ") + holdsAMount);
    EXPECT_TRUE(FileSystem().exists(plain.at() / "document"));
    EXPECT_TRUE(FileSystem().exists(spaced.at() / "document"));
}

// The system's own folders have no protection of their own here, and root may write anywhere: the
// Trash refuses their files whoever runs, while a folder of /usr/local is moved as any other. Each row
// is a scratch folder made there for the test, chosen as a file tool's folder is.
TEST_F(CleanerTest, SystemFilesAreRefusedWhoeverRuns)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can make scratch folders in the system's folders";
    const QString systemFile = QStringLiteral("This is a system file and can't be moved to the Trash.");
    struct Row
    {
        Path parent;
        bool refused;
    };
    const Row rows[] = {{"/usr/lib", true}, {"/etc", true}, {"/var/lib", true}, {"/usr/local/share", false}};
    for (const Row& row : rows) {
        std::string pattern = (row.parent / "qm-test-XXXXXX").native();
        if (!::mkdtemp(pattern.data())) {
            ADD_FAILURE() << "no scratch folder in " << row.parent;
            continue;
        }
        const Path scratch(pattern);
        struct Removed
        {
            Path folder;
            ~Removed()
            {
                std::error_code ec;
                std::filesystem::remove_all(folder, ec);
            }
        } removed{scratch};
        const Path file = home.fileWithContent(scratch / "libcopy.so", "copy");
        if (!row.refused &&
            FileSystem().status(file)->id.device != FileSystem().status(home.root())->id.device) {
            continue; // it would go to a trash made at the top of the system's disk
        }
        const Cleaner chosen{SafetyGuard({scratch})};
        const CleanReport report = chosen.clean({itemAt(file)});
        const UndoResult undone = chosen.undo(report);
        EXPECT_EQ(readAll(file), "copy") << row.parent;
        if (row.refused) {
            EXPECT_TRUE(report.trashed.empty()) << row.parent;
            ASSERT_EQ(report.failureDetails.size(), 1u) << row.parent;
            EXPECT_EQ(report.failureDetails[0].reason.toStdString(), systemFile.toStdString()) << row.parent;
        } else {
            EXPECT_EQ(undone, (UndoResult{1, 0, 1})) << row.parent;
        }
    }
}

TEST_F(CleanerTest, PermissionDenialIsClassified)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    // The home belongs to the dropped user; one folder in it belongs to root.
    home.chown(home.root());
    home.chown(caches);
    home.folder("Library/Caches/locked");
    const Path denied = home.file("Library/Caches/locked/item", 10);
    const Path allowed = home.file("Library/Caches/free", 10);
    home.chown(allowed);

    CleanReport report;
    {
        test::DroppedPrivileges dropped;
        report = cleaner.clean({itemAt(denied), itemAt(allowed)});
    }
    ASSERT_EQ(report.trashed.size(), 1u); // positive control: the user's own item moved
    EXPECT_EQ(report.trashed[0].original, allowed);
    ASSERT_EQ(report.failureDetails.size(), 1u);
    EXPECT_TRUE(report.failureDetails[0].isPermissionDenied);
    EXPECT_EQ(report.failures[0], QStringLiteral("item: ") + report.failureDetails[0].reason);
    EXPECT_TRUE(FileSystem().exists(denied));
    EXPECT_EQ(report.permissionDenied().size(), 1u);
}

} // namespace
} // namespace qm

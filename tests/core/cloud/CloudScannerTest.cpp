#include "core/cloud/CloudScanner.h"

#include "support/FakeCloudDrive.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::FakeCloudDrive;
using test::TempTree;

// st_blocks * 512 of the entry itself, a link not followed; -1 when it is not there.
qint64 allocated(const fs::path& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? qint64(st.st_blocks) * 512 : -1;
}

qint64 length(const fs::path& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? qint64(st.st_size) : -1;
}

const CloudItem* named(const CloudScanner::Scan& scan, const std::string& name)
{
    for (const CloudItem& item : scan.items) {
        if (item.url.filename().native() == name)
            return &item;
    }
    return nullptr;
}

// The drive's folder "drive" inside a temp tree, the fake confined to the tree.
class CloudScannerTest : public ::testing::Test
{
protected:
    CloudScannerTest()
        : root(tree.folder("drive")), drive(std::make_shared<FakeCloudDrive>(tree.root(), root)),
          scanner(root, drive)
    {}

    // The visible names of the drive's folder in the order the file system lists them.
    std::vector<std::string> listingOrder() const
    {
        std::vector<std::string> names;
        const Result<FileSystem::Listing> listing = FileSystem().list(root);
        for (const Path& name : listing->names) {
            if (!name.native().starts_with('.'))
                names.push_back(name.native());
        }
        return names;
    }

    TempTree tree;
    fs::path root;
    std::shared_ptr<FakeCloudDrive> drive;
    CloudScanner scanner;
};

TEST_F(CloudScannerTest, AnEmptyOrAllHiddenFolderListsNothing)
{
    std::vector<std::pair<int, int>> reports;
    const auto record = [&](int done, int total) { reports.emplace_back(done, total); };
    CloudScanner::Scan scan = scanner.scan(record);
    EXPECT_TRUE(scan.items.empty());
    EXPECT_FALSE(scan.readFailed);
    EXPECT_FALSE(scan.partial);

    tree.file("drive/.DS_Store", 6000);
    tree.file("drive/.Trash/old.bin", 9000);
    reports.clear();
    scan = scanner.scan(record);
    EXPECT_TRUE(scan.items.empty());
    EXPECT_FALSE(scan.readFailed);
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{0, 0}})) << "hidden entries are not even counted";
}

TEST_F(CloudScannerTest, AMissingFolderCannotBeRead)
{
    std::vector<std::pair<int, int>> reports;
    const CloudScanner::Scan scan = CloudScanner(tree.path("nowhere"), drive).scan([&](int done, int total) {
        reports.emplace_back(done, total);
    });
    EXPECT_TRUE(scan.readFailed);
    EXPECT_FALSE(scan.partial);
    EXPECT_TRUE(scan.items.empty());
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{0, 0}}));
}

TEST_F(CloudScannerTest, AFolderOfAnotherUserCannotBeRead)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    tree.file("drive/kept.bin", 5000);
    tree.chmod(root, 0700); // root's, closed to everyone else
    const fs::path open = tree.folder("open");
    tree.file("open/visible.bin", 5000);

    test::DroppedPrivileges dropped;
    const CloudScanner::Scan closed = scanner.scan({});
    EXPECT_TRUE(closed.readFailed);
    EXPECT_TRUE(closed.items.empty());
    // The positive control: the same user lists a folder it may read.
    const CloudScanner::Scan readable = CloudScanner(open, drive).scan({});
    EXPECT_FALSE(readable.readFailed);
    ASSERT_EQ(readable.items.size(), 1u);
    EXPECT_EQ(readable.items[0].name, QStringLiteral("visible.bin"));
}

TEST_F(CloudScannerTest, EachKindOfEntryIsMeasuredAsItself)
{
    tree.file("drive/plain.bin", 10'000);
    drive->makeDataless(tree.file("drive/placeholder.bin", 7'000));
    // Marked as a placeholder while its blocks are still there: the mark decides.
    drive->makeDataless(tree.file("drive/marked.bin", 9'000), false);
    tree.file("drive/empty.txt", 0);
    drive->makeDataless(tree.file("drive/onlyDataless/a.bin", 3'000));
    drive->makeDataless(tree.file("drive/onlyDataless/deeper/b.bin", 4'000));
    tree.symlink("plain.bin", "drive/link");
    tree.nonUtf8File(root, 2'000);
    // A folder with the usual difficulties: a nested folder, a link inside, a hard link, a sparse
    // file, a FIFO, a name that is not UTF-8 and a placeholder.
    tree.file("drive/Projects/report.pdf", 50'000);
    tree.file("drive/Projects/src/main.cpp", 12'345);
    tree.symlink("/etc/passwd", "drive/Projects/src/outside");
    tree.hardLink("drive/Projects/report.pdf", "drive/Projects/report-again.pdf");
    tree.sparseFile("drive/Projects/sparse.img", 5'000'000);
    tree.fifo("drive/Projects/pipe");
    tree.nonUtf8File(tree.path("drive/Projects/src"), 1'500);
    drive->makeDataless(tree.file("drive/Projects/cloud-only.mov", 80'000));

    std::vector<std::pair<int, int>> reports;
    const CloudScanner::Scan scan =
        scanner.scan([&](int done, int total) { reports.emplace_back(done, total); });
    ASSERT_FALSE(scan.readFailed);
    EXPECT_FALSE(scan.partial);

    struct Row
    {
        std::string name;
        bool isDirectory;
        qint64 local;
        qint64 cloud;
    };
    const Row rows[] = {
        {"plain.bin", false, test::findRegularFilesAllocatedSize(tree.path("drive/plain.bin")), 10'000},
        {"placeholder.bin", false, 0, 7'000},
        {"marked.bin", false, 0, 9'000},
        {"onlyDataless", true, 0, 7'000},
        // The link's own blocks and length (its text), never the file it names.
        {"link", false, test::findAllocatedSize(tree.path("drive/link")),
         qint64(std::string("plain.bin").size())},
        {TempTree::nonUtf8Name().native(), false,
         test::findRegularFilesAllocatedSize(tree.path(root / TempTree::nonUtf8Name())), 2'000},
        {"Projects", true, test::findRegularFilesAllocatedSize(tree.path("drive/Projects")),
         test::findRegularFilesLength(tree.path("drive/Projects"))},
    };
    EXPECT_EQ(scan.items.size(), std::size(rows)) << "the zero-length file is not listed";
    EXPECT_EQ(named(scan, "empty.txt"), nullptr);
    EXPECT_GT(allocated(tree.path("drive/marked.bin")), 0) << "the fixture keeps the marked file's blocks";
    for (const Row& row : rows) {
        const CloudItem* item = named(scan, row.name);
        ASSERT_NE(item, nullptr) << row.name;
        EXPECT_EQ(item->url, root / row.name) << row.name;
        EXPECT_EQ(item->name, FileSystem::displayName(row.name)) << row.name;
        EXPECT_EQ(item->isDirectory, row.isDirectory) << row.name;
        EXPECT_EQ(item->localBytes, row.local) << row.name;
        EXPECT_EQ(item->cloudBytes, row.cloud) << row.name;
        EXPECT_FALSE(item->isSelected) << row.name;
    }

    // Largest local size first, fractions of the local total.
    qint64 total = 0;
    for (const CloudItem& item : scan.items)
        total += item.localBytes;
    for (std::size_t i = 0; i < scan.items.size(); ++i) {
        if (i > 0) {
            EXPECT_GE(scan.items[i - 1].localBytes, scan.items[i].localBytes) << i;
        }
        EXPECT_DOUBLE_EQ(scan.items[i].fraction, double(scan.items[i].localBytes) / double(total)) << i;
    }
    std::set<QUuid> ids;
    for (const CloudItem& item : scan.items)
        ids.insert(item.id);
    EXPECT_EQ(ids.size(), scan.items.size()) << "every item has its own id";
    EXPECT_FALSE(ids.contains(QUuid()));

    // Every visible entry is reported once measured, the unlisted empty file too.
    const int n = int(listingOrder().size());
    ASSERT_EQ(reports.size(), std::size_t(n + 1));
    for (int i = 0; i <= n; ++i)
        EXPECT_EQ(reports[std::size_t(i)], std::make_pair(i, n)) << i;

    // A new scan gives the same entries new ids.
    const CloudScanner::Scan again = scanner.scan({});
    EXPECT_NE(named(again, "plain.bin")->id, named(scan, "plain.bin")->id);
}

TEST_F(CloudScannerTest, EqualLocalSizesKeepListingOrder)
{
    for (const char* name : {"e1", "e2", "e3", "e4", "e5", "e6"})
        tree.file(root / name, 12'000);
    tree.file("drive/big", 40'000);
    std::vector<std::string> expected;
    for (const std::string& name : listingOrder()) {
        if (name != "big")
            expected.push_back(name);
    }
    const CloudScanner::Scan scan = scanner.scan({});
    ASSERT_EQ(scan.items.size(), 7u);
    EXPECT_EQ(scan.items[0].url.filename(), "big");
    std::vector<std::string> order;
    for (std::size_t i = 1; i < scan.items.size(); ++i)
        order.push_back(scan.items[i].url.filename().native());
    EXPECT_EQ(order, expected);
}

TEST_F(CloudScannerTest, NothingStoredHereGivesEveryFractionZero)
{
    drive->makeDataless(tree.file("drive/a.bin", 3'000));
    drive->makeDataless(tree.file("drive/b.bin", 6'000));
    const CloudScanner::Scan scan = scanner.scan({});
    ASSERT_EQ(scan.items.size(), 2u);
    for (const CloudItem& item : scan.items) {
        EXPECT_EQ(item.localBytes, 0);
        EXPECT_EQ(item.fraction, 0.0);
    }
}

TEST_F(CloudScannerTest, AFolderWithAClosedSubfolderIsPartialAndKeepsWhatItRead)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    tree.file("drive/Shared/readable.bin", 30'000);
    tree.file("drive/Shared/Secret/hidden.bin", 70'000);
    tree.chmod(tree.path("drive/Shared/Secret"), 0700);
    tree.file("drive/Other/fine.bin", 8'000);
    const qint64 readable = test::findRegularFilesAllocatedSize(tree.path("drive/Shared/readable.bin"));
    const qint64 fine = test::findRegularFilesAllocatedSize(tree.path("drive/Other"));

    CloudScanner::Scan scan;
    {
        test::DroppedPrivileges dropped;
        scan = scanner.scan({});
    }
    EXPECT_FALSE(scan.readFailed);
    EXPECT_TRUE(scan.partial);
    ASSERT_NE(named(scan, "Shared"), nullptr);
    EXPECT_EQ(named(scan, "Shared")->localBytes, readable);
    EXPECT_EQ(named(scan, "Shared")->cloudBytes, 30'000);
    // The positive control: the folder beside it is read whole by the same user.
    ASSERT_NE(named(scan, "Other"), nullptr);
    EXPECT_EQ(named(scan, "Other")->localBytes, fine);

    EXPECT_FALSE(scanner.scan({}).partial) << "root reads everything";
}

TEST_F(CloudScannerTest, ATopLevelFolderThatCannotBeOpenedIsLeftOutAndMakesThePartial)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    tree.file("drive/Locked/inside.bin", 30'000);
    tree.chmod(tree.path("drive/Locked"), 0700);
    tree.file("drive/open.bin", 8'000);

    CloudScanner::Scan scan;
    {
        test::DroppedPrivileges dropped;
        scan = scanner.scan({});
    }
    EXPECT_FALSE(scan.readFailed);
    EXPECT_TRUE(scan.partial);
    EXPECT_EQ(named(scan, "Locked"), nullptr) << "nothing measured, nothing listed";
    ASSERT_EQ(scan.items.size(), 1u);
    EXPECT_EQ(scan.items[0].url.filename(), "open.bin");
}

TEST_F(CloudScannerTest, StoppingDuringAWalkDropsTheListUnlessItWasTheLastEntry)
{
    tree.file("drive/A/one.bin", 10'000);
    tree.file("drive/A/two.bin", 10'000);
    tree.file("drive/B/one.bin", 10'000);
    tree.file("drive/B/two.bin", 10'000);
    const std::vector<std::string> order = listingOrder();
    ASSERT_EQ(order.size(), 2u);

    // Stopped at the first file asked about in `folder`: the walk ends there.
    const auto stoppedIn = [&](const std::string& folder) {
        std::stop_source stop;
        drive->onDatalessQuestion([&](const Path& path) {
            if (path.parent_path().filename() == folder)
                stop.request_stop();
        });
        CloudScanner::Scan scan = scanner.scan({}, stop.get_token());
        drive->onDatalessQuestion({});
        return scan;
    };
    const CloudScanner::Scan first = stoppedIn(order[0]);
    EXPECT_TRUE(first.items.empty()) << "a later entry remained, so nothing measured is kept";
    EXPECT_FALSE(first.readFailed);

    // The check runs before each entry, so the last entry comes back with what its walk summed.
    const CloudScanner::Scan last = stoppedIn(order[1]);
    ASSERT_EQ(last.items.size(), 2u);
    const CloudItem* cut = named(last, order[1]);
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->cloudBytes, 10'000);
    const CloudItem* whole = named(last, order[0]);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->cloudBytes, 20'000);

    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_TRUE(scanner.scan({}, stopped.get_token()).items.empty());
}

TEST_F(CloudScannerTest, EvictLeavesAloneWhatIsNotAnUploadedLocalFile)
{
    const fs::path outside = tree.file("outside.bin", 20'000);
    drive->setUploadState(outside, CloudUploadState::uploaded);
    const fs::path target = tree.file("drive/target.bin", 20'000);
    drive->setUploadState(target, CloudUploadState::uploaded);
    const fs::path link = tree.symlink("target.bin", "drive/link");
    drive->setUploadState(link, CloudUploadState::uploaded);
    const fs::path dataless = tree.file("drive/dataless.bin", 20'000);
    drive->makeDataless(dataless, false);
    drive->setUploadState(dataless, CloudUploadState::uploaded);
    const fs::path pending = tree.file("drive/pending.bin", 20'000);
    drive->setUploadState(pending, CloudUploadState::notUploaded);
    const fs::path unknown = tree.file("drive/unknown.bin", 20'000);
    const fs::path open = tree.file("drive/open.bin", 20'000);
    drive->setUploadState(open, CloudUploadState::uploaded);
    drive->refuseEviction(open);
    const fs::path vanished = tree.file("drive/vanished.bin", 20'000);
    drive->setUploadState(vanished, CloudUploadState::uploaded);
    fs::remove(vanished);

    struct Row
    {
        const char* name;
        fs::path path;
    };
    const Row rows[] = {
        {"a dataless file", dataless},        {"a file not yet uploaded", pending},
        {"a file of unknown state", unknown}, {"a symbolic link", link},
        {"a vanished path", vanished},        {"a path outside the folder", outside},
        {"a file the drive refuses", open},   {"the folder itself", root},
    };
    for (const Row& row : rows) {
        const qint64 before = allocated(row.path);
        EXPECT_EQ(scanner.evict(row.path), 0) << row.name;
        EXPECT_EQ(allocated(row.path), before) << row.name;
    }
    EXPECT_EQ(allocated(target), test::findRegularFilesAllocatedSize(target)) << "the link's target stays";
    EXPECT_GT(allocated(target), 0);
    EXPECT_TRUE(drive->evictions().empty());
}

TEST_F(CloudScannerTest, EvictFreesAnUploadedFileAndKeepsItsLength)
{
    const fs::path file = tree.file("drive/movie.mov", 64'000);
    drive->setUploadState(file, CloudUploadState::uploaded);
    const qint64 before = test::findRegularFilesAllocatedSize(file);
    ASSERT_GT(before, 0);

    EXPECT_EQ(scanner.evict(file), before);
    EXPECT_EQ(allocated(file), 0);
    EXPECT_EQ(length(file), 64'000);
    EXPECT_EQ(scanner.evict(file), 0) << "a second eviction finds a placeholder";

    std::stop_source stopped;
    stopped.request_stop();
    const fs::path other = tree.file("drive/other.bin", 8'000);
    drive->setUploadState(other, CloudUploadState::uploaded);
    EXPECT_EQ(scanner.evict(other, stopped.get_token()), 0);
    EXPECT_GT(allocated(other), 0);
}

TEST_F(CloudScannerTest, EvictingAFolderFreesOnlyItsUploadedLocalFiles)
{
    const auto uploaded = [&](const fs::path& path) {
        drive->setUploadState(path, CloudUploadState::uploaded);
        return path;
    };
    const fs::path top = uploaded(tree.file("drive/Photos/top.jpg", 20'000));
    const fs::path nested = uploaded(tree.file("drive/Photos/2024/nested.jpg", 8'000));
    const fs::path dataless = uploaded(tree.file("drive/Photos/dataless.jpg", 5'000));
    drive->makeDataless(dataless, false);
    const fs::path pending = tree.file("drive/Photos/pending.jpg", 5'000);
    drive->setUploadState(pending, CloudUploadState::notUploaded);
    const fs::path unknown = tree.file("drive/Photos/unknown.jpg", 5'000);
    const fs::path link = uploaded(tree.symlink("top.jpg", "drive/Photos/link.jpg"));
    const fs::path open = uploaded(tree.file("drive/Photos/open.jpg", 5'000));
    drive->refuseEviction(open);
    const fs::path outsideTarget = uploaded(tree.file("elsewhere/far.jpg", 5'000));
    tree.symlink(outsideTarget.parent_path(), "drive/Photos/elsewhere");

    const qint64 expected =
        test::findRegularFilesAllocatedSize(top) + test::findRegularFilesAllocatedSize(nested);
    std::vector<std::pair<fs::path, qint64>> kept;
    for (const fs::path& path : {dataless, pending, unknown, link, open, outsideTarget})
        kept.emplace_back(path, allocated(path));

    EXPECT_EQ(scanner.evict(tree.path("drive/Photos")), expected);
    EXPECT_EQ(allocated(top), 0);
    EXPECT_EQ(allocated(nested), 0);
    for (const auto& [path, blocks] : kept)
        EXPECT_EQ(allocated(path), blocks) << path;
    const std::vector<Path> evicted = drive->evictions();
    EXPECT_EQ(std::set<Path>(evicted.begin(), evicted.end()), (std::set<Path>{top, nested}));
}

} // namespace
} // namespace qm

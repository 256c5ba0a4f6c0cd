#include "core/cleaning/CleanupScanner.h"
#include "core/cleaning/DirectoryWalk.h"
#include "platform/UniqueFd.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/TempTree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <thread>

namespace qm {
namespace {

using namespace std::chrono_literals;

constexpr qint64 kNodes = 200'000;
constexpr double kDeadline = 90.0;

// The sizer as the junk scanner calls it, with its own coverage flag.
qint64 measure(const Path& path, CoverageFlag& coverage, std::stop_token stop = {})
{
    return CleanupScanner().size(path, {}, kNodes, false, kDeadline, &coverage, stop);
}

// `folders` folders of `filesEach` entries made relative to descriptors: in each folder one file of
// one byte and hard links to it (a hard link costs a fraction of a new file to make, and the sizer
// counts every name, as the oracle does), so totals grow as the walk goes. With `links` false every
// entry is a file of its own, every tenth holding one byte. Returns the number of entries.
qint64 makeWideTree(const Path& root, int folders, int filesEach, bool links)
{
    UniqueFd rootFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    EXPECT_TRUE(rootFd.valid());
    for (int d = 0; d < folders; ++d) {
        const std::string name = "d" + std::to_string(d);
        EXPECT_EQ(::mkdirat(rootFd.get(), name.c_str(), 0755), 0);
        UniqueFd dir(::openat(rootFd.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        for (int f = 0; f < filesEach; ++f) {
            const std::string file = std::to_string(f);
            if (links && f > 0) {
                EXPECT_EQ(::linkat(dir.get(), "0", dir.get(), file.c_str(), 0), 0);
                continue;
            }
            UniqueFd fd(::openat(dir.get(), file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
            if (f % 10 == 0) {
                EXPECT_EQ(::write(fd.get(), "x", 1), 1);
            }
        }
    }
    return qint64(folders) * (filesEach + 1);
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(SizerTest, AnythingButAFolderIsMeasuredByItself)
{
    test::TempTree tree;
    tree.file("folder/inside", 50'000);
    struct Case
    {
        const char* what;
        Path path;
    };
    const std::vector<Case> cases{
        {"regular file", tree.file("plain.bin", 10'000)},
        {"empty file", tree.file("empty")},
        {"sparse file", tree.sparseFile("sparse", 30'000'000)},
        {"link to a big file", tree.symlink(tree.file("big", 200'000), "link-to-file")},
        {"link to a folder", tree.symlink(tree.path("folder"), "link-to-folder")},
        {"fifo", tree.fifo("pipe")},
        {"non-UTF-8 name", tree.nonUtf8File({}, 7000)},
    };
    std::stop_source cancelled;
    cancelled.request_stop();
    for (const Case& c : cases) {
        const qint64 expected = test::findAllocatedSize(c.path);
        CoverageFlag coverage;
        EXPECT_EQ(measure(c.path, coverage), expected) << c.what;
        // Neither a zero deadline, a zero cap nor a cancelled caller applies to a single file: no
        // walk is started for it.
        EXPECT_EQ(CleanupScanner().size(c.path, {}, 0, true, 0.0, &coverage, cancelled.get_token()), expected)
            << c.what;
        EXPECT_FALSE(coverage.hit()) << c.what;
    }

    CoverageFlag coverage;
    EXPECT_EQ(measure(tree.path("missing"), coverage), 0);
    EXPECT_EQ(CleanupScanner().size(tree.path("missing"), {}, kNodes, true, 0.0, &coverage, {}), 0);
    EXPECT_FALSE(coverage.hit());
}

TEST(SizerTest, FolderTotalsEqualTheOracle)
{
    test::TempTree outside;
    outside.file("elsewhere/huge", 2'000'000);

    test::TempTree rich;
    rich.file("top.bin", 10'000);
    rich.file(".hidden/cache", 123'456);
    rich.file("a/b/c/deep", 70'000);
    rich.hardLink("a/b/c/deep", "a/deep-again");
    rich.hardLink("a/b/c/deep", "a/b/deep-third");
    rich.sparseFile("sparse", 40'000'000);
    rich.sparseFile("a/sparse-with-data", 10'000'000);
    rich.file("Ünïcödé/ß", 3000);
    rich.nonUtf8File(rich.nonUtf8Folder(), 5000);
    rich.fifo("pipe");
    rich.symlink(outside.path("elsewhere"), "link-to-folder");
    rich.symlink(outside.path("elsewhere/huge"), "a/link-to-file");
    rich.symlink("nowhere", "dangling");
    rich.folder("empty");

    test::TempTree onlyLinks;
    onlyLinks.symlink(outside.path("elsewhere"), "l1");
    onlyLinks.symlink(outside.path("elsewhere/huge"), "l2");

    test::TempTree empty;

    test::TempTree wide; // big enough for the walk to spread over several threads
    makeWideTree(wide.root(), 10, 300, false);

    for (const test::TempTree* tree : {&rich, &onlyLinks, &empty, &wide}) {
        CoverageFlag coverage;
        EXPECT_EQ(measure(tree->root(), coverage), test::findAllocatedSize(tree->root())) << tree->root();
        EXPECT_FALSE(coverage.hit()) << tree->root();
    }
    CoverageFlag coverage;
    EXPECT_EQ(measure(rich.path("a"), coverage), test::findAllocatedSize(rich.path("a")));
    EXPECT_EQ(measure(empty.root(), coverage), 0);
    EXPECT_FALSE(coverage.hit());
}

TEST(SizerTest, DeadlineOfZeroOrLessMeasuresNothingAndMarksCoverage)
{
    test::TempTree tree;
    tree.file("a", 10'000);
    for (const double deadline : {0.0, -1.0, -0.0, std::nan("")}) {
        CoverageFlag coverage;
        EXPECT_EQ(CleanupScanner().size(tree.root(), {}, kNodes, false, deadline, &coverage, {}), 0)
            << deadline;
        EXPECT_TRUE(coverage.hit()) << deadline;
        EXPECT_EQ(CleanupScanner().size(tree.root(), {}, kNodes, false, deadline, nullptr, {}), 0)
            << deadline;
    }
    // A deadline too far away to add to the clock is simply far away.
    CoverageFlag coverage;
    EXPECT_EQ(CleanupScanner().size(tree.root(), {}, kNodes, false, std::numeric_limits<double>::infinity(),
                                    &coverage, {}),
              test::findAllocatedSize(tree.root()));
    EXPECT_FALSE(coverage.hit());
}

TEST(SizerTest, NodeCapMeasuresNodeLimitPlusOneEntries)
{
    test::TempTree tree;
    std::set<qint64> single;
    qint64 all = 0;
    for (const qint64 bytes : {1, 5000, 9000, 17'000, 33'000}) {
        const Path file = tree.file("f" + std::to_string(bytes), bytes);
        single.insert(test::findAllocatedSize(file));
        all += test::findAllocatedSize(file);
    }
    ASSERT_EQ(single.size(), 5u) << "the files must differ in allocated size";

    struct Case
    {
        qint64 nodeLimit;
        bool flagCap;
        bool capReached;
    };
    for (const Case& c : {Case{0, false, true}, Case{0, true, true}, Case{3, false, true},
                          Case{3, true, true}, Case{4, true, false}, Case{-1, true, true}}) {
        SCOPED_TRACE("nodeLimit " + std::to_string(c.nodeLimit) + (c.flagCap ? ", cap counts" : ""));
        CoverageFlag coverage;
        const qint64 bytes =
            CleanupScanner().size(tree.root(), {}, c.nodeLimit, c.flagCap, kDeadline, &coverage, {});
        if (c.nodeLimit == 0) {
            EXPECT_TRUE(single.count(bytes)) << bytes << " is not the size of exactly one file";
        } else if (c.nodeLimit < 0) {
            EXPECT_EQ(bytes, 0);
        } else if (c.nodeLimit >= 4) {
            EXPECT_EQ(bytes, all);
        } else {
            EXPECT_LT(bytes, all);
        }
        EXPECT_EQ(coverage.hit(), c.flagCap && c.capReached);
    }
}

TEST(SizerTest, ExcludedPathsAddNothing)
{
    test::TempTree tree;
    tree.file("cache/blob", 100'000);
    tree.file("cache/sub/more", 50'000);
    tree.file("cache-old/kept", 20'000);
    tree.file("cache.txt", 9000);
    tree.file("keep/file", 4000);
    const qint64 whole = test::findAllocatedSize(tree.root());
    const qint64 cache = test::findAllocatedSize(tree.path("cache"));
    const qint64 keepFile = test::findAllocatedSize(tree.path("keep/file"));
    ASSERT_GT(cache, 0);

    struct Case
    {
        const char* what;
        std::vector<Path> excluding;
        qint64 expected;
    };
    const std::vector<Case> cases{
        {"a folder", {tree.path("cache")}, whole - cache},
        {"a folder written loosely", {Path(tree.root().native() + "/./keep/../cache/")}, whole - cache},
        {"a file", {tree.path("keep/file")}, whole - keepFile},
        {"a folder and a file", {tree.path("keep/file"), tree.path("cache")}, whole - cache - keepFile},
        {"something that is not there", {tree.path("cach")}, whole},
        {"the root itself", {tree.root()}, 0},
        {"the file-system root", {Path("/")}, 0},
    };
    for (const Case& c : cases) {
        CoverageFlag coverage;
        EXPECT_EQ(CleanupScanner().size(tree.root(), c.excluding, kNodes, true, kDeadline, &coverage, {}),
                  c.expected)
            << c.what;
        EXPECT_FALSE(coverage.hit()) << c.what;
    }
}

TEST(SizerTest, UnreadablePartsMarkCoverage)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    test::TempTree tree;
    tree.file("open/visible", 40'000);
    tree.file("closed/secret", 80'000);
    tree.file("closed/deeper/more", 8000);
    tree.file("listable/name", 12'000);
    const qint64 readable = test::findAllocatedSize(tree.path("open"));
    tree.chown(tree.path("closed"));
    tree.chmod(tree.path("closed"), 0700);
    tree.chown(tree.path("listable"));
    tree.chmod(tree.path("listable"), 0744);

    test::DroppedPrivileges dropped(1000, 1000);
    CoverageFlag control;
    EXPECT_EQ(measure(tree.path("open"), control), readable); // what the dropped process can read
    EXPECT_FALSE(control.hit());

    CoverageFlag coverage;
    EXPECT_EQ(measure(tree.root(), coverage), readable);
    EXPECT_TRUE(coverage.hit());

    CoverageFlag closedRoot;
    EXPECT_EQ(measure(tree.path("closed"), closedRoot), 0);
    EXPECT_TRUE(closedRoot.hit());
}

TEST(SizerTest, PseudoFileSystemsMeasureNothing)
{
    for (const char* path : {"/proc", "/sys"}) {
        CoverageFlag coverage;
        EXPECT_EQ(measure(path, coverage), 0) << path;
        EXPECT_FALSE(coverage.hit()) << path;
    }
    test::TempTree tree;
    tree.symlink("/proc", "proc-link");
    CoverageFlag coverage;
    EXPECT_EQ(measure(tree.root(), coverage), test::findAllocatedSize(tree.root()));
}

TEST(SizerTest, SmallFoldersDoNotWaitForThePollingStep)
{
    test::TempTree tree;
    tree.file("a/b", 5000);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) {
        CoverageFlag coverage;
        measure(tree.root(), coverage);
    }
    // Twenty 0.25 s steps would take 5 s.
    EXPECT_LT(secondsSince(start), 2.5);
}

// One big tree for the cases where the walk must be cut short; building it dominates the test.
TEST(SizerTest, LongWalksEndEarlyOnCancellationDeadlineAndCap)
{
    test::TempTree tree;
    const qint64 entries = makeWideTree(tree.root(), 300, 1000, true);
    ASSERT_GE(entries, 300'000);
    const qint64 full = test::findAllocatedSize(tree.root());
    ASSERT_GT(full, 0);
    const CleanupScanner sizer;

    {
        SCOPED_TRACE("everything, with a cap above the tree");
        CoverageFlag coverage;
        EXPECT_EQ(sizer.size(tree.root(), {}, entries + 10, true, 3600.0, &coverage, {}), full);
        EXPECT_FALSE(coverage.hit());
    }
    {
        SCOPED_TRACE("cancelled");
        // Cancelled by the walking thread as it enters its 20th folder, however fast the walk is.
        static std::stop_source source;
        static std::atomic<int> folders;
        source = std::stop_source();
        folders = 0;
        DirectoryWalk::setFolderHook([](std::string_view) {
            if (folders.fetch_add(1) == 20)
                source.request_stop();
        });
        CoverageFlag coverage;
        const auto start = std::chrono::steady_clock::now();
        const qint64 partial =
            sizer.size(tree.root(), {}, entries + 10, true, 3600.0, &coverage, source.get_token());
        DirectoryWalk::setFolderHook(nullptr);
        EXPECT_LT(secondsSince(start), 5.0);
        EXPECT_LT(partial, full);
        EXPECT_GE(partial, 0);
        EXPECT_FALSE(coverage.hit());
    }
    {
        SCOPED_TRACE("deadline");
        CoverageFlag coverage;
        const auto start = std::chrono::steady_clock::now();
        const qint64 partial = sizer.size(tree.root(), {}, entries + 10, false, 0.02, &coverage, {});
        EXPECT_LT(secondsSince(start), 5.0);
        EXPECT_LT(partial, full);
        EXPECT_TRUE(coverage.hit());
    }
    {
        SCOPED_TRACE("cap");
        CoverageFlag capped;
        EXPECT_LT(sizer.size(tree.root(), {}, 1000, true, 3600.0, &capped, {}), full);
        EXPECT_TRUE(capped.hit());
        CoverageFlag uncounted;
        EXPECT_LT(sizer.size(tree.root(), {}, 1000, false, 3600.0, &uncounted, {}), full);
        EXPECT_FALSE(uncounted.hit());
    }
    {
        SCOPED_TRACE("a walk abandoned while its flag and stop source are gone");
        for (int i = 0; i < 5; ++i) {
            auto coverage = std::make_unique<CoverageFlag>();
            sizer.size(tree.root(), {}, entries + 10, false, 0.001, coverage.get(), {});
            EXPECT_TRUE(coverage->hit());
        }
    }
}

} // namespace
} // namespace qm

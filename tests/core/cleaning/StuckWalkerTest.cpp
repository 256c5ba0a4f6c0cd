#include "core/apps/LeftoverFinder.h"
#include "core/cleaning/CleanupScanner.h"
#include "core/cleaning/DirectoryWalk.h"
#include "core/cleaning/WalkerThreads.h"
#include "platform/Processors.h"
#include "support/FakeAppLocator.h"
#include "support/FakeClock.h"
#include "support/SizeOracle.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace qm {
namespace {

using namespace std::chrono_literals;

// Holds every walk at a folder named "held" as a hung system call would, until released. Other
// folders are counted as they are entered, so a test can tell that other walks went on meanwhile.
struct Hold
{
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    int held = 0;          // walks waiting at a held folder now
    int othersEntered = 0; // other folders entered while anything was held
    int releaseAfter = 0;  // release once this many other folders were entered (0: only by hand)
    bool timedOut = false; // a held walk gave up waiting for the release
};

Hold g_hold;

void holdAtHeldFolders(std::string_view folder)
{
    const bool isHeld = folder.size() >= 5 && folder.substr(folder.size() - 5) == "/held";
    std::unique_lock lock(g_hold.mutex);
    if (!isHeld) {
        ++g_hold.othersEntered;
        if (g_hold.releaseAfter > 0 && g_hold.othersEntered >= g_hold.releaseAfter)
            g_hold.released = true;
        g_hold.changed.notify_all();
        return;
    }
    ++g_hold.held;
    g_hold.changed.notify_all();
    // The bound only keeps a broken test from hanging the suite.
    if (!g_hold.changed.wait_for(lock, 60s, [] { return g_hold.released; }))
        g_hold.timedOut = true;
    --g_hold.held;
}

// Installs the hook for one test and releases and removes it at the end.
class StuckWalkerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::lock_guard lock(g_hold.mutex);
        g_hold.released = false;
        g_hold.held = 0;
        g_hold.othersEntered = 0;
        g_hold.releaseAfter = 0;
        g_hold.timedOut = false;
        DirectoryWalk::setFolderHook(&holdAtHeldFolders);
    }
    void TearDown() override
    {
        release();
        DirectoryWalk::setFolderHook(nullptr);
    }
    static void release()
    {
        {
            const std::lock_guard lock(g_hold.mutex);
            g_hold.released = true;
        }
        g_hold.changed.notify_all();
    }
    static int held()
    {
        const std::lock_guard lock(g_hold.mutex);
        return g_hold.held;
    }
};

// Walks held in their system call keep their threads; every other measurement, one after another or
// several at once, still gets a walker of its own and ends complete long before its own deadline, and
// the held ones end at theirs with the coverage flag raised.
TEST_F(StuckWalkerTest, OtherMeasurementsEndByTheirDeadlinesWhileWalksAreStuck)
{
    test::TempTree tree;
    tree.file("held/inside", 5000);
    std::vector<std::filesystem::path> others;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "o" + std::to_string(i);
        for (int f = 0; f <= i; ++f)
            tree.file(name + "/sub/f" + std::to_string(f), 4096 * (f + 1));
        others.push_back(tree.path(name));
    }
    const CleanupScanner sizer;

    for (int i = 0; i < 3; ++i) {
        CoverageFlag coverage;
        EXPECT_EQ(sizer.size(tree.path("held"), {}, CleanupScanner::kNodeLimit, false, 0.2, &coverage, {}),
                  0);
        EXPECT_TRUE(coverage.hit());
    }
    EXPECT_EQ(held(), 3) << "each stuck walk keeps its own thread";

    const auto measureAll = [&] {
        for (const auto& other : others) {
            CoverageFlag coverage;
            const qint64 bytes =
                sizer.size(other, {}, CleanupScanner::kNodeLimit, false, 60.0, &coverage, {});
            EXPECT_EQ(bytes, test::findAllocatedSize(other)) << other;
            EXPECT_FALSE(coverage.hit()) << other << " waited for its deadline";
        }
    };
    measureAll();
    std::vector<std::future<void>> side;
    for (int t = 0; t < 4; ++t)
        side.push_back(std::async(std::launch::async, measureAll));
    for (auto& f : side)
        f.get();
    EXPECT_EQ(held(), 3);

    release();
    CoverageFlag coverage;
    EXPECT_EQ(sizer.size(tree.path("held"), {}, CleanupScanner::kNodeLimit, false, 60.0, &coverage, {}),
              test::findAllocatedSize(tree.path("held")));
    EXPECT_FALSE(coverage.hit());
}

// The children of a root are measured while one of them is stuck: the held child is only let go once
// every other child's folder was entered, and the result is that of one by one.
TEST_F(StuckWalkerTest, ChildrenAreMeasuredWhileOneChildIsStuck)
{
    if (Processors::count() < 2)
        GTEST_SKIP() << "one processor: children are measured one at a time";
    test::TempTree tree;
    tree.file("a/held/inside", 8192);
    constexpr int kOthers = 30;
    for (int i = 0; i < kOthers; ++i)
        tree.file("c" + std::to_string(i) + "/f", 4096 * (1 + i % 5));
    {
        const std::lock_guard lock(g_hold.mutex);
        g_hold.releaseAfter = kOthers + 1; // "a" and every other child
    }
    const auto result =
        CleanupScanner(FileSystem(), "/nonexistent-home").scanChildren(tree.root(), std::nullopt, false);
    {
        const std::lock_guard lock(g_hold.mutex);
        EXPECT_TRUE(g_hold.released);
        EXPECT_GE(g_hold.othersEntered, kOthers);
    }
    EXPECT_FALSE(result.incomplete);
    ASSERT_EQ(result.items.size(), std::size_t(kOthers + 1));
    for (const ScanItem& item : result.items)
        EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url)) << item.url;
}

// The orphan folders of one leftover root are measured side by side as well: the held orphan is only
// let go once every other orphan folder was entered, and the orphans are those of one by one.
TEST_F(StuckWalkerTest, OrphanFoldersAreMeasuredWhileOneIsStuck)
{
    if (Processors::count() < 2)
        GTEST_SKIP() << "one processor: orphans are measured one at a time";
    test::TempTree tree;
    const Path home = tree.folder("home");
    const Path support = home / ".config";
    const auto clock = std::make_shared<test::FakeClock>();
    std::vector<Path> orphans{support / "com.gone.a"};
    tree.file(orphans.front() / "held/inside", 8192);
    constexpr int kOthers = 12;
    for (int i = 0; i < kOthers; ++i) {
        orphans.push_back(support / ("com.gone.c" + std::to_string(i)));
        tree.file(orphans.back() / "f", 4096 * (1 + i % 5));
    }
    for (const Path& orphan : orphans)
        tree.setMtime(orphan, clock->now().addSecs(-400 * 24 * 3600));
    {
        const std::lock_guard lock(g_hold.mutex);
        g_hold.releaseAfter = kOthers + 1; // "com.gone.a" and every other orphan
    }
    const auto matcher = LeftoverFinder::orphanMatcher(AppScanner::Listing{{}, true},
                                                       std::make_shared<test::FakeAppLocator>());
    ASSERT_TRUE(matcher.has_value());
    const LeftoverFinder::Orphans found =
        LeftoverFinder(FileSystem(), CleanupScanner(FileSystem(), home), Places::resolve(home, {}), clock)
            .findOrphans(*matcher);
    {
        const std::lock_guard lock(g_hold.mutex);
        EXPECT_TRUE(g_hold.released);
        EXPECT_FALSE(g_hold.timedOut) << "the other orphans waited for the held one";
        EXPECT_GE(g_hold.othersEntered, kOthers);
    }
    EXPECT_FALSE(found.incomplete);
    ASSERT_EQ(found.items.size(), orphans.size());
    for (const ScanItem& item : found.items)
        EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url)) << item.url;
}

// Children stuck past their deadline are given up with what they counted and mark the root incomplete,
// while threads started in their place measure every other child to the end, even when every first
// thread got stuck.
TEST_F(StuckWalkerTest, ChildrenStuckPastTheirDeadlineAreGivenUpAndTheOthersStillMeasured)
{
    test::TempTree tree;
    const int stuck = Processors::count();
    for (int i = 0; i < stuck; ++i) {
        const std::string name = "h" + std::to_string(i);
        tree.file(name + "/counted", 4096);
        tree.file(name + "/held/inside", 8192);
    }
    constexpr int kOthers = 12;
    for (int i = 0; i < kOthers; ++i)
        tree.file("c" + std::to_string(i) + "/f", 4096 * (1 + i % 3));

    const auto result = CleanupScanner(FileSystem(), "/nonexistent-home")
                            .scanChildren(tree.root(), std::nullopt, false, {}, 0.5);
    EXPECT_EQ(held(), stuck) << "the scan returned while its stuck walks were still held";
    EXPECT_TRUE(result.incomplete);
    std::size_t others = 0;
    for (const ScanItem& item : result.items) {
        const std::string name = item.url.filename().native();
        if (name[0] == 'h') {
            // The entries of a folder come before its sub-folders: what was counted before the hold.
            EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url / "counted")) << item.url;
        } else {
            ++others;
            EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url)) << item.url;
        }
    }
    EXPECT_EQ(others, std::size_t(kOthers));
}

// Measurements one after another reuse a cached walker thread instead of starting one each.
TEST(WalkerThreadsTest, SequentialMeasurementsReuseAThread)
{
    test::TempTree tree;
    tree.file("folder/f", 4096);
    const CleanupScanner sizer;
    CoverageFlag coverage;
    sizer.size(tree.path("folder"), {}, CleanupScanner::kNodeLimit, false, 60.0, &coverage, {});
    const int before = WalkerThreads::count();
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(sizer.size(tree.path("folder"), {}, CleanupScanner::kNodeLimit, false, 60.0, &coverage, {}),
                  test::findAllocatedSize(tree.path("folder")));
    EXPECT_FALSE(coverage.hit());
    EXPECT_LE(WalkerThreads::count(), before + 1);
}

} // namespace
} // namespace qm

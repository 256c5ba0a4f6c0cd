#include "core/files/FileScanner.h"
#include "platform/UniqueFd.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/TempTree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace qm {
namespace {

using Progress = std::pair<qint64, qint64>;

// Everything one streamChildren call reported, in order, with a check that every callback came from
// the calling thread.
struct Streamed
{
    struct Event
    {
        std::optional<SizedEntry> entry;
        Progress progress{-1, -1};
    };
    std::vector<Event> events;
    std::map<std::string, SizedEntry> byName; // raw name -> entry
    bool result = false;
    bool foreignThread = false;

    static Streamed of(const FileScanner& scanner, const Path& folder, std::stop_token stop = {})
    {
        Streamed s;
        const auto caller = std::this_thread::get_id();
        s.result = scanner.streamChildren(
            folder,
            [&](const SizedEntry& e) {
                s.foreignThread |= std::this_thread::get_id() != caller;
                s.events.push_back({e, {-1, -1}});
                s.byName.emplace(e.name.native(), e);
            },
            [&](qint64 m, qint64 n) {
                s.foreignThread |= std::this_thread::get_id() != caller;
                s.events.push_back({std::nullopt, {m, n}});
            },
            stop);
        return s;
    }

    std::vector<Progress> progress() const
    {
        std::vector<Progress> out;
        for (const Event& e : events) {
            if (!e.entry)
                out.push_back(e.progress);
        }
        return out;
    }

    // One (0, n) first, then per sizing an optional entry immediately followed by (m, n), m = 1, 2, ...
    void expectOrder(qint64 n) const
    {
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front().progress, Progress(0, n));
        qint64 m = 0;
        for (std::size_t i = 1; i < events.size(); ++i) {
            if (events[i].entry) {
                ASSERT_LT(i + 1, events.size()) << "an entry must be followed by its progress";
                EXPECT_FALSE(events[i + 1].entry) << "two entries without progress between them";
                continue;
            }
            EXPECT_EQ(events[i].progress, Progress(++m, n)) << "event " << i;
        }
        EXPECT_FALSE(foreignThread);
    }
};

// The oracle: a folder child's bytes are du's total less the folder's own blocks (which the sizer does
// not count), anything else du's total; one du per child.
qint64 oracle(const Path& child)
{
    struct stat st;
    if (::lstat(child.c_str(), &st) != 0)
        throw std::runtime_error("lstat " + child.native());
    const qint64 du = test::duAllocatedSize(child);
    return S_ISDIR(st.st_mode) ? du - qint64(st.st_blocks) * 512 : du;
}

FileScanner::Services withThreads(int walkThreads, int width = 0)
{
    FileScanner::Services services;
    services.home = "/nonexistent-home";
    services.walkThreads = walkThreads;
    services.width = width;
    return services;
}

TEST(StreamChildrenTest, SizesEachChildAsDuDoes)
{
    test::TempTree tree;
    tree.file("a/one", 5000);
    tree.file("a/deep/er/two", 70'000);
    tree.hardLink("a/one", "a/one-again");  // once within a child
    tree.hardLink("a/one", "b/same-inode"); // and once again in another child
    tree.file("b/own", 3000);
    tree.sparseFile("a/sparse", 40'000'000);
    tree.symlink("one", "a/link");
    tree.file("a/.hidden-inside", 9000);           // hidden inside a child: counted
    tree.file(".hidden-child/x", 9000);            // a hidden child: not listed
    tree.file("X.app/Contents/MacOS/bin", 20'000); // a package: sized in full
    tree.nonUtf8File(tree.nonUtf8Folder(), 4000);
    tree.file("top.bin", 10'000);
    tree.file("zero", 0); // no blocks: not delivered, still measured
    tree.folder("empty"); // nothing below: not delivered
    tree.fifo("pipe");
    tree.sparseFile("sparse-top", 1'000'000);
    // A child large enough for its walk to take helper threads, its hard links met late.
    for (int i = 0; i < 3000; ++i)
        tree.file("many/f" + std::to_string(i % 30) + "/" + std::to_string(i), i % 7 == 0 ? 5000 : 0);
    tree.hardLink("many/f0/0", "many/f29/late-link");
    tree.hardLink("many/f0/0", "many/f28/late-link");

    const std::vector<std::string> listed{"X.app", "a",    "a\xff",      "b",       "empty",
                                          "many",  "pipe", "sparse-top", "top.bin", "zero"};
    for (const int threads : {1, 4}) {
        SCOPED_TRACE("walk threads " + std::to_string(threads));
        const Streamed s = Streamed::of(FileScanner(withThreads(threads)), tree.root());
        EXPECT_FALSE(s.result);
        s.expectOrder(qint64(listed.size()));
        for (const std::string& name : listed) {
            const Path child = tree.root() / name;
            const qint64 expected = oracle(child);
            const auto found = s.byName.find(name);
            if (expected == 0) {
                EXPECT_EQ(found, s.byName.end()) << name << " has no blocks and must not be delivered";
                continue;
            }
            ASSERT_NE(found, s.byName.end()) << name;
            const SizedEntry& e = found->second;
            EXPECT_EQ(e.bytes, expected) << name;
            EXPECT_EQ(e.url, child) << name;
            EXPECT_EQ(e.isDirectory, std::filesystem::is_directory(std::filesystem::symlink_status(child)))
                << name;
            EXPECT_FALSE(e.unreadable) << name;
            EXPECT_EQ(e.fraction, 0) << name;
        }
        EXPECT_FALSE(s.byName.count(".hidden-child"));
        EXPECT_FALSE(s.byName.count("zero"));
        EXPECT_FALSE(s.byName.count("empty"));
        EXPECT_EQ(s.progress().back(), Progress(10, 10));
    }
}

TEST(StreamChildrenTest, EmptyAndHiddenOnlyFoldersGiveZeroOfZero)
{
    test::TempTree tree;
    tree.folder("empty");
    tree.file("hidden-only/.a", 100);
    for (const char* folder : {"empty", "hidden-only"}) {
        const Streamed s = Streamed::of(FileScanner(), tree.path(folder));
        EXPECT_FALSE(s.result) << folder;
        EXPECT_EQ(s.progress(), std::vector<Progress>{Progress(0, 0)}) << folder;
        EXPECT_TRUE(s.byName.empty()) << folder;
    }
    const Streamed missing = Streamed::of(FileScanner(), tree.path("missing"));
    EXPECT_TRUE(missing.result);
    EXPECT_EQ(missing.progress(), std::vector<Progress>{Progress(0, 0)});
}

TEST(StreamChildrenTest, LinksAreSizedAsThemselves)
{
    test::TempTree tree;
    tree.file("big/data", 1'000'000);
    const std::string longTarget = tree.path("big").native() + "/" + std::string(80, 'x') + "/../../big";
    ASSERT_GT(longTarget.size(), 60u);
    const Path longLink = tree.symlink(longTarget, "long-link");
    tree.symlink("big", "short-link");
    struct stat st;
    ASSERT_EQ(::lstat(longLink.c_str(), &st), 0);
    if (st.st_blocks == 0)
        GTEST_SKIP() << "this file system keeps a " << longTarget.size() << "-byte link target in the inode";

    const Streamed s = Streamed::of(FileScanner(), tree.root());
    ASSERT_TRUE(s.byName.count("long-link"));
    const SizedEntry& link = s.byName.at("long-link");
    EXPECT_EQ(link.bytes, qint64(st.st_blocks) * 512);
    EXPECT_EQ(link.bytes, oracle(longLink));
    EXPECT_FALSE(link.isDirectory);
    EXPECT_FALSE(s.byName.count("short-link")); // no blocks of its own
    EXPECT_EQ(s.progress().back(), Progress(3, 3));
}

TEST(StreamChildrenTest, PlaceholdersAreNeitherListedNorCounted)
{
    test::TempTree tree;
    tree.file("cloud-only/cloud-a", 50'000);
    tree.file("cloud-only/cloud-b", 50'000);
    tree.file("mixed/cloud-c", 50'000);
    tree.file("mixed/real", 5000);
    tree.file("cloud-top", 50'000);
    FileScanner::Services services;
    services.isDataless = [](std::string_view path, const DirectoryWalk::Status& status) {
        const std::size_t slash = path.rfind('/');
        return !status.isDirectory() && path.substr(slash + 1).starts_with("cloud");
    };
    const Streamed s = Streamed::of(FileScanner(services), tree.root());
    s.expectOrder(2); // cloud-top is left out of n
    EXPECT_FALSE(s.byName.count("cloud-only"));
    EXPECT_FALSE(s.byName.count("cloud-top"));
    ASSERT_TRUE(s.byName.count("mixed"));
    EXPECT_EQ(s.byName.at("mixed").bytes, oracle(tree.path("mixed")) - oracle(tree.path("mixed/cloud-c")));
}

TEST(StreamChildrenPermissionTest, UnreadableFoldersAndChildren)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    test::TempTree tree;
    tree.file("folder/readable/f", 5000);
    tree.file("folder/closed/secret", 5000);
    tree.chown(tree.path("folder/closed"));
    tree.chmod(tree.path("folder/closed"), 0700);
    tree.file("folder/partial/visible", 7000);
    tree.file("folder/partial/closed-below/secret", 5000);
    tree.chown(tree.path("folder/partial/closed-below"));
    tree.chmod(tree.path("folder/partial/closed-below"), 0700);
    tree.file("unlistable/f", 5000);
    tree.chown(tree.path("unlistable"));
    tree.chmod(tree.path("unlistable"), 0700);

    // What the dropped process may count of "partial": all but what lies inside the closed folder.
    const qint64 partialReadable =
        oracle(tree.path("folder/partial")) - oracle(tree.path("folder/partial/closed-below"));
    const qint64 readable = oracle(tree.path("folder/readable"));

    test::DroppedPrivileges dropped(1000, 1000);
    const Streamed s = Streamed::of(FileScanner(), tree.path("folder"));
    EXPECT_FALSE(s.result);
    s.expectOrder(3);
    ASSERT_EQ(s.byName.size(), 3u);
    EXPECT_EQ(s.byName.at("readable").bytes, readable); // the positive control
    EXPECT_FALSE(s.byName.at("readable").unreadable);
    EXPECT_EQ(s.byName.at("closed").bytes, 0);
    EXPECT_TRUE(s.byName.at("closed").unreadable);
    EXPECT_EQ(s.byName.at("partial").bytes, partialReadable);
    EXPECT_FALSE(s.byName.at("partial").unreadable);

    const Streamed closed = Streamed::of(FileScanner(), tree.path("unlistable"));
    EXPECT_TRUE(closed.result);
    EXPECT_EQ(closed.progress(), std::vector<Progress>{Progress(0, 0)});
    EXPECT_TRUE(closed.byName.empty());
}

// Folders named by long components, made relative to descriptors so that no path handed to the
// kernel gets long, ending in one file of 100,000 bytes.
void makeLongChain(const Path& root, int depth)
{
    UniqueFd fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(fd.valid());
    const std::string name(200, 'n');
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(::mkdirat(fd.get(), name.c_str(), 0755), 0);
        fd.reset(::openat(fd.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        ASSERT_TRUE(fd.valid());
    }
    UniqueFd file(::openat(fd.get(), "last", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    ASSERT_TRUE(file.valid());
    const std::string data(100'000, 'x');
    ASSERT_EQ(::write(file.get(), data.data(), data.size()), ssize_t(data.size()));
}

TEST(StreamChildrenTest, ChainsLongerThanAPathAreSizedToTheirLastFile)
{
    test::TempTree tree;
    tree.folder("chain");
    makeLongChain(tree.path("chain"), 30); // about 6,000 bytes of path
    const Streamed s = Streamed::of(FileScanner(), tree.path("chain"));
    ASSERT_EQ(s.byName.size(), 1u);
    const SizedEntry& e = s.byName.begin()->second;
    EXPECT_EQ(e.bytes, oracle(e.url));
    EXPECT_GE(e.bytes, 100'000 + 29 * 4096);
    EXPECT_FALSE(e.unreadable);
}

// Restores the descriptor limit a test lowered.
class DescriptorLimit
{
public:
    explicit DescriptorLimit(rlim_t soft)
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        struct rlimit lowered = m_saved;
        lowered.rlim_cur = soft;
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~DescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    static rlim_t soft()
    {
        struct rlimit now;
        ::getrlimit(RLIMIT_NOFILE, &now);
        return now.rlim_cur;
    }

private:
    struct rlimit m_saved;
};

TEST(StreamChildrenTest, WDeepWalksAtOnceStayWithinTheDescriptorLimit)
{
    test::TempTree tree;
    const int width = FileScanner::defaultWidth();
    for (int i = 0; i < width; ++i) {
        const Path child = tree.folder("c" + std::to_string(i));
        Path deep = child;
        for (int level = 0; level < 60; ++level)
            deep /= "d";
        tree.file(deep / "f", 5000);
    }
    std::map<std::string, qint64> expected;
    for (int i = 0; i < width; ++i)
        expected["c" + std::to_string(i)] = oracle(tree.path("c" + std::to_string(i)));

    // 256 fits w walks of two folders each; 64 does not, and the soft limit is raised to fit.
    for (const rlim_t soft : {rlim_t(256), rlim_t(64)}) {
        SCOPED_TRACE("soft limit " + std::to_string(soft));
        std::map<std::string, qint64> sized;
        {
            const DescriptorLimit limit(soft);
            const Streamed s = Streamed::of(FileScanner(withThreads(4)), tree.root());
            for (const auto& [name, e] : s.byName)
                sized[name] = e.bytes;
            if (soft == 256) {
                EXPECT_EQ(DescriptorLimit::soft(), soft) << "raised without need";
            }
        }
        EXPECT_EQ(sized, expected);
    }
}

TEST(StreamChildrenTest, WidthFollowsTheAffinityMask)
{
    cpu_set_t saved;
    ASSERT_EQ(::sched_getaffinity(0, sizeof saved, &saved), 0);
    int first = -1;
    int second = -1;
    for (int cpu = 0; cpu < CPU_SETSIZE && second < 0; ++cpu) {
        if (CPU_ISSET(cpu, &saved))
            (first < 0 ? first : second) = cpu;
    }
    ASSERT_GE(first, 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(FileScanner::defaultWidth(), 4); // at least 4
    if (second >= 0) {
        CPU_SET(second, &one);
        ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
        EXPECT_EQ(FileScanner::defaultWidth(), 8);
    }
    ASSERT_EQ(::sched_setaffinity(0, sizeof saved, &saved), 0);
    EXPECT_EQ(FileScanner::defaultWidth(), std::max(4, 4 * CPU_COUNT(&saved)));
    EXPECT_EQ(FileScanner().width(), FileScanner::defaultWidth());
}

TEST(StreamChildrenInstrumentedTest, NeverMoreThanWSizingsAtOnce)
{
    test::TempTree tree;
    for (int i = 0; i < 40; ++i)
        tree.file("c" + std::to_string(i) + "/f", 100 * (i % 9));
    for (const int width : {1, 3, 7}) {
        SCOPED_TRACE("width " + std::to_string(width));
        std::atomic<int> running = 0;
        std::atomic<int> most = 0;
        FileScanner::Services services;
        services.width = width;
        services.hook = [&](FileScanner::Checkpoint point, qint64) {
            if (point == FileScanner::Checkpoint::Sizing) {
                const int now = ++running;
                int seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                // Hold each sizing until `width` run at once (bounded, so a walk that cannot widen
                // fails the check below instead of hanging); a loaded machine cannot hide the width.
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (most.load() < width && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            } else if (point == FileScanner::Checkpoint::SizingEnded) {
                --running;
            }
        };
        const Streamed s = Streamed::of(FileScanner(services), tree.root());
        s.expectOrder(40);
        EXPECT_EQ(s.byName.size(), 40u - 5u); // the five children whose file is empty add nothing
        EXPECT_LE(most.load(), width);
        EXPECT_EQ(most.load(), width); // and the width is used
    }
}

class StreamChildrenCancelTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_tree = new test::TempTree;
        for (int i = 0; i < 1200; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "c%04d", i);
            s_tree->file(name, 1);
        }
    }
    static void TearDownTestSuite()
    {
        delete s_tree;
        s_tree = nullptr;
    }
    static test::TempTree* s_tree;
};

test::TempTree* StreamChildrenCancelTest::s_tree = nullptr;

TEST_F(StreamChildrenCancelTest, CancellationAtEachTest)
{
    using Point = FileScanner::Checkpoint;
    struct Case
    {
        const char* what;
        // Asks for the stop (through the source) at a checkpoint or while the listing meets a child.
        std::function<void(std::stop_source&, Point, qint64)> atCheckpoint;
        std::function<void(std::stop_source&, std::string_view)> whileListing;
        std::vector<Progress> progress;
        std::size_t entries;
    };
    const std::vector<Case> cases{
        {"before index 500 is checked",
         [](std::stop_source& stop, Point point, qint64 index) {
             if (point == Point::Listing && index == 500)
                 stop.request_stop();
         },
         {},
         {},
         0},
        {"after index 1000 is checked",
         {},
         [](std::stop_source& stop, std::string_view path) {
             if (path.ends_with("/c1001"))
                 stop.request_stop();
         },
         {{0, 1200}},
         0},
        {"while collecting",
         [](std::stop_source& stop, Point point, qint64 index) {
             if (point == Point::Collecting && index == 10)
                 stop.request_stop();
         },
         {},
         {},
         10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::stop_source stop;
        FileScanner::Services services;
        if (c.atCheckpoint)
            services.hook = [&](Point point, qint64 index) { c.atCheckpoint(stop, point, index); };
        if (c.whileListing) {
            services.isDataless = [&](std::string_view path, const DirectoryWalk::Status&) {
                c.whileListing(stop, path);
                return false;
            };
        }
        const Streamed s = Streamed::of(FileScanner(services), s_tree->root(), stop.get_token());
        EXPECT_FALSE(s.result);
        EXPECT_EQ(s.byName.size(), c.entries);
        if (c.entries == 0) {
            EXPECT_EQ(s.progress(), c.progress);
        } else {
            // Ten sizings collected, each entry and its progress; nothing after the stop.
            s.expectOrder(1200);
            EXPECT_EQ(s.progress().back(), Progress(10, 1200));
        }
    }
}

} // namespace
} // namespace qm

#include "core/cleaning/DirectoryWalk.h"

#include "core/cleaning/MountTable.h"
#include "platform/UniqueFd.h"
#include "support/PrivilegeDrop.h"
#include "support/ScratchMount.h"
#include "support/SizeOracle.h"
#include "support/TempTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace qm {
namespace {

using Action = DirectoryWalk::Action;

// What one walk reported, collected safely from every walking thread.
struct Collected
{
    std::mutex mutex;
    std::map<std::string, DirectoryWalk::Status> entries; // path -> status
    std::map<std::string, int> depths;
    std::map<std::string, int> visits;
    std::set<int> workers;
    std::vector<std::pair<std::string, int>> errors; // path, errno

    DirectoryWalk::Visitor visitor(std::function<Action(const DirectoryWalk::Entry&)> decide = {})
    {
        return [this, decide](const DirectoryWalk::Entry& e) {
            {
                const std::lock_guard lock(mutex);
                const std::string path(e.path);
                EXPECT_EQ(std::string(e.name), Path(path).filename().native()) << path;
                entries.emplace(path, e.status);
                depths[path] = e.depth;
                ++visits[path];
                workers.insert(e.worker);
            }
            return decide ? decide(e) : Action::Continue;
        };
    }
    DirectoryWalk::ErrorHandler errorHandler()
    {
        return [this](std::string_view path, const Error& error) {
            const std::lock_guard lock(mutex);
            errors.emplace_back(std::string(path), error.code());
        };
    }
    qint64 allocated() const
    {
        qint64 sum = 0;
        for (const auto& [path, status] : entries) {
            if (!status.isDirectory())
                sum += status.allocated;
        }
        return sum;
    }
};

DirectoryWalk::Limits limitsWith(int threads, qint64 parallelAfter = 1, int maxOpen = 64)
{
    DirectoryWalk::Limits limits;
    limits.threads = threads;
    limits.parallelAfterEntries = parallelAfter;
    limits.maxOpenFolders = maxOpen;
    return limits;
}

// A tree with everything a walk must take in its stride.
class DirectoryWalkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tree.file("top.bin", 10'000);
        tree.file(".hidden", 100);
        tree.file("a/one", 5000);
        tree.file("a/b/two", 70'000);
        tree.file("a/b/c/three", 1);
        tree.folder("empty");
        tree.file("Ünïcödé/ß.txt", 3000);
        tree.nonUtf8File(tree.folder("odd"), 200);
        tree.hardLink("a/one", "a/one-again");
        tree.sparseFile("sparse", 40'000'000);
        tree.fifo("pipe");
        tree.symlink(outside.folder("elsewhere"), "link-to-folder");
        outside.file("elsewhere/not-ours", 9000);
        tree.symlink("does-not-exist", "dangling");
        for (int i = 0; i < 40; ++i)
            tree.file("many/f" + std::to_string(i), 100 * i);
    }

    std::set<std::string> expectedPaths() const
    {
        std::set<std::string> out;
        for (const char* rel : {"top.bin", ".hidden", "a", "a/one", "a/one-again", "a/b", "a/b/two", "a/b/c",
                                "a/b/c/three", "empty", "Ünïcödé", "Ünïcödé/ß.txt", "odd", "sparse", "pipe",
                                "link-to-folder", "dangling", "many"})
            out.insert(tree.path(rel).native());
        out.insert((tree.path("odd") / test::TempTree::nonUtf8Name()).native());
        for (int i = 0; i < 40; ++i)
            out.insert(tree.path("many/f" + std::to_string(i)).native());
        return out;
    }

    test::TempTree tree;
    test::TempTree outside;
};

TEST_F(DirectoryWalkTest, ReportsEveryEntryOnceWithoutFollowingLinks)
{
    for (const int threads : {1, 4}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        Collected seen;
        ASSERT_TRUE(
            DirectoryWalk(limitsWith(threads)).run(tree.root(), {}, seen.visitor(), seen.errorHandler()));

        std::set<std::string> paths;
        for (const auto& [path, visits] : seen.visits) {
            paths.insert(path);
            EXPECT_EQ(visits, 1) << path;
        }
        EXPECT_EQ(paths, expectedPaths());
        EXPECT_TRUE(seen.errors.empty());
        EXPECT_EQ(seen.allocated(), test::findAllocatedSize(tree.root()));
        EXPECT_TRUE(seen.entries.at(tree.path("link-to-folder").native()).isSymlink());
        EXPECT_TRUE(seen.entries.at(tree.path("a/b").native()).isDirectory());
        EXPECT_EQ(seen.entries.at(tree.path("a/one").native()).inode,
                  seen.entries.at(tree.path("a/one-again").native()).inode);
        EXPECT_EQ(seen.depths.at(tree.path("top.bin").native()), 1);
        EXPECT_EQ(seen.depths.at(tree.path("a/b/c/three").native()), 4);
        for (const int worker : seen.workers) {
            EXPECT_GE(worker, 0);
            EXPECT_LT(worker, threads);
        }
    }
}

// A folder of a few thousand entries whose parts idle helpers examine (and whose sub-folders among
// those parts they walk, reopening parents through ".." with two descriptors each) is still reported
// entry by entry exactly once, at the right depth, with every error and the same total as one thread.
TEST(DirectoryWalkSplitTest, LargeFoldersSplitAmongHelpersReportEveryEntryOnce)
{
    test::TempTree tree;
    for (int i = 0; i < 2500; ++i)
        tree.file("big/f" + std::to_string(i), 100 * (i % 7));
    for (int i = 0; i < 120; ++i)
        tree.file("big/d" + std::to_string(i) + "/inner/deeper/leaf", 5000 + i);
    tree.symlink("big/f1", "big/link");
    tree.chmod(tree.folder("big/closed"), 0);

    Collected one;
    ASSERT_TRUE(DirectoryWalk(limitsWith(1)).run(tree.root(), {}, one.visitor(), one.errorHandler()));
    for (const int threads : {2, 8}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        DirectoryWalk::Limits limits = limitsWith(threads, 1, 2);
        limits.splitLargeFolders = true;
        Collected split;
        ASSERT_TRUE(DirectoryWalk(limits).run(tree.root(), {}, split.visitor(), split.errorHandler()));
        for (const auto& [path, visits] : split.visits)
            EXPECT_EQ(visits, 1) << path;
        EXPECT_EQ(split.depths, one.depths);
        EXPECT_EQ(split.allocated(), one.allocated());
        EXPECT_EQ(split.allocated(), test::findAllocatedSize(tree.root()));
        std::sort(split.errors.begin(), split.errors.end());
        std::sort(one.errors.begin(), one.errors.end());
        EXPECT_EQ(split.errors, one.errors);
    }
}

TEST_F(DirectoryWalkTest, RootGivenWithTrailingSlashOrAsFileSystemRootJoinsPathsCleanly)
{
    Collected seen;
    ASSERT_TRUE(DirectoryWalk().run(tree.root().native() + "/", {}, seen.visitor(), {}));
    EXPECT_TRUE(seen.visits.count(tree.path("a/b/two").native()));

    // From "/" the entries are "/name", never "//name"; stop at the first one.
    Collected fromRoot;
    ASSERT_TRUE(DirectoryWalk().run("/", {}, fromRoot.visitor([](const auto&) { return Action::Stop; }), {}));
    ASSERT_EQ(fromRoot.visits.size(), 1u);
    const std::string first = fromRoot.visits.begin()->first;
    EXPECT_EQ(first.rfind("/", 0), 0u);
    EXPECT_NE(first.rfind("//", 0), 0u) << first;
}

TEST_F(DirectoryWalkTest, SkipChildrenAndStop)
{
    Collected skipped;
    ASSERT_TRUE(DirectoryWalk().run(tree.root(), {}, skipped.visitor([&](const DirectoryWalk::Entry& e) {
        return e.name == "a" ? Action::SkipChildren : Action::Continue;
    }),
                                    {}));
    EXPECT_TRUE(skipped.visits.count(tree.path("a").native()));
    EXPECT_FALSE(skipped.visits.count(tree.path("a/one").native()));
    EXPECT_TRUE(skipped.visits.count(tree.path("many/f3").native()));

    for (const int threads : {1, 4}) {
        std::atomic<int> calls = 0;
        Collected stopped;
        ASSERT_TRUE(DirectoryWalk(limitsWith(threads))
                        .run(tree.root(), {}, stopped.visitor([&](const auto&) {
                            return ++calls == 5 ? Action::Stop : Action::Continue;
                        }),
                             {}));
        // Helpers may each report the entry they were on when the stop came, never more.
        EXPECT_GE(calls.load(), 5);
        EXPECT_LE(calls.load(), 5 + threads - 1);
    }
}

TEST_F(DirectoryWalkTest, StopTokenEndsTheWalk)
{
    std::stop_source before;
    before.request_stop();
    Collected none;
    ASSERT_TRUE(DirectoryWalk().run(tree.root(), before.get_token(), none.visitor(), {}));
    EXPECT_TRUE(none.visits.empty());

    std::stop_source during;
    int calls = 0;
    Collected some;
    ASSERT_TRUE(DirectoryWalk().run(tree.root(), during.get_token(), some.visitor([&](const auto&) {
        if (++calls == 3)
            during.request_stop();
        return Action::Continue;
    }),
                                    {}));
    EXPECT_EQ(calls, 3);
}

TEST_F(DirectoryWalkTest, RootThatIsNoFolderFails)
{
    EXPECT_EQ(DirectoryWalk().run(tree.path("top.bin"), {}, {}, {}).error().code(), ENOTDIR);
    EXPECT_EQ(DirectoryWalk().run(tree.path("missing"), {}, {}, {}).error().code(), ENOENT);
    // O_DIRECTORY | O_NOFOLLOW on a link to a folder: ENOTDIR or ELOOP, depending on the kernel.
    const int linkError = DirectoryWalk().run(tree.path("link-to-folder"), {}, {}, {}).error().code();
    EXPECT_TRUE(linkError == ENOTDIR || linkError == ELOOP) << linkError;
}

// A chain of `depth` folders "d", each holding a file "f" of 1 byte, made relative to descriptors so
// that no path ever gets long.
void makeChain(const Path& root, int depth)
{
    UniqueFd fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(fd.valid());
    for (int i = 0; i < depth; ++i) {
        UniqueFd file(::openat(fd.get(), "f", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        ASSERT_TRUE(file.valid());
        ASSERT_EQ(::write(file.get(), "x", 1), 1);
        ASSERT_EQ(::mkdirat(fd.get(), "d", 0755), 0);
        fd.reset(::openat(fd.get(), "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        ASSERT_TRUE(fd.valid());
    }
}

int openDescriptors()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir))
            ++count;
        ::closedir(dir);
    }
    return count;
}

TEST(DirectoryWalkDepthTest, DeepTreesStayWithinTheDescriptorBudget)
{
    test::TempTree tree;
    constexpr int kDepth = 1500; // deeper than a 1024-descriptor limit allows without reopening
    makeChain(tree.root(), kDepth);

    for (const int threads : {1, 3}) {
        SCOPED_TRACE("threads " + std::to_string(threads));
        const int baseline = openDescriptors();
        int files = 0;
        int deepest = 0;
        int mostOpen = 0;
        std::mutex mutex;
        const auto visit = [&](const DirectoryWalk::Entry& e) {
            const std::lock_guard lock(mutex);
            if (e.status.isRegular())
                ++files;
            deepest = std::max(deepest, e.depth);
            if (e.depth % 100 == 0)
                mostOpen = std::max(mostOpen, openDescriptors() - baseline);
            return Action::Continue;
        };
        std::vector<int> errors;
        ASSERT_TRUE(
            DirectoryWalk(limitsWith(threads, 1, 4)).run(tree.root(), {}, visit, [&](auto, const Error& e) {
                errors.push_back(e.code());
            }));
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(files, kDepth);
        EXPECT_EQ(deepest, kDepth);
        // Four per thread, the shared queue, and the reader of /proc/self/fd itself.
        EXPECT_LE(mostOpen, 4 * threads + threads + 2);
    }
}

TEST(DirectoryWalkDepthTest, MaxDepthBoundsTheWalk)
{
    test::TempTree tree;
    makeChain(tree.root(), 20);
    DirectoryWalk::Limits limits;
    limits.maxDepth = 5;
    int deepest = 0;
    int entries = 0;
    std::vector<std::pair<std::string, int>> errors;
    ASSERT_TRUE(DirectoryWalk(limits).run(
        tree.root(), {},
        [&](const DirectoryWalk::Entry& e) {
            deepest = std::max(deepest, e.depth);
            ++entries;
            return Action::Continue;
        },
        [&](std::string_view path, const Error& e) { errors.emplace_back(std::string(path), e.code()); }));
    EXPECT_EQ(deepest, 5);
    EXPECT_EQ(entries, 10); // "f" and "d" on each of the five levels
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].second, ELOOP);
    EXPECT_EQ(errors[0].first, (tree.root() / "d/d/d/d/d").native());
}

TEST(DirectoryWalkPermissionTest, DenialsAreReportedAndTheRestIsWalked)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    test::TempTree tree;
    tree.file("open/visible", 4000);
    tree.file("closed/secret", 4000);
    tree.chown(tree.path("closed"));
    tree.chmod(tree.path("closed"), 0700);
    // Listable but not searchable: names come, their status does not.
    tree.file("listable/name", 4000);
    tree.chown(tree.path("listable"));
    tree.chmod(tree.path("listable"), 0744);

    test::DroppedPrivileges dropped(1000, 1000);
    for (const int threads : {1, 4}) {
        Collected seen;
        ASSERT_TRUE(
            DirectoryWalk(limitsWith(threads)).run(tree.root(), {}, seen.visitor(), seen.errorHandler()));
        EXPECT_TRUE(seen.visits.count(tree.path("open/visible").native())); // the positive control
        EXPECT_TRUE(seen.visits.count(tree.path("closed").native()));
        EXPECT_FALSE(seen.visits.count(tree.path("closed/secret").native()));
        EXPECT_FALSE(seen.visits.count(tree.path("listable/name").native()));
        std::sort(seen.errors.begin(), seen.errors.end());
        const std::vector<std::pair<std::string, int>> expected{
            {tree.path("closed").native(), EACCES}, {tree.path("listable/name").native(), EACCES}};
        EXPECT_EQ(seen.errors, expected);
    }
}

TEST(DirectoryWalkOrderTest, SortedNamesComeInByteOrderFolderByFolder)
{
    test::TempTree tree;
    // Created in an order unlike the sorted one; "a\xff" sorts after "b" as bytes, "B" before "a".
    for (const char* rel : {"b/z", "b/a", "a\xff/2", "a\xff/1", "B", "a/y", "a/x", "_"})
        tree.file(rel, 1);
    DirectoryWalk::Limits limits;
    limits.sortedNames = true;
    for (int round = 0; round < 2; ++round) {
        std::vector<std::string> order;
        ASSERT_TRUE(DirectoryWalk(limits).run(tree.root(), {},
                                              [&](const DirectoryWalk::Entry& e) {
                                                  order.emplace_back(
                                                      e.path.substr(tree.root().native().size() + 1));
                                                  return Action::Continue;
                                              },
                                              {}));
        // Each folder's entries in byte order, then its sub-folders walked in the same order.
        const std::vector<std::string> expected{"B",   "_",       "a",       "a\xff", "b",  "a/x",
                                                "a/y", "a\xff/1", "a\xff/2", "b/a",   "b/z"};
        EXPECT_EQ(order, expected) << "round " << round;
    }
}

TEST(DirectoryWalkOrderTest, LinkedRootIsFollowedOnlyWhenAskedAndNothingBelowIt)
{
    test::TempTree tree;
    test::TempTree outside;
    tree.file("real/f", 10);
    tree.symlink(outside.folder("beyond"), "real/link-below");
    outside.file("beyond/not-ours", 10);
    const Path link = tree.symlink(tree.path("real"), "link");

    EXPECT_FALSE(DirectoryWalk().run(link, {}, {}, {}).ok());
    DirectoryWalk::Limits limits;
    limits.followRootLink = true;
    Collected seen;
    ASSERT_TRUE(DirectoryWalk(limits).run(link, {}, seen.visitor(), seen.errorHandler()));
    std::set<std::string> paths;
    for (const auto& [path, visits] : seen.visits)
        paths.insert(path);
    const std::set<std::string> expected{(link / "f").native(), (link / "link-below").native()};
    EXPECT_EQ(paths, expected);
    EXPECT_TRUE(seen.entries.at((link / "link-below").native()).isSymlink());
}

TEST(DirectoryWalkSharedTest, HelperBudgetBoundsThreadsAcrossWalks)
{
    DirectoryWalk::HelperBudget budget(3);
    EXPECT_EQ(budget.take(2), 2);
    EXPECT_EQ(budget.take(5), 1);
    EXPECT_EQ(budget.take(1), 0);
    budget.give(3);
    EXPECT_EQ(budget.available(), 3);

    test::TempTree tree;
    for (int i = 0; i < 50; ++i)
        tree.file("d" + std::to_string(i % 5) + "/f" + std::to_string(i), 10);
    for (const int free : {0, 1}) {
        SCOPED_TRACE("free helpers " + std::to_string(free));
        auto shared = std::make_shared<DirectoryWalk::HelperBudget>(free);
        Collected seen;
        ASSERT_TRUE(DirectoryWalk(limitsWith(4), DirectoryWalk::Shared{nullptr, shared})
                        .run(tree.root(), {}, seen.visitor(), {}));
        EXPECT_EQ(seen.visits.size(), 55u);
        EXPECT_LE(seen.workers.size(), std::size_t(1 + free));
        EXPECT_EQ(shared->available(), free); // given back when the walk ends
    }
}

TEST(DirectoryWalkSharedTest, HelpersGivenBackByOtherWalksAreTakenLater)
{
    test::TempTree tree;
    for (int i = 0; i < 3000; ++i)
        tree.file("d" + std::to_string(i % 60) + "/f" + std::to_string(i), 0);
    // None free when the walk goes parallel; two come free (another walk ended) while it runs.
    auto budget = std::make_shared<DirectoryWalk::HelperBudget>(0);
    std::atomic<int> calls = 0;
    Collected seen;
    ASSERT_TRUE(DirectoryWalk(limitsWith(3), DirectoryWalk::Shared{nullptr, budget})
                    .run(tree.root(), {}, seen.visitor([&](const auto&) {
                        if (++calls == 50)
                            budget->give(2);
                        return Action::Continue;
                    }),
                         {}));
    EXPECT_EQ(seen.visits.size(), 3060u);
    EXPECT_GT(seen.workers.size(), 1u);
    EXPECT_EQ(budget->available(), 2);
}

TEST(DirectoryWalkSharedTest, AnInjectedMountTableDecidesWhatIsPseudo)
{
    test::TempTree tree;
    tree.file("plain", 10);
    test::ScratchMount mount = test::ScratchMount::tmpfs(tree.path("mnt"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(mount);
    tree.file("mnt/inside", 10);
    struct stat st;
    ASSERT_EQ(::stat(tree.path("mnt").c_str(), &st), 0);
    const QByteArray line = "99 1 " + QByteArray::number(major(st.st_dev)) + ':' +
                            QByteArray::number(minor(st.st_dev)) + " / /x rw - devtmpfs devtmpfs rw\n";
    auto devtmpfs = std::make_shared<const MountTable>(MountTable::parse(line));

    Collected real;
    ASSERT_TRUE(DirectoryWalk().run(tree.root(), {}, real.visitor(), {}));
    EXPECT_TRUE(real.visits.count(tree.path("mnt/inside").native())); // the control: a plain tmpfs

    Collected injected;
    ASSERT_TRUE(DirectoryWalk({}, DirectoryWalk::Shared{devtmpfs, nullptr})
                    .run(tree.root(), {}, injected.visitor(), injected.errorHandler()));
    EXPECT_TRUE(injected.visits.count(tree.path("mnt").native()));
    EXPECT_FALSE(injected.visits.count(tree.path("mnt/inside").native()));
    EXPECT_TRUE(injected.errors.empty());

    Collected rooted;
    ASSERT_TRUE(DirectoryWalk({}, DirectoryWalk::Shared{devtmpfs, nullptr})
                    .run(tree.path("mnt"), {}, rooted.visitor(), rooted.errorHandler()));
    EXPECT_TRUE(rooted.visits.empty());
    EXPECT_TRUE(rooted.errors.empty());
}

TEST(MountTableTest, ParsesDevicesAndTypes)
{
    const QByteArray text = "22 28 0:21 / /proc rw,relatime - proc proc rw\n"
                            "28 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                            "29 28 0:26 / /mnt/with\\040space ro master:3 shared:4 - tmpfs none ro\n"
                            "24 28 0:6 / /dev rw - devtmpfs devtmpfs rw,size=1k\n"
                            "garbage line without fields\n"
                            "30 28 x:y / /bad rw - ext4 /dev/x rw\n"
                            "31 28 8:17 / /no-separator rw ext4 /dev/sdb1\n"
                            "42 32 0:39 / /sys/fs/cgroup/unified rw,relatime - cgroup2 cgroup2 rw";
    const MountTable table = MountTable::parse(text);
    ASSERT_EQ(table.mounts().size(), 5u);
    EXPECT_EQ(table.typeOf(makedev(0, 21)), std::optional<std::string_view>("proc"));
    EXPECT_EQ(table.typeOf(makedev(254, 0)), std::optional<std::string_view>("ext4"));
    EXPECT_EQ(table.typeOf(makedev(0, 26)), std::optional<std::string_view>("tmpfs"));
    EXPECT_EQ(table.typeOf(makedev(8, 17)), std::nullopt);
    EXPECT_TRUE(table.isPseudoDevice(makedev(0, 21)));
    EXPECT_TRUE(table.isPseudoDevice(makedev(0, 6)));
    EXPECT_TRUE(table.isPseudoDevice(makedev(0, 39)));
    EXPECT_FALSE(table.isPseudoDevice(makedev(254, 0)));
    EXPECT_FALSE(table.isPseudoDevice(makedev(0, 26)));
    EXPECT_FALSE(table.isPseudoDevice(makedev(9, 9))); // unknown devices are walked

    for (const char* type :
         {"proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "debugfs", "tracefs",
          "bpf", "pstore", "mqueue", "hugetlbfs", "configfs", "fusectl", "binfmt_misc", "autofs"})
        EXPECT_TRUE(MountTable::isPseudoType(type)) << type;
    for (const char* type : {"ext4", "tmpfs", "btrfs", "xfs", "nfs", "fuse.sshfs", "overlay", "", "Proc"})
        EXPECT_FALSE(MountTable::isPseudoType(type)) << type;
}

TEST(MountTableTest, PseudoFileSystemsAreNotEntered)
{
    // A root on a pseudo file system reports nothing and no error.
    for (const char* root : {"/proc", "/sys"}) {
        Collected seen;
        ASSERT_TRUE(DirectoryWalk().run(root, {}, seen.visitor(), seen.errorHandler())) << root;
        EXPECT_TRUE(seen.visits.empty()) << root;
        EXPECT_TRUE(seen.errors.empty()) << root;
    }

    // Wherever a walk goes, it never lists a folder of a pseudo file system: a mount point may be
    // reported, its contents never. /dev holds devpts and mqueue mounts on most machines.
    const MountTable mounts = MountTable::current();
    ASSERT_FALSE(mounts.mounts().empty());
    for (const char* root : {"/dev", "/sys/fs/cgroup"}) {
        std::set<std::string> offenders;
        DirectoryWalk::Limits limits;
        limits.maxDepth = 4;
        const auto visit = [&](const DirectoryWalk::Entry& e) {
            struct stat parent;
            if (::fstat(e.parentFd, &parent) == 0 && mounts.isPseudoDevice(parent.st_dev))
                offenders.insert(std::string(e.path));
            return Action::Continue;
        };
        (void)DirectoryWalk(limits).run(root, {}, visit, {});
        EXPECT_TRUE(offenders.empty()) << root << ": " << *offenders.begin();
    }
}

} // namespace
} // namespace qm

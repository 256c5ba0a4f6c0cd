#include "core/files/FileScanner.h"
#include "support/PrivilegeDrop.h"
#include "support/ScratchMount.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <set>
#include <string>
#include <vector>

namespace qm {
namespace {

using Filter = FileScanner::Filter;

FileScanner::Services at(const Path& home, const Path& systemRoot = "/")
{
    FileScanner::Services services;
    services.home = home;
    services.systemRoot = systemRoot;
    return services;
}

// Walks the way the whole-tree searches do: every path through the filter, pruned ones left out.
struct Search
{
    std::vector<std::string> visited; // in walk order
    FileScanner::DeniedFlag denied;
    bool opened = false;

    Search(const FileScanner& scanner, const Path& root, std::stop_token stop = {})
    {
        opened = scanner
                     .walk(root, denied, stop,
                           [&](const DirectoryWalk::Entry& e) {
                               switch (scanner.filter(e.path, stop)) {
                               case Filter::End:
                                   return DirectoryWalk::Action::Stop;
                               case Filter::Prune:
                                   return DirectoryWalk::Action::SkipChildren;
                               case Filter::Visit:
                                   break;
                               }
                               visited.emplace_back(e.path);
                               return DirectoryWalk::Action::Continue;
                           })
                     .ok();
    }
};

TEST(FileScannerFilterTest, PackagesAndLibraryRootsArePrunedByExactRules)
{
    const FileScanner scanner(at("/home/u"));
    EXPECT_EQ(scanner.libraryRoots(),
              (std::vector<std::string>{"/home/u/.config", "/home/u/.local/share", "/home/u/.cache",
                                        "/home/u/.local/state", "/home/u/.var", "/usr"}));
    const std::vector<std::pair<const char*, Filter>> cases{
        {"/d/X.APP", Filter::Prune},
        {"/d/Y.PhotosLibrary", Filter::Prune},
        {"/d/z.bundle", Filter::Prune},
        {"/d/a.b.Framework", Filter::Prune},
        {"/d/Band.band", Filter::Prune},
        {"/d/app", Filter::Visit},
        {"/d/notes.txt", Filter::Visit},
        {"/d/trailing.", Filter::Visit},
        {"/d/app.d/inner", Filter::Visit},
        {"/home/u/.config", Filter::Prune},
        {"/home/u/.local/share", Filter::Prune},
        {"/home/u/.var", Filter::Prune},
        {"/usr", Filter::Prune},
        {"/home/u/.local", Filter::Visit},
        {"/home/u/.cache/thumbnails", Filter::Visit},
        {"/usrX", Filter::Visit},
        {"/home/u/.Config", Filter::Visit},
        {"/d/usr", Filter::Visit},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(scanner.filter(path, {}), expected) << path;
        EXPECT_EQ(scanner.isPruned(path), expected == Filter::Prune) << path;
    }

    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_EQ(scanner.filter("/d/notes.txt", stopped.get_token()), Filter::End);

    const FileScanner elsewhere(at("/h/", "/sys-root/"));
    EXPECT_EQ(elsewhere.libraryRoots(),
              (std::vector<std::string>{"/h/.config", "/h/.local/share", "/h/.cache", "/h/.local/state",
                                        "/h/.var", "/sys-root/usr"}));

    // The XDG homes are pruned where the places put them, not at their default places.
    FileScanner::Services custom = at("/home/u");
    custom.places = Places::resolveWith("/home/u",
                                        {{"XDG_CONFIG_HOME", "/home/u/conf"},
                                         {"XDG_DATA_HOME", "/home/u/data"},
                                         {"XDG_CACHE_HOME", "/var/tmp/u-cache"},
                                         {"XDG_STATE_HOME", "/home/u/state"}},
                                        "/", std::nullopt);
    const FileScanner moved(custom);
    for (const auto& [path, expected] : std::vector<std::pair<const char*, bool>>{
             {"/home/u/conf", true},
             {"/home/u/data", true},
             {"/var/tmp/u-cache", true},
             {"/home/u/state", true},
             {"/home/u/.var", true},
             {"/home/u/.config", false},
             {"/home/u/.cache", false},
         })
        EXPECT_EQ(moved.isPruned(path), expected) << path;
}

TEST(FileScannerWalkTest, SearchWalkSkipsHiddenPackagesAndLibrariesInAStableOrder)
{
    test::TempTree tree;
    tree.file("X.APP/Contents/big", 5000);
    tree.file("Y.PhotosLibrary/masters/p", 5000);
    tree.file("z.bundle", 100);
    tree.file(".hidden/inner", 100);
    tree.file(".dotfile", 100);
    tree.file("keep/b", 100);
    tree.file("keep/a", 100);
    tree.file("sys/usr/lib/c", 100);
    tree.nonUtf8File(tree.folder("odd"), 10);
    const FileScanner scanner(at(tree.root(), tree.path("sys")));

    Search search(scanner, tree.root());
    ASSERT_TRUE(search.opened);
    EXPECT_FALSE(search.denied.hit);
    const std::string odd = tree.path("odd").native();
    const std::vector<std::string> expected{tree.path("keep").native(),   odd,
                                            tree.path("sys").native(),    tree.path("keep/a").native(),
                                            tree.path("keep/b").native(), odd + "/a\xff"};
    EXPECT_EQ(search.visited, expected);

    // The library root is pruned below a search root, never as the root itself.
    Search library(scanner, tree.path("sys/usr"));
    EXPECT_EQ(library.visited, (std::vector<std::string>{tree.path("sys/usr/lib").native(),
                                                         tree.path("sys/usr/lib/c").native()}));

    // A linked root is followed; the paths keep the link's name.
    const Path link = tree.symlink(tree.path("keep"), "link-to-keep");
    Search linked(scanner, link);
    ASSERT_TRUE(linked.opened);
    EXPECT_EQ(linked.visited, (std::vector<std::string>{(link / "a").native(), (link / "b").native()}));

    std::stop_source stopped;
    stopped.request_stop();
    Search cancelled(scanner, tree.root(), stopped.get_token());
    EXPECT_TRUE(cancelled.visited.empty());
    EXPECT_FALSE(Search(scanner, tree.path("missing")).opened);
}

TEST(FileScannerWalkTest, PermissionDenialSetsTheFlagAndTheWalkGoesOn)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    test::TempTree tree;
    tree.file("open/visible", 100);
    tree.file("closed/secret", 100);
    tree.chown(tree.path("closed"));
    tree.chmod(tree.path("closed"), 0700);
    const FileScanner scanner(at(tree.path("home")));

    Search asRoot(scanner, tree.root());
    EXPECT_FALSE(asRoot.denied.hit);
    test::DroppedPrivileges dropped(1000, 1000);
    Search search(scanner, tree.root());
    ASSERT_TRUE(search.opened);
    EXPECT_TRUE(search.denied.hit);
    const std::set<std::string> visited(search.visited.begin(), search.visited.end());
    EXPECT_TRUE(visited.count(tree.path("open/visible").native())); // the positive control
    EXPECT_TRUE(visited.count(tree.path("closed").native()));
    EXPECT_FALSE(visited.count(tree.path("closed/secret").native()));
}

TEST(FileScannerWalkTest, MetaDescribesTheEntryItselfFromOneStatus)
{
    test::TempTree tree;
    const Path file = tree.file("f", 5000);
    const Path link = tree.symlink("f", "link");
    tree.hardLink("f", "f2");
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1'600'000'000'123, Qt::UTC);
    tree.setMtime(file, when);
    const FileScanner scanner;

    struct stat st;
    ASSERT_EQ(::lstat(file.c_str(), &st), 0);
    const auto meta = scanner.meta(file);
    ASSERT_TRUE(meta);
    EXPECT_TRUE(meta->isRegular);
    EXPECT_FALSE(meta->isDirectory);
    EXPECT_FALSE(meta->isDataless);
    EXPECT_EQ(meta->allocatedBytes, qint64(st.st_blocks) * 512);
    EXPECT_EQ(meta->logicalBytes, 5000);
    EXPECT_EQ(meta->modified, when);
    EXPECT_EQ(meta->linkCount, 2u);
    EXPECT_EQ(meta->dev, quint64(st.st_dev));
    EXPECT_EQ(meta->ino, quint64(st.st_ino));
    EXPECT_EQ(meta->key(), QString::number(quint64(st.st_dev)) + ':' + QString::number(quint64(st.st_ino)));

    const auto linkMeta = scanner.meta(link);
    ASSERT_TRUE(linkMeta);
    EXPECT_FALSE(linkMeta->isRegular);
    EXPECT_FALSE(linkMeta->isDirectory);
    EXPECT_NE(linkMeta->ino, meta->ino);
    EXPECT_TRUE(scanner.meta(tree.root())->isDirectory);
    EXPECT_FALSE(scanner.meta(tree.path("missing")));
    EXPECT_FALSE(scanner.meta(Path()));

    FileScanner::Services faked;
    faked.isDataless = [](std::string_view path, const DirectoryWalk::Status&) {
        return path.ends_with("/f");
    };
    EXPECT_TRUE(FileScanner(faked).meta(file)->isDataless);
    EXPECT_FALSE(FileScanner(faked).meta(link)->isDataless);
}

TEST(FileScannerWalkTest, PseudoMountsAreMetLikeEmptyFolders)
{
    test::TempTree tree;
    tree.file("plain/f", 5000);
    test::ScratchMount mount = test::ScratchMount::tmpfs(tree.path("mnt"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(mount);
    tree.file("mnt/inside", 5000);
    struct stat st;
    ASSERT_EQ(::stat(tree.path("mnt").c_str(), &st), 0);
    const QByteArray table = "99 1 " + QByteArray::number(major(st.st_dev)) + ':' +
                             QByteArray::number(minor(st.st_dev)) + " / /x rw - devtmpfs devtmpfs rw\n";
    FileScanner::Services services = at(tree.path("home"));
    int tablesRead = 0;
    services.mounts = [&] {
        ++tablesRead;
        return MountTable::parse(table);
    };
    const FileScanner scanner(services);

    // Rooted on it: nothing, complete.
    Search rooted(scanner, tree.path("mnt"));
    EXPECT_TRUE(rooted.opened);
    EXPECT_TRUE(rooted.visited.empty());
    EXPECT_FALSE(rooted.denied.hit);
    // Met inside a walk: visited like an empty folder, nothing below, no flag.
    Search around(scanner, tree.root());
    EXPECT_EQ(around.visited,
              (std::vector<std::string>{tree.path("mnt").native(), tree.path("plain").native(),
                                        tree.path("plain/f").native()}));
    EXPECT_FALSE(around.denied.hit);

    // The sizer: rooted on it (0, 0) and false; as a child it adds no entry and marks nothing.
    tablesRead = 0;
    std::vector<std::pair<qint64, qint64>> progress;
    std::vector<SizedEntry> entries;
    const auto onEntry = [&](const SizedEntry& e) { entries.push_back(e); };
    const auto onProgress = [&](qint64 m, qint64 n) { progress.emplace_back(m, n); };
    EXPECT_FALSE(scanner.streamChildren(tree.path("mnt"), onEntry, onProgress));
    EXPECT_EQ(progress, (std::vector<std::pair<qint64, qint64>>{{0, 0}}));
    EXPECT_TRUE(entries.empty());
    progress.clear();
    EXPECT_FALSE(scanner.streamChildren(tree.root(), onEntry, onProgress));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "plain");
    EXPECT_FALSE(entries[0].unreadable);
    EXPECT_EQ(progress.back(), std::make_pair(qint64(2), qint64(2)));
    EXPECT_EQ(tablesRead, 2); // one table per operation, whatever the number of walks

    // Without the injected table the same tmpfs is a plain file system: the control.
    entries.clear();
    FileScanner(at(tree.path("home"))).streamChildren(tree.root(), onEntry, {});
    EXPECT_EQ(entries.size(), 2u);
}

TEST(FileScannerWalkTest, ProcGivesNothing)
{
    std::vector<std::pair<qint64, qint64>> progress;
    int entries = 0;
    EXPECT_FALSE(FileScanner().streamChildren(
        "/proc", [&](const SizedEntry&) { ++entries; },
        [&](qint64 m, qint64 n) { progress.emplace_back(m, n); }));
    EXPECT_EQ(progress, (std::vector<std::pair<qint64, qint64>>{{0, 0}}));
    EXPECT_EQ(entries, 0);
}

} // namespace
} // namespace qm

#include "platform/FileSystem.h"

#include "platform/MayExist.h"
#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <QProcess>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>

namespace qm {
namespace {

TEST(FileSystem, StandardizeIsLexical)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/a/./b/", "/a/b"}, {"/a/b/../c", "/a/c"}, {"/../a", "/a"},
        {"/", "/"},          {"//a//b", "/a/b"},    {"/a/..", "/"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(FileSystem::standardize(in), Path(out)) << in;
}

TEST(FileSystem, ResolveLinksKeepsAMissingRemainder)
{
    test::TempTree tree;
    tree.folder("real/sub");
    tree.symlink(tree.path("real"), "alias");
    tree.symlink("real/sub", "relative");
    tree.symlink(tree.path("nowhere"), "dangling");
    EXPECT_EQ(FileSystem::resolveLinks(tree.path("alias/sub/missing/deeper")),
              tree.path("real/sub/missing/deeper"));
    EXPECT_EQ(FileSystem::resolveLinks(tree.path("relative")), tree.path("real/sub"));
    EXPECT_EQ(FileSystem::resolveLinks(tree.path("alias/./x/../sub")), tree.path("real/sub"));
    EXPECT_EQ(FileSystem::resolveLinks(tree.path("dangling")), tree.path("dangling"));
}

TEST(FileSystem, RemoveTreeNeverFollowsLinks)
{
    test::TempTree tree;
    tree.file("keep/inside", 100);
    tree.file("doomed/a/b/c", 100);
    tree.symlink(tree.path("keep"), "doomed/a/link-to-keep");
    tree.fifo("doomed/pipe");
    tree.nonUtf8File("doomed/a");
    tree.symlink(tree.path("keep"), "top-link");

    ASSERT_TRUE(FileSystem().removeTree(tree.path("doomed")));
    ASSERT_TRUE(FileSystem().removeTree(tree.path("top-link")));
    EXPECT_FALSE(FileSystem().exists(tree.path("doomed")));
    EXPECT_FALSE(FileSystem().exists(tree.path("top-link")));
    EXPECT_TRUE(FileSystem().exists(tree.path("keep/inside")));
    EXPECT_TRUE(FileSystem().removeTree(tree.path("missing")).error().isPosix(ENOENT));
    EXPECT_TRUE(FileSystem().removeTree("/").error().isPosix(EINVAL));
}

TEST(FileSystem, RemoveTreeTakesTheCallersReadOnlyFoldersButNoOneElses)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    test::TempTree tree;
    // The caller's own tree, every folder read-only, as a Go module cache leaves it.
    const Path mine = tree.folder("mine");
    tree.chown(mine);
    for (const char* file : {"mine/cache/a", "mine/cache/sub/b"}) {
        tree.file(file, 100);
        tree.chown(tree.path(file));
    }
    for (const char* folder : {"mine/cache/sub", "mine/cache"}) {
        tree.chown(tree.path(folder));
        tree.chmod(tree.path(folder), 0555);
    }
    // Another user's read-only folder inside it stays as it is.
    tree.file("mine/theirs/c", 100);
    tree.chmod(tree.path("mine/theirs"), 0555);

    Result<void> own, theirs;
    {
        test::DroppedPrivileges dropped;
        own = FileSystem().removeTree(tree.path("mine/cache"));
        theirs = FileSystem().removeTree(tree.path("mine/theirs"));
    }
    EXPECT_TRUE(own.ok()) << own.error().description().toStdString();
    EXPECT_FALSE(FileSystem().exists(tree.path("mine/cache")));
    ASSERT_FALSE(theirs.ok());
    EXPECT_TRUE(theirs.error().isPosix(EACCES));
    EXPECT_TRUE(FileSystem().exists(tree.path("mine/theirs/c")));
    EXPECT_EQ(FileSystem().status(tree.path("mine/theirs"))->mode & 07777, 0555u);
}

TEST(FileSystem, MoveNeverReplaces)
{
    test::TempTree tree;
    tree.fileWithContent("from", "new");
    tree.fileWithContent("to", "old");
    tree.symlink("nowhere", "dangling");
    const FileSystem fs;
    EXPECT_TRUE(fs.moveNoReplace(tree.path("from"), tree.path("to")).error().isPosix(EEXIST));
    EXPECT_TRUE(fs.moveNoReplace(tree.path("from"), tree.path("dangling")).error().isPosix(EEXIST));
    EXPECT_TRUE(fs.moveNoReplace(tree.path("from"), tree.path("moved")));
    EXPECT_EQ(fs.status(tree.path("to"))->size, 3);
}

TEST(FileSystem, ListDoesNotFollowAFinalLinkAndIsBounded)
{
    test::TempTree tree;
    tree.file("dir/.hidden");
    tree.file("dir/visible");
    tree.nonUtf8File("dir");
    tree.symlink(tree.path("dir"), "link");
    const FileSystem fs;
    auto listing = fs.list(tree.path("dir"));
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->names.size(), 3u);
    EXPECT_NE(std::find(listing->names.begin(), listing->names.end(), test::TempTree::nonUtf8Name()),
              listing->names.end());
    EXPECT_FALSE(fs.list(tree.path("link")));
    auto capped = fs.list(tree.path("dir"), 2);
    EXPECT_EQ(capped->names.size(), 2u);
    EXPECT_TRUE(capped->truncated);
}

// Each name comes with the type its entry gives, the link's own for a link, in the same order, and
// a capped listing keeps the two in step.
TEST(FileSystem, ListGivesEachEntrysOwnType)
{
    using Type = FileSystem::EntryType;
    test::TempTree tree;
    tree.file("dir/file", 3);
    tree.folder("dir/folder");
    tree.symlink("folder", "dir/link-to-folder");
    tree.symlink("nowhere", "dir/dangling");
    tree.fifo("dir/pipe");
    const std::map<Path, Type> expected{{"file", Type::regularFile},
                                        {"folder", Type::folder},
                                        {"link-to-folder", Type::symbolicLink},
                                        {"dangling", Type::symbolicLink},
                                        {"pipe", Type::other}};
    const FileSystem fs;
    const auto listing = fs.list(tree.path("dir"));
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->types.size(), listing->names.size());
    std::map<Path, Type> got;
    for (std::size_t i = 0; i < listing->names.size(); ++i)
        got[listing->names[i]] = listing->types[i];
    // A file system that keeps no types says unknown for every entry, and that is all it may say.
    if (std::all_of(listing->types.begin(), listing->types.end(), [](Type t) { return t == Type::unknown; }))
        GTEST_SKIP() << "this file system keeps no entry types";
    EXPECT_EQ(got, expected);

    const auto capped = fs.list(tree.path("dir"), 2);
    ASSERT_TRUE(capped);
    ASSERT_EQ(capped->types.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_EQ(capped->types[i], expected.at(capped->names[i])) << capped->names[i];
}

TEST(FileSystem, StatusReadsTheLinkItselfAndIdentity)
{
    test::TempTree tree;
    const Path file = tree.file("f", 5000);
    const Path hard = tree.hardLink(file, "g");
    const Path link = tree.symlink(file, "l");
    const FileSystem fs;
    EXPECT_TRUE(fs.status(link)->isSymlink());
    EXPECT_TRUE(fs.statusFollowingLinks(link)->isRegular());
    EXPECT_EQ(fs.status(file)->id, fs.status(hard)->id);
    EXPECT_NE(fs.status(file)->id, fs.status(link)->id);
    EXPECT_GE(fs.status(file)->allocated, 4096);
}

// What `stat` and `lsattr` print for a path: the birth time in nanoseconds (nothing when stat knows
// none) and the generation (nothing when lsattr cannot read one).
FileBirth birthOracle(const Path& path)
{
    FileBirth oracle;
    QProcess stat;
    stat.start(QStringLiteral("stat"),
               {QStringLiteral("--format=%.9W"), QString::fromStdString(path.native())});
    if (stat.waitForFinished(10'000) && stat.exitCode() == 0) {
        const QList<QByteArray> parts = stat.readAllStandardOutput().trimmed().split('.');
        if (parts.size() == 2 && parts[0] != "0")
            oracle.bornAtNanoseconds = parts[0].toLongLong() * 1'000'000'000 + parts[1].toLongLong();
    }
    QProcess lsattr;
    lsattr.start(QStringLiteral("lsattr"), {QStringLiteral("-vd"), QString::fromStdString(path.native())});
    if (lsattr.waitForFinished(10'000) && lsattr.exitCode() == 0) {
        bool ok = false;
        const uint generation = lsattr.readAllStandardOutput().simplified().split(' ').value(0).toUInt(&ok);
        if (ok)
            oracle.generation = generation;
    }
    return oracle;
}

// Birth marks as stat and lsattr read them; a link and a FIFO are never opened, so they have no
// generation; a file made where another was removed is told apart even when it gets its inode number.
TEST(FileSystem, BirthMarksAsTheToolsReadThemAndAcrossInodeReuse)
{
    test::TempTree tree;
    const Path file = tree.file("f", 10);
    const Path folder = tree.folder("d");
    const Path link = tree.symlink(file, "l");
    const Path fifo = tree.fifo("p");
    const FileSystem fs;
    for (const Path& path : {file, folder, link, fifo}) {
        SCOPED_TRACE(path.native());
        const Result<FileBirth> birth = fs.birth(path);
        ASSERT_TRUE(birth.ok());
        const FileBirth oracle = birthOracle(path);
        EXPECT_EQ(birth->bornAtNanoseconds, oracle.bornAtNanoseconds);
        if (path == link || path == fifo)
            EXPECT_FALSE(birth->generation.has_value());
        else
            EXPECT_EQ(birth->generation, oracle.generation);
    }
    EXPECT_FALSE(fs.birth(tree.root() / "absent").ok());

    const FileBirth before = *fs.birth(file);
    std::printf("this file system gives: birth time %s, generation %s\n",
                before.bornAtNanoseconds ? "yes" : "no", before.generation ? "yes" : "no");
    EXPECT_TRUE(before.matches(before));
    EXPECT_TRUE(FileBirth{}.matches(before)) << "no marks: nothing compared";
    const FileId id = fs.status(file)->id;
    ASSERT_TRUE(fs.removeTree(file));
    tree.file("f", 10);
    if (!before.known() || fs.status(file)->id != id)
        GTEST_SKIP() << "no marks, or the inode number was not handed on";
    EXPECT_FALSE(before.matches(*fs.birth(file)));
}

// The status without its time says all the full status says of a file, a folder, a link and a
// missing path, and leaves the time null.
TEST(FileSystem, StatusWithoutTimeIsTheStatusLessItsTime)
{
    test::TempTree tree;
    const Path file = tree.file("f", 5000);
    const Path folder = tree.folder("d");
    const Path link = tree.symlink(file, "l");
    const FileSystem fs;
    for (const Path& path : {file, folder, link}) {
        SCOPED_TRACE(path.native());
        const Result<FileStatus> full = fs.status(path);
        const Result<FileStatus> lean = fs.statusWithoutTime(path);
        ASSERT_TRUE(full.ok() && lean.ok());
        EXPECT_EQ(lean->id, full->id);
        EXPECT_EQ(lean->mode, full->mode);
        EXPECT_EQ(lean->owner, full->owner);
        EXPECT_EQ(lean->group, full->group);
        EXPECT_EQ(lean->links, full->links);
        EXPECT_EQ(lean->size, full->size);
        EXPECT_EQ(lean->allocated, full->allocated);
        EXPECT_TRUE(full->modified.isValid());
        EXPECT_FALSE(lean->modified.isValid());
    }
    const Result<FileStatus> missing = fs.statusWithoutTime(tree.root() / "absent");
    ASSERT_FALSE(missing.ok());
    EXPECT_TRUE(missing.error().isPosix(ENOENT));
}

// Only "does not exist" makes an item absent; a parent that may not be searched leaves it possibly
// there.
TEST(FileSystem, MayExistCountsOnlyWhatSurelyIsNot)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    test::TempTree tree;
    const Path file = tree.file("f", 10);
    const Path hidden = tree.file("closed/inside", 10);
    tree.chmod(tree.path("closed"), 0700);
    const struct
    {
        Path path;
        bool mayExist;
    } cases[] = {
        {file, true},
        {tree.folder("d"), true},
        {tree.symlink(file, "to-file"), true},
        {hidden, true},
        {tree.path("absent"), false},
        {file / "under-a-file", false},
        {tree.path("absent/below"), false},
        {tree.symlink("nowhere", "dangling"), false},
        {tree.symlink("loop", "loop"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.native());
        bool found = false;
        {
            test::DroppedPrivileges dropped;
            found = mayExist(FileSystem(), c.path);
        }
        EXPECT_EQ(found, c.mayExist);
    }
}

} // namespace
} // namespace qm

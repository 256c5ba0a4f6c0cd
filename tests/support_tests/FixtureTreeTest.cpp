#include "support/TempTree.h"

#include <QByteArray>
#include <QString>

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace qm::test {
namespace {

std::optional<struct stat> lstatOf(const fs::path& path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return st;
}

std::vector<std::string> rawNamesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get()))
        names.emplace_back(entry->d_name);
    return names;
}

std::string contentOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FixtureTreeTest, RootIsAFreshFolderUnderTmpThatEveryUserCanTraverse)
{
    TempTree tree;
    EXPECT_EQ(tree.root().parent_path(), fs::path("/tmp"));
    const auto st = lstatOf(tree.root());
    ASSERT_TRUE(st);
    EXPECT_TRUE(S_ISDIR(st->st_mode));
    EXPECT_EQ(st->st_mode & 07777, 0755u);
    EXPECT_EQ(rawNamesIn(tree.root()).size(), 2u) << "a new tree holds only . and ..";
}

TEST(FixtureTreeTest, NonUtf8NamesAreFoundAgainByTheirRawBytes)
{
    const std::string raw("a\xff");
    ASSERT_NE(QString::fromUtf8(QByteArray::fromStdString(raw)).toUtf8().toStdString(), raw)
        << "the name must not survive a round trip through text";

    TempTree tree;
    const fs::path file = tree.nonUtf8File({}, 5);
    const fs::path folder = tree.nonUtf8Folder("sub");

    EXPECT_EQ(file, tree.root() / raw);
    const std::vector<std::string> rootNames = rawNamesIn(tree.root());
    EXPECT_EQ(std::count(rootNames.begin(), rootNames.end(), raw), 1);
    const std::vector<std::string> subNames = rawNamesIn(tree.root() / "sub");
    EXPECT_EQ(std::count(subNames.begin(), subNames.end(), raw), 1);

    const std::string fileBytes = tree.root().native() + "/" + raw;
    const auto fileStat = lstatOf(fs::path(fileBytes));
    ASSERT_TRUE(fileStat) << "lstat on the raw path";
    EXPECT_TRUE(S_ISREG(fileStat->st_mode));
    EXPECT_EQ(fileStat->st_size, 5);
    const auto folderStat = lstatOf(fs::path(tree.root().native() + "/sub/" + raw));
    ASSERT_TRUE(folderStat);
    EXPECT_TRUE(S_ISDIR(folderStat->st_mode));
    EXPECT_EQ(folder.filename().native(), raw);
}

TEST(FixtureTreeTest, FileIsFullyWrittenWithItsFillByteAndParentsAreMade)
{
    TempTree tree;
    const qint64 size = 70000;
    const fs::path file = tree.file("deep/er/file.bin", size, 'q');

    EXPECT_EQ(file, tree.root() / "deep/er/file.bin");
    EXPECT_EQ(contentOf(file), std::string(size, 'q'));
    const auto st = lstatOf(file);
    ASSERT_TRUE(st);
    EXPECT_GE(qint64(st->st_blocks) * 512, size) << "a full write allocates every byte";
    const auto parent = lstatOf(tree.root() / "deep/er");
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent->st_mode & 07777, 0755u);

    tree.fileWithContent("deep/er/file.bin", QByteArray("replaced"));
    EXPECT_EQ(contentOf(file), std::string("replaced")) << "a shorter content replaces the old one";
    const QByteArray withNul("x\0y", 3);
    EXPECT_EQ(contentOf(tree.fileWithContent("nul.bin", withNul)), std::string("x\0y", 3));
}

TEST(FixtureTreeTest, AbsolutePathsAreUsedAsGiven)
{
    TempTree tree;
    TempTree other;
    const fs::path target = other.root() / "elsewhere.txt";
    EXPECT_EQ(tree.file(target, 3), target);
    EXPECT_TRUE(lstatOf(target));
    EXPECT_FALSE(lstatOf(tree.root() / "elsewhere.txt"));
}

TEST(FixtureTreeTest, EachBuilderMakesItsKindOfEntry)
{
    struct Row
    {
        const char* label;
        std::function<fs::path(TempTree&)> build;
        mode_t type;
    };
    const std::vector<Row> rows = {
        {"folder", [](TempTree& t) { return t.folder("a/b/c"); }, S_IFDIR},
        {"fifo", [](TempTree& t) { return t.fifo("pipes/p"); }, S_IFIFO},
        {"symlink to nothing", [](TempTree& t) { return t.symlink("missing", "links/dangling"); }, S_IFLNK},
        {"symlink to a folder", [](TempTree& t) { return t.symlink(t.folder("d"), "links/dir"); }, S_IFLNK},
        {"sparse file", [](TempTree& t) { return t.sparseFile("s", 1 << 20); }, S_IFREG},
        {"non-UTF-8 folder", [](TempTree& t) { return t.nonUtf8Folder("n"); }, S_IFDIR},
    };
    for (const Row& row : rows) {
        TempTree tree;
        const fs::path made = row.build(tree);
        const auto st = lstatOf(made);
        ASSERT_TRUE(st) << row.label;
        EXPECT_EQ(st->st_mode & S_IFMT, row.type) << row.label;
    }
}

TEST(FixtureTreeTest, LinksKeepTheirTargetAndIdentity)
{
    TempTree tree;
    const fs::path link = tree.symlink("../x/y", "sub/rel");
    EXPECT_EQ(fs::read_symlink(link), fs::path("../x/y")) << "the target is stored verbatim";

    const fs::path original = tree.file("orig", 10);
    const fs::path second = tree.hardLink("orig", "other/second");
    const auto a = lstatOf(original);
    const auto b = lstatOf(second);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->st_ino, b->st_ino);
    EXPECT_EQ(a->st_dev, b->st_dev);
    EXPECT_EQ(b->st_nlink, 2u);

    // A hard link to a symbolic link names the link, not what it points to.
    const fs::path linkToLink = tree.hardLink(link, "rel2");
    EXPECT_EQ(lstatOf(linkToLink)->st_ino, lstatOf(link)->st_ino);
}

TEST(FixtureTreeTest, ModificationTimesAreSetToTheMillisecond)
{
    const std::vector<qint64> msecs = {0, 1000000000123LL, 2208988800999LL};
    TempTree tree;
    for (const qint64 ms : msecs) {
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
        const fs::path file = tree.fileWithMtime("f" + std::to_string(ms), when, 7);
        const fs::path link = tree.symlink("f", "l" + std::to_string(ms));
        tree.setMtime(link, when);
        for (const fs::path& path : {file, link}) {
            const auto st = lstatOf(path);
            ASSERT_TRUE(st) << ms;
            EXPECT_EQ(qint64(st->st_mtim.tv_sec) * 1000 + st->st_mtim.tv_nsec / 1000000, ms) << path.native();
        }
        EXPECT_EQ(lstatOf(file)->st_size, 7);
    }
}

TEST(FixtureTreeTest, SparseFileHasALargeApparentAndASmallAllocatedSize)
{
    TempTree tree;
    const qint64 apparent = qint64(1) << 32;
    const auto st = lstatOf(tree.sparseFile("big.img", apparent));
    ASSERT_TRUE(st);
    EXPECT_EQ(st->st_size, apparent);
    EXPECT_LE(qint64(st->st_blocks) * 512, 64 * 1024);
}

TEST(FixtureTreeTest, ChmodAndChownChangeTheEntryButNeverALinkTarget)
{
    TempTree tree;
    const fs::path file = tree.file("f", 1);
    tree.chmod("f", 0600);
    EXPECT_EQ(lstatOf(file)->st_mode & 07777, 0600u);
    tree.symlink("f", "l");
    EXPECT_THROW(tree.chmod("l", 0777), std::system_error);
    EXPECT_EQ(lstatOf(file)->st_mode & 07777, 0600u);

    if (::geteuid() != 0)
        GTEST_SKIP() << "chown to another user needs root";
    tree.chown("l");
    EXPECT_EQ(lstatOf(tree.path("l"))->st_uid, TempTree::kOtherUid);
    EXPECT_EQ(lstatOf(file)->st_uid, 0u) << "lchown leaves the target alone";
    tree.chown(file, 1234, 4321);
    EXPECT_EQ(lstatOf(file)->st_uid, 1234u);
    EXPECT_EQ(lstatOf(file)->st_gid, 4321u);
}

TEST(FixtureTreeTest, FailuresThrowWithThePath)
{
    TempTree tree;
    tree.file("plain", 1);
    try {
        tree.file("plain/child", 1);
        FAIL() << "a file below a file cannot exist";
    } catch (const std::system_error& error) {
        EXPECT_NE(std::string(error.what()).find("plain"), std::string::npos) << error.what();
    }
    EXPECT_THROW(tree.hardLink("missing", "h"), std::system_error);
    EXPECT_THROW(tree.setMtime("missing", QDateTime::fromMSecsSinceEpoch(0, Qt::UTC)), std::system_error);
}

TEST(FixtureTreeTest, RemovalFollowsNoLinkAndOpensClosedOrForeignFolders)
{
    TempTree outside;
    const fs::path keptFile = outside.file("kept/file.txt", 100, 'k');
    const fs::path keptFolder = outside.folder("kept/folder");
    outside.file("kept/folder/inner", 10);

    fs::path root;
    {
        TempTree tree;
        root = tree.root();
        tree.symlink(keptFile, "link-to-file");
        tree.symlink(outside.root() / "kept", "link-to-folder");
        tree.hardLink(keptFile, "hard-link");
        tree.file("closed/a/b", 10);
        tree.chmod("closed/a", 0);
        tree.chmod("closed", 0);
        tree.file("readonly/c", 10);
        tree.chmod("readonly", 0555);
        tree.fifo("fifo");
        tree.nonUtf8File(tree.nonUtf8Folder("n"), 3);
        if (::geteuid() == 0) {
            tree.file("foreign/d", 10);
            tree.chown("foreign/d");
            tree.chmod("foreign", 0700);
            tree.chown("foreign");
        }
    }
    EXPECT_FALSE(lstatOf(root)) << "the tree is gone";
    EXPECT_EQ(contentOf(keptFile), std::string(100, 'k'));
    EXPECT_EQ(lstatOf(keptFile)->st_nlink, 1u);
    EXPECT_TRUE(lstatOf(keptFolder / "inner"));
}

} // namespace
} // namespace qm::test

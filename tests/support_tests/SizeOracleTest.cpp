#include "support/SizeOracle.h"

#include "support/TempTree.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace qm::test {
namespace {

qint64 allocatedBytes(const fs::path& path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0)
        return -1;
    return qint64(st.st_blocks) * 512;
}

// The same sum as the oracle, by a walk of our own: every name that is not a folder, once per name,
// never following a symbolic link.
qint64 lstatWalk(const fs::path& folder)
{
    qint64 total = 0;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir)
        return -1;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const fs::path child = folder / name;
        struct stat st
        {
        };
        if (::lstat(child.c_str(), &st) != 0)
            return -1;
        total += S_ISDIR(st.st_mode) ? lstatWalk(child) : qint64(st.st_blocks) * 512;
    }
    return total;
}

TEST(SizeOracleTest, AgreesWithLstatBlocksOnAMixedTree)
{
    TempTree tree;
    std::vector<fs::path> files;
    const std::vector<int> pages = {1, 3, 7, 16};
    for (size_t i = 0; i < pages.size(); ++i)
        files.push_back(tree.file("d" + std::to_string(i) + "/f.bin", qint64(4096) * pages[i]));
    files.push_back(tree.nonUtf8File(tree.nonUtf8Folder(), 4096 * 2));
    files.push_back(tree.hardLink(files[0], "hard"));
    files.push_back(tree.sparseFile("sparse", qint64(1) << 30));
    files.push_back(tree.symlink(files[1], "link"));
    files.push_back(tree.fifo("fifo"));
    tree.folder("empty/folder");

    qint64 expected = 0;
    for (const fs::path& file : files) {
        const qint64 bytes = allocatedBytes(file);
        ASSERT_GE(bytes, 0) << file.native();
        EXPECT_EQ(findAllocatedSize(file), bytes) << file.native();
        expected += bytes;
    }
    for (size_t i = 0; i < pages.size(); ++i)
        EXPECT_GE(allocatedBytes(files[i]), qint64(4096) * pages[i])
            << "fully written: " << files[i].native();

    EXPECT_EQ(expected, lstatWalk(tree.root()));
    EXPECT_EQ(findAllocatedSize(tree.root()), expected);
    EXPECT_LT(findAllocatedSize(tree.root()), qint64(1) << 30)
        << "the sparse file adds its blocks, not its size";
}

TEST(SizeOracleTest, FoldersAloneWeighNothing)
{
    TempTree tree;
    tree.folder("a/b/c");
    tree.folder("d");
    EXPECT_EQ(findAllocatedSize(tree.root()), 0);
}

TEST(SizeOracleTest, AMissingPathIsAnErrorNotZero)
{
    TempTree tree;
    EXPECT_THROW(findAllocatedSize(tree.root() / "missing"), std::runtime_error);
}

} // namespace
} // namespace qm::test

#include "support/PrivilegeDrop.h"

#include "support/TempTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <future>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace qm::test {
namespace {

// 0 when the folder can be listed and the file in it opened for reading, else the errno of the
// first refusal.
int readError(const fs::path& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return errno;
    ::closedir(dir);
    const int fd = ::open((folder / "file").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

std::vector<gid_t> groups()
{
    std::vector<gid_t> list(static_cast<size_t>(::getgroups(0, nullptr)));
    list.resize(static_cast<size_t>(::getgroups(static_cast<int>(list.size()), list.data())));
    return list;
}

// A root-owned tree: "closed" (0700) only its owner may read, "open" (0755) everyone may.
struct Fixture
{
    TempTree tree;
    fs::path closed = tree.folder("closed");
    fs::path open = tree.folder("open");
    Fixture()
    {
        tree.file("closed/file", 10);
        tree.file("open/file", 10);
        tree.chmod(closed, 0700);
    }
};

TEST(PrivilegeDropTest, DeniesARootOnlyFolderButReadsAnOpenOneWhileDropped)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    Fixture fixture;
    const std::vector<gid_t> groupsBefore = groups();
    ASSERT_EQ(readError(fixture.closed), 0);
    ASSERT_EQ(readError(fixture.open), 0);
    {
        DroppedPrivileges dropped;
        uid_t r = 0, e = 0, s = 0;
        ASSERT_EQ(::getresuid(&r, &e, &s), 0);
        EXPECT_EQ(r, 65534u);
        EXPECT_EQ(e, 65534u);
        EXPECT_EQ(s, 0u) << "the saved id is what lets the test return to root";
        EXPECT_EQ(::getegid(), 65534u);
        EXPECT_TRUE(groups().empty()) << "root's supplementary groups must not grant access";

        EXPECT_EQ(readError(fixture.closed), EACCES);
        EXPECT_EQ(readError(fixture.open), 0) << "positive control: the fixture itself is reachable";
    }
    EXPECT_EQ(::getuid(), 0u);
    EXPECT_EQ(::geteuid(), 0u);
    EXPECT_EQ(::getegid(), 0u);
    EXPECT_EQ(groups(), groupsBefore);
    EXPECT_EQ(readError(fixture.closed), 0);
    EXPECT_EQ(readError(fixture.open), 0);
}

TEST(PrivilegeDropTest, ThreadsStartedBeforeTheDropAreDroppedToo)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    Fixture fixture;
    std::promise<void> dropDone;
    std::promise<void> threadDone;
    int closedError = -1;
    int openError = -1;
    std::thread worker([&] {
        dropDone.get_future().wait();
        closedError = readError(fixture.closed);
        openError = readError(fixture.open);
        threadDone.set_value();
    });
    {
        DroppedPrivileges dropped;
        dropDone.set_value();
        threadDone.get_future().wait();
    }
    worker.join();
    EXPECT_EQ(closedError, EACCES);
    EXPECT_EQ(openError, 0);
}

TEST(PrivilegeDropTest, CannotDropWithoutRoot)
{
    if (::geteuid() != 0) {
        EXPECT_FALSE(canDropPrivileges());
        EXPECT_THROW(DroppedPrivileges(), std::system_error);
        return;
    }
    // As root: a process already dropped cannot drop again, and nothing changes when it tries.
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    DroppedPrivileges dropped;
    EXPECT_THROW(DroppedPrivileges(), std::system_error);
    EXPECT_EQ(::geteuid(), 65534u);
}

} // namespace
} // namespace qm::test

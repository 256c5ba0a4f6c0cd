#include "core/permissions/FullDiskAccess.h"

#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(FullDiskAccess, AnsweredByTheHomeFolderAlone)
{
    test::TempTree tree;
    EXPECT_TRUE(FullDiskAccess::isGranted(tree.folder("home")));
    EXPECT_FALSE(FullDiskAccess::isGranted(tree.path("no-home")));
    EXPECT_FALSE(FullDiskAccess::isGranted(tree.file("a-file", 10)));
}

TEST(FullDiskAccess, AHomeThatCannotBeListedIsNoWhateverItHolds)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    test::TempTree tree;
    // Traversable but not readable: a file inside still opens, yet the home cannot be read.
    const Path closed = tree.folder("closed");
    tree.file(closed / "Library/Application Support/com.apple.TCC/TCC.db", 10);
    tree.chmod(closed, 0711);
    const Path locked = tree.folder("locked");
    tree.chmod(locked, 0700);
    const Path open = tree.folder("open"); // positive control

    bool closedAnswer = true, lockedAnswer = true, openAnswer = false;
    {
        test::DroppedPrivileges dropped;
        closedAnswer = FullDiskAccess::isGranted(closed);
        lockedAnswer = FullDiskAccess::isGranted(locked);
        openAnswer = FullDiskAccess::isGranted(open);
    }
    EXPECT_FALSE(closedAnswer);
    EXPECT_FALSE(lockedAnswer);
    EXPECT_TRUE(openAnswer);
}

} // namespace
} // namespace qm

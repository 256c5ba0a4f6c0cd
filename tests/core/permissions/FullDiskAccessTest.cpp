#include "core/permissions/FullDiskAccess.h"

#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

const Path kDatabase = "Library/Application Support/com.apple.TCC/TCC.db";

TEST(FullDiskAccess, ProbesTheDatabasesInOrder)
{
    test::TempTree tree;
    const Path home = tree.folder("home");
    const Path system = tree.folder("system");

    // Neither database: the home folder decides.
    EXPECT_TRUE(FullDiskAccess::isGranted(home, system));
    EXPECT_FALSE(FullDiskAccess::isGranted(tree.path("no-home"), system));

    // The user's missing, the system's readable.
    tree.file(system / kDatabase, 10);
    EXPECT_TRUE(FullDiskAccess::isGranted(tree.path("no-home"), system));

    // The user's readable.
    tree.file(home / kDatabase, 10);
    EXPECT_TRUE(FullDiskAccess::isGranted(home, tree.path("no-system")));
}

TEST(FullDiskAccess, AUserDatabaseThatRefusesMeansNoWithoutAskingFurther)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    test::TempTree tree;
    const Path home = tree.folder("home");
    const Path userDb = tree.file(home / kDatabase, 10);
    tree.chmod(userDb, 0600); // root's: the dropped user is refused
    const Path system = tree.folder("system");
    tree.file(system / kDatabase, 10); // readable by all, yet never reached

    const Path otherHome = tree.folder("other");
    tree.file(otherHome / kDatabase, 10); // positive control: a readable user database

    bool refused = true, control = false;
    {
        test::DroppedPrivileges dropped;
        refused = FullDiskAccess::isGranted(home, system);
        control = FullDiskAccess::isGranted(otherHome, tree.path("no-system"));
    }
    EXPECT_FALSE(refused);
    EXPECT_TRUE(control);
}

} // namespace
} // namespace qm

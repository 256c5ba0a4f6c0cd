#include "core/cleaning/SafetyGuard.h"

#include "core/cleaning/RootOnlyPath.h"
#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(SafetyGuard, DecidesOnARealTree)
{
    test::TempTree tree;
    const Path r = tree.root();
    tree.folder("Library/Caches/x");
    tree.file("Library/Caches/x/file");
    tree.folder("a/b");
    tree.folder("a/bc");
    tree.folder("outside");
    tree.file("outside/secret");
    tree.symlink(r / "outside/secret", "Library/Caches/escape");
    tree.symlink(r / "Library/Caches/x/file", "elsewhere-link");
    tree.symlink(r / "Library", "alias");
    tree.folder("caf\xc3\xa9");       // "café", composed
    tree.folder("cafe\xcc\x81/item"); // the same name, decomposed: another folder here

    const std::vector<Path> caches{r / "Library/Caches"};
    struct Case
    {
        const char* what;
        std::vector<Path> roots;
        Path path;
        bool cleanable;
    };
    const Case cases[] = {
        {"a root itself", caches, r / "Library/Caches", false},
        {"a root with a trailing slash", caches, r / "Library/Caches/", false},
        {"a child of a root", caches, r / "Library/Caches/x", true},
        {"a missing child of a root", caches, r / "Library/Caches/not-there/deeper", true},
        {"a '..' component, even inside", caches, r / "Library/Caches/x/../x", false},
        {"a '.' component is cleaned up", caches, r / "Library/Caches/./x", true},
        {"an inner root through the outer",
         {r / "Library", r / "Library/Caches"},
         r / "Library/Caches",
         true},
        {"a sibling with a common prefix", {r / "a/b"}, r / "a/bc", false},
        {"a sibling's child", {r / "a/b"}, r / "a/bc/x", false},
        {"a link escaping the roots", caches, r / "Library/Caches/escape", false},
        {"a link into the roots", caches, r / "elsewhere-link", true},
        {"a root given through a link, item by the real path",
         {r / "alias/Caches"},
         r / "Library/Caches/x",
         true},
        {"a root given through a link, item through the link",
         {r / "alias/Caches"},
         r / "alias/Caches/x",
         true},
        {"the root '/' admits everything else", {"/"}, r / "a", true},
        {"the root '/' itself", {"/"}, "/", false},
        {"an empty root list", {}, r / "Library/Caches/x", false},
        {"a relative path", caches, "Library/Caches/x", false},
        {"composed root, decomposed sibling", {r / "caf\xc3\xa9"}, r / "cafe\xcc\x81/item", false},
        {"composed root, composed child", {r / "caf\xc3\xa9"}, r / "caf\xc3\xa9/item", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SafetyGuard(c.roots).isCleanable(c.path), c.cleanable) << c.what;
}

// Judged as entries, links are where they lie: a unit's enable link inside the root may go although it
// leads out, and a link outside the root may not although it leads in.
TEST(SafetyGuard, LinksJudgedAsEntries)
{
    test::TempTree tree;
    const Path r = tree.root();
    tree.file("outside/unit.service");
    tree.folder("config/systemd/user/default.target.wants");
    tree.symlink(r / "outside/unit.service", "config/systemd/user/default.target.wants/unit.service");
    tree.symlink(r / "config/systemd/user/default.target.wants", "outside/into-root");
    tree.symlink(r / "config", "config-alias");

    const std::vector<Path> roots{r / "config/systemd/user"};
    const SafetyGuard entries(roots, SafetyGuard::FinalLink::asEntry);
    const SafetyGuard resolved(roots);
    struct Case
    {
        const char* what;
        Path path;
        bool asEntry;
        bool whenResolved;
    };
    const Case cases[] = {
        {"an enable link leading out", r / "config/systemd/user/default.target.wants/unit.service", true,
         false},
        {"the same through a linked folder",
         r / "config-alias/systemd/user/default.target.wants/unit.service", true, false},
        {"a link outside leading in", r / "outside/into-root", false, true},
        {"a missing entry", r / "config/systemd/user/gone.desktop", true, true},
        {"the root itself", r / "config/systemd/user", false, false},
        {"a '..' component", r / "config/systemd/user/../user/x", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(entries.isCleanable(c.path), c.asEntry) << c.what;
        EXPECT_EQ(resolved.isCleanable(c.path), c.whenResolved) << c.what;
    }
}

TEST(SafetyGuard, KeepsRootsNormalisedInGivenOrder)
{
    test::TempTree tree;
    tree.folder("real/one");
    tree.folder("two");
    tree.symlink(tree.path("real"), "link");
    const SafetyGuard guard({tree.path("two/"), tree.path("link/one")});
    EXPECT_EQ(guard.allowedRoots(), (std::vector<Path>{tree.path("two"), tree.path("real/one")}));
}

TEST(RootOnlyPath, DeniesOnlyOtherUsersUnreadableItems)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP(); // chown to another user needs root
    test::TempTree tree;
    struct Case
    {
        const char* what;
        const char* name;
        mode_t mode;
        bool otherOwner;
        bool denies;
    };
    const Case cases[] = {
        {"own folder 0700", "own", 0700, false, false},
        {"other's folder 0700", "o700", 0700, true, true},
        {"other's folder 0750", "o750", 0750, true, true},
        {"other's folder 0755", "o755", 0755, true, false},
        {"other's folder 0704", "o704", 0704, true, false},
    };
    for (const Case& c : cases) {
        const Path p = tree.folder(c.name);
        tree.chmod(p, c.mode);
        if (c.otherOwner)
            tree.chown(p);
        EXPECT_EQ(RootOnlyPath::denies(p), c.denies) << c.what;
    }
    EXPECT_FALSE(RootOnlyPath::denies(tree.path("missing")));
    // A link is judged by itself (links read as 0777), not by its unreadable target.
    const Path link = tree.symlink(tree.path("o700"), "link");
    tree.chown(link);
    EXPECT_FALSE(RootOnlyPath::denies(link));
}

// An allowed item admits exactly that name in its folder (the folder reached through links too), never
// what a link of that name points to, nor a sibling, a child or the folder.
TEST(SafetyGuard, AllowedItemsAdmitTheNameItself)
{
    test::TempTree tree;
    const Path r = tree.root();
    tree.file("home/.xsession-errors", 100);
    tree.file("outside/secret", 10);
    tree.symlink(r / "outside/secret", "home/.xsession-errors.old");
    tree.symlink(r / "home", "linked-home");

    const SafetyGuard guard({},
                            {r / "home/.xsession-errors", r / "home/.xsession-errors.old", "relative/item"});
    struct Case
    {
        const char* what;
        Path path;
        bool cleanable;
    };
    const Case cases[] = {
        {"the item", r / "home/.xsession-errors", true},
        {"the item through a linked folder", r / "linked-home/.xsession-errors", true},
        {"a link named as the item", r / "home/.xsession-errors.old", true},
        {"what that link points to", r / "outside/secret", false},
        {"a sibling", r / "home/.xsession-errors.older", false},
        {"below the item", r / "home/.xsession-errors/x", false},
        {"the item's folder", r / "home", false},
        {"a .. path to the item", r / "outside/../home/.xsession-errors", false},
        {"a relative item is never allowed", "relative/item", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(guard.isCleanable(c.path), c.cleanable) << c.what;
    EXPECT_EQ(guard.allowedItems().size(), 2u);
}

} // namespace
} // namespace qm

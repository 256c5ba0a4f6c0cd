#include "core/apps/UninstallPlanner.h"

#include "core/apps/LeftoverFinder.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace qm {
namespace {

using Road = UninstallPlan::Road;

std::vector<QString> textsOf(const std::vector<Path>& paths)
{
    std::vector<QString> out;
    for (const Path& path : paths)
        out.push_back(FileSystem::displayName(path));
    return out;
}

// One application's uninstall as the table gives it: its origin and removal items (relative to the
// home unless absolute), which of them are links or another user's, and what the plan must say.
struct Case
{
    const char* what;
    AppOrigin origin;
    std::vector<std::string> removal;
    std::set<std::string> links;
    std::set<std::string> othersOwn;
    Road road;
    bool needsAdmin;
    // The program folders the guard admits beyond the common roots (relative to the home).
    std::vector<std::string> extraRoots;
    // What the administrator road moves: the first removal item, else the entry.
    bool adminMovesFolder;
};

class UninstallPlannerTest : public ::testing::TestWithParam<Case>
{
protected:
    test::TempTree tree;
    Path home = FileSystem::standardize(tree.folder("home"));
    Places places = Places::resolve(home, {});

    Path at(const std::string& relative) const
    {
        return relative.front() == '/' ? Path(relative) : home / relative;
    }
};

TEST_P(UninstallPlannerTest, DecidesTheRoadItemsRootsAndRights)
{
    const Case& c = GetParam();
    InstalledApp app{home / ".local/share/applications/tool.desktop", "Tool", "tool", {}, 7, {}};
    app.origin = c.origin;
    for (const std::string& item : c.removal)
        app.removal.push_back(at(item));

    const UninstallPlanner planner(
        places, home,
        {[&](const Path& item) {
             return std::any_of(c.links.begin(), c.links.end(),
                                [&](const std::string& l) { return at(l) == item; });
         },
         [&](const Path& item) {
             return std::any_of(c.othersOwn.begin(), c.othersOwn.end(),
                                [&](const std::string& o) { return at(o) == item; });
         }});
    const UninstallPlan plan = planner.plan(app, {}, {});

    EXPECT_EQ(plan.road, c.road) << c.what;
    EXPECT_EQ(plan.needsAdmin, c.needsAdmin) << c.what;
    EXPECT_EQ(textsOf(plan.items), c.road == Road::trash ? textsOf(app.removal) : std::vector<QString>())
        << c.what;
    std::vector<Path> roots = LeftoverFinder::allowedRoots(places);
    roots.push_back(home / "Applications");
    roots.push_back(home / ".local/share/applications");
    for (const std::string& extra : c.extraRoots)
        roots.push_back(home / extra);
    EXPECT_EQ(textsOf(plan.guardRoots), textsOf(roots)) << c.what;
    EXPECT_EQ(plan.adminTarget, c.adminMovesFolder ? app.removal.front() : app.url) << c.what;
    EXPECT_EQ(plan.appBytes, 7) << c.what << ": not listed, its own size";
}

INSTANTIATE_TEST_SUITE_P(
    Roads, UninstallPlannerTest,
    ::testing::Values(
        Case{"a program of the user's in the home",
             AppOrigin::homeFile,
             {"tools/bin/tool", ".local/share/applications/tool.desktop"},
             {},
             {},
             Road::trash,
             false,
             {"tools/bin", ".local/share/applications"},
             false},
        Case{"an AppImage with its entry",
             AppOrigin::appImage,
             {"Applications/Tool.AppImage", ".local/share/applications/tool.desktop"},
             {},
             {},
             Road::trash,
             false,
             {"Applications", ".local/share/applications"},
             false},
        Case{"a program outside the home adds no root",
             AppOrigin::homeFile,
             {"/usr/local/bin/tool"},
             {},
             {},
             Road::trash,
             false,
             {},
             false},
        Case{"a program another user owns",
             AppOrigin::homeFile,
             {"tools/bin/tool"},
             {},
             {"tools/bin/tool"},
             Road::refusedOwnership,
             true,
             {"tools/bin"},
             false},
        Case{"only the menu entry another user owns",
             AppOrigin::homeFile,
             {"tools/bin/tool", ".local/share/applications/tool.desktop"},
             {},
             {".local/share/applications/tool.desktop"},
             Road::trash,
             false,
             {"tools/bin", ".local/share/applications"},
             false},
        Case{"an entry that is a link",
             AppOrigin::appImage,
             {"Applications/Tool.AppImage", ".local/share/applications/tool.desktop"},
             {".local/share/applications/tool.desktop"},
             {},
             Road::refusedLink,
             false,
             {"Applications", ".local/share/applications"},
             false},
        Case{"a link another user owns is refused as a link",
             AppOrigin::homeFile,
             {"tools/bin/tool"},
             {"tools/bin/tool"},
             {"tools/bin/tool"},
             Road::refusedLink,
             true,
             {"tools/bin"},
             false},
        Case{"nothing known to move", AppOrigin::homeFile, {}, {}, {}, Road::refusedLink, false, {}, false},
        Case{"a package", AppOrigin::debianPackage, {}, {}, {}, Road::leftoversOnly, false, {}, false},
        Case{"a user Flatpak", AppOrigin::userFlatpak, {}, {}, {}, Road::leftoversOnly, false, {}, false},
        Case{"a system Flatpak", AppOrigin::systemFlatpak, {}, {}, {}, Road::leftoversOnly, false, {}, false},
        Case{"an entry nothing here removes",
             AppOrigin::other,
             {},
             {},
             {},
             Road::leftoversOnly,
             false,
             {},
             false},
        Case{"an administrator folder",
             AppOrigin::administrator,
             {"/opt/tool"},
             {},
             {},
             Road::leftoversOnly,
             true,
             {},
             true},
        Case{"an administrator entry without a folder",
             AppOrigin::administrator,
             {},
             {},
             {},
             Road::leftoversOnly,
             true,
             {},
             false}));

TEST(UninstallPlannerLeftovers, MovesTheSelectedLeftoversInOrderAndAdmitsHomeItemsOneByOne)
{
    test::TempTree tree;
    const Path home = FileSystem::standardize(tree.folder("home"));
    const Places places = Places::resolve(home, {});
    InstalledApp app{home / "Applications/Tool.AppImage", "Tool", "tool", {}, 0, {}};
    app.origin = AppOrigin::appImage;
    app.removal = {app.url};
    InstalledApp listed = app;
    listed.sizeBytes = 4096;
    InstalledApp other{home / "Applications/Other.AppImage", "Other", "other", {}, 99, {}};

    const std::vector<LeftoverItem> leftovers{
        {QUuid::createUuid(), home / ".config/tool", "tool", "Config", 10, true},
        {QUuid::createUuid(), home / ".tool", ".tool", "Home", 20, true},
        {QUuid::createUuid(), home / ".cache/tool", "tool", "Cache", 30, false},
        {QUuid::createUuid(), home / ".local/state/tool", "tool", "State", 40, true},
    };
    const UninstallPlanner planner(places, home,
                                   {[](const Path&) { return false; }, [](const Path&) { return false; }});
    const UninstallPlan plan = planner.plan(app, leftovers, {other, listed});

    EXPECT_EQ(plan.road, Road::trash);
    std::vector<Path> moved;
    qint64 bytes = 0;
    for (const ScanItem& item : plan.leftovers) {
        moved.push_back(item.url);
        bytes += item.bytes;
        EXPECT_TRUE(item.isSelected);
    }
    EXPECT_EQ(textsOf(moved), textsOf({home / ".config/tool", home / ".tool", home / ".local/state/tool"}));
    EXPECT_EQ(bytes, 70);
    EXPECT_EQ(textsOf(plan.homeItems), textsOf({home / ".tool"}));
    EXPECT_EQ(plan.appBytes, 4096) << "the inventory's size, not the stale copy's";
}

} // namespace
} // namespace qm

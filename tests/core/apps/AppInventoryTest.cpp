#include "core/apps/AppInventory.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace qm {
namespace {

InstalledApp listed(const char* path, qint64 bytes)
{
    InstalledApp app;
    app.url = Path(path);
    app.name = QString::fromUtf8(path);
    app.sizeBytes = bytes;
    return app;
}

std::vector<qint64> sizesOf(const std::vector<InstalledApp>& apps)
{
    std::vector<qint64> sizes;
    for (const InstalledApp& app : apps)
        sizes.push_back(app.sizeBytes);
    return sizes;
}

// A refresh lists every application with size 0: what the inventory before it knew stays shown
// until the sizing measures it again, and only what it really knew.
TEST(AppInventoryTest, ARefreshKeepsOnlyTheSizesTheOldInventoryKnew)
{
    struct Case
    {
        const char* what;
        std::vector<InstalledApp> before;
        InstalledApp after;
        qint64 expected;
    };
    const std::vector<Case> cases{
        {"a measured application keeps its size", {listed("/a", 4096)}, listed("/a", 0), 4096},
        {"an unmeasured one stays unmeasured", {listed("/a", 0)}, listed("/a", 0), 0},
        {"a size the listing carries wins", {listed("/a", 4096)}, listed("/a", 8192), 8192},
        {"a new application has no size yet", {listed("/a", 4096)}, listed("/b", 0), 0},
        {"the first of a bundle listed twice counts",
         {listed("/a", 0), listed("/a", 4096)},
         listed("/a", 0),
         0},
        {"the first of a bundle listed twice counts, measured",
         {listed("/a", 4096), listed("/a", 0)},
         listed("/a", 0),
         4096},
        {"paths compare byte for byte", {listed("/a\xff", 4096)}, listed("/a\xef\xbf\xbd", 0), 0},
    };
    for (const Case& c : cases) {
        const std::vector<InstalledApp> kept =
            AppInventory::keepingSizes({c.after}, AppInventory::knownSizes(c.before));
        ASSERT_EQ(kept.size(), 1u) << c.what;
        EXPECT_EQ(kept.front().sizeBytes, c.expected) << c.what;
    }
}

TEST(AppInventoryTest, ABatchOfSizesChangesOnlyTheApplicationsItNames)
{
    const std::vector<InstalledApp> apps{listed("/a", 1), listed("/b", 2), listed("/a", 3)};
    EXPECT_EQ(sizesOf(AppInventory::withSizes(apps, {{"/a", 10}, {"/c", 30}})),
              (std::vector<qint64>{10, 2, 10}));
    EXPECT_EQ(sizesOf(AppInventory::withSizes(apps, {{"/b", 0}})), (std::vector<qint64>{1, 0, 3}))
        << "a measurement of 0 is a size too";
    EXPECT_EQ(sizesOf(AppInventory::without(apps, "/a")), (std::vector<qint64>{2}));
}

// Pruning looks twice: once on a worker thread, once just before the rows go. A bundle put back in
// between stays listed, and a look that finds nothing gone changes nothing.
TEST(AppInventoryTest, PruningDropsOnlyWhatIsStillMissing)
{
    const std::vector<InstalledApp> apps{listed("/a", 1), listed("/b", 2), listed("/c", 3)};
    std::set<std::string> present{"/c"};
    const auto exists = [&](const Path& path) { return present.contains(path.native()); };

    const std::set<std::string> gone = AppInventory::missing(apps, exists);
    EXPECT_EQ(gone, (std::set<std::string>{"/a", "/b"}));

    present.insert("/b"); // put back since the first look
    const auto pruned = AppInventory::pruned(apps, gone, exists);
    ASSERT_TRUE(pruned.has_value());
    EXPECT_EQ(sizesOf(*pruned), (std::vector<qint64>{2, 3}));

    present.insert("/a");
    EXPECT_FALSE(AppInventory::pruned(apps, gone, exists).has_value()) << "everything came back";
    EXPECT_FALSE(AppInventory::pruned(apps, {}, exists).has_value());
}

} // namespace
} // namespace qm

#include "core/apps/LeftoverFinder.h"

#include "core/apps/InventoryAppLocator.h"
#include "support/FakeAppLocator.h"
#include "support/FakeClock.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <set>
#include <type_traits>

namespace qm {
namespace {

constexpr qint64 kDay = 24 * 3600;

// "<location>/<name>" of every item found, to compare with a table.
template <typename Items> std::set<QString> placesOf(const Items& items)
{
    std::set<QString> out;
    for (const auto& item : items) {
        if constexpr (std::is_same_v<std::decay_t<decltype(item)>, LeftoverItem>)
            out.insert(item.location + "/" + item.name);
        else
            out.insert(item.name);
    }
    return out;
}

template <typename Items> void expectLargestFirst(const Items& items)
{
    for (std::size_t i = 1; i < items.size(); ++i)
        EXPECT_GE(items[i - 1].bytes, items[i].bytes) << i;
}

class LeftoverFinderTest : public ::testing::Test
{
protected:
    test::TempTree tree;
    Path home = tree.folder("home");
    Path library = home / "Library";
    std::shared_ptr<test::FakeClock> clock = std::make_shared<test::FakeClock>();

    LeftoverFinder finder() const
    {
        return LeftoverFinder(FileSystem(), CleanupScanner(FileSystem(), home), home, clock);
    }

    // A file in a Library folder, last modified `daysAgo` days (and `extraSeconds`) before the clock's now.
    Path aged(const Path& relative, qint64 daysAgo, qint64 size = 4000, qint64 extraSeconds = 0)
    {
        return tree.fileWithMtime(library / relative, clock->now().addSecs(-(daysAgo * kDay + extraSeconds)),
                                  size);
    }
};

TEST_F(LeftoverFinderTest, RootTables)
{
    const std::vector<LeftoverFinder::SearchRoot> expected{
        {"Application Support", "/h/Library/Application Support"},
        {"Caches", "/h/Library/Caches"},
        {"Logs", "/h/Library/Logs"},
        {"Preferences", "/h/Library/Preferences"},
        {"Containers", "/h/Library/Containers"},
        {"Group Containers", "/h/Library/Group Containers"},
        {"Saved State", "/h/Library/Saved Application State"},
        {"HTTP Storage", "/h/Library/HTTPStorages"},
        {"WebKit", "/h/Library/WebKit"},
        {"Cookies", "/h/Library/Cookies"},
        {"Launch Agents", "/h/Library/LaunchAgents"},
    };
    EXPECT_EQ(LeftoverFinder::searchRoots("/h"), expected);
    std::vector<Path> urls;
    for (const auto& root : expected)
        urls.push_back(root.url);
    EXPECT_EQ(LeftoverFinder::allowedRoots("/h"), urls);
    EXPECT_EQ(LeftoverFinder::allowedRoots(), LeftoverFinder::allowedRoots(FileSystem::homeDirectory()));
    EXPECT_EQ(LeftoverFinder::orphanRoots("/h"),
              (std::vector<LeftoverFinder::SearchRoot>{expected[0], expected[3], expected[4], expected[7],
                                                       expected[8], expected[9]}));
}

TEST_F(LeftoverFinderTest, FindsAnApplicationsDataAndLeavesOthersAlone)
{
    tree.file(library / "Application Support/com.acme.studio/db", 50'000);
    tree.file(library / "Application Support/Acme Studio/settings", 3000); // name rule
    tree.file(library / "Application Support/.com.acme.studio", 3000);     // hidden
    tree.file(library / "Caches/com.acme.studio/cache/blob", 20'000);
    tree.file(library / "Logs/COM.ACME.STUDIO", 9000);                       // case does not matter
    tree.file(library / "Preferences/com.acme.studio.plist", 700);           // prefix form
    tree.file(library / "Preferences/com.acme.studio.companion.plist", 700); // the companion's
    tree.file(library / "Preferences/x.com.acme.studio.plist", 700);         // suffix form: not here
    tree.file(library / "Containers/com.acme.studio/Data/file", 12'000);
    tree.file(library / "Group Containers/ABCDE12345.com.acme.studio/x", 6000); // team prefix
    tree.file(library / "Group Containers/ABCDE12345.com.acme.studio.companion/x", 6000);
    tree.file(library / "Group Containers/Acme Studio/x", 6000);                 // never by name here
    tree.folder(library / "Saved Application State/com.acme.studio.savedState"); // 0 bytes: still listed
    tree.file(library / "HTTPStorages/com.acme.studios", 5000);                  // another identifier
    tree.file(library / "WebKit/ACME STUDIO/x", 5000);                           // name rule, any case
    tree.file(library / "Cookies/com.acme.studio.binarycookies", 300);
    tree.file(library / "LaunchAgents/com.acme.studio.agent.plist", 300);

    const auto found = finder().find("Acme Studio", "com.acme.Studio",
                                     {"com.acme.studio", "com.acme.studio.companion", "org.other.app"},
                                     {"Acme Studio", "Companion", "Other"}, true);
    EXPECT_FALSE(found.incomplete);
    EXPECT_EQ(placesOf(found.items), (std::set<QString>{
                                         "Application Support/com.acme.studio",
                                         "Application Support/Acme Studio",
                                         "Caches/com.acme.studio",
                                         "Logs/COM.ACME.STUDIO",
                                         "Preferences/com.acme.studio.plist",
                                         "Containers/com.acme.studio",
                                         "Group Containers/ABCDE12345.com.acme.studio",
                                         "Saved State/com.acme.studio.savedState",
                                         "WebKit/ACME STUDIO",
                                         "Cookies/com.acme.studio.binarycookies",
                                         "Launch Agents/com.acme.studio.agent.plist",
                                     }));
    expectLargestFirst(found.items);
    std::set<QUuid> ids;
    for (const LeftoverItem& item : found.items) {
        EXPECT_TRUE(item.isSelected);
        EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url)) << item.url;
        ids.insert(item.id);
    }
    EXPECT_EQ(ids.size(), found.items.size());
    EXPECT_EQ(found.items.back().bytes, 0);
}

TEST_F(LeftoverFinderTest, NarrowMatchingRules)
{
    struct Case
    {
        const char* what;
        QString name, id;
        QStringList installedIDs, installedNames;
        bool complete;
        std::vector<const char*> entries; // under Library
        std::set<QString> expected;
    };
    const std::vector<Case> cases{
        {"incomplete inventory: whole names only",
         "Acme Studio",
         "com.acme.studio",
         {"com.acme.studio"},
         {"Acme Studio"},
         false,
         {"Preferences/com.acme.studio.plist", "Preferences/com.acme.studio",
          "Group Containers/T1.com.acme.studio", "Group Containers/com.acme.studio",
          "Application Support/Acme Studio"},
         {"Preferences/com.acme.studio", "Group Containers/com.acme.studio",
          "Application Support/Acme Studio"}},
        {"two-part identifier: equality only",
         "Acme Tool",
         "acme.tool",
         {"acme.tool"},
         {"Acme Tool"},
         true,
         {"Preferences/acme.tool.plist", "Caches/acme.tool", "Group Containers/team.acme.tool",
          "Group Containers/acme.tool"},
         {"Caches/acme.tool", "Group Containers/acme.tool"}},
        {"generic name: identifier only",
         "Mail",
         "com.vendor.mail",
         {"com.vendor.mail"},
         {"Mail"},
         true,
         {"Application Support/Mail", "Caches/com.vendor.mail"},
         {"Caches/com.vendor.mail"}},
        {"name of three characters: identifier only",
         "Zed",
         "com.vendor.zed",
         {"com.vendor.zed"},
         {"Zed"},
         true,
         {"Application Support/Zed", "Caches/com.vendor.zed"},
         {"Caches/com.vendor.zed"}},
        {"ambiguous name: a word of another application's name",
         "Studio",
         "com.studio.app",
         {"com.studio.app", "com.acme.studio"},
         {"Studio", "Acme Studio"},
         true,
         {"Application Support/Studio", "Caches/com.studio.app"},
         {"Caches/com.studio.app"}},
        {"a part of a word is not ambiguous",
         "Stud",
         "",
         {},
         {"Stud", "Studio Max"},
         true,
         {"Application Support/Stud"},
         {"Application Support/Stud"}},
        {"shared identifier: no identifier key, the name still counts",
         "Dup Tool",
         "com.dup.tool",
         {"com.dup.tool", "COM.DUP.TOOL"},
         {"Dup Tool", "Dup Tool Pro"},
         true,
         {"Caches/com.dup.tool", "Group Containers/com.dup.tool", "Application Support/Dup Tool"},
         {"Application Support/Dup Tool"}},
        {"shared name: no name key",
         "Twin Tool",
         "",
         {},
         {"Twin Tool", "twin tool"},
         true,
         {"Application Support/Twin Tool"},
         {}},
        {"no identifier: never in Group Containers",
         "Lonely Tool",
         "",
         {},
         {"Lonely Tool"},
         true,
         {"Application Support/Lonely Tool", "Group Containers/Lonely Tool"},
         {"Application Support/Lonely Tool"}},
        {"an extending identifier claims its data in every root",
         "Acme",
         "com.acme.app",
         {"com.acme.app", "com.acme.app.pro"},
         {"Acme", "Acme Pro"},
         true,
         {"Caches/com.acme.app.pro", "Preferences/com.acme.app.pro.plist",
          "Group Containers/group.x.com.acme.app.pro", "Caches/com.acme.app", "Caches/com.acme.app.x"},
         {"Caches/com.acme.app", "Caches/com.acme.app.x"}},
        {"identifiers of three parts: the prefix form counts",
         "Acme",
         "com.acme.app",
         {"com.acme.app", "com.acme.pro"},
         {"Acme", "Acme Pro"},
         true,
         {"Caches/com.acme.pro", "Caches/com.acme.app.helper", "Caches/com.acme.apps"},
         {"Caches/com.acme.app.helper"}},
    };
    for (const Case& c : cases) {
        test::TempTree caseTree;
        const Path caseHome = caseTree.root();
        for (const char* entry : c.entries)
            caseTree.file(caseHome / "Library" / entry, 100);
        const LeftoverFinder caseFinder(FileSystem(), CleanupScanner(FileSystem(), caseHome), caseHome,
                                        clock);
        const auto found = caseFinder.find(c.name, c.id, c.installedIDs, c.installedNames, c.complete);
        EXPECT_EQ(placesOf(found.items), c.expected) << c.what;
        EXPECT_FALSE(found.incomplete) << c.what;
    }
}

TEST_F(LeftoverFinderTest, MissingRootsAreNoGapUnreadableOnesAre)
{
    const auto nothing =
        finder().find("Acme Studio", "com.acme.studio", {"com.acme.studio"}, {"Acme Studio"}, true);
    EXPECT_TRUE(nothing.items.empty());
    EXPECT_FALSE(nothing.incomplete);

    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const Path open = tree.file(library / "Application Support/com.acme.studio/db", 8000);
    tree.file(library / "Preferences/com.acme.studio.plist", 700);
    tree.chmod(library / "Preferences", 0700);
    tree.file(library / "Caches/com.acme.studio/open", 4000);
    tree.file(library / "Caches/com.acme.studio/closed/secret", 4000);
    tree.chmod(library / "Caches/com.acme.studio/closed", 0700);

    LeftoverFinder::Found found;
    {
        test::DroppedPrivileges dropped;
        found = finder().find("Acme Studio", "com.acme.studio", {"com.acme.studio"}, {"Acme Studio"}, true);
    }
    EXPECT_TRUE(found.incomplete);
    EXPECT_EQ(placesOf(found.items),
              (std::set<QString>{"Application Support/com.acme.studio", "Caches/com.acme.studio"}));
    EXPECT_EQ(found.items[0].bytes, test::findAllocatedSize(open)); // read in full while dropped
    EXPECT_EQ(found.items[1].bytes, test::findAllocatedSize(library / "Caches/com.acme.studio/open"));

    const auto asRoot =
        finder().find("Acme Studio", "com.acme.studio", {"com.acme.studio"}, {"Acme Studio"}, true);
    EXPECT_FALSE(asRoot.incomplete);
    EXPECT_EQ(asRoot.items.size(), 3u);
}

TEST_F(LeftoverFinderTest, OrphanMatcher)
{
    InstalledApp acme{"/Applications/Acme.app", "Acme Studio", "com.acme.studio", {}, 0, {}};
    InstalledApp anonymous{"/Applications/Anon.app", "Anon", "", {}, 0, {}};
    auto locator = std::make_shared<test::FakeAppLocator>();
    locator->install("com.elsewhere.viewer", "/opt/Viewer.app");

    EXPECT_FALSE(LeftoverFinder::orphanMatcher(AppScanner::Listing{{acme}, false}, locator).has_value());
    EXPECT_TRUE(locator->questions().empty());

    const auto matcher = LeftoverFinder::orphanMatcher(AppScanner::Listing{{acme, anonymous}, true}, locator);
    ASSERT_TRUE(matcher.has_value());
    const std::vector<std::pair<const char*, bool>> cases{
        {"com.oldvendor.tool.plist", true},
        {"COM.OldVendor.Tool.PLIST", true},
        {"com.vendor.thing.savedState.plist", true},
        {"org.gone.app.binarycookies", true},
        {"com.acme.oldtool", false},         // shares "acme" with an installed identifier
        {"acme.tool", false},                // two parts
        {"com..tool", false},                // an empty part
        {".com.gone.tool", false},           // an empty part
        {"group.com.gone.shared", false},    // "group"
        {"com.gone.systemgroup.x", false},   // "systemgroup"
        {"ABCDE12345.com.gone.tool", false}, // a team identifier first
        {"com.apple.Safari.plist", false},   // the system's own
        {"abc.com.apple.xyz", false},
        {"x.y.com.apple", false},
        {"com.app.helper", false},             // generic parts only
        {"com.elsewhere.viewer.plist", false}, // installed where the inventory does not look
        {"Com.Elsewhere.Viewer", false},
    };
    for (const auto& [name, orphaned] : cases)
        EXPECT_EQ((*matcher)(QString::fromUtf8(name)), orphaned) << name;
    // Only names that passed the other tests reach the look-up, as lower-case candidates.
    const auto questions = locator->questions();
    EXPECT_EQ(std::set<QString>(questions.begin(), questions.end()),
              (std::set<QString>{"com.oldvendor.tool", "com.vendor.thing.savedstate", "org.gone.app",
                                 "com.elsewhere.viewer"}));

    // Without a look-up of its own the matcher asks the inventory's index.
    const InventoryAppLocator index({acme, anonymous});
    EXPECT_EQ(index.urlForApplication("COM.ACME.STUDIO"), std::optional<Path>("/Applications/Acme.app"));
    EXPECT_FALSE(index.urlForApplication("").has_value());
    EXPECT_FALSE(index.urlForApplication("com.other").has_value());
    const auto own = LeftoverFinder::orphanMatcher(AppScanner::Listing{{acme}, true});
    ASSERT_TRUE(own.has_value());
    EXPECT_TRUE((*own)("com.oldvendor.tool.plist"));
    EXPECT_FALSE((*own)("com.acme.studio.plist"));
}

TEST_F(LeftoverFinderTest, FindsOldOrphansInTheirRootsOnly)
{
    const Path old = aged("Preferences/com.oldvendor.tool.plist", 90, 9000);
    aged("Application Support/com.gone.exactly60", 60, 7000);
    aged("Containers/com.gone.just-under", 60, 7000, -60); // one minute short of 60 days
    aged("HTTPStorages/com.gone.fiftynine", 59, 7000);
    aged("WebKit/com.gone.future", -3, 7000); // dated in the future
    aged("Cookies/com.gone.cookies.binarycookies", 400, 5000);
    aged("Cookies/.com.gone.hidden", 400, 5000);
    aged("Cookies/com.acme.oldtool", 400, 5000); // not an orphan
    for (const char* root : {"Caches", "Logs", "Saved Application State", "Group Containers", "LaunchAgents"})
        aged(std::string(root) + "/com.gone.elsewhere", 400, 5000);
    // An empty, readable orphan folder is dropped without a gap.
    const Path empty = tree.folder(library / "Containers/com.gone.empty");
    tree.setMtime(empty, clock->now().addSecs(-400 * kDay));

    const InstalledApp acme{"/Applications/Acme.app", "Acme Studio", "com.acme.studio", {}, 0, {}};
    const auto matcher = LeftoverFinder::orphanMatcher(AppScanner::Listing{{acme}, true});
    ASSERT_TRUE(matcher.has_value());
    const auto orphans = finder().findOrphans(*matcher);
    EXPECT_FALSE(orphans.incomplete);
    EXPECT_EQ(placesOf(orphans.items), (std::set<QString>{
                                           QStringLiteral("Preferences \u00B7 com.oldvendor.tool.plist"),
                                           QStringLiteral("Application Support \u00B7 com.gone.exactly60"),
                                           QStringLiteral("Cookies \u00B7 com.gone.cookies.binarycookies"),
                                       }));
    expectLargestFirst(orphans.items);
    for (const ScanItem& item : orphans.items) {
        EXPECT_FALSE(item.isSelected);
        EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url)) << item.url;
        EXPECT_EQ(item.modified, FileSystem().status(item.url)->modified) << item.url;
    }
    EXPECT_EQ(orphans.items.front().url, old);
}

TEST_F(LeftoverFinderTest, CancellationReturnsTheOrphansFoundSoFar)
{
    aged("Application Support/com.gone.first", 400, 5000);
    aged("Preferences/com.gone.second.plist", 400, 9000);
    aged("Containers/com.gone.third", 400, 5000);
    std::stop_source stop;
    auto locator = std::make_shared<test::FakeAppLocator>();
    locator->onQuestion([&](const QString& id) {
        if (id == "com.gone.second")
            stop.request_stop();
    });
    const auto matcher = LeftoverFinder::orphanMatcher(AppScanner::Listing{{}, true}, locator);
    ASSERT_TRUE(matcher.has_value());
    const auto orphans = finder().findOrphans(*matcher, stop.get_token());
    EXPECT_FALSE(orphans.incomplete);
    EXPECT_EQ(placesOf(orphans.items),
              (std::set<QString>{QStringLiteral("Preferences \u00B7 com.gone.second.plist"),
                                 QStringLiteral("Application Support \u00B7 com.gone.first")}));
    EXPECT_EQ(locator->questions().size(), 2u);
}

TEST_F(LeftoverFinderTest, UnreadableOrphansMakeTheResultIncomplete)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const Path open = aged("Application Support/com.gone.open", 400, 5000);
    tree.chmod(aged("Preferences/com.gone.closed.plist", 400, 0), 0600); // 0 bytes and unreadable
    const auto matcher = LeftoverFinder::orphanMatcher(AppScanner::Listing{{}, true},
                                                       std::make_shared<test::FakeAppLocator>());
    ASSERT_TRUE(matcher.has_value());

    LeftoverFinder::Orphans orphans;
    {
        test::DroppedPrivileges dropped;
        orphans = finder().findOrphans(*matcher);
    }
    EXPECT_TRUE(orphans.incomplete);
    ASSERT_EQ(orphans.items.size(), 1u);
    EXPECT_EQ(orphans.items[0].url, open);
    EXPECT_EQ(orphans.items[0].bytes, test::findAllocatedSize(open));

    const auto asRoot = finder().findOrphans(*matcher);
    EXPECT_FALSE(asRoot.incomplete);
    EXPECT_EQ(asRoot.items.size(), 1u);
}

} // namespace
} // namespace qm

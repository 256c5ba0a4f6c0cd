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

// An installed application as the inventory lists it, known by `url`, `name` and `bundleID` only,
// installed in the home (so uninstalling moves it).
InstalledApp installed(const Path& url, const QString& name, const QString& bundleID = {})
{
    InstalledApp app{url, name, bundleID, {}, 0, {}};
    app.origin = AppOrigin::homeFile;
    return app;
}

// A home laid out as this platform lays it out: the XDG homes at their default places.
class LeftoverFinderTest : public ::testing::Test
{
protected:
    test::TempTree tree;
    Path home = tree.folder("home");
    Places places = Places::resolve(home, {});
    std::shared_ptr<test::FakeClock> clock = std::make_shared<test::FakeClock>();

    LeftoverFinder finder() const
    {
        return LeftoverFinder(FileSystem(), CleanupScanner(FileSystem(), home), places, clock);
    }

    // A file in the home, last modified `daysAgo` days (and `extraSeconds`) before the clock's now.
    Path aged(const Path& relative, qint64 daysAgo, qint64 size = 4000, qint64 extraSeconds = 0)
    {
        return tree.fileWithMtime(home / relative, clock->now().addSecs(-(daysAgo * kDay + extraSeconds)),
                                  size);
    }
};

TEST_F(LeftoverFinderTest, RootTablesFollowThePlaces)
{
    const Places moved = Places::resolveWith(
        "/h", {{"XDG_CONFIG_HOME", "/h/conf"}, {"XDG_STATE_HOME", "/h/st"}}, "/", std::nullopt);
    const std::vector<LeftoverFinder::SearchRoot> expected{
        {"Config", "/h/conf"}, {"Data", "/h/.local/share"},     {"Cache", "/h/.cache"},
        {"State", "/h/st"},    {"Flatpak Data", "/h/.var/app"}, {"Autostart", "/h/conf/autostart"},
    };
    EXPECT_EQ(LeftoverFinder::searchRoots(moved), expected);
    std::vector<Path> urls;
    for (const auto& root : expected)
        urls.push_back(root.url);
    EXPECT_EQ(LeftoverFinder::allowedRoots(moved), urls);
    EXPECT_EQ(LeftoverFinder::orphanRoots(moved),
              (std::vector<LeftoverFinder::SearchRoot>{expected[4], expected[0], expected[1]}));
}

TEST_F(LeftoverFinderTest, FindsAnApplicationsDataAndLeavesOthersAlone)
{
    tree.file(home / ".config/com.acme.studio/db", 50'000);
    tree.file(home / ".local/share/Acme Studio/settings", 3000); // name rule
    tree.file(home / ".config/.com.acme.studio", 3000);          // hidden
    tree.file(home / ".cache/com.acme.studio/cache/blob", 20'000);
    tree.file(home / ".local/state/COM.ACME.STUDIO", 9000);             // case does not matter
    tree.file(home / ".config/com.acme.studio.conf", 700);              // prefix form
    tree.file(home / ".config/com.acme.studio.companion.conf", 700);    // the companion's
    tree.file(home / ".config/x.com.acme.studio.conf", 700);            // suffix form: never
    tree.file(home / ".var/app/com.acme.studio/data/file", 12'000);     // a sandbox's data
    tree.folder(home / ".local/state/com.acme.studio.session");         // 0 bytes: still listed
    tree.file(home / ".cache/com.acme.studios", 5000);                  // another identifier
    tree.file(home / ".cache/ACME STUDIO/x", 5000);                     // name rule, any case
    tree.file(home / ".config/autostart/com.acme.studio.desktop", 300); // its autostart entry

    const InstalledApp acme = installed("/opt/acme", "Acme Studio", "com.acme.Studio");
    const auto found =
        finder().find(acme,
                      {acme, installed("/opt/companion", "Companion", "com.acme.studio.companion"),
                       installed("/opt/other", "Other", "org.other.app")},
                      true);
    EXPECT_FALSE(found.incomplete);
    EXPECT_EQ(placesOf(found.items), (std::set<QString>{
                                         "Config/com.acme.studio",
                                         "Data/Acme Studio",
                                         "Cache/com.acme.studio",
                                         "State/COM.ACME.STUDIO",
                                         "Config/com.acme.studio.conf",
                                         "Flatpak Data/com.acme.studio",
                                         "State/com.acme.studio.session",
                                         "Cache/ACME STUDIO",
                                         "Autostart/com.acme.studio.desktop",
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
        QStringList installedIDs, installedNames; // the application itself first
        bool complete;
        std::vector<const char*> entries; // under the home
        std::set<QString> expected;
    };
    const std::vector<Case> cases{
        {"incomplete inventory: whole names only",
         {"com.acme.studio"},
         {"Acme Studio"},
         false,
         {".config/com.acme.studio.conf", ".config/com.acme.studio", ".local/share/Acme Studio"},
         {"Config/com.acme.studio", "Data/Acme Studio"}},
        {"two-part identifier: equality only",
         {"acme.tool"},
         {"Acme Tool"},
         true,
         {".config/acme.tool.conf", ".cache/acme.tool"},
         {"Cache/acme.tool"}},
        {"generic name: identifier only",
         {"com.vendor.mail"},
         {"Mail"},
         true,
         {".local/share/Mail", ".cache/com.vendor.mail"},
         {"Cache/com.vendor.mail"}},
        {"name of three characters: identifier only",
         {"com.vendor.zed"},
         {"Zed"},
         true,
         {".local/share/Zed", ".cache/com.vendor.zed"},
         {"Cache/com.vendor.zed"}},
        {"ambiguous name: a word of another application's name",
         {"com.studio.app", "com.acme.studio"},
         {"Studio", "Acme Studio"},
         true,
         {".local/share/Studio", ".cache/com.studio.app"},
         {"Cache/com.studio.app"}},
        {"a part of a word is not ambiguous",
         {},
         {"Stud", "Studio Max"},
         true,
         {".local/share/Stud"},
         {"Data/Stud"}},
        {"shared identifier: no identifier key, the name still counts",
         {"com.dup.tool", "COM.DUP.TOOL"},
         {"Dup Tool", "Dup Tool Pro"},
         true,
         {".cache/com.dup.tool", ".local/share/Dup Tool"},
         {"Data/Dup Tool"}},
        {"shared name: no name key", {}, {"Twin Tool", "twin tool"}, true, {".local/share/Twin Tool"}, {}},
        {"an extending identifier claims its data in every root",
         {"com.acme.app", "com.acme.app.pro"},
         {"Acme", "Acme Pro"},
         true,
         {".cache/com.acme.app.pro", ".config/com.acme.app.pro.conf", ".var/app/com.acme.app.pro",
          ".cache/com.acme.app", ".cache/com.acme.app.x"},
         {"Cache/com.acme.app", "Cache/com.acme.app.x"}},
        {"identifiers of three parts: the prefix form counts",
         {"com.acme.app", "com.acme.pro"},
         {"Acme", "Acme Pro"},
         true,
         {".cache/com.acme.pro", ".cache/com.acme.app.helper", ".cache/com.acme.apps"},
         {"Cache/com.acme.app.helper"}},
    };
    for (const Case& c : cases) {
        test::TempTree caseTree;
        const Path caseHome = caseTree.folder("home");
        for (const char* entry : c.entries)
            caseTree.file(caseHome / entry, 100);
        std::vector<InstalledApp> apps;
        for (qsizetype i = 0; i < c.installedNames.size(); ++i)
            apps.push_back(installed(Path("/opt/app" + std::to_string(i)), c.installedNames[i],
                                     i < c.installedIDs.size() ? c.installedIDs[i] : QString()));
        const LeftoverFinder caseFinder(FileSystem(), CleanupScanner(FileSystem(), caseHome),
                                        Places::resolve(caseHome, {}), clock);
        const auto found = caseFinder.find(apps.front(), apps, c.complete);
        EXPECT_EQ(placesOf(found.items), c.expected) << c.what;
        EXPECT_FALSE(found.incomplete) << c.what;
    }
}

// A program's folder directly in the home: named "." and one of its identifiers exactly, or a
// browser's own folder there while no other installed browser keeps it; never a file, a link, a
// folder the platform keeps, or a folder named after the application's name alone.
TEST_F(LeftoverFinderTest, TheHomesOwnFoldersByIdentifierAndBrowser)
{
    const auto app = [](const char* entry, const char* name, const char* program, const char* package,
                        const char* flatpak = "") {
        InstalledApp a = installed(Path("/usr/share/applications") / entry, QString::fromUtf8(name),
                                   QString::fromUtf8(*flatpak ? flatpak : entry));
        a.desktopId = QString::fromUtf8(entry);
        a.flatpakId = QString::fromUtf8(flatpak);
        a.programName = QString::fromUtf8(program);
        a.packageName = QString::fromUtf8(package);
        a.origin = *flatpak ? AppOrigin::userFlatpak : AppOrigin::debianPackage;
        return a;
    };
    const InstalledApp thunderbird = app("thunderbird", "Thunderbird Mail", "thunderbird", "thunderbird");
    const InstalledApp esr = app("firefox-esr", "Firefox ESR", "firefox-esr", "firefox-esr");
    const InstalledApp firefox = app("firefox", "Firefox", "firefox", "firefox");
    const InstalledApp flatpakFirefox = app("org.mozilla.firefox", "Firefox", "", "", "org.mozilla.firefox");
    const InstalledApp keys = app("org.gnupg.Kleopatra", "Kleopatra", "kleopatra", "gnupg");
    const InstalledApp studio = app("com.acme.studio", "Studio", "acme-studio", "acme-studio");

    tree.file(home / ".thunderbird/abc.default-release/prefs.js", 8000);
    tree.file(home / ".thunderbird-old/prefs.js", 800); // no prefix form
    tree.file(home / ".mozilla/firefox/profiles.ini", 900);
    tree.file(home / ".gnupg/pubring.kbx", 700); // kept by the platform, whatever owns it
    tree.file(home / ".kleopatra", 300);         // a file
    tree.folder(home / "elsewhere/data");
    tree.symlink(home / "elsewhere", home / ".acme-studio"); // a link
    tree.file(home / ".studio/x", 300);                      // the name alone
    tree.file(home / ".com.acme.studio/x", 300);             // the desktop id
    tree.file(home / ".local/share/.thunderbird/x", 300);    // hidden in a root: never

    struct Case
    {
        const char* what;
        InstalledApp app;
        std::vector<InstalledApp> others;
        std::set<QString> expected;
    };
    const std::vector<Case> cases{
        {"by program and package name", thunderbird, {esr}, {"Home/.thunderbird"}},
        {"the browser's folder", esr, {thunderbird, flatpakFirefox}, {"Home/.mozilla"}},
        {"another installed browser keeps it too", esr, {firefox}, {}},
        {"and so for the other", firefox, {esr}, {}},
        {"the platform's folder, a file", keys, {}, {}},
        {"a link, the name alone; the desktop id", studio, {}, {"Home/.com.acme.studio"}},
    };
    for (const Case& c : cases) {
        std::vector<InstalledApp> all{c.app};
        all.insert(all.end(), c.others.begin(), c.others.end());
        const auto found = finder().find(c.app, all, true);
        std::set<QString> inHome;
        for (const LeftoverItem& item : found.items) {
            if (item.location == QLatin1String("Home")) {
                inHome.insert(item.location + "/" + item.name);
                EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url)) << c.what;
                EXPECT_FALSE(item.isSelected) << c.what << ": the package stays installed";
            }
        }
        EXPECT_EQ(inHome, c.expected) << c.what;
        EXPECT_FALSE(found.incomplete) << c.what;
    }
    EXPECT_EQ(LeftoverFinder::homeItems(places, {home / ".thunderbird", home / ".config/thunderbird",
                                                 home / ".mozilla/firefox", home / "x/../.mozilla"}),
              (std::vector<Path>{home / ".thunderbird", home / ".mozilla"}));
}

TEST_F(LeftoverFinderTest, MissingRootsAreNoGapUnreadableOnesAre)
{
    const InstalledApp acme = installed("/opt/acme", "Acme Studio", "com.acme.studio");
    const auto nothing = finder().find(acme, {acme}, true);
    EXPECT_TRUE(nothing.items.empty());
    EXPECT_FALSE(nothing.incomplete);

    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const Path open = tree.file(home / ".local/share/com.acme.studio/db", 8000);
    tree.file(home / ".config/com.acme.studio.conf", 700);
    tree.chmod(home / ".config", 0700);
    tree.file(home / ".cache/com.acme.studio/open", 4000);
    tree.file(home / ".cache/com.acme.studio/closed/secret", 4000);
    tree.chmod(home / ".cache/com.acme.studio/closed", 0700);

    LeftoverFinder::Found found;
    {
        test::DroppedPrivileges dropped;
        found = finder().find(acme, {acme}, true);
    }
    EXPECT_TRUE(found.incomplete);
    EXPECT_EQ(placesOf(found.items), (std::set<QString>{"Data/com.acme.studio", "Cache/com.acme.studio"}));
    EXPECT_EQ(found.items[0].bytes, test::findAllocatedSize(open)); // read in full while dropped
    EXPECT_EQ(found.items[1].bytes, test::findAllocatedSize(home / ".cache/com.acme.studio/open"));

    const auto asRoot = finder().find(acme, {acme}, true);
    EXPECT_FALSE(asRoot.incomplete);
    EXPECT_EQ(asRoot.items.size(), 3u);
}

TEST_F(LeftoverFinderTest, OrphanMatcher)
{
    const InstalledApp acme = installed("/opt/acme", "Acme Studio", "com.acme.studio");
    const InstalledApp anonymous = installed("/opt/anon", "Anon");
    auto locator = std::make_shared<test::FakeAppLocator>();
    locator->install("com.elsewhere.viewer", "/srv/viewer");

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
    EXPECT_EQ(index.urlForApplication("COM.ACME.STUDIO"), std::optional<Path>("/opt/acme"));
    EXPECT_FALSE(index.urlForApplication("").has_value());
    EXPECT_FALSE(index.urlForApplication("com.other").has_value());
    const auto own = LeftoverFinder::orphanMatcher(AppScanner::Listing{{acme}, true});
    ASSERT_TRUE(own.has_value());
    EXPECT_TRUE((*own)("com.oldvendor.tool.plist"));
    EXPECT_FALSE((*own)("com.acme.studio.plist"));
}

TEST_F(LeftoverFinderTest, FindsOldOrphansInTheirRootsOnly)
{
    const Path old = aged(".config/com.oldvendor.tool", 90, 9000);
    aged(".local/share/com.gone.exactly60", 60, 7000);
    aged(".var/app/com.gone.just-under", 60, 7000, -60); // one minute short of 60 days
    aged(".config/com.gone.fiftynine", 59, 7000);
    aged(".local/share/com.gone.future", -3, 7000); // dated in the future
    aged(".var/app/com.gone.cookies", 400, 5000);
    aged(".var/app/.com.gone.hidden", 400, 5000);
    aged(".var/app/com.acme.oldtool", 400, 5000); // not an orphan
    for (const char* root : {".cache", ".local/state", ".config/autostart"})
        aged(std::string(root) + "/com.gone.elsewhere", 400, 5000);
    // An empty, readable orphan folder is dropped without a gap.
    const Path empty = tree.folder(home / ".var/app/com.gone.empty");
    tree.setMtime(empty, clock->now().addSecs(-400 * kDay));

    const InstalledApp acme = installed("/opt/acme", "Acme Studio", "com.acme.studio");
    const auto matcher = LeftoverFinder::orphanMatcher(AppScanner::Listing{{acme}, true});
    ASSERT_TRUE(matcher.has_value());
    const auto orphans = finder().findOrphans(*matcher);
    EXPECT_FALSE(orphans.incomplete);
    EXPECT_EQ(placesOf(orphans.items), (std::set<QString>{
                                           QStringLiteral("Config \u00B7 com.oldvendor.tool"),
                                           QStringLiteral("Data \u00B7 com.gone.exactly60"),
                                           QStringLiteral("Flatpak Data \u00B7 com.gone.cookies"),
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
    aged(".var/app/com.gone.first", 400, 5000);
    aged(".config/com.gone.second", 400, 9000);
    aged(".local/share/com.gone.third", 400, 5000);
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
              (std::set<QString>{QStringLiteral("Config \u00B7 com.gone.second"),
                                 QStringLiteral("Flatpak Data \u00B7 com.gone.first")}));
    EXPECT_EQ(locator->questions().size(), 2u);
}

TEST_F(LeftoverFinderTest, UnreadableOrphansMakeTheResultIncomplete)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const Path open = aged(".var/app/com.gone.open", 400, 5000);
    tree.chmod(aged(".config/com.gone.closed", 400, 0), 0600); // 0 bytes and unreadable
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

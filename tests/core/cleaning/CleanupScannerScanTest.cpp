#include "core/apps/PlistBytes.h"
#include "core/cleaning/Cleaner.h"
#include "core/cleaning/CleanupScanner.h"
#include "platform/Trash.h"
#include "support/FakeAppLocator.h"
#include "support/FixtureHome.h"
#include "support/PrivilegeDrop.h"
#include "support/ScratchMount.h"
#include "support/SizeOracle.h"
#include "support/TempTree.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace qm {
namespace {

using Report = std::pair<double, QString>;

const QDateTime kLongAgo = QDateTime(QDate(2020, 3, 1), QTime(8, 0), QTimeZone::utc());

std::multiset<QString> namesOf(const JunkCategory& category)
{
    std::multiset<QString> out;
    for (const ScanItem& item : category.items)
        out.insert(item.name);
    return out;
}

// A home folder and a system root side by side: the system's applications folder holds the entry of
// "Acme Studio" (com.acme.studio),
// and the look-up fake knows com.elsewhere.viewer, installed somewhere the inventory does not walk.
class JunkScanTest : public ::testing::Test
{
protected:
    test::TempTree tree;
    Path home = tree.folder("home");
    Path systemRoot = tree.folder("system");
    std::shared_ptr<test::FakeAppLocator> locator = std::make_shared<test::FakeAppLocator>();

    JunkScanTest()
    {
        tree.fileWithContent("system/usr/share/applications/com.acme.studio.desktop",
                             "[Desktop Entry]\nType=Application\nName=Acme Studio\nExec=acme-studio\n");
        tree.file("system/usr/bin/acme-studio", 100);
        locator->install("com.elsewhere.viewer", "/opt/viewer/Viewer.app");
    }

    // The home laid out the way this platform lays it out, system places under the fixture's root.
    Places places() const { return Places::resolveWith(home, {}, systemRoot, std::nullopt); }

    CleanupScanner scanner(FileSystem fileManager = {}) const
    {
        return CleanupScanner(std::move(fileManager), places(), locator);
    }

    std::vector<JunkCategory> scan(const std::vector<JunkKind>& kinds, std::vector<Report>* reports = nullptr,
                                   std::stop_token stop = {}, FileSystem fileManager = {}) const
    {
        return scanner(std::move(fileManager))
            .scanAll(
                kinds,
                [reports](double fraction, const QString& title) {
                    if (reports)
                        reports->emplace_back(fraction, title);
                },
                stop);
    }

    // Every folder row gets a file of its own size, a folder the same size in every root, a hidden file,
    // and an empty file and folder; the first also a name that is not UTF-8. A log-name row gets logs
    // under each log name and a file that is not a log; a single-file row is that file. Every orphan root
    // gets an old orphan, plus entries that are not orphans for one reason each. The config home holds an
    // application that keeps a "logs" folder, and the cache home the document portal's folder.
    void populate()
    {
        tree.folder("home/.config/Chat App/logs");
        tree.file("home/.cache/doc/by-app/file", 7000);
        int index = 0;
        for (const auto& entry : CleanupScanner::roots(places())) {
            for (const auto& row : entry.roots) {
                const Path r = row.url;
                if (entry.kind == JunkKind::appLeftovers) {
                    tree.file(r / ("com.oldvendor.tool" + std::to_string(index)) / "state",
                              6000 + 4096 * index);
                    tree.setMtime(r / ("com.oldvendor.tool" + std::to_string(index)), kLongAgo);
                    tree.fileWithMtime(r / "com.acme.oldtool", kLongAgo, 9000);     // shares "acme"
                    tree.fileWithMtime(r / "com.elsewhere.viewer", kLongAgo, 9000); // known elsewhere
                    tree.fileWithMtime(r / ".com.hidden.orphan", kLongAgo, 9000);   // hidden
                    tree.file(r / "com.recent.orphan", 9000);                       // modified now
                    tree.setMtime(tree.folder(r / "com.empty.orphan"), kLongAgo);   // 0 bytes
                } else if (row.shape == CleanupScanner::RowShape::itself && row.label) {
                    // A folder offered whole, shaped as Go's build cache: hash-named subfolders.
                    tree.file(r / "6b/6b01c9-a", 10'000 + 4096 * index);
                    tree.file(r / "f9/f9e2d4-d", 3000);
                    tree.file(r / "README");
                } else if (row.shape == CleanupScanner::RowShape::itself) {
                    tree.file(r, 10'000 + 4096 * index);
                } else if (row.shape == CleanupScanner::RowShape::logChildren) {
                    tree.file(r / "session.log", 10'000 + 4096 * index);
                    tree.file(r / "session.log.1", 3000);
                    tree.file(r / "session.log.old", 5000);
                    tree.file(r / "notes.txt", 2000); // not a log
                    tree.file(r / "empty.log");
                } else {
                    tree.file(r / "data.bin", 10'000 + 4096 * index);
                    tree.file(r / "pkg/a", 3000);
                    tree.file(r / "pkg/sub/b", 5000);
                    tree.file(r / ".hidden", 2000);
                    tree.file(r / "empty-file");
                    tree.folder(r / "empty-dir");
                    if (index == 0)
                        tree.nonUtf8File(r, 1000);
                }
                ++index;
            }
        }
    }
};

TEST_F(JunkScanTest, RootTableAndAllowedRoots)
{
    const Path h = "/h";
    tree.folder("home/.config/Code/logs");
    tree.folder("home/.config/Empty App");
    tree.file("home/.config/Odd/logs"); // a file, not a logs folder
    const Places fixture = Places::resolveWith(home, {}, systemRoot, std::nullopt);
    const auto table = CleanupScanner::roots(fixture);
    using Shape = CleanupScanner::RowShape;
    struct Row
    {
        JunkKind kind;
        std::optional<QString> label;
        Path url;
        Shape shape;
        bool operator==(const Row&) const = default;
    };
    const auto under = [&](const char* relative) { return home / relative; };
    using L = std::optional<QString>;
    const std::vector<Row> expected{
        {JunkKind::userCaches, L(), under(".cache"), Shape::children},
        {JunkKind::logs, L(), under(".xsession-errors"), Shape::itself},
        {JunkKind::logs, L(), under(".xsession-errors.old"), Shape::itself},
        {JunkKind::logs, L("Xorg"), under(".local/share/xorg"), Shape::logChildren},
        {JunkKind::logs, L("npm"), under(".npm/_logs"), Shape::logChildren},
        {JunkKind::logs, L("Code"), under(".config/Code/logs"), Shape::children},
        {JunkKind::developerCaches, L("npm"), under(".npm/_cacache"), Shape::children},
        {JunkKind::developerCaches, L("pnpm"), under(".local/share/pnpm/store"), Shape::children},
        {JunkKind::developerCaches, L("Yarn"), under(".yarn/berry/cache"), Shape::children},
        {JunkKind::developerCaches, L("Yarn"), under(".cache/yarn"), Shape::children},
        {JunkKind::developerCaches, L("Gradle"), under(".gradle/caches"), Shape::children},
        {JunkKind::developerCaches, L("Maven"), under(".m2/repository"), Shape::children},
        {JunkKind::developerCaches, L("Go modules"), under("go/pkg/mod"), Shape::children},
        {JunkKind::developerCaches, L("Go build cache"), under(".cache/go-build"), Shape::itself},
        {JunkKind::developerCaches, L("Cargo"), under(".cargo/registry"), Shape::children},
    };
    std::vector<Row> actual;
    for (const auto& entry : table) {
        for (const auto& row : entry.roots) {
            if (entry.kind != JunkKind::appLeftovers)
                actual.push_back(Row{entry.kind, row.label, row.url, row.shape});
        }
    }
    EXPECT_EQ(actual, expected);
    ASSERT_EQ(table.size(), 5u);
    for (std::size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(table[i].kind, JunkKinds::all[i]);
    EXPECT_TRUE(table[2].roots.empty()) << "saved state has no place here";
    // Only the cache home's row leaves children out, and skips mounts.
    EXPECT_EQ(table[0].roots[0].excludedNames, (std::vector<Path>{"yarn", "go-build", "doc"}));
    EXPECT_TRUE(table[0].roots[0].skipMounts);
    EXPECT_FALSE(table[3].roots[0].skipMounts);

    // The rows follow the XDG homes wherever the environment puts them.
    const Places moved = Places::resolveWith(
        h, {{"XDG_CACHE_HOME", "/var/cache/h"}, {"XDG_DATA_HOME", "/h/data"}, {"XDG_STATE_HOME", "/h/state"}},
        "/", std::nullopt);
    const auto movedTable = CleanupScanner::roots(moved);
    EXPECT_EQ(movedTable[0].roots[0].url, Path("/var/cache/h"));
    EXPECT_EQ(movedTable[1].roots[2].url, Path("/h/data/xorg"));
    EXPECT_EQ(movedTable[3].roots[1].url, Path("/h/data/pnpm/store"));
    EXPECT_EQ(movedTable[3].roots[3].url, Path("/var/cache/h/yarn"));

    // Table order whatever the order or repeats of the kinds asked for.
    EXPECT_EQ(CleanupScanner::allowedRoots(
                  fixture, {JunkKind::savedState, JunkKind::userCaches, JunkKind::savedState}),
              (std::vector<Path>{under(".cache")}));
    EXPECT_TRUE(CleanupScanner::allowedRoots(fixture, {}).empty());
    const std::vector<Path> all = CleanupScanner::allowedRoots(
        fixture, std::vector<JunkKind>(JunkKinds::all.rbegin(), JunkKinds::all.rend()));
    std::vector<Path> expectedAll;
    for (const Row& row : expected)
        expectedAll.push_back(row.url);
    ASSERT_GE(all.size(), expectedAll.size());
    EXPECT_EQ(std::vector<Path>(all.begin(), all.begin() + std::ptrdiff_t(expectedAll.size())), expectedAll);

    // The guard: folder rows as roots, single-file rows as exact items; never the state home.
    const SafetyGuard guard = CleanupScanner::guard(fixture, {JunkKind::logs});
    EXPECT_EQ(guard.allowedItems(),
              (std::vector<Path>{under(".xsession-errors"), under(".xsession-errors.old")}));
    EXPECT_TRUE(guard.isCleanable(under(".xsession-errors")));
    EXPECT_TRUE(guard.isCleanable(under(".config/Code/logs/main.log")));
    EXPECT_FALSE(guard.isCleanable(under(".xsession-errors.older")));
    EXPECT_FALSE(guard.isCleanable(under(".local/state/wireplumber/default-nodes")));
    EXPECT_FALSE(guard.isCleanable(under(".config/Code/settings.json")));
    EXPECT_FALSE(guard.isCleanable(under(".cache/thumbnails"))) << "caches were not asked for";
}

TEST_F(JunkScanTest, EveryRootOfEveryKind)
{
    populate();
    // The state home holds what is not a log: it is never offered.
    tree.file("home/.local/state/wireplumber/default-nodes", 4000);
    tree.file("home/.local/state/nvim/shada/main.shada", 4000);
    const std::vector<JunkCategory> categories =
        scan(std::vector<JunkKind>(JunkKinds::all.begin(), JunkKinds::all.end()));
    ASSERT_EQ(categories.size(), 5u);

    std::map<std::string, int> rootIndex; // row path -> table position, for the order check
    int index = 0;
    int orphanIndex = -1;
    for (const auto& entry : CleanupScanner::roots(places())) {
        for (const auto& row : entry.roots) {
            if (entry.kind == JunkKind::appLeftovers && orphanIndex < 0)
                orphanIndex = index;
            rootIndex[row.url.native()] = index++;
        }
    }
    const auto rowOf = [&](const Path& url) {
        const auto it = rootIndex.find(url.native());
        return it != rootIndex.end() ? it->second : rootIndex.at(url.parent_path().native());
    };

    const QString odd = FileSystem::displayName(test::TempTree::nonUtf8Name());
    const QString dot = QStringLiteral(" \u00B7 ");
    std::map<JunkKind, std::multiset<QString>> expectedNames{
        {JunkKind::userCaches, {"data.bin", "pkg", ".hidden", odd}}, // not yarn, go-build or doc
        {JunkKind::logs,
         {".xsession-errors", ".xsession-errors.old", "Chat App" + dot + "data.bin", "Chat App" + dot + "pkg",
          "Chat App" + dot + ".hidden"}},
    };
    for (const char* label : {"Xorg", "npm"}) {
        for (const char* child : {"session.log", "session.log.1", "session.log.old"})
            expectedNames[JunkKind::logs].insert(QString::fromUtf8(label) + dot + child);
    }
    for (const char* label : {"npm", "pnpm", "Yarn", "Yarn", "Gradle", "Maven", "Go modules", "Cargo"}) {
        for (const char* child : {"data.bin", "pkg", ".hidden"})
            expectedNames[JunkKind::developerCaches].insert(QString::fromUtf8(label) + dot + child);
    }
    // Go's build cache is one item, the folder itself, by its label alone.
    expectedNames[JunkKind::developerCaches].insert("Go build cache");
    for (const char* label : {"Flatpak Data", "Config", "Data"})
        expectedNames[JunkKind::appLeftovers].insert(QString::fromUtf8(label) + dot + "com.oldvendor.tool" +
                                                     QString::number(orphanIndex++));

    for (std::size_t k = 0; k < categories.size(); ++k) {
        const JunkCategory& category = categories[k];
        SCOPED_TRACE(JunkKinds::toRaw(category.kind).toStdString());
        EXPECT_EQ(category.kind, JunkKinds::all[k]);
        EXPECT_FALSE(category.incomplete);
        EXPECT_EQ(namesOf(category), expectedNames[category.kind]);
        const bool preselected = k < 3;
        for (std::size_t i = 0; i < category.items.size(); ++i) {
            const ScanItem& item = category.items[i];
            EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url)) << item.url;
            EXPECT_EQ(item.isSelected, preselected) << item.url;
            ASSERT_TRUE(item.modified.has_value()) << item.url;
            EXPECT_EQ(*item.modified, FileSystem().status(item.url)->modified) << item.url;
            if (i == 0)
                continue;
            // Largest first; equal sizes keep root order, then listing order.
            const ScanItem& before = category.items[i - 1];
            ASSERT_GE(before.bytes, item.bytes) << item.url;
            if (before.bytes != item.bytes)
                continue;
            const int rootBefore = rowOf(before.url);
            const int rootNow = rowOf(item.url);
            EXPECT_LE(rootBefore, rootNow) << item.url;
            if (rootBefore == rootNow && before.url.parent_path() == item.url.parent_path()) {
                const auto names = FileSystem().list(item.url.parent_path())->names;
                EXPECT_LT(std::find(names.begin(), names.end(), before.url.filename()),
                          std::find(names.begin(), names.end(), item.url.filename()))
                    << item.url;
            }
        }
    }
    // The look-up was asked only about candidates the inventory could not account for.
    const auto questions = locator->questions();
    EXPECT_NE(std::find(questions.begin(), questions.end(), "com.elsewhere.viewer"), questions.end());
    EXPECT_EQ(std::find(questions.begin(), questions.end(), "com.acme.oldtool"), questions.end());
}

TEST_F(JunkScanTest, LogNames)
{
    const std::vector<std::pair<const char*, bool>> cases{
        {"app.log", true},       {"Xorg.0.log", true}, {"app.log.1", true},   {"app.log.12", true},
        {"app.log.old", true},   {"logs", true},       {".log", false},       {"app.log.", false},
        {"app.log.1.gz", false}, {"app.logx", false},  {"catalog", false},    {"notes.old", false},
        {"Logs", false},         {"history", false},   {"app.log.1a", false}, {"log", false},
    };
    for (const auto& [name, isLog] : cases)
        EXPECT_EQ(CleanupScanner::isLogName(name), isLog) << name;
}

TEST_F(JunkScanTest, ProgressReportsKindByKind)
{
    struct Case
    {
        std::vector<JunkKind> kinds;
        std::vector<Report> reports;
        std::vector<JunkKind> scanned;
    };
    const std::vector<Case> cases{
        {{JunkKind::developerCaches},
         {{0.0, "Developer Caches"}, {1.0, "Developer Caches"}},
         {JunkKind::developerCaches}},
        {{JunkKind::logs, JunkKind::userCaches},
         {{0.0, "User Caches"}, {0.5, "Application Logs"}, {1.0, "Application Logs"}},
         {JunkKind::userCaches, JunkKind::logs}},
        {{}, {{1.0, ""}}, {}},
        {{JunkKind::appLeftovers, JunkKind::logs, JunkKind::appLeftovers},
         {{0.0, "Application Logs"}, {0.5, "App Leftovers"}, {1.0, "App Leftovers"}},
         {JunkKind::logs, JunkKind::appLeftovers}},
        {JunkKinds::smartScanKinds(),
         {{0.0, "User Caches"},
          {1.0 / 3, "Application Logs"},
          {2.0 / 3, "Saved App State"},
          {1.0, "Saved App State"}},
         {JunkKind::userCaches, JunkKind::logs, JunkKind::savedState}},
    };
    for (const Case& c : cases) {
        std::vector<Report> reports;
        const auto categories = scan(c.kinds, &reports);
        std::vector<JunkKind> scanned;
        for (const JunkCategory& category : categories) {
            scanned.push_back(category.kind);
            // Nothing is there: every root is missing, which is no gap.
            EXPECT_TRUE(category.items.empty());
            EXPECT_FALSE(category.incomplete) << JunkKinds::toRaw(category.kind).toStdString();
        }
        EXPECT_EQ(scanned, c.scanned) << c.reports.back().second.toStdString();
        ASSERT_EQ(reports.size(), c.reports.size()) << c.reports.back().second.toStdString();
        for (std::size_t i = 0; i < reports.size(); ++i) {
            EXPECT_DOUBLE_EQ(reports[i].first, c.reports[i].first) << i;
            EXPECT_EQ(reports[i].second, c.reports[i].second) << i;
        }
    }
}

TEST_F(JunkScanTest, CancellationDuringAKindKeepsWhatWasMeasured)
{
    populate();
    std::stop_source stop;
    const Path berry = FileSystem::resolveLinks(home / ".yarn/berry/cache");
    // Cancels just as the third developer-cache root is listed.
    const FileSystem cancelling([&](FsStep step, const Path& path) {
        if (step == FsStep::List && path == berry)
            stop.request_stop();
    });
    std::vector<Report> reports;
    const auto all = std::vector<JunkKind>(JunkKinds::all.begin(), JunkKinds::all.end());
    const auto categories = scan(all, &reports, stop.get_token(), cancelling);

    ASSERT_EQ(categories.size(), 4u); // nothing after developer caches
    EXPECT_EQ(categories[0].items.size(), 4u);
    EXPECT_EQ(categories[1].items.size(), 11u);
    EXPECT_TRUE(categories[2].items.empty());
    const JunkCategory& developer = categories[3];
    EXPECT_EQ(developer.kind, JunkKind::developerCaches);
    EXPECT_FALSE(developer.incomplete);
    const QString dot = QStringLiteral(" \u00B7 ");
    std::multiset<QString> expected;
    for (const char* label : {"npm", "pnpm"}) {
        for (const char* child : {"data.bin", "pkg", ".hidden"})
            expected.insert(QString::fromUtf8(label) + dot + child);
    }
    EXPECT_EQ(namesOf(developer), expected);
    for (std::size_t i = 1; i < developer.items.size(); ++i)
        EXPECT_GE(developer.items[i - 1].bytes, developer.items[i].bytes);
    // The final report still names the last planned kind.
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports.back(), Report(1.0, "App Leftovers"));

    // Cancelled before it starts: no category, only the final report.
    std::stop_source early;
    early.request_stop();
    reports.clear();
    EXPECT_TRUE(scan(all, &reports, early.get_token()).empty());
    EXPECT_EQ(reports, (std::vector<Report>{{1.0, "App Leftovers"}}));
}

TEST_F(JunkScanTest, UnreadablePlacesMakeTheirKindIncomplete)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    tree.file("home/.cache/open.bin", 8000); // readable: the control
    tree.file("home/.npm/_logs/app.log", 8000);
    tree.chmod(home / ".npm/_logs", 0700);                                  // root's, closed: unlistable
    tree.file("home/.local/share/xorg/open-empty.log");                     // empty, readable: dropped
    tree.chmod(tree.file("home/.local/share/xorg/closed-empty.log"), 0600); // unreadable
    tree.file("home/.cargo/registry/index/a", 4000);
    tree.file("home/.cargo/registry/index/secret/b", 4000);
    tree.chmod(home / ".cargo/registry/index/secret", 0700); // a part of the child is closed
    tree.fileWithMtime("home/.config/com.gone.app", kLongAgo, 4000);
    tree.chmod(home / ".config", 0700); // an orphan root is closed

    const auto all = std::vector<JunkKind>(JunkKinds::all.begin(), JunkKinds::all.end());
    std::vector<JunkCategory> categories;
    {
        test::DroppedPrivileges dropped;
        categories = scan(all);
    }
    ASSERT_EQ(categories.size(), 5u);
    const auto& caches = categories[0];
    EXPECT_FALSE(caches.incomplete);
    ASSERT_EQ(caches.items.size(), 1u);
    EXPECT_EQ(caches.items[0].bytes, test::findAllocatedSize(home / ".cache/open.bin"));

    EXPECT_TRUE(categories[1].incomplete);
    EXPECT_TRUE(categories[1].items.empty());
    EXPECT_FALSE(categories[2].incomplete) << "saved state has no place, so nothing to miss";
    EXPECT_TRUE(categories[2].items.empty());

    const auto& developer = categories[3];
    EXPECT_TRUE(developer.incomplete);
    ASSERT_EQ(developer.items.size(), 1u);
    EXPECT_EQ(developer.items[0].name, QStringLiteral("Cargo \u00B7 index"));
    EXPECT_EQ(developer.items[0].bytes, test::findAllocatedSize(home / ".cargo/registry/index/a"));

    EXPECT_TRUE(categories[4].incomplete);
    EXPECT_TRUE(categories[4].items.empty());

    // As root, the same tree is complete everywhere.
    for (const JunkCategory& category : scan(all))
        EXPECT_FALSE(category.incomplete) << JunkKinds::toRaw(category.kind).toStdString();
}

TEST_F(JunkScanTest, AnIncompleteInventoryCallsNothingOrphaned)
{
    populate();
    // An entry folder that is there but cannot be listed may hide any application.
    tree.file("system/usr/local/share/applications");
    const auto categories = scan({JunkKind::appLeftovers});
    ASSERT_EQ(categories.size(), 1u);
    EXPECT_EQ(categories[0].kind, JunkKind::appLeftovers);
    EXPECT_TRUE(categories[0].items.empty());
    EXPECT_TRUE(categories[0].incomplete);
    EXPECT_TRUE(locator->questions().empty());
}

TEST_F(JunkScanTest, RootsLinkedToTheHomeFolderOrAboveAreSkipped)
{
    populate();
    // Replace three roots by links: to the home folder, to "/", and (relative) to the home's parent; and
    // a single-file row by a link to a folder.
    std::filesystem::remove_all(home / ".cache");
    std::filesystem::remove_all(home / ".local/share/xorg");
    std::filesystem::remove_all(home / ".npm/_logs");
    std::filesystem::remove(home / ".xsession-errors");
    tree.symlink(home, "home/.cache");
    tree.symlink("/", "home/.local/share/xorg");
    tree.symlink("../..", "home/.npm/_logs");
    tree.symlink("/usr", "home/.xsession-errors");

    const auto categories = scan({JunkKind::userCaches, JunkKind::logs});
    ASSERT_EQ(categories.size(), 2u);
    EXPECT_TRUE(categories[0].items.empty());
    EXPECT_FALSE(categories[0].incomplete);
    // What is left of the logs is the other session file and the application's logs folder; the link
    // named as the session log measures as the link itself (nothing) and never as /usr.
    EXPECT_EQ(namesOf(categories[1]),
              (std::multiset<QString>{".xsession-errors.old", "Chat App \u00B7 data.bin",
                                      "Chat App \u00B7 pkg", "Chat App \u00B7 .hidden"}));
    EXPECT_FALSE(categories[1].incomplete);
    // A link that leads nowhere, or to a file, hides nothing either.
    std::filesystem::remove(home / ".cache");
    tree.symlink("nowhere", "home/.cache");
    std::filesystem::remove(home / ".npm/_logs");
    tree.file("home/.npm/_logs", 100);
    for (const JunkCategory& category : scan({JunkKind::userCaches})) {
        EXPECT_TRUE(category.items.empty());
        EXPECT_FALSE(category.incomplete);
    }
}

// The cache home's children that are mounts of their own (a file system of their own, or a bind mount
// of the same one) are left out and never measured through; the document portal's folder and the
// developer tools' folders are left to their rows.
TEST_F(JunkScanTest, CacheHomeChildrenThatAreMountsAreLeftOut)
{
    const Path plain = tree.file("home/.cache/fontconfig/cache-1", 30'000).parent_path();
    tree.file("home/.cache/mounted-elsewhere/keep", 1000);
    tree.file("outside/bound/file", 40'000);
    test::ScratchMount tmpfs = test::ScratchMount::tmpfs(home / ".cache/mounted-elsewhere");
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(tmpfs);
    tree.file("home/.cache/mounted-elsewhere/inside", 50'000);
    test::ScratchMount bind = test::ScratchMount::bind(tree.path("outside/bound"), home / ".cache/bound");
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(bind);

    const auto categories = scan({JunkKind::userCaches});
    ASSERT_EQ(categories.size(), 1u);
    ASSERT_EQ(categories[0].items.size(), 1u);
    EXPECT_EQ(categories[0].items[0].url, plain);
    EXPECT_EQ(categories[0].items[0].bytes, test::findAllocatedSize(plain));
    EXPECT_FALSE(categories[0].incomplete);
}

TEST(JunkScanLinkedRootTest, CacheLinkedElsewhereIsScannedAndTrashedThroughTheGuard)
{
    test::FixtureHome home;
    test::TempTree elsewhere;
    const Path blob = elsewhere.file("cache/blob.bin", 20'000);
    const Path tool = elsewhere.folder("cache/tool");
    elsewhere.file("cache/tool/index", 7000);
    home.symlink(elsewhere.path("cache"), ".cache");

    const CleanupScanner scanner(FileSystem(), home.places(home.path("system")));
    const auto categories = scanner.scanAll({JunkKind::userCaches}, {});
    ASSERT_EQ(categories.size(), 1u);
    const JunkCategory& developer = categories[0];
    EXPECT_FALSE(developer.incomplete);
    ASSERT_EQ(developer.items.size(), 2u);
    EXPECT_EQ(developer.items[0].name, QStringLiteral("blob.bin"));
    EXPECT_EQ(developer.items[0].url, home.home() / ".cache/blob.bin");
    EXPECT_EQ(developer.items[0].bytes, test::findAllocatedSize(blob));
    EXPECT_EQ(developer.items[1].name, QStringLiteral("tool"));
    EXPECT_EQ(developer.items[1].bytes, test::findAllocatedSize(tool));

    const Cleaner cleaner(
        CleanupScanner::guard(home.places(home.path("system")),
                              std::vector<JunkKind>(JunkKinds::all.begin(), JunkKinds::all.end())));
    // The root itself, reached either way, is never cleanable.
    EXPECT_FALSE(cleaner.guardrail().isCleanable(home.home() / ".cache"));
    EXPECT_FALSE(cleaner.guardrail().isCleanable(elsewhere.path("cache")));
    const CleanReport report = cleaner.clean(developer.items);
    EXPECT_TRUE(report.failures.empty());
    ASSERT_EQ(report.trashed.size(), 2u);
    EXPECT_FALSE(FileSystem().exists(blob));
    EXPECT_FALSE(FileSystem().exists(tool));
    EXPECT_TRUE(FileSystem().exists(elsewhere.path("cache")));
    for (const TrashedItem& trashed : report.trashed)
        EXPECT_EQ(trashed.inTrash.parent_path(), Trash::homeTrashFilesDirectory());
}

TEST(JunkScanChildrenTest, ParallelMeasurementKeepsListingOrderAmongEqualSizes)
{
    test::TempTree tree;
    // Many children of four sizes, so most sizes tie; a few large folders to keep workers busy.
    for (int i = 0; i < 96; ++i) {
        const std::string name = "c" + std::to_string(i);
        if (i % 16 == 0) {
            for (int f = 0; f < 300; ++f)
                tree.file(name + "/f" + std::to_string(f), 1000);
        } else {
            tree.file(name, 4096 * (1 + i % 3));
        }
    }
    const auto listed = FileSystem().list(tree.root())->names;
    const auto result =
        CleanupScanner(FileSystem(), "/nonexistent-home").scanChildren(tree.root(), std::nullopt, true);
    EXPECT_FALSE(result.incomplete);
    ASSERT_EQ(result.items.size(), 96u);
    for (std::size_t i = 0; i < result.items.size(); ++i) {
        const ScanItem& item = result.items[i];
        EXPECT_EQ(item.bytes, test::findAllocatedSize(item.url)) << item.url;
        EXPECT_TRUE(item.isSelected);
        EXPECT_EQ(item.name, FileSystem::displayName(item.url.filename()));
        if (i == 0)
            continue;
        const ScanItem& before = result.items[i - 1];
        ASSERT_GE(before.bytes, item.bytes);
        if (before.bytes == item.bytes) {
            EXPECT_LT(std::find(listed.begin(), listed.end(), before.url.filename()),
                      std::find(listed.begin(), listed.end(), item.url.filename()))
                << item.url;
        }
    }
}

} // namespace
} // namespace qm

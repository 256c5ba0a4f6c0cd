#include "core/apps/PlistBytes.h"
#include "core/cleaning/Cleaner.h"
#include "core/cleaning/CleanupScanner.h"
#include "platform/Trash.h"
#include "support/FakeAppLocator.h"
#include "support/FixtureHome.h"
#include "support/PrivilegeDrop.h"
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

// The label (or none) of every root row, in table order.
std::vector<std::pair<JunkKind, std::optional<QString>>>
labelsOf(const std::vector<CleanupScanner::KindRoots>& table)
{
    std::vector<std::pair<JunkKind, std::optional<QString>>> out;
    for (const auto& entry : table) {
        for (const auto& row : entry.roots)
            out.emplace_back(entry.kind, row.label);
    }
    return out;
}

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
        locator->install("com.elsewhere.viewer", "/opt/viewer/Viewer.app");
    }

    CleanupScanner scanner(FileSystem fileManager = {}) const
    {
        return CleanupScanner(std::move(fileManager), home, systemRoot, nullptr, locator);
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

    // Every junk root gets a file of its own size, a folder the same size in every root, a hidden file,
    // and an empty file and folder; the first also a name that is not UTF-8. Every orphan root gets an
    // old orphan, plus entries that are not orphans for one reason each.
    void populate()
    {
        int index = 0;
        for (const auto& entry : CleanupScanner::roots(home)) {
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
    const auto table = CleanupScanner::roots("/h");
    const std::vector<std::pair<JunkKind, Path>> expected{
        {JunkKind::userCaches, "/h/Library/Caches"},
        {JunkKind::logs, "/h/Library/Logs"},
        {JunkKind::savedState, "/h/Library/Saved Application State"},
        {JunkKind::developerCaches, "/h/Library/Developer/Xcode/DerivedData"},
        {JunkKind::developerCaches, "/h/Library/Developer/CoreSimulator/Caches"},
        {JunkKind::developerCaches, "/h/.npm/_cacache"},
        {JunkKind::developerCaches, "/h/Library/pnpm/store"},
        {JunkKind::developerCaches, "/h/.yarn/berry/cache"},
        {JunkKind::developerCaches, "/h/.gradle/caches"},
        {JunkKind::developerCaches, "/h/.m2/repository"},
        {JunkKind::developerCaches, "/h/go/pkg/mod"},
        {JunkKind::developerCaches, "/h/.cargo/registry"},
        {JunkKind::developerCaches, "/h/.cache"},
        {JunkKind::appLeftovers, "/h/.var/app"},
        {JunkKind::appLeftovers, "/h/.config"},
        {JunkKind::appLeftovers, "/h/.local/share"},
    };
    std::vector<std::pair<JunkKind, Path>> actual;
    for (const auto& entry : table) {
        for (const auto& row : entry.roots)
            actual.emplace_back(entry.kind, row.url);
    }
    EXPECT_EQ(actual, expected);
    ASSERT_EQ(table.size(), 5u);
    for (std::size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(table[i].kind, JunkKinds::all[i]);

    using L = std::optional<QString>;
    const std::vector<std::pair<JunkKind, L>> labels{
        {JunkKind::userCaches, L()},
        {JunkKind::logs, L()},
        {JunkKind::savedState, L()},
        {JunkKind::developerCaches, L("Xcode DerivedData")},
        {JunkKind::developerCaches, L("Simulator")},
        {JunkKind::developerCaches, L("npm")},
        {JunkKind::developerCaches, L("pnpm")},
        {JunkKind::developerCaches, L("Yarn")},
        {JunkKind::developerCaches, L("Gradle")},
        {JunkKind::developerCaches, L("Maven")},
        {JunkKind::developerCaches, L("Go modules")},
        {JunkKind::developerCaches, L("Cargo")},
        {JunkKind::developerCaches, L("~/.cache")},
        {JunkKind::appLeftovers, L("Flatpak Data")},
        {JunkKind::appLeftovers, L("Config")},
        {JunkKind::appLeftovers, L("Data")},
    };
    EXPECT_EQ(labelsOf(table), labels);

    // Table order whatever the order or repeats of the kinds asked for.
    EXPECT_EQ(CleanupScanner::allowedRoots(
                  "/h", {JunkKind::savedState, JunkKind::userCaches, JunkKind::savedState}),
              (std::vector<Path>{"/h/Library/Caches", "/h/Library/Saved Application State"}));
    EXPECT_TRUE(CleanupScanner::allowedRoots("/h", {}).empty());
    const std::vector<Path> all = CleanupScanner::allowedRoots(
        "/h", std::vector<JunkKind>(JunkKinds::all.rbegin(), JunkKinds::all.rend()));
    std::vector<Path> expectedAll;
    for (const auto& [kind, path] : expected)
        expectedAll.push_back(path);
    EXPECT_EQ(all, expectedAll);
}

TEST_F(JunkScanTest, EveryRootOfEveryKind)
{
    populate();
    const std::vector<JunkCategory> categories =
        scan(std::vector<JunkKind>(JunkKinds::all.begin(), JunkKinds::all.end()));
    ASSERT_EQ(categories.size(), 5u);

    std::map<std::string, int> rootIndex; // root folder -> table position, for the order check
    int index = 0;
    for (const auto& entry : CleanupScanner::roots(home)) {
        for (const auto& row : entry.roots)
            rootIndex[row.url.native()] = index++;
    }

    const QString odd = FileSystem::displayName(test::TempTree::nonUtf8Name());
    const QString dot = QStringLiteral(" \u00B7 ");
    std::map<JunkKind, std::multiset<QString>> expectedNames{
        {JunkKind::userCaches, {"data.bin", "pkg", ".hidden", odd}},
        {JunkKind::logs, {"data.bin", "pkg", ".hidden"}},
        {JunkKind::savedState, {"data.bin", "pkg", ".hidden"}},
    };
    for (const char* label : {"Xcode DerivedData", "Simulator", "npm", "pnpm", "Yarn", "Gradle", "Maven",
                              "Go modules", "Cargo", "~/.cache"}) {
        for (const char* child : {"data.bin", "pkg", ".hidden"})
            expectedNames[JunkKind::developerCaches].insert(QString::fromUtf8(label) + dot + child);
    }
    int orphanIndex = 13;
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
            const int rootBefore = rootIndex.at(before.url.parent_path().native());
            const int rootNow = rootIndex.at(item.url.parent_path().native());
            EXPECT_LE(rootBefore, rootNow) << item.url;
            if (rootBefore == rootNow) {
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
    const Path npm = FileSystem::resolveLinks(home / ".npm/_cacache");
    // Cancels just as the third developer-cache root is listed.
    const FileSystem cancelling([&](FsStep step, const Path& path) {
        if (step == FsStep::List && path == npm)
            stop.request_stop();
    });
    std::vector<Report> reports;
    const auto all = std::vector<JunkKind>(JunkKinds::all.begin(), JunkKinds::all.end());
    const auto categories = scan(all, &reports, stop.get_token(), cancelling);

    ASSERT_EQ(categories.size(), 4u); // nothing after developer caches
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(categories[k].items.size(), k == 0 ? 4u : 3u);
    const JunkCategory& developer = categories[3];
    EXPECT_EQ(developer.kind, JunkKind::developerCaches);
    EXPECT_FALSE(developer.incomplete);
    const QString dot = QStringLiteral(" \u00B7 ");
    std::multiset<QString> expected;
    for (const char* label : {"Xcode DerivedData", "Simulator"}) {
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
    tree.file("home/Library/Caches/open.bin", 8000); // readable: the control
    tree.file("home/Library/Logs/app.log", 8000);
    tree.chmod(home / "Library/Logs", 0700);                      // root's, closed: unlistable
    tree.file("home/Library/Saved Application State/open-empty"); // empty, readable: dropped
    tree.chmod(tree.file("home/Library/Saved Application State/closed-empty"), 0600); // unreadable
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
    EXPECT_EQ(caches.items[0].bytes, test::findAllocatedSize(home / "Library/Caches/open.bin"));

    EXPECT_TRUE(categories[1].incomplete);
    EXPECT_TRUE(categories[1].items.empty());
    EXPECT_TRUE(categories[2].incomplete);
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
    // Replace three roots by links: to the home folder, to "/", and (relative) to the home's parent.
    std::filesystem::remove_all(home / "Library/Caches");
    std::filesystem::remove_all(home / "Library/Logs");
    std::filesystem::remove_all(home / "Library/Saved Application State");
    tree.symlink(home, "home/Library/Caches");
    tree.symlink("/", "home/Library/Logs");
    tree.symlink("../..", "home/Library/Saved Application State");

    const auto categories = scan(JunkKinds::smartScanKinds());
    ASSERT_EQ(categories.size(), 3u);
    for (const JunkCategory& category : categories) {
        EXPECT_TRUE(category.items.empty()) << JunkKinds::toRaw(category.kind).toStdString();
        EXPECT_FALSE(category.incomplete) << JunkKinds::toRaw(category.kind).toStdString();
    }
    // A link that leads nowhere, or to a file, hides nothing either.
    std::filesystem::remove(home / "Library/Caches");
    tree.symlink("nowhere", "home/Library/Caches");
    std::filesystem::remove(home / "Library/Logs");
    tree.file("home/Library/Logs", 100);
    for (const JunkCategory& category : scan({JunkKind::userCaches, JunkKind::logs})) {
        EXPECT_TRUE(category.items.empty());
        EXPECT_FALSE(category.incomplete);
    }
}

TEST(JunkScanLinkedRootTest, CacheLinkedElsewhereIsScannedAndTrashedThroughTheGuard)
{
    test::FixtureHome home;
    test::TempTree elsewhere;
    const Path blob = elsewhere.file("cache/blob.bin", 20'000);
    const Path tool = elsewhere.folder("cache/tool");
    elsewhere.file("cache/tool/index", 7000);
    home.symlink(elsewhere.path("cache"), ".cache");

    const CleanupScanner scanner(FileSystem(), home.home(), home.path("system"));
    const auto categories = scanner.scanAll({JunkKind::developerCaches}, {});
    ASSERT_EQ(categories.size(), 1u);
    const JunkCategory& developer = categories[0];
    EXPECT_FALSE(developer.incomplete);
    ASSERT_EQ(developer.items.size(), 2u);
    EXPECT_EQ(developer.items[0].name, QStringLiteral("~/.cache \u00B7 blob.bin"));
    EXPECT_EQ(developer.items[0].url, home.home() / ".cache/blob.bin");
    EXPECT_EQ(developer.items[0].bytes, test::findAllocatedSize(blob));
    EXPECT_EQ(developer.items[1].name, QStringLiteral("~/.cache \u00B7 tool"));
    EXPECT_EQ(developer.items[1].bytes, test::findAllocatedSize(tool));

    const Cleaner cleaner(SafetyGuard(CleanupScanner::allowedRoots(
        home.home(), std::vector<JunkKind>(JunkKinds::all.begin(), JunkKinds::all.end()))));
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

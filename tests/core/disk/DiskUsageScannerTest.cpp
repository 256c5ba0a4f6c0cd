#include "core/disk/DiskUsageScanner.h"

#include "core/disk/DiskUsage.h"
#include "support/DfOracle.h"
#include "support/PrivilegeDrop.h"
#include "support/SizeOracle.h"
#include "support/TempTree.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace qm {
namespace {

namespace fs = std::filesystem;

// A volume far larger than any fixture, so nothing is overcounted unless a case wants it.
constexpr VolumeSpace kRoomyVolume{8'000'000'000'000, 3'000'000'000'000, 3'000'000'000'000};

DiskUsageScanner::VolumeReader volumeOf(std::optional<VolumeSpace> space)
{
    return [space](const Path&) { return space; };
}

// The report's categories by name.
std::map<QString, DiskCategory> byName(const DiskUsageReport& report)
{
    std::map<QString, DiskCategory> out;
    for (const DiskCategory& category : report.categories)
        out.emplace(category.name, category);
    return out;
}

QStringList names(const DiskUsageReport& report)
{
    QStringList out;
    for (const DiskCategory& category : report.categories)
        out.append(category.name);
    return out;
}

qint64 measuredSum(const DiskUsageReport& report)
{
    qint64 sum = 0;
    for (const DiskCategory& category : report.categories) {
        if (category.url)
            sum += category.bytes;
    }
    return sum;
}

TEST(DiskUsageScannerTest, TheTableNamesEightRowsOfThisPlatformsPlaces)
{
    // The user's folders come from user-dirs.dirs (a refused entry keeps its default), the App Data row
    // from the XDG homes wherever they are.
    const QByteArray userDirs = "XDG_VIDEOS_DIR=\"$HOME/Filme\"\n"
                                "XDG_PICTURES_DIR=\"$HOME/Media/Fotos\"\n"
                                "XDG_MUSIC_DIR=\"$HOME/../other/Music\"\n";
    const Places places =
        Places::resolveWith("/home/u", {{"XDG_CACHE_HOME", "/var/cache/u"}}, "/sys-root", userDirs);
    const DiskUsageScanner scanner(places);
    using Paths = std::vector<Path>;
    const std::vector<DiskUsageScanner::Spec> expected{
        {"Applications", "/home/u/Applications", 0x7EC8E3, "square.grid.2x2",
         Paths{"/home/u/Applications", "/home/u/.local/share/flatpak/app", "/sys-root/var/lib/flatpak/app",
               "/sys-root/opt"}},
        {"Photos", "/home/u/Media/Fotos", 0x8AA0F0, "photo", Paths{"/home/u/Media/Fotos"}},
        {"Movies", "/home/u/Filme", 0xC08AE0, "film", Paths{"/home/u/Filme"}},
        {"Music", "/home/u/Music", 0x8AD9C0, "music.note", Paths{"/home/u/Music"}},
        {"Downloads", "/home/u/Downloads", 0xF0B860, "arrow.down.circle", Paths{"/home/u/Downloads"}},
        {"Documents", "/home/u/Documents", 0x9A8AE8, "doc.text", Paths{"/home/u/Documents"}},
        {"Desktop", "/home/u/Desktop", 0x6FD9C9, "display", Paths{"/home/u/Desktop"}},
        {"App Data", "/home/u/.config", 0xE0A85C, "shippingbox",
         Paths{"/home/u/.config", "/home/u/.local/share", "/var/cache/u", "/home/u/.local/state",
               "/home/u/.var"}},
    };
    EXPECT_EQ(scanner.specs(), expected);
    EXPECT_EQ(DiskUsageScanner("/home/u").systemRoot(), Path("/"));
}

TEST(DiskUsageScannerTest, MeasuresTheFoldersThatExistAndFoldsTheRestIntoSystemAndOther)
{
    test::TempTree tree;
    const fs::path home = tree.folder("home");
    const fs::path system = tree.folder("system");
    tree.file("home/Pictures/a.jpg", 300'000);
    tree.file("home/Pictures/nested/b.jpg", 120'000);
    tree.hardLink("home/Pictures/a.jpg", "home/Pictures/second-name");
    tree.symlink("/etc", "home/Pictures/link");
    tree.sparseFile("home/Pictures/sparse", 50'000'000);
    tree.fifo("home/Pictures/pipe");
    tree.file("home/Music/song", 64'000);
    tree.file("home/Desktop/note", 64'000); // the same allocation as the song
    tree.folder("home/Downloads/empty/deeper");
    tree.file("home/Documents/doc", 9'000);
    tree.file("home/.config/prefs", 4'000);
    tree.file("home/outside-every-row", 1'000'000);
    tree.file("home/.hidden-outside-every-row", 1'000'000);
    // No Videos and no applications.

    const DiskUsageReport report = DiskUsageScanner(home, system, volumeOf(kRoomyVolume)).scan();
    // Largest first; Music and Desktop are equal and keep table order; an empty folder is left out.
    const qint64 photos = test::findAllocatedSize(home / "Pictures");
    ASSERT_GT(photos, test::findAllocatedSize(home / "Music"));
    EXPECT_EQ(names(report),
              (QStringList{"System & Other", "Photos", "Music", "Desktop", "Documents", "App Data"}));
    const auto found = byName(report);
    for (const char* name : {"Pictures", "Music", "Desktop", "Documents", ".config"}) {
        const QString category = QString::fromUtf8(name) == "Pictures"  ? "Photos"
                                 : QString::fromUtf8(name) == ".config" ? "App Data"
                                                                        : QString::fromUtf8(name);
        ASSERT_TRUE(found.contains(category)) << name;
        EXPECT_EQ(found.at(category).bytes, test::findAllocatedSize(home / name)) << name;
        EXPECT_EQ(found.at(category).url, std::optional<Path>(home / name)) << name;
    }
    EXPECT_EQ(found.at("Photos").symbol, "photo");
    EXPECT_EQ(found.at("Photos").colorHex, 0x8AA0F0u);

    const qint64 used = kRoomyVolume.total - kRoomyVolume.available;
    EXPECT_EQ(report.total, kRoomyVolume.total);
    EXPECT_EQ(report.free, kRoomyVolume.available);
    EXPECT_EQ(report.totalUsed, used);
    EXPECT_EQ(found.at("System & Other").bytes, used - measuredSum(report));
    EXPECT_EQ(found.at("System & Other").url, std::nullopt);
    EXPECT_EQ(found.at("System & Other").colorHex, 0x8E97ABu);
    EXPECT_EQ(found.at("System & Other").symbol, "gearshape");
    EXPECT_FALSE(report.incomplete) << "a missing folder marks nothing";

    // Applications adds up the user's Flatpak apps (inside the data home, so App Data leaves them out),
    // the system's and /opt, under the system root; it opens its first folder that exists. App Data adds
    // up every XDG home and ~/.var.
    tree.file("system/opt/tool/binary", 70'000);
    tree.file("system/var/lib/flatpak/app/org.example.Viewer/x86_64/files/viewer", 90'000);
    tree.file("home/.local/share/flatpak/app/org.example.Chat/x86_64/files/chat", 80'000);
    tree.file("home/.local/share/recently-used.xbel", 8'000);
    tree.file("home/.cache/thumbnails/large/a.png", 12'000);
    tree.file("home/.local/state/wireplumber/default-nodes", 4'000);
    tree.file("home/.var/app/org.example.Chat/cache/blob", 16'000);
    tree.file("home/Videos/film.mkv", 200'000);
    const DiskUsageReport withApps = DiskUsageScanner(home, system, volumeOf(kRoomyVolume)).scan();
    const auto apps = byName(withApps);
    ASSERT_TRUE(apps.contains("Applications"));
    EXPECT_EQ(apps.at("Applications").bytes, test::findAllocatedSize(home / ".local/share/flatpak/app") +
                                                 test::findAllocatedSize(system / "var/lib/flatpak/app") +
                                                 test::findAllocatedSize(system / "opt"));
    EXPECT_EQ(apps.at("Applications").url, std::optional<Path>(home / ".local/share/flatpak/app"));
    ASSERT_TRUE(apps.contains("App Data"));
    EXPECT_EQ(apps.at("App Data").bytes,
              test::findAllocatedSize(home / ".config") + test::findAllocatedSize(home / ".local/share") -
                  test::findAllocatedSize(home / ".local/share/flatpak/app") +
                  test::findAllocatedSize(home / ".cache") + test::findAllocatedSize(home / ".local/state") +
                  test::findAllocatedSize(home / ".var"));
    ASSERT_TRUE(apps.contains("Movies"));
    EXPECT_EQ(apps.at("Movies").bytes, test::findAllocatedSize(home / "Videos"));
    EXPECT_FALSE(withApps.incomplete);
}

// Folders nested through links count once, under the innermost row; two rows on one folder are both
// measured and the split is then approximate.
TEST(DiskUsageScannerTest, NestedFoldersCountOnceAndSharedFoldersMarkTheReport)
{
    struct Case
    {
        const char* what;
        std::function<void(test::TempTree&)> build;
        // Expected bytes per category, as find measures the given folders: the first path minus the
        // others.
        std::map<QString, std::vector<fs::path>> expected;
        bool incomplete;
    };
    const std::vector<Case> cases{
        {"Desktop linked into the config home",
         [](test::TempTree& t) {
             t.file("home/.config/Desk/memo", 50'000);
             t.file("home/.config/prefs", 20'000);
             t.symlink(".config/Desk", "home/Desktop");
         },
         {{"Desktop", {"home/.config/Desk"}}, {"App Data", {"home/.config", "home/.config/Desk"}}},
         false},
        {"Desktop linked to the config home itself",
         [](test::TempTree& t) {
             t.file("home/.config/prefs", 20'000);
             t.symlink(".config", "home/Desktop");
         },
         {{"Desktop", {"home/.config"}}, {"App Data", {"home/.config"}}},
         true},
        {"Desktop linked into Documents",
         [](test::TempTree& t) {
             t.file("home/Documents/report", 30'000);
             t.file("home/Documents/desk/memo", 60'000);
             t.symlink("Documents/desk", "home/Desktop");
         },
         {{"Desktop", {"home/Documents/desk"}}, {"Documents", {"home/Documents", "home/Documents/desk"}}},
         false},
        {"Music linked into Documents",
         [](test::TempTree& t) {
             t.file("home/Documents/report", 30'000);
             t.file("home/Documents/Music/song", 70'000);
             t.symlink("Documents/Music", "home/Music");
         },
         {{"Music", {"home/Documents/Music"}}, {"Documents", {"home/Documents", "home/Documents/Music"}}},
         false},
        {"Pictures kept inside Documents",
         [](test::TempTree& t) {
             t.file("home/Documents/report", 30'000);
             t.file("home/Documents/Pictures/shot", 90'000);
             t.symlink("Documents/Pictures", "home/Pictures");
         },
         {{"Photos", {"home/Documents/Pictures"}},
          {"Documents", {"home/Documents", "home/Documents/Pictures"}}},
         false},
        {"Desktop linked to the home",
         [](test::TempTree& t) {
             t.file("home/loose", 40'000);
             t.file("home/Documents/report", 30'000);
             t.file("home/.config/prefs", 20'000);
             t.file("home/Pictures/shot", 90'000);
             t.symlink(t.path("home"), "home/Desktop");
         },
         {{"Desktop", {"home", "home/Documents", "home/.config", "home/Pictures"}},
          {"Documents", {"home/Documents"}},
          {"App Data", {"home/.config"}},
          {"Photos", {"home/Pictures"}}},
         false},
    };
    for (const Case& c : cases) {
        test::TempTree tree;
        tree.folder("home");
        c.build(tree);
        const DiskUsageReport report =
            DiskUsageScanner(tree.path("home"), tree.path("system"), volumeOf(kRoomyVolume)).scan();
        const auto found = byName(report);
        for (const auto& [name, paths] : c.expected) {
            qint64 bytes = test::findAllocatedSize(tree.path(paths.front()));
            for (std::size_t i = 1; i < paths.size(); ++i)
                bytes -= test::findAllocatedSize(tree.path(paths[i]));
            ASSERT_TRUE(found.contains(name)) << c.what << ": " << name.toStdString();
            EXPECT_EQ(found.at(name).bytes, bytes) << c.what << ": " << name.toStdString();
        }
        EXPECT_EQ(found.size(), c.expected.size() + 1) << c.what << ": the rows and System & Other";
        EXPECT_EQ(report.incomplete, c.incomplete) << c.what;
        if (!c.incomplete) {
            EXPECT_EQ(measuredSum(report), test::findAllocatedSize(tree.path("home")))
                << c.what << ": once each";
        }
        // The linked row keeps the folder as listed, not the one its link resolves to.
        for (const auto& [name, folder] :
             {std::pair{"Desktop", "home/Desktop"}, std::pair{"Photos", "home/Pictures"},
              std::pair{"Music", "home/Music"}}) {
            if (c.expected.contains(QString::fromUtf8(name))) {
                EXPECT_EQ(found.at(QString::fromUtf8(name)).url, std::optional<Path>(tree.path(folder)))
                    << c.what << ": the folder as listed";
            }
        }
    }
}

TEST(DiskUsageScannerTest, RawByteNamesNestCountOnceAndKeepTheirListedBytes)
{
    test::TempTree tree;
    const fs::path home = tree.folder(fs::path("h\xff"));
    const fs::path inner = home / "Documents" / test::TempTree::nonUtf8Name();
    tree.file(inner / "memo", 60'000);
    tree.file(home / "Documents/report", 30'000);
    tree.symlink(inner, home / "Desktop");

    const DiskUsageReport report = DiskUsageScanner(home, tree.path("system"), volumeOf(kRoomyVolume)).scan();
    const auto found = byName(report);
    ASSERT_TRUE(found.contains("Desktop"));
    ASSERT_TRUE(found.contains("Documents"));
    EXPECT_EQ(found.at("Desktop").bytes, test::findAllocatedSize(inner));
    EXPECT_EQ(found.at("Documents").bytes,
              test::findAllocatedSize(home / "Documents") - test::findAllocatedSize(inner));
    EXPECT_EQ(found.at("Desktop").url->native(), home.native() + "/Desktop");
    EXPECT_EQ(found.at("Documents").url->native(), home.native() + "/Documents");
    EXPECT_FALSE(report.incomplete);
}

TEST(DiskUsageScannerTest, FoldersBeyondTheUsedSpaceDropTheRemainderAndMarkTheReport)
{
    test::TempTree tree;
    tree.file("home/Documents/big", 400'000);
    const DiskUsageReport report = DiskUsageScanner(tree.path("home"), tree.path("system"),
                                                    volumeOf(VolumeSpace{1'000'000, 900'000, 900'000}))
                                       .scan();
    EXPECT_EQ(report.totalUsed, 100'000);
    EXPECT_EQ(names(report), QStringList{"Documents"});
    EXPECT_TRUE(report.incomplete);
}

TEST(DiskUsageScannerTest, AnUnreadableVolumeReadsAsZeroAndMarksTheReportOnceAByteIsMeasured)
{
    test::TempTree tree;
    tree.folder("home/Music");
    const DiskUsageScanner emptyHome(tree.path("home"), tree.path("system"), volumeOf(std::nullopt));
    EXPECT_EQ(emptyHome.volumeTotals(), DiskUsageScanner::VolumeTotals{});
    EXPECT_EQ(emptyHome.scan(), DiskUsageReport{}) << "nothing measured: complete, all zero";

    tree.file("home/Music/song", 10'000);
    const DiskUsageReport report = emptyHome.scan();
    EXPECT_EQ(report.total, 0);
    EXPECT_EQ(report.free, 0);
    EXPECT_EQ(report.totalUsed, 0);
    EXPECT_EQ(names(report), QStringList{"Music"});
    EXPECT_TRUE(report.incomplete);
}

TEST(DiskUsageScannerTest, AFolderOfAnotherUserMarksTheReport)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    test::TempTree tree;
    tree.file("home/Documents/open/visible", 40'000);
    tree.file("home/Documents/closed/secret", 80'000);
    tree.file("home/Music/song", 12'000);
    const qint64 readable = test::findAllocatedSize(tree.path("home/Documents/open"));
    const qint64 music = test::findAllocatedSize(tree.path("home/Music"));
    tree.chown(tree.path("home/Documents/closed"));
    tree.chmod(tree.path("home/Documents/closed"), 0700);

    const DiskUsageScanner scanner(tree.path("home"), tree.path("system"), volumeOf(kRoomyVolume));
    test::DroppedPrivileges dropped(1000, 1000);
    const DiskUsageReport report = scanner.scan();
    const auto found = byName(report);
    EXPECT_EQ(found.at("Documents").bytes, readable) << "the readable sibling is counted";
    EXPECT_EQ(found.at("Music").bytes, music);
    EXPECT_TRUE(report.incomplete);
}

// The page's used figure is df's (the blocks kept for root are not in use) and its free figure is what
// df says an ordinary user may still fill.
TEST(DiskUsageScannerTest, TheRealVolumeAgreesWithDf)
{
    test::TempTree tree;
    tree.folder("home");
    const DiskUsageScanner scanner(tree.path("home"), tree.path("system"));
    const DiskUsageScanner::VolumeTotals totals = scanner.volumeTotals();
    const DiskUsageReport report = scanner.scan();
    const test::DfFigures df = test::dfFigures(tree.path("home"));
    EXPECT_EQ(totals.total, df.size);
    EXPECT_EQ(report.total, df.size);
    // Free space moves while other tests write; allow 512 MiB of drift (far below the reserve kept for root).
    constexpr double kDrift = 512.0 * 1024 * 1024;
    EXPECT_NEAR(double(totals.free), double(df.available), kDrift);
    EXPECT_NEAR(double(totals.used), double(df.used), kDrift);
    EXPECT_NEAR(double(report.free), double(df.available), kDrift);
    EXPECT_NEAR(double(report.totalUsed), double(df.used), kDrift);
    EXPECT_EQ(DiskUsageScanner(tree.path("missing")).volumeTotals(), DiskUsageScanner::VolumeTotals{});
}

// Root's reserve is neither in use nor free to the user: the remainder is what is in use less the
// folders, and the free figure is what the user may fill.
TEST(DiskUsageScannerTest, TheReserveForRootCountsNeitherAsUsedNorAsFree)
{
    test::TempTree tree;
    tree.file("home/Documents/big", 400'000);
    const qint64 documents = test::findAllocatedSize(tree.path("home/Documents"));
    // 10 MB in all: 3 MB in use, 1 MB kept for root, 6 MB available.
    const DiskUsageReport report = DiskUsageScanner(tree.path("home"), tree.path("system"),
                                                    volumeOf(VolumeSpace{10'000'000, 6'000'000, 7'000'000}))
                                       .scan();
    EXPECT_EQ(report.total, 10'000'000);
    EXPECT_EQ(report.totalUsed, 3'000'000);
    EXPECT_EQ(report.free, 6'000'000);
    const auto found = byName(report);
    ASSERT_TRUE(found.contains("System & Other"));
    EXPECT_EQ(found.at("System & Other").bytes, 3'000'000 - documents);
    EXPECT_FALSE(report.incomplete);
}

TEST(DiskUsageAssembleTest, AddsTheRemainderDropsEmptyCategoriesAndSortsStably)
{
    const auto cat = [](const char* name, qint64 bytes) {
        return DiskCategory{QString::fromUtf8(name), bytes, 0x123456, Path("/x") / name, "doc.text"};
    };
    struct Case
    {
        const char* what;
        std::vector<DiskCategory> measured;
        qint64 totalUsed;
        QStringList order;
        qint64 remainder; // -1: none
        bool overcounted;
    };
    const std::vector<Case> cases{
        {"remainder largest",
         {cat("Music", 10), cat("Desktop", 30)},
         100,
         {"System & Other", "Desktop", "Music"},
         60,
         false},
        {"equal sizes keep order, remainder last",
         {cat("Music", 20), cat("Desktop", 20)},
         60,
         {"Music", "Desktop", "System & Other"},
         20,
         false},
        {"zero bytes dropped", {cat("Music", 0), cat("Desktop", 5)}, 5, {"Desktop"}, -1, false},
        {"overcount", {cat("Music", 50)}, 40, {"Music"}, -1, true},
        {"nothing at all", {}, 0, {}, -1, false},
    };
    for (const Case& c : cases) {
        const DiskUsage::Assembled out = DiskUsage::assemble(c.measured, c.totalUsed);
        QStringList order;
        for (const DiskCategory& category : out.categories)
            order.append(category.name);
        EXPECT_EQ(order, c.order) << c.what;
        EXPECT_EQ(out.overcounted, c.overcounted) << c.what;
        const auto remainder = std::find_if(out.categories.begin(), out.categories.end(),
                                            [](const DiskCategory& x) { return !x.url; });
        EXPECT_EQ(remainder == out.categories.end() ? -1 : remainder->bytes, c.remainder) << c.what;
    }
}

} // namespace
} // namespace qm

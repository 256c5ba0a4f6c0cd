#include "core/apps/DesktopAppScanner.h"

#include "core/apps/LeftoverFinder.h"
#include "support/FakePackageDatabase.h"
#include "support/FixtureHome.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

using test::FakePackageDatabase;
using test::FixtureHome;
using test::TempTree;

QByteArray entry(const QByteArray& body)
{
    return "[Desktop Entry]\nType=Application\n" + body;
}

// A fixture home and system root with the entries of a Debian desktop: packaged applications, a
// user's own, a Flatpak of each installation, an AppImage and entries that must not be listed.
class DesktopAppScannerTest : public ::testing::Test
{
protected:
    DesktopAppScannerTest()
    {
        const Path sys = system.root();
        system.fileWithContent(
            "usr/share/applications/org.example.Editor.desktop",
            entry("Name=Editor\nName[de]=Bearbeiter\nExec=/usr/bin/editor %F\nIcon=editor\n"));
        system.file("usr/bin/editor", 4096);
        system.file("usr/share/icons/hicolor/48x48/apps/editor.png", 100);
        system.file("usr/share/icons/hicolor/128x128/apps/editor.png", 100);
        system.fileWithContent("usr/share/applications/hidden.desktop",
                               entry("Name=Hidden\nHidden=true\nExec=x\n"));
        system.fileWithContent("usr/share/applications/nodisplay.desktop",
                               entry("Name=Helper\nNoDisplay=true\nExec=x\n"));
        system.fileWithContent("usr/share/applications/link.desktop",
                               "[Desktop Entry]\nType=Link\nName=Web\n");
        system.fileWithContent("usr/share/applications/broken.desktop", "Name=No group\n");
        system.fileWithContent("usr/share/applications/shadowed.desktop",
                               entry("Name=System copy\nExec=shadowed\n"));
        system.file("usr/bin/shadowed", 100);
        system.file("usr/bin/hostile", 100);
        system.fileWithContent(
            "usr/share/applications/hostile.desktop",
            entry("Name=<b>bold</b> %s\\n$(rm)\nExec=/usr/bin/hostile\nIcon=../../../etc/editor\n"));
        // A user entry shadows the system one of the same id.
        home.fileWithContent(".local/share/applications/shadowed.desktop",
                             entry("Name=User copy\nExec=shadowed\n"));
        // The user's own program in the home.
        home.file(".local/bin/mytool", 100);
        home.fileWithContent(".local/share/applications/mytool.desktop",
                             entry("Name=My Tool\nExec=env LANG=C mytool --go\n"));
        // An AppImage with its entry, and one without.
        home.file("Applications/Drawing-1.2.AppImage", 8192);
        home.fileWithContent(".local/share/applications/appimagekit-drawing.desktop",
                             entry("Name=Drawing\nExec=" + QByteArray(home.path("Applications").c_str()) +
                                   "/Drawing-1.2.AppImage\nX-AppImage-Version=1.2-beta\n"));
        home.file("Applications/Bare.AppImage", 4096);
        // A system Flatpak: its export is a link into the deployment.
        const Path deploy = system.folder("var/lib/flatpak/app/org.example.Chat/current/active");
        system.fileWithContent(
            "var/lib/flatpak/app/org.example.Chat/current/active/export/share/applications/"
            "org.example.Chat.desktop",
            entry("Name=Chat\nExec=/usr/bin/flatpak run org.example.Chat\nX-Flatpak=org.example.Chat\n"));
        system.fileWithContent("var/lib/flatpak/app/org.example.Chat/current/active/files/share/metainfo/"
                               "org.example.Chat.metainfo.xml",
                               "<component><releases><release version=\"3.4-1\" date=\"2026-01-01\"/>"
                               "<release version=\"3.3\"/></releases></component>");
        system.folder("var/lib/flatpak/exports/share/applications");
        system.symlink(deploy / "export/share/applications/org.example.Chat.desktop",
                       "var/lib/flatpak/exports/share/applications/org.example.Chat.desktop");
        // An uninstalled Flatpak's dangling export is nothing.
        system.symlink(sys / "var/lib/flatpak/app/org.gone.App/x.desktop",
                       "var/lib/flatpak/exports/share/applications/org.gone.App.desktop");

        packages->install(
            QStringLiteral("editor"), QStringLiteral("1:2.0.3-1+deb12u1"),
            {Path("/usr/share/applications/org.example.Editor.desktop"), Path("/usr/bin/editor")});
    }

    DesktopAppScanner scanner(const QString& locale = QStringLiteral("de_DE"),
                              const QString& theme = {}) const
    {
        return DesktopAppScanner(home.places(system.root()), packages, locale, theme);
    }

    static const InstalledApp* byName(const AppScanner::Listing& listing, const QString& name)
    {
        const auto found = std::find_if(listing.apps.begin(), listing.apps.end(),
                                        [&](const InstalledApp& a) { return a.name == name; });
        return found == listing.apps.end() ? nullptr : &*found;
    }

    FixtureHome home;
    TempTree system;
    std::shared_ptr<FakePackageDatabase> packages = std::make_shared<FakePackageDatabase>();
};

TEST_F(DesktopAppScannerTest, ListsWhatTheMenuShowsWithOwnerAndVersion)
{
    const AppScanner::Listing listing = scanner().listApps();
    EXPECT_TRUE(listing.complete);
    QStringList names;
    for (const InstalledApp& app : listing.apps)
        names.push_back(app.name);
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("<b>bold</b> %s\n$(rm)"), QStringLiteral("Bare"),
                           QStringLiteral("Bearbeiter"), QStringLiteral("Chat"), QStringLiteral("Drawing"),
                           QStringLiteral("My Tool"), QStringLiteral("User copy")}));

    const InstalledApp* editor = byName(listing, QStringLiteral("Bearbeiter"));
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->origin, AppOrigin::debianPackage);
    EXPECT_EQ(editor->packageName, QStringLiteral("editor"));
    EXPECT_EQ(editor->version, QStringLiteral("2.0.3")) << "the package's version without epoch and revision";
    EXPECT_EQ(editor->bundleID, QStringLiteral("org.example.Editor"));
    EXPECT_EQ(editor->programName, QStringLiteral("editor"));
    EXPECT_TRUE(editor->removal.empty()) << "a package's files are never moved";
    EXPECT_EQ(editor->icon, Path(system.path("usr/share/icons/hicolor/128x128/apps/editor.png")));
    const InstalledApp* hostile = byName(listing, QStringLiteral("<b>bold</b> %s\n$(rm)"));
    ASSERT_TRUE(hostile);
    EXPECT_FALSE(hostile->icon);

    const InstalledApp* chat = byName(listing, QStringLiteral("Chat"));
    ASSERT_TRUE(chat);
    EXPECT_EQ(chat->origin, AppOrigin::systemFlatpak);
    EXPECT_EQ(chat->flatpakId, QStringLiteral("org.example.Chat"));
    EXPECT_EQ(chat->version, QStringLiteral("3.4-1")) << "a Flatpak's version as written";
    EXPECT_TRUE(chat->programName.isEmpty());

    const InstalledApp* drawing = byName(listing, QStringLiteral("Drawing"));
    ASSERT_TRUE(drawing);
    EXPECT_EQ(drawing->origin, AppOrigin::appImage);
    EXPECT_EQ(drawing->version, QStringLiteral("1.2-beta")) << "an AppImage's version as written";
    EXPECT_EQ(drawing->removal,
              (std::vector<Path>{home.path("Applications/Drawing-1.2.AppImage"),
                                 home.path(".local/share/applications/appimagekit-drawing.desktop")}));

    const InstalledApp* bare = byName(listing, QStringLiteral("Bare"));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->origin, AppOrigin::appImage);
    EXPECT_TRUE(bare->version.isEmpty());

    const InstalledApp* tool = byName(listing, QStringLiteral("My Tool"));
    ASSERT_TRUE(tool);
    EXPECT_EQ(tool->origin, AppOrigin::homeFile);
    EXPECT_EQ(tool->removal, (std::vector<Path>{home.path(".local/bin/mytool"),
                                                home.path(".local/share/applications/mytool.desktop")}));

    const InstalledApp* shadow = byName(listing, QStringLiteral("User copy"));
    ASSERT_TRUE(shadow);
    EXPECT_EQ(shadow->url, home.path(".local/share/applications/shadowed.desktop"));
    EXPECT_EQ(scanner(QStringLiteral("fr_FR")).listApps().apps.size(), listing.apps.size());
    EXPECT_TRUE(byName(scanner(QStringLiteral("fr_FR")).listApps(), QStringLiteral("Editor")));
}

// A launcher whose program is gone is no installed application: its TryExec, or else the program
// its Exec starts, must be there, by absolute path or by name in the program folders. What cannot be
// named counts as there; a Flatpak's entry is there while the Flatpak is installed.
TEST_F(DesktopAppScannerTest, ALauncherWhoseProgramIsGoneIsNotListed)
{
    system.file("usr/games/mygame", 100);
    home.folder(".local/share/flatpak/app/org.here.Flatpak/current/active/files");
    const QByteArray images = QByteArray(home.path("Applications").c_str());
    struct Case
    {
        const char* id;
        QByteArray body;
        bool listed;
    };
    const std::vector<Case> cases{
        {"gone-absolute", "Exec=/usr/bin/nothere %U\n", false},
        {"gone-name", "Exec=nothere-tool\n", false},
        {"gone-after-env", "Exec=env LANG=C nothere-tool\n", false},
        {"in-games", "Exec=mygame\n", true},
        {"tryexec-gone", "TryExec=/opt/missing/tool\nExec=/usr/bin/editor\n", false},
        {"tryexec-name-gone", "TryExec=missing-tool\nExec=editor\n", false},
        {"tryexec-there", "TryExec=editor\nExec=/usr/bin/nothere\n", true},
        {"shell-command", "Exec=sh -c \"nothere-tool --go\"\n", true},
        {"dbus-activated", "DBusActivatable=true\n", true},
        {"org.gone.Flatpak", "Exec=/usr/bin/flatpak run org.gone.Flatpak\nX-Flatpak=org.gone.Flatpak\n",
         false},
        {"org.here.Flatpak", "Exec=/usr/bin/flatpak run org.here.Flatpak\nX-Flatpak=org.here.Flatpak\n",
         true},
        {"appimagekit-old", "Exec=" + images + "/Old-2.0.AppImage\n", false},
    };
    for (const Case& c : cases)
        home.fileWithContent(std::string(".local/share/applications/") + c.id + ".desktop",
                             entry("Name=Case " + QByteArray(c.id) + "\n" + c.body));
    const AppScanner::Listing listing = scanner().listApps();
    EXPECT_TRUE(listing.complete);
    for (const Case& c : cases)
        EXPECT_EQ(byName(listing, QStringLiteral("Case ") + QString::fromUtf8(c.id)) != nullptr, c.listed)
            << c.id;
}

// Icons are looked up as the icon theme specification says: the current theme, then hicolor, the
// scalable folder before the sized ones; an SVG is an icon as a PNG is.
TEST_F(DesktopAppScannerTest, IconsOfTheCurrentThemeAndScalableOnes)
{
    const auto app = [&](const char* id, const char* icon) {
        system.fileWithContent(
            std::string("usr/share/applications/") + id + ".desktop",
            entry("Name=" + QByteArray(id) + "\nExec=/usr/bin/editor\nIcon=" + icon + "\n"));
    };
    app("org.gnome.baobab", "org.gnome.baobab");
    system.file("usr/share/icons/hicolor/scalable/apps/org.gnome.baobab.svg", 900);
    system.file("usr/share/icons/hicolor/symbolic/apps/org.gnome.baobab-symbolic.svg", 900);
    app("themed", "themed-monitor");
    system.file("usr/share/icons/Adwaita/scalable/apps/themed-monitor.svg", 900);
    app("both", "both-icon");
    system.file("usr/share/icons/hicolor/256x256/apps/both-icon.png", 900);
    system.file("usr/share/icons/hicolor/scalable/apps/both-icon.svg", 900);
    home.file(".local/share/icons/Adwaita/48x48/apps/both-icon.png", 900); // the current theme first
    app("broken", "broken-icon");
    system.fileWithContent("usr/share/icons/hicolor/scalable/apps/broken-icon.svg", "<svg");
    app("absolute", "/usr/share/pixmaps/absolute.svg");
    system.file("usr/share/pixmaps/absolute.svg", 900);
    app("pixmap", "pixmap-only");
    system.file("usr/share/pixmaps/pixmap-only.svg", 900);

    const auto iconOf = [&](const AppScanner::Listing& listing, const char* id) {
        const InstalledApp* found = byName(listing, QString::fromUtf8(id));
        return found != nullptr ? found->icon : std::optional<Path>(Path("<not listed>"));
    };
    const AppScanner::Listing themed = scanner(QStringLiteral("C"), QStringLiteral("Adwaita")).listApps();
    EXPECT_EQ(iconOf(themed, "org.gnome.baobab"),
              Path(system.path("usr/share/icons/hicolor/scalable/apps/org.gnome.baobab.svg")));
    EXPECT_EQ(iconOf(themed, "themed"),
              Path(system.path("usr/share/icons/Adwaita/scalable/apps/themed-monitor.svg")));
    EXPECT_EQ(iconOf(themed, "both"), Path(home.path(".local/share/icons/Adwaita/48x48/apps/both-icon.png")));
    EXPECT_EQ(iconOf(themed, "broken"),
              Path(system.path("usr/share/icons/hicolor/scalable/apps/broken-icon.svg")))
        << "the file is the icon; drawing it gives the placeholder";
    EXPECT_EQ(iconOf(themed, "absolute"), Path(system.path("usr/share/pixmaps/absolute.svg")));
    EXPECT_EQ(iconOf(themed, "pixmap"), Path(system.path("usr/share/pixmaps/pixmap-only.svg")));

    const AppScanner::Listing plain = scanner(QStringLiteral("C")).listApps();
    EXPECT_EQ(iconOf(plain, "themed"), std::nullopt) << "hicolor alone without a current theme";
    EXPECT_EQ(iconOf(plain, "both"),
              Path(system.path("usr/share/icons/hicolor/scalable/apps/both-icon.svg")));
}

TEST_F(DesktopAppScannerTest, PackageSizeIsItsInstalledFilesAndAnAppImageItsFile)
{
    const AppScanner::Listing listing = scanner().listApps();
    const CleanupScanner sizer(FileSystem(), home.home(), system.root());
    const InstalledApp* editor = byName(listing, QStringLiteral("Bearbeiter"));
    ASSERT_TRUE(editor);
    const qint64 expected =
        FileSystem().status(system.path("usr/bin/editor"))->allocated +
        FileSystem().status(system.path("usr/share/applications/org.example.Editor.desktop"))->allocated;
    EXPECT_EQ(scanner().measure(*editor, sizer), expected);
    const InstalledApp* bare = byName(listing, QStringLiteral("Bare"));
    ASSERT_TRUE(bare);
    EXPECT_EQ(scanner().measure(*bare, sizer),
              FileSystem().status(home.path("Applications/Bare.AppImage"))->allocated);
}

TEST_F(DesktopAppScannerTest, LeftoversByIdentifierKindAndOneWordFoldersOnlyExactly)
{
    home.file(".config/editor/settings.ini", 10);            // program and package name
    home.file(".config/org.example.Editor/x", 10);           // desktop id
    home.file(".cache/org.example.Editor.thumbnails/x", 10); // "<id>.…"
    home.file(".config/editorial/x", 10);                    // a longer word: never
    home.file(".config/edit/x", 10);                         // a shorter word: never
    home.file(".var/app/org.example.Chat/data/x", 10);
    home.fileWithContent(".config/autostart/org.example.Editor.desktop", entry("Name=Editor\nExec=editor\n"));
    home.file(".local/share/Trash/files/editor", 10);
    const Places places = home.places(system.root());
    const LeftoverFinder finder(FileSystem(), CleanupScanner(FileSystem(), home.home()), places);
    const AppScanner::Listing listing = scanner().listApps();

    const auto paths = [](const LeftoverFinder::Found& found) {
        std::vector<Path> out;
        for (const LeftoverItem& item : found.items)
            out.push_back(item.url);
        std::sort(out.begin(), out.end());
        return out;
    };
    const InstalledApp* editor = byName(listing, QStringLiteral("Bearbeiter"));
    ASSERT_TRUE(editor);
    const LeftoverFinder::Found found = finder.find(*editor, listing.apps, listing.complete);
    EXPECT_EQ(paths(found),
              (std::vector<Path>{home.path(".cache/org.example.Editor.thumbnails"),
                                 home.path(".config/autostart/org.example.Editor.desktop"),
                                 home.path(".config/editor"), home.path(".config/org.example.Editor")}));
    for (const LeftoverItem& item : found.items)
        EXPECT_FALSE(item.isSelected) << "the package stays installed, so its data is not preselected";

    const InstalledApp* chat = byName(listing, QStringLiteral("Chat"));
    ASSERT_TRUE(chat);
    EXPECT_EQ(paths(finder.find(*chat, listing.apps, listing.complete)),
              (std::vector<Path>{home.path(".var/app/org.example.Chat")}));
}

// One package with two menu entries is one application: the identifiers and the name only its
// entries share are its own. Entries of two packages that share a program name are two applications,
// and neither gets the folder named after that program.
TEST_F(DesktopAppScannerTest, TheEntriesOfOnePackageAreOneApplication)
{
    system.fileWithContent("usr/share/applications/org.bleachbit.BleachBit.desktop",
                           entry("Name=BleachBit\nExec=bleachbit\n"));
    system.fileWithContent("usr/share/applications/bleachbit-root.desktop",
                           entry("Name=BleachBit (as root)\nExec=pkexec bleachbit\n"));
    system.file("usr/bin/bleachbit", 4096);
    packages->install(QStringLiteral("bleachbit"), QStringLiteral("4.4.2-1"),
                      {Path("/usr/share/applications/org.bleachbit.BleachBit.desktop"),
                       Path("/usr/share/applications/bleachbit-root.desktop"), Path("/usr/bin/bleachbit")});
    system.fileWithContent("usr/share/applications/org.example.Viewer.desktop",
                           entry("Name=Picture Viewer\nExec=viewer\n"));
    system.fileWithContent("usr/share/applications/viewer-tools.desktop",
                           entry("Name=Viewer Tools\nExec=viewer --tools\n"));
    system.file("usr/bin/viewer", 4096);
    packages->install(QStringLiteral("viewer"), QStringLiteral("1.0"),
                      {Path("/usr/share/applications/org.example.Viewer.desktop"), Path("/usr/bin/viewer")});
    packages->install(QStringLiteral("viewer-tools"), QStringLiteral("1.0"),
                      {Path("/usr/share/applications/viewer-tools.desktop")});
    home.file(".config/bleachbit/bleachbit.ini", 3000);
    home.file(".cache/bleachbit/x", 3000);
    home.file(".config/viewer/viewer.conf", 3000);
    home.file(".config/org.example.Viewer/state", 3000);

    const LeftoverFinder finder(FileSystem(), CleanupScanner(FileSystem(), home.home()),
                                home.places(system.root()));
    const AppScanner::Listing listing = scanner().listApps();
    const auto found = [&](const QString& name) {
        std::vector<Path> out;
        const InstalledApp* app = byName(listing, name);
        if (app == nullptr)
            return std::vector<Path>{"<not listed>"};
        for (const LeftoverItem& item : finder.find(*app, listing.apps, listing.complete).items)
            out.push_back(item.url);
        std::sort(out.begin(), out.end());
        return out;
    };
    const std::vector<Path> bleachbit{home.path(".cache/bleachbit"), home.path(".config/bleachbit")};
    EXPECT_EQ(found(QStringLiteral("BleachBit")), bleachbit);
    EXPECT_EQ(found(QStringLiteral("BleachBit (as root)")), bleachbit);
    EXPECT_EQ(found(QStringLiteral("Picture Viewer")),
              std::vector<Path>{home.path(".config/org.example.Viewer")})
        << "another package's entry runs the same program";
    EXPECT_TRUE(found(QStringLiteral("Viewer Tools")).empty());
}

TEST_F(DesktopAppScannerTest, OnlyUninstalledFlatpaksDataAreOrphans)
{
    const QDateTime old = QDateTime::currentDateTimeUtc().addDays(-120);
    home.folder(".var/app/org.example.Chat");
    home.folder(".var/app/net.gone.Messenger/data");
    home.file(".var/app/net.gone.Messenger/data/chat.db", 4096);
    home.folder(".config/org.example.Editor");
    home.file(".config/org.example.Editor/x", 4096);
    home.folder(".config/git");
    home.file(".config/git/config", 4096);
    for (const char* p : {".var/app/org.example.Chat", ".var/app/net.gone.Messenger",
                          ".config/org.example.Editor", ".config/git"})
        home.setMtime(home.path(p), old);
    const AppScanner::Listing listing = scanner().listApps();
    const auto matcher = LeftoverFinder::orphanMatcher(listing);
    ASSERT_TRUE(matcher);
    const LeftoverFinder finder(FileSystem(), CleanupScanner(FileSystem(), home.home()),
                                home.places(system.root()));
    const LeftoverFinder::Orphans orphans = finder.findOrphans(*matcher);
    ASSERT_EQ(orphans.items.size(), 1u);
    EXPECT_EQ(orphans.items.front().url, home.path(".var/app/net.gone.Messenger"));
    EXPECT_EQ(orphans.items.front().name, QStringLiteral("Flatpak Data \u00B7 net.gone.Messenger"));
}

TEST(DpkgDatabaseTest, OwnersAndVersionsFromTheDatabaseFiles)
{
    TempTree root;
    root.fileWithContent("var/lib/dpkg/info/editor.list",
                         "/.\n/usr\n/usr/bin/editor\n/usr/share/applications/e.desktop\n");
    root.fileWithContent("var/lib/dpkg/info/libx:amd64.list", "/usr/lib/libx.so\n");
    root.fileWithContent("var/lib/dpkg/info/editor.md5sums", "/usr/bin/other\n");
    root.fileWithContent(
        "var/lib/dpkg/status",
        "Package: editor\nStatus: install ok installed\nDescription: x\n more\nVersion: 2.0-1\n\n"
        "Package: libx\nStatus: install ok installed\nArchitecture: amd64\nVersion: 1:3\n\n"
        "Package: gone\nStatus: deinstall ok config-files\nVersion: 9\n");
    const DpkgDatabase db(root.root());
    const auto owners =
        db.owners({Path("/usr/bin/editor"), Path("/usr/lib/libx.so"), Path("/usr/bin/other")});
    ASSERT_EQ(owners.size(), 2u);
    EXPECT_EQ(owners.at(Path("/usr/bin/editor")),
              (InstalledPackage{QStringLiteral("editor"), QStringLiteral("2.0-1")}));
    EXPECT_EQ(owners.at(Path("/usr/lib/libx.so")),
              (InstalledPackage{QStringLiteral("libx"), QStringLiteral("1:3")}));
    EXPECT_EQ(db.filesOf(QStringLiteral("libx")), std::vector<Path>{Path("/usr/lib/libx.so")});
    EXPECT_TRUE(db.filesOf(QStringLiteral("../x")).empty());
    EXPECT_FALSE(DpkgDatabase::parseStatus("Package: gone\nStatus: deinstall ok config-files\nVersion: 9\n")
                     .contains(QStringLiteral("gone")));
}

} // namespace
} // namespace qm

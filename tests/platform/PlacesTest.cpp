// This platform's places: the XDG base directories with their defaults and the values refused, the search
// lists, and the user's folders of user-dirs.dirs parsed strictly (custom, missing and hostile entries),
// all resolved from a fixture home and environment without looking at the process's own.
#include "platform/Places.h"

#include "support/FixtureHome.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace qm {
namespace {

using Folder = Places::UserFolder;

TEST(PlacesTest, BaseDirectoriesTakeAbsoluteValuesAndRefuseTheRest)
{
    const Path home = "/home/ada";
    struct Case
    {
        const char* what;
        Places::Environment environment;
        Path cache, config, data, state;
    };
    const std::vector<Case> cases = {
        {"unset: the defaults",
         {},
         "/home/ada/.cache",
         "/home/ada/.config",
         "/home/ada/.local/share",
         "/home/ada/.local/state"},
        {"absolute values, standardised",
         {{"XDG_CACHE_HOME", "/var/tmp/ada-cache/"},
          {"XDG_CONFIG_HOME", "/home/ada/conf/./x/.."},
          {"XDG_DATA_HOME", "/home/ada/data"},
          {"XDG_STATE_HOME", "/srv/state"}},
         "/var/tmp/ada-cache",
         "/home/ada/conf",
         "/home/ada/data",
         "/srv/state"},
        {"empty and relative values",
         {{"XDG_CACHE_HOME", ""},
          {"XDG_CONFIG_HOME", "conf"},
          {"XDG_DATA_HOME", "~/data"},
          {"XDG_STATE_HOME", "./state"}},
         "/home/ada/.cache",
         "/home/ada/.config",
         "/home/ada/.local/share",
         "/home/ada/.local/state"},
        {"the root, the home and folders above it",
         {{"XDG_CACHE_HOME", "/"},
          {"XDG_CONFIG_HOME", "/home/ada"},
          {"XDG_DATA_HOME", "/home"},
          {"XDG_STATE_HOME", "/home/ada/x/.."}},
         "/home/ada/.cache",
         "/home/ada/.config",
         "/home/ada/.local/share",
         "/home/ada/.local/state"},
        {"a sibling whose name starts like the home is not above it",
         {{"XDG_CACHE_HOME", "/home/ada2"}, {"XDG_DATA_HOME", "/home/ad"}},
         "/home/ada2",
         "/home/ada/.config",
         "/home/ad",
         "/home/ada/.local/state"},
    };
    for (const Case& c : cases) {
        const Places places = Places::resolveWith(home, c.environment, "/", std::nullopt);
        EXPECT_EQ(places.home(), home) << c.what;
        EXPECT_EQ(places.cacheHome(), c.cache) << c.what;
        EXPECT_EQ(places.configHome(), c.config) << c.what;
        EXPECT_EQ(places.dataHome(), c.data) << c.what;
        EXPECT_EQ(places.stateHome(), c.state) << c.what;
    }
}

TEST(PlacesTest, SearchListsKeepAbsoluteEntriesAndDefaultUnderTheSystemRoot)
{
    const Path home = "/home/ada";
    const Places defaults = Places::resolveWith(home, {}, "/fixture/root", std::nullopt);
    EXPECT_EQ(defaults.systemRoot(), Path("/fixture/root"));
    EXPECT_EQ(defaults.dataDirs(),
              (std::vector<Path>{"/fixture/root/usr/local/share", "/fixture/root/usr/share"}));
    EXPECT_EQ(defaults.configDirs(), std::vector<Path>{"/fixture/root/etc/xdg"});
    EXPECT_EQ(defaults.system("/opt"), Path("/fixture/root/opt"));
    EXPECT_EQ(defaults.optionalSoftware(), Path("/fixture/root/opt"));
    EXPECT_EQ(defaults.systemFlatpak(), Path("/fixture/root/var/lib/flatpak"));
    EXPECT_EQ(defaults.userFlatpak(), Path("/home/ada/.local/share/flatpak"));
    EXPECT_EQ(defaults.flatpakAppData(), Path("/home/ada/.var/app"));

    const Places given = Places::resolveWith(
        home,
        {{"XDG_DATA_DIRS", "::relative:/home/ada/.local/share/flatpak/exports/share:/usr/share/:"},
         {"XDG_CONFIG_DIRS", "etc:"}},
        "/", std::nullopt);
    EXPECT_EQ(given.dataDirs(),
              (std::vector<Path>{"/home/ada/.local/share/flatpak/exports/share", "/usr/share"}));
    EXPECT_EQ(given.configDirs(), std::vector<Path>{"/etc/xdg"}) << "nothing usable: the default";
}

TEST(PlacesTest, UserDirsAreParsedStrictly)
{
    const Path home = "/home/ada";
    struct Case
    {
        const char* what;
        QByteArray line;
        std::optional<Path> desktop; // nothing: refused, the default stays
    };
    const std::vector<Case> cases = {
        {"$HOME-relative", R"x(XDG_DESKTOP_DIR="$HOME/Bureau")x", Path("/home/ada/Bureau")},
        {"blanks around the name and =", "  XDG_DESKTOP_DIR =\t\"$HOME/A B\"  ", Path("/home/ada/A B")},
        {"escaped quote and backslash", R"x(XDG_DESKTOP_DIR="$HOME/say \"hi\" \\ x")x",
         Path("/home/ada/say \"hi\" \\ x")},
        {"absolute inside the home, repeated slashes", R"x(XDG_DESKTOP_DIR="/home/ada//Desk")x",
         Path("/home/ada/Desk")},
        {"raw bytes that are not UTF-8", "XDG_DESKTOP_DIR=\"$HOME/a\xff\"", Path("/home/ada/a\xff")},
        {"absolute outside the home", R"x(XDG_DESKTOP_DIR="/etc")x", std::nullopt},
        {"a sibling of the home", R"x(XDG_DESKTOP_DIR="/home/ada2/Desktop")x", std::nullopt},
        {"climbing out with ..", R"x(XDG_DESKTOP_DIR="$HOME/../bob/Desktop")x", std::nullopt},
        {".. that would stay inside", R"x(XDG_DESKTOP_DIR="$HOME/x/../Desktop")x", std::nullopt},
        {"a . component", R"x(XDG_DESKTOP_DIR="$HOME/./Desktop")x", std::nullopt},
        {"the home itself", R"x(XDG_DESKTOP_DIR="$HOME/")x", std::nullopt},
        {"the home itself, absolute", R"x(XDG_DESKTOP_DIR="/home/ada")x", std::nullopt},
        {"relative", R"x(XDG_DESKTOP_DIR="Desktop")x", std::nullopt},
        {"another variable", R"x(XDG_DESKTOP_DIR="$HOMEDIR/Desktop")x", std::nullopt},
        {"braced variable", R"x(XDG_DESKTOP_DIR="${HOME}/Desktop")x", std::nullopt},
        {"tilde", R"x(XDG_DESKTOP_DIR="~/Desktop")x", std::nullopt},
        {"unquoted", R"x(XDG_DESKTOP_DIR=$HOME/Desktop)x", std::nullopt},
        {"unterminated quote", R"x(XDG_DESKTOP_DIR="$HOME/Desktop)x", std::nullopt},
        {"text after the quote", R"x(XDG_DESKTOP_DIR="$HOME/Desktop"; rm -rf /)x", std::nullopt},
        {"command substitution", R"x(XDG_DESKTOP_DIR="$HOME/$(id)")x", Path("/home/ada/$(id)")},
        {"a NUL inside", QByteArray("XDG_DESKTOP_DIR=\"$HOME/a\0b\"", 27), std::nullopt},
        {"no =", R"x(XDG_DESKTOP_DIR "$HOME/Desktop")x", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto parsed = Places::parseUserDirs(c.line + "\n", home);
        const auto it = parsed.find(Folder::desktop);
        const std::optional<Path> got = it == parsed.end() ? std::nullopt : std::optional<Path>(it->second);
        EXPECT_EQ(got, c.desktop) << c.what;
        const Places places = Places::resolveWith(home, {}, "/", c.line);
        EXPECT_EQ(places.desktop(), c.desktop.value_or(Path("/home/ada/Desktop"))) << c.what;
    }
}

TEST(PlacesTest, UserDirsFileNamesEachFolderAndTheLastLineWins)
{
    const QByteArray file = "# written by xdg-user-dirs-update\n"
                            "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                            "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                            "XDG_TEMPLATES_DIR=\"$HOME/Vorlagen\"\n"
                            "XDG_PUBLICSHARE_DIR=\"$HOME/Öffentlich\"\n"
                            "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
                            "XDG_MUSIC_DIR=\"$HOME/Musik\"\n"
                            "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n"
                            "XDG_VIDEOS_DIR=\"$HOME/Filme\"\n"
                            "XDG_VIDEOS_DIR=\"$HOME/Videos 2\"\n"
                            "XDG_MUSIC_DIR=\"/etc\"\n"
                            "XDG_UNKNOWN_DIR=\"/etc\"\n";
    const Places places = Places::resolveWith("/home/ada", {}, "/", file);
    EXPECT_EQ(places.desktop(), Path("/home/ada/Schreibtisch"));
    EXPECT_EQ(places.downloads(), Path("/home/ada/Downloads"));
    EXPECT_EQ(places.templates(), Path("/home/ada/Vorlagen"));
    EXPECT_EQ(places.publicShare(), Path("/home/ada/Öffentlich"));
    EXPECT_EQ(places.documents(), Path("/home/ada/Dokumente"));
    EXPECT_EQ(places.pictures(), Path("/home/ada/Bilder"));
    EXPECT_EQ(places.videos(), Path("/home/ada/Videos 2"));
    EXPECT_EQ(places.music(), Path("/home/ada/Music")) << "a refused last line leaves the default";

    const Places none = Places::resolveWith("/home/ada", {}, "/", std::nullopt);
    const std::vector<std::pair<Folder, Path>> defaults = {
        {Folder::desktop, "/home/ada/Desktop"},     {Folder::downloads, "/home/ada/Downloads"},
        {Folder::templates, "/home/ada/Templates"}, {Folder::publicShare, "/home/ada/Public"},
        {Folder::documents, "/home/ada/Documents"}, {Folder::music, "/home/ada/Music"},
        {Folder::pictures, "/home/ada/Pictures"},   {Folder::videos, "/home/ada/Videos"}};
    for (const auto& [which, path] : defaults)
        EXPECT_EQ(none.userFolder(which), path) << Places::userDirsKey(which);
}

TEST(PlacesTest, ResolveReadsTheUserDirsFileOfTheConfigHomeOnly)
{
    test::FixtureHome fixture;
    // The process environment points elsewhere; resolve never looks at it.
    qputenv("XDG_CACHE_HOME", "/elsewhere/cache");
    fixture.fileWithContent(".config/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n");
    fixture.fileWithContent("conf2/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Other\"\n");

    const Places places = fixture.places();
    EXPECT_EQ(places.cacheHome(), fixture.cacheHome());
    EXPECT_EQ(places.stateHome(), fixture.stateHome());
    EXPECT_EQ(places.music(), fixture.home() / "Tunes");

    const Places moved =
        Places::resolve(fixture.home(), {{"XDG_CONFIG_HOME", (fixture.home() / "conf2").native()}});
    EXPECT_EQ(moved.music(), fixture.home() / "Other");
    EXPECT_EQ(moved.cacheHome(), fixture.home() / ".cache");

    // A file that is not a regular file, or too large, is not read: every folder keeps its default.
    test::TempTree other;
    other.fifo(".config/user-dirs.dirs");
    EXPECT_EQ(Places::resolve(other.root(), {}).music(), other.root() / "Music");
    test::TempTree large;
    large.fileWithContent(".config/user-dirs.dirs", QByteArray("XDG_MUSIC_DIR=\"$HOME/Tunes\"\n") +
                                                        QByteArray(Places::kUserDirsLimit, '#'));
    EXPECT_EQ(Places::resolve(large.root(), {}).music(), large.root() / "Music");
}

} // namespace
} // namespace qm

#include "core/spacelens/SpaceLensSafety.h"

#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace qm {
namespace {

struct Case
{
    const char* what;
    Path path;
    Path home;
    bool removable;
};

void expectDecisions(const std::vector<Case>& cases, const Path& systemRoot)
{
    for (const Case& c : cases)
        EXPECT_EQ(SpaceLensSafety::isRemovable(c.path, c.home, systemRoot), c.removable)
            << c.what << ": " << c.path << " (home " << c.home << ", system root " << systemRoot << ")";
}

// A system root holding the Mac's folders and this platform's, with homes in four places.
class SpaceLensSafetyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* folder : {"Users/ann/Documents",
                                   "Users/ann/.cache/x",
                                   "Users/ann/.local/share/x",
                                   "Users/ann/Projects",
                                   "Users/Shared",
                                   "Users/other/x",
                                   "System/x",
                                   "Systematic",
                                   "var/x",
                                   "private/var/x",
                                   "Applications/X.app",
                                   "Volumes/x",
                                   "opt/x",
                                   "tmp/x",
                                   "Developer",
                                   "home/ann/Projects",
                                   "home/other/x",
                                   "root/Projects",
                                   "root/Documents",
                                   "boot/x",
                                   "run/x",
                                   "srv/x",
                                   "lib64/x",
                                   "media/usb/x",
                                   "mnt/x",
                                   "data/ann/Projects"})
            tree.folder(s / folder);
        tree.file(h / "Documents/a");
        tree.file(s / "root/Documents/a");
        tree.nonUtf8File(h);
        tree.symlink(h / "Documents", h / "docs");
        tree.symlink(h / ".cache", h / "caches");
        tree.symlink(s, h / "top");
        tree.symlink(s / "var", s / "Developer/var-link");
        tree.symlink(s / "home/other", s / "home/ann/neighbour");
        tree.symlink(s, tree.path("system-link"));
    }

    test::TempTree tree;
    const Path s = tree.path("system");
    const Path h = s / "Users/ann";
};

TEST_F(SpaceLensSafetyTest, DecidesForAHomeInTheUsersFolder)
{
    const std::vector<Case> cases = {
        {"the system root", s, h, false},
        {"the home folder", h, h, false},
        {"the users folder", s / "Users", h, false},
        {"the shared folder", s / "Users/Shared", h, false},
        {"in another user's home", s / "Users/other/x", h, false},
        {"missing, in another user's home", s / "Users/other/gone/deeper", h, false},
        {"the cache home", h / ".cache", h, false},
        {"in the cache home", h / ".cache/x", h, false},
        {"missing, in the cache home", h / ".cache/gone", h, false},
        {"in the data home", h / ".local/share/x", h, false},
        {"the config home (missing)", h / ".config", h, false},
        {"in Flatpak apps' data (missing)", h / ".var/app/x", h, false},
        {"a name sharing the cache home's prefix", h / ".cache2", h, true},
        {"the other platform's Library is no place here", h / "Library", h, true},
        {"in System", s / "System/x", h, false},
        {"missing, in System", s / "System/gone", h, false},
        {"a name sharing System's prefix", s / "Systematic", h, true},
        {"in var", s / "var/x", h, false},
        {"in private", s / "private/var/x", h, false},
        {"an application", s / "Applications/X.app", h, false},
        {"on another volume", s / "Volumes/x", h, false},
        {"in opt", s / "opt/x", h, false},
        {"in tmp", s / "tmp/x", h, false},
        {"a folder outside every rule", s / "Developer", h, true},
        {"missing, outside every rule", s / "Developer/gone", h, true},
        {"a link leading to var", s / "Developer/var-link", h, false},
        {"Documents in the home", h / "Documents", h, false},
        {"DOCUMENTS in the home (missing)", h / "DOCUMENTS", h, false},
        {"downloads in the home (missing)", h / "downloads", h, false},
        {"Videos in the home (missing)", h / "Videos", h, false},
        {"templates in the home (missing)", h / "templates", h, false},
        {"a project folder in the home", h / "Projects", h, true},
        {"a file inside Documents", h / "Documents/a", h, true},
        {"a name that is not UTF-8", h / test::TempTree::nonUtf8Name(), h, true},
        {"missing, directly in the home", h / "gone", h, true},
        {"a link to Documents, judged by its name", h / "docs", h, true},
        {"a link into the cache home", h / "caches", h, false},
        {"a link to the system root", h / "top", h, false},
        {"Documents with a trailing slash", Path(h.native() + "/"), h, false},
        {"Documents given as Documents/.", h / "Documents/.", h, false},
        {"Documents through a duplicate separator", Path(h.native() + "//Documents"), h, false},
        {"a '..' component", h / "Projects/../Projects", h, false},
        {"a relative path", "Users/ann/Projects", h, false},
        {"the home given with a trailing slash", h / "Projects", Path(h.native() + "/"), true},
        {"a home in the users folder; another user's under home", s / "home/other/x", h, false},
        {"a home in the users folder; another user's home", s / "home/ann/Projects", h, false},
    };
    expectDecisions(cases, s);
    expectDecisions(cases, tree.path("system-link"));
}

TEST_F(SpaceLensSafetyTest, ProtectsThisPlatformsFolders)
{
    const Path ann = s / "home/ann";
    const Path data = s / "data/ann";
    const Path root = s / "root";
    const std::vector<Case> cases = {
        {"the home folders' folder", s / "home", ann, false},
        {"in another user's home", s / "home/other/x", ann, false},
        {"the administrator's home", s / "root", ann, false},
        {"in the administrator's home", s / "root/Projects", ann, false},
        {"in boot", s / "boot/x", ann, false},
        {"in run", s / "run/x", ann, false},
        {"in srv", s / "srv/x", ann, false},
        {"in lib64", s / "lib64/x", ann, false},
        {"on a removable disk", s / "media/usb/x", ann, false},
        {"on a mounted disk", s / "mnt/x", ann, false},
        {"missing, in dev", s / "dev/x", ann, false},
        {"a link to another user's home", ann / "neighbour", ann, false},
        {"in the Mac-style users folder", s / "Users/ann/Projects", ann, false},
        {"a project folder in the home", ann / "Projects", ann, true},
        {"Documents in the home (missing)", ann / "Documents", ann, false},
        {"the folder above a home elsewhere", s / "data", data, false},
        {"a project folder in a home elsewhere", data / "Projects", data, true},
        {"a home inside tmp offers nothing", s / "tmp/x", s / "tmp", false},
        {"the administrator's home itself", root, root, false},
        {"a project folder in the administrator's home", root / "Projects", root, true},
        {"a file in the administrator's Documents", root / "Documents/a", root, true},
        {"the administrator's Documents", root / "Documents", root, false},
    };
    expectDecisions(cases, s);
}

TEST_F(SpaceLensSafetyTest, RefusesTheRealKernelFolders)
{
    for (const char* path : {"/proc/1", "/sys/x", "/dev/null"})
        EXPECT_FALSE(SpaceLensSafety::isRemovable(path, h)) << path;
    // The same home under the fixture's own root offers its projects.
    EXPECT_TRUE(SpaceLensSafety::isRemovable(h / "Projects", h, s));
}

// A users' folder that is a link to another disk protects where it leads as well.
TEST(SpaceLensSafety, FollowsAUsersFolderThatIsALink)
{
    test::TempTree tree;
    const Path s = tree.path("system");
    tree.folder(s / "disk/home/ann/Projects");
    tree.folder(s / "disk/home/bob/x");
    tree.symlink("disk/home", s / "home");
    const Path h = s / "home/ann";
    const std::vector<Case> cases = {
        {"another user's folder, through the link", s / "home/bob/x", h, false},
        {"another user's folder, by its real path", s / "disk/home/bob/x", h, false},
        {"the real home folders' folder", s / "disk/home", h, false},
        {"in the home, through the link", h / "Projects", h, true},
        {"in the home, by its real path", s / "disk/home/ann/Projects", h, true},
    };
    expectDecisions(cases, s);
}

// Two spellings that Unicode calls equivalent name two folders here, so a decomposed sibling of a
// composed home is another user's.
TEST(SpaceLensSafety, ComparesPathsAsBytes)
{
    test::TempTree tree;
    const Path s = tree.path("system");
    const Path h = tree.folder(s / "home/jos\xc3\xa9");
    tree.folder(h / "Projects");
    const Path sibling = tree.folder(s / "home/jose\xcc\x81");
    tree.file(sibling / "notes");
    struct stat home, other;
    ASSERT_EQ(::stat(h.c_str(), &home), 0);
    ASSERT_EQ(::stat(sibling.c_str(), &other), 0);
    ASSERT_NE(home.st_ino, other.st_ino);

    const std::vector<Case> cases = {
        {"the decomposed sibling", sibling, h, false},
        {"a file in the decomposed sibling", sibling / "notes", h, false},
        {"a folder in the composed home", h / "Projects", h, true},
    };
    expectDecisions(cases, s);
}

// The user's folders and the XDG homes are protected where this user's places put them: a custom
// config home, a music folder of another name and a videos folder deeper in the home.
TEST(SpaceLensSafety, ProtectsTheUsersOwnPlacesWhereverTheyLie)
{
    test::TempTree tree;
    const Path s = tree.folder("system");
    const Path h = tree.folder(s / "home/ann");
    tree.fileWithContent(h / "conf/user-dirs.dirs",
                         "XDG_MUSIC_DIR=\"$HOME/Sound\"\nXDG_VIDEOS_DIR=\"$HOME/Media/Films\"\n"
                         "XDG_PICTURES_DIR=\"/elsewhere/Pictures\"\n");
    tree.file(h / "Sound/track.flac", 10);
    tree.file(h / "Media/Films/film.mkv", 10);
    tree.file(h / "Media/notes.txt", 10);
    tree.file(h / "conf/app/settings", 10);
    tree.file(h / "Music/old.mp3", 10);
    tree.folder(h / "Projects");
    tree.symlink(h / "Sound", h / "sound-link");
    const Places places = Places::resolve(h, {{"XDG_CONFIG_HOME", (h / "conf").native()}}, s);
    ASSERT_EQ(places.music(), h / "Sound");

    const std::vector<std::pair<Path, bool>> cases{
        {h / "Sound", false},           // the music folder by its own name
        {h / "Sound/track.flac", true}, // what it holds
        {h / "Media/Films", false},     // the videos folder deeper in the home
        {h / "Media", false},           // the folder that holds it
        {h / "Media/notes.txt", true},  // a neighbour
        {h / "conf", false},            // the config home
        {h / "conf/app", false},        // and what it holds
        {h / "Music", false},           // a default name stays protected
        {h / "Pictures", false},        // the refused entry keeps its default
        {h / ".config", false},         // the default config home too
        {h / "Projects", true},         // positive control
        {h / "sound-link", true},       // a link to the music folder is judged as the link
    };
    for (const auto& [path, removable] : cases)
        EXPECT_EQ(SpaceLensSafety::isRemovable(path, places), removable) << path;
    // Without those places the custom folders are ordinary ones.
    EXPECT_TRUE(SpaceLensSafety::isRemovable(h / "Sound", h, s));
    EXPECT_TRUE(SpaceLensSafety::isRemovable(h / "conf", h, s));
}
} // namespace
} // namespace qm

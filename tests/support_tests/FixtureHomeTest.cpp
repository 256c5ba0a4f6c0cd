#include "support/FixtureHome.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace qm::test {
namespace {

std::optional<QByteArray> env(const char* name)
{
    if (!qEnvironmentVariableIsSet(name))
        return std::nullopt;
    return qgetenv(name);
}

QByteArray bytes(const fs::path& path)
{
    return QByteArray::fromStdString(path.native());
}

TEST(FixtureHomeTest, HomeAndXdgFoldersPointIntoTheFixtureAndAreRestored)
{
    // Every way a variable can start out: set, set but empty, and unset.
    qputenv("HOME", "/nonexistent/original-home");
    qputenv("XDG_DATA_HOME", "");
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CACHE_HOME", "/nonexistent/original-cache");

    fs::path root;
    {
        FixtureHome home;
        root = home.home();
        EXPECT_EQ(root, home.root());
        EXPECT_EQ(env("HOME"), bytes(root));
        EXPECT_EQ(env("XDG_DATA_HOME"), bytes(root / ".local/share"));
        EXPECT_EQ(env("XDG_CONFIG_HOME"), bytes(root / ".config"));
        EXPECT_EQ(env("XDG_CACHE_HOME"), bytes(root / ".cache"));
        EXPECT_EQ(home.dataHome(), root / ".local/share");

        // What Qt hands the engines must lie inside the fixture too.
        const QString qtRoot = QFile::decodeName(bytes(root));
        EXPECT_EQ(QDir::homePath(), qtRoot);
        EXPECT_EQ(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                  qtRoot + QStringLiteral("/.local/share"));
        EXPECT_EQ(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                  qtRoot + QStringLiteral("/.config"));
        EXPECT_EQ(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
                  qtRoot + QStringLiteral("/.cache"));

        struct stat st
        {
        };
        EXPECT_NE(::lstat(home.dataHome().c_str(), &st), 0)
            << "the XDG folders are left for the test to make";
        home.file(home.dataHome() / "Trash/files/x", 1);
    }

    EXPECT_EQ(env("HOME"), QByteArray("/nonexistent/original-home"));
    EXPECT_EQ(env("XDG_DATA_HOME"), QByteArray(""));
    EXPECT_EQ(env("XDG_CONFIG_HOME"), std::nullopt);
    EXPECT_EQ(env("XDG_CACHE_HOME"), QByteArray("/nonexistent/original-cache"));
    struct stat st
    {
    };
    EXPECT_NE(::lstat(root.c_str(), &st), 0) << "the fixture home is removed";
}

// A test that walks the home's parent (choosing it in Space Lens, say) walks the fixture only: the
// parent is a folder of the fixture's own, holding the home alone, readable by every user, and it goes
// with the fixture.
TEST(FixtureHomeTest, TheHomeHasAParentFolderOfItsOwn)
{
    fs::path parent;
    {
        const FixtureHome home;
        parent = home.home().parent_path();
        EXPECT_NE(parent, fs::path("/tmp"));
        EXPECT_EQ(parent.parent_path(), fs::path("/tmp"));
        std::vector<fs::path> inside;
        for (const fs::directory_entry& entry : fs::directory_iterator(parent))
            inside.push_back(entry.path());
        EXPECT_EQ(inside, std::vector<fs::path>{home.home()});
        for (const fs::path& folder : {parent, home.home()}) {
            struct stat st
            {
            };
            ASSERT_EQ(::lstat(folder.c_str(), &st), 0) << folder;
            EXPECT_EQ(st.st_mode & 07777, 0755u) << folder;
        }
    }
    struct stat st
    {
    };
    EXPECT_NE(::lstat(parent.c_str(), &st), 0) << "the home's parent is removed with it";
}

} // namespace
} // namespace qm::test

#include "platform/Keychain.h"

#include "support/FixtureHome.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace qm {
namespace {

const QString kAccount = QStringLiteral("malware.defs.versionFloor");

mode_t permissions(const std::filesystem::path& path)
{
    struct stat info
    {
    };
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// The names in `folder`, sorted.
std::vector<std::string> names(const std::filesystem::path& folder)
{
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        out.push_back(entry.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

class FileKeychainTest : public ::testing::Test
{
protected:
    std::filesystem::path folder() const { return tree.path("data/Quillmere/keychain"); }
    std::filesystem::path item() const { return folder() / kAccount.toStdString(); }

    // An item file placed by hand, mode 0600 unless told otherwise.
    void place(const QByteArray& data, mode_t mode = 0600)
    {
        tree.folder(folder());
        tree.fileWithContent(item(), data);
        tree.chmod(item(), mode);
    }

    test::TempTree tree;
    FileKeychain keychain{tree.path("data/Quillmere/keychain")};
};

TEST_F(FileKeychainTest, AddCreatesAPrivateFileInAPrivateFolderAndLeavesNothingElse)
{
    ASSERT_EQ(keychain.add(kAccount, "15"), KeychainStatus::Success);
    EXPECT_EQ(permissions(folder()), 0700u);
    EXPECT_EQ(permissions(item()), 0600u);
    EXPECT_EQ(names(folder()), std::vector<std::string>{kAccount.toStdString()});
    const KeychainRead read = keychain.copy(kAccount);
    EXPECT_EQ(read.status, KeychainStatus::Success);
    EXPECT_EQ(read.data, QByteArray("15"));
}

TEST_F(FileKeychainTest, StatusesFollowTheKeychainsRules)
{
    EXPECT_EQ(keychain.copy(kAccount).status, KeychainStatus::ItemNotFound) << "no folder yet";
    EXPECT_EQ(keychain.update(kAccount, "1"), KeychainStatus::ItemNotFound);
    EXPECT_EQ(keychain.remove(kAccount), KeychainStatus::ItemNotFound);

    ASSERT_EQ(keychain.add(kAccount, "1"), KeychainStatus::Success);
    EXPECT_EQ(keychain.add(kAccount, "2"), KeychainStatus::DuplicateItem);
    EXPECT_EQ(keychain.copy(kAccount).data, QByteArray("1")) << "a refused add changes nothing";

    ASSERT_EQ(keychain.update(kAccount, QByteArray("3\0three", 7)), KeychainStatus::Success);
    EXPECT_EQ(keychain.copy(kAccount).data, QByteArray("3\0three", 7));
    EXPECT_EQ(permissions(item()), 0600u);
    EXPECT_EQ(names(folder()), std::vector<std::string>{kAccount.toStdString()}) << "no temporary left";

    EXPECT_EQ(keychain.remove(kAccount), KeychainStatus::Success);
    EXPECT_EQ(keychain.copy(kAccount).status, KeychainStatus::ItemNotFound);
    EXPECT_EQ(keychain.remove(kAccount), KeychainStatus::ItemNotFound);
}

TEST_F(FileKeychainTest, AccountsThatCannotNameAFileInTheStoreAreRefused)
{
    const QString accounts[] = {QString(),
                                QStringLiteral("."),
                                QStringLiteral(".."),
                                QStringLiteral(".hidden"),
                                QStringLiteral("a/b"),
                                QStringLiteral("../escape"),
                                QStringLiteral("a") + QChar(0) + QStringLiteral("b")};
    for (const QString& account : accounts) {
        const std::string label = account.toStdString();
        EXPECT_EQ(keychain.copy(account).status, KeychainStatus::InvalidParameter) << label;
        EXPECT_EQ(keychain.add(account, "1"), KeychainStatus::InvalidParameter) << label;
        EXPECT_EQ(keychain.update(account, "1"), KeychainStatus::InvalidParameter) << label;
        EXPECT_EQ(keychain.remove(account), KeychainStatus::InvalidParameter) << label;
    }
    EXPECT_FALSE(std::filesystem::exists(tree.path("data/escape")));
    // A non-ASCII account is an ordinary name.
    EXPECT_EQ(keychain.add(QStringLiteral("caf\u00e9"), "1"), KeychainStatus::Success);
    EXPECT_TRUE(std::filesystem::exists(folder() / "caf\xc3\xa9"));
}

TEST_F(FileKeychainTest, AnItemFileThatCouldHaveBeenPlantedIsNotTrusted)
{
    // Positive control: a private file placed by hand reads.
    place("15");
    EXPECT_EQ(keychain.copy(kAccount).data, QByteArray("15"));

    struct Case
    {
        const char* name;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"writable by others", [&] { place("15", 0602); }},
        {"writable by the group", [&] { place("15", 0620); }},
        {"a symbolic link to a private file",
         [&] {
             tree.chmod(tree.fileWithContent("elsewhere", "15"), 0600);
             tree.folder(folder());
             tree.symlink(tree.path("elsewhere"), item());
         }},
        {"a folder", [&] { tree.folder(item()); }},
        {"a FIFO (never blocks)", [&] { tree.fifo(item()); }},
        {"larger than the cap", [&] { place(QByteArray(FileKeychain::kMaxItemBytes + 1, '7')); }},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(folder());
        c.arrange();
        EXPECT_EQ(keychain.copy(kAccount).status, KeychainStatus::IoError) << c.name;
    }

    std::filesystem::remove_all(folder());
    place(QByteArray(FileKeychain::kMaxItemBytes, '7'));
    EXPECT_EQ(keychain.copy(kAccount).data.size(), FileKeychain::kMaxItemBytes) << "exactly the cap reads";
}

TEST_F(FileKeychainTest, AnItemOwnedByAnotherUserIsNotTrusted)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    place("15");
    tree.chown(item());
    EXPECT_EQ(keychain.copy(kAccount).status, KeychainStatus::IoError);
}

TEST_F(FileKeychainTest, RemoveDeletesALinkNotItsTarget)
{
    tree.chmod(tree.fileWithContent("target", "15"), 0600);
    tree.folder(folder());
    tree.symlink(tree.path("target"), item());
    EXPECT_EQ(keychain.remove(kAccount), KeychainStatus::Success);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(item())));
    EXPECT_TRUE(std::filesystem::exists(tree.path("target")));
}

TEST_F(FileKeychainTest, ConcurrentAddsOfOneAccountHaveExactlyOneWinner)
{
    constexpr int kThreads = 8;
    std::atomic<int> successes{0};
    std::atomic<int> duplicates{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            const KeychainStatus status = keychain.add(kAccount, QByteArray::number(i));
            if (status == KeychainStatus::Success)
                ++successes;
            else if (status == KeychainStatus::DuplicateItem)
                ++duplicates;
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(successes.load(), 1);
    EXPECT_EQ(duplicates.load(), kThreads - 1);
    EXPECT_EQ(names(folder()), std::vector<std::string>{kAccount.toStdString()});
}

TEST(FileKeychainDefaults, TheStoreLiesUnderTheUsersDataFolder)
{
    test::FixtureHome home;
    EXPECT_EQ(FileKeychain::defaultFolder(), home.dataHome() / "Quillmere/keychain");
    const FileKeychain keychain;
    ASSERT_EQ(keychain.add(kAccount, "15"), KeychainStatus::Success);
    EXPECT_TRUE(
        std::filesystem::is_regular_file(home.dataHome() / "Quillmere/keychain" / kAccount.toStdString()));

    // A relative XDG_DATA_HOME is not a data folder: the default under the home folder is used.
    qputenv("XDG_DATA_HOME", "relative/share");
    EXPECT_EQ(FileKeychain::defaultFolder(), home.home() / ".local/share/Quillmere/keychain");
}

} // namespace
} // namespace qm

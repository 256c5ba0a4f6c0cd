// The administrator move of an application bundle into the user's Trash: the exact root command, and
// that command run by a plain shell (standing in for the prompt) on temp trees: moves, numbered names,
// refusals before any prompt, the location check, a linked Trash, a folder planted at the destination,
// another volume's own Trash and the prompt's answers.
#include "core/apps/PrivilegedUninstall.h"

#include "core/apps/AppScanner.h"
#include "support/FakeAdminPrompt.h"
#include "support/PrivilegeDrop.h"
#include "support/ScratchMount.h"
#include "support/TempTree.h"

#include <QUrl>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace qm::test {
namespace {

using PrivilegedUninstall::MoveCommand;
using Result = PrivilegedUninstall::Result;

const QString kRefused = QStringLiteral("Refused \u2014 not a recognized application bundle location.");

bool present(const fs::path& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

QByteArray contents(const fs::path& path)
{
    // Raw bytes all the way: a name that is not UTF-8 must still name the same file.
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    return QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
}

// How `command` ends when a plain shell runs it as this process's user.
ProcessOutcome runShell(const std::string& command)
{
    ProcessRequest request;
    request.program = "/bin/sh";
    request.arguments = {"-c", command};
    const auto outcome = ProcessRunner().run(request);
    return outcome ? *outcome : ProcessOutcome{};
}

class PrivilegedUninstallTest : public ::testing::Test
{
protected:
    PrivilegedUninstallTest() { prompt->runWithShell(); }

    PrivilegedUninstall::Environment environment() const
    {
        return PrivilegedUninstall::Environment{prompt, {applications}, homeTrash, {}};
    }
    // A bundle with one file inside, so a move can be told from a copy of an empty folder.
    fs::path bundle(const fs::path& path)
    {
        tree.fileWithContent(path / "Contents/marker", "bundle");
        return tree.path(path);
    }
    fs::path files() const { return homeTrash / "files"; }
    fs::path info() const { return homeTrash / "info"; }

    TempTree tree;
    const fs::path applications = tree.folder("opt");
    const fs::path homeTrash = tree.path("home/.local/share/Trash");
    std::shared_ptr<FakeAdminPrompt> prompt = std::make_shared<FakeAdminPrompt>();
};

TEST(PrivilegedUninstallCommand, NamesEveryPartExactlyWhateverItHolds)
{
    const std::string name = "A'b\"c\\d$(id)`id`\ne.app";
    MoveCommand command;
    command.sourceFolder = "/opt/Vendor's";
    command.sourceName = name;
    command.allowedFolders = {"/opt", "/home/u/Applications"};
    command.trash = "/home/u/.local/share/Trash";
    command.destinationName = "A'b\"c\\d$(id)`id`\ne 2.app";
    command.owner = 1000;
    command.group = 1000;
    // Written out by hand: the name in single quotes, each of its single quotes as '\''.
    const std::string held = "/proc/self/fd/3/'A'\\''b\"c\\d$(id)`id`\ne.app'";
    EXPECT_EQ(PrivilegedUninstall::shellCommand(command),
              "cd -P -- '/opt/Vendor'\\''s' && case \"$(/bin/pwd -P)\" in "
              "'/opt'|'/opt'/*|'/home/u/Applications'|'/home/u/Applications'/*) ;; "
              "*) exit 64;; esac && exec 3< . && cd -P -- '/home/u/.local/share/Trash/files' && "
              "/bin/test \"$(/bin/pwd -P)\" = '/home/u/.local/share/Trash/files' && "
              "/bin/test \"$(/bin/stat -c %u .)\" = 1000 && exec 4< . && "
              "source_mount=$(/bin/grep '^mnt_id:' /proc/self/fdinfo/3) && "
              "trash_mount=$(/bin/grep '^mnt_id:' /proc/self/fdinfo/4) && "
              "/bin/test \"$source_mount\" = \"$trash_mount\" && /bin/test \"$(/bin/stat -c %d -- " +
                  held + ")\" = \"$(/bin/stat -c %d .)\" && /bin/test ! -L " + held +
                  " && /bin/mv -n -T -- " + held + " './A'\\''b\"c\\d$(id)`id`\ne 2.app' && /bin/test ! -e " +
                  held + " && /bin/test ! -L " + held);

    command.createTrash = true;
    command.trash = "/mnt/usb/.Trash-1000";
    const std::string withTrash = PrivilegedUninstall::shellCommand(command);
    EXPECT_NE(
        withTrash.find(" && exec 3< . && /bin/mkdir -m 0700 -- '/mnt/usb/.Trash-1000' && "
                       "/bin/mkdir -m 0700 -- '/mnt/usb/.Trash-1000/files' '/mnt/usb/.Trash-1000/info' && "
                       "/bin/chown -h -- 1000:1000 '/mnt/usb/.Trash-1000/files' "
                       "'/mnt/usb/.Trash-1000/info' '/mnt/usb/.Trash-1000' && cd -P -- "
                       "'/mnt/usb/.Trash-1000/files' && "),
        std::string::npos)
        << withTrash;
}

TEST(PrivilegedUninstallCommand, SingleQuotingKeepsEveryByteLiteral)
{
    for (const std::string& text : {std::string("plain"), std::string("it's"), std::string("a\"b\\c"),
                                    std::string("$(touch x)`touch y`"), std::string("line\nbreak"),
                                    std::string("''"), std::string("\xff\x01")}) {
        const auto outcome = runShell("printf %s " + PrivilegedUninstall::singleQuoted(text));
        EXPECT_EQ(outcome.standardOutput, QByteArray::fromStdString(text));
    }
}

TEST_F(PrivilegedUninstallTest, MovesTheBundleIntoTheHomeTrashWithItsInfoFile)
{
    const fs::path app = bundle("opt/Example.app");
    // The answer names the Trash folder the bundle went to.
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(app, environment()), Result::success(files()));
    EXPECT_FALSE(present(app));
    EXPECT_EQ(contents(files() / "Example.app/Contents/marker"), QByteArray("bundle"));
    const QByteArray infoText = contents(info() / "Example.app.trashinfo");
    EXPECT_TRUE(infoText.startsWith(
        "[Trash Info]\nPath=" + QUrl::toPercentEncoding(QByteArray::fromStdString(app.native()), "/") +
        "\nDeletionDate="))
        << infoText.toStdString();
    struct stat st;
    ASSERT_EQ(::stat(files().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(prompt->commands().size(), 1u);
}

TEST_F(PrivilegedUninstallTest, TheInfoFileKeepsTheRawBytesOfABundleNameThatIsNotUtf8)
{
    const std::pair<std::string, std::string> rows[] = {{"Bad\xff.app", "/Bad%FF.app"},
                                                        {"Caf\xe9.app", "/Caf%E9.app"}};
    for (const auto& [name, encodedName] : rows) {
        const fs::path app = bundle(applications / name);
        EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(app, environment()).kind, Result::Kind::success)
            << encodedName;
        EXPECT_EQ(contents(files() / name / "Contents/marker"), QByteArray("bundle")) << encodedName;
        const std::string expected =
            "[Trash Info]\nPath=" +
            QByteArray::fromStdString(applications.native()).toPercentEncoding("/").toStdString() +
            encodedName + "\nDeletionDate=";
        EXPECT_EQ(contents(info() / (name + ".trashinfo")).toStdString().substr(0, expected.size()),
                  expected);
    }
}

TEST_F(PrivilegedUninstallTest, HostileNamesMoveExactlyThatBundleAndRunNothing)
{
    for (const std::string& name : {std::string("Vendor's \"Best\".app"), std::string("back\\slash.app"),
                                    std::string("$(touch pwned).app"), std::string("`touch pwned`.app"),
                                    std::string("new\nline.app"), std::string("a\xff.app")}) {
        SCOPED_TRACE(name);
        const fs::path app = bundle(fs::path("opt") / name);
        EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(app, environment()).kind, Result::Kind::success);
        EXPECT_FALSE(present(app));
        EXPECT_EQ(contents(files() / name / "Contents/marker"), QByteArray("bundle"));
    }
    for (const auto& entry : fs::recursive_directory_iterator(tree.root()))
        EXPECT_NE(entry.path().filename(), "pwned") << "a name was run as a command";
}

TEST_F(PrivilegedUninstallTest, TakenNamesGiveNumberedDestinations)
{
    tree.folder(files() / "Example.app");
    const fs::path first = bundle("opt/Example.app");
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(first, environment()).kind, Result::Kind::success);
    EXPECT_TRUE(present(files() / "Example 2.app/Contents/marker"));
    EXPECT_TRUE(present(info() / "Example 2.app.trashinfo"));

    // A name whose info file alone is taken is passed over too.
    tree.fileWithContent(info() / "Example 3.app.trashinfo", "other");
    const fs::path second = bundle("opt/Example.app");
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(second, environment()).kind, Result::Kind::success);
    EXPECT_TRUE(present(files() / "Example 4.app/Contents/marker"));
    EXPECT_EQ(contents(info() / "Example 3.app.trashinfo"), QByteArray("other"));

    struct Row
    {
        std::string name;
        std::vector<std::string> taken;
        std::string expected;
    };
    const std::vector<Row> rows{{"Example.app", {}, "Example.app"},
                                {"Example.app", {"Example.app"}, "Example 2.app"},
                                {"Example.app", {"Example.app", "Example 2.app"}, "Example 3.app"},
                                {"Tool", {"Tool"}, "Tool 2"},
                                {"a.b.app", {"a.b.app"}, "a.b 2.app"},
                                {"Linked.app", {"Linked.app"}, "Linked 2.app"}};
    for (const Row& row : rows) {
        TempTree folder;
        for (const std::string& taken : row.taken) {
            if (taken == "Linked.app")
                folder.symlink("missing", taken); // a dangling link takes the name as well
            else
                folder.folder(taken);
        }
        EXPECT_EQ(PrivilegedUninstall::uniqueDestination(row.name, folder.root()),
                  folder.root() / row.expected)
            << row.name;
    }
}

TEST_F(PrivilegedUninstallTest, BundlesBelowAnApplicationFolderOrReachedThroughALinkAreAccepted)
{
    const fs::path vendor = bundle("opt/Vendor/Suite/Tool.app");
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(vendor, environment()).kind, Result::Kind::success);
    EXPECT_TRUE(present(files() / "Tool.app/Contents/marker"));

    tree.symlink(applications, "Linked");
    bundle("opt/Through.app");
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(tree.path("Linked/Through.app"), environment()).kind,
              Result::Kind::success);
    EXPECT_TRUE(present(files() / "Through.app/Contents/marker"));
    EXPECT_FALSE(present(applications / "Through.app"));
}

TEST_F(PrivilegedUninstallTest, ItemsOutsideTheApplicationFoldersAreRefusedBeforeAnyPrompt)
{
    for (const fs::path& item :
         {bundle("Downloads/Example.app"), bundle("optX/Near.app"), tree.path("opt")}) {
        EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(item, environment()), Result::failed(kRefused))
            << item.native();
    }
    EXPECT_TRUE(prompt->commands().empty());
    EXPECT_FALSE(present(homeTrash)) << "nothing is prepared for a refused item";
}

// An application's own folder under /opt: any name is accepted there, and only there.
TEST_F(PrivilegedUninstallTest, AnApplicationFolderOfAnyNameMovesOnlyFromAnApplicationFolder)
{
    const fs::path viewer = bundle("opt/viewer");
    const fs::path shouting = bundle("opt/Shouting.APP");
    const fs::path elsewhere = bundle("Downloads/viewer");
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(elsewhere, environment()), Result::failed(kRefused));
    EXPECT_TRUE(prompt->commands().empty());
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(viewer, environment()), Result::success(files()));
    EXPECT_FALSE(present(viewer));
    EXPECT_EQ(contents(files() / "viewer/Contents/marker"), QByteArray("bundle"));
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(shouting, environment()), Result::success(files()));
    EXPECT_EQ(contents(files() / "Shouting.APP/Contents/marker"), QByteArray("bundle"));
}

// An application listed through a link (/opt/X.app pointing at the real bundle elsewhere):
// moving the link would leave the application installed, so nothing moves, before any prompt or by
// the root command when the link is swapped in after the check.
TEST_F(PrivilegedUninstallTest, ABundleThatIsALinkIsRefusedWholeOnBothSidesOfThePrompt)
{
    const fs::path real = bundle("home/Applications/Real.app");
    const fs::path link = tree.symlink(real, "opt/Linked.app");
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(link, environment()),
              Result::failed(AppScanner::linkedBundleRefusal()));
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(tree.path("opt/Linked.app/"), environment()),
              Result::failed(AppScanner::linkedBundleRefusal()))
        << "a trailing slash names the link too";
    EXPECT_TRUE(prompt->commands().empty());

    const fs::path swapped = bundle("opt/Swapped.app");
    prompt->beforeRun([&](const std::string&) {
        fs::rename(swapped, tree.path("home/Applications/Swapped.app"));
        tree.symlink(tree.path("home/Applications/Swapped.app"), swapped);
    });
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(swapped, environment()).kind, Result::Kind::failed);
    EXPECT_EQ(fs::read_symlink(swapped), tree.path("home/Applications/Swapped.app")) << "the link stays";
    EXPECT_TRUE(present(tree.path("home/Applications/Swapped.app/Contents/marker")));
    EXPECT_TRUE(present(real / "Contents/marker"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_FALSE(present(files() / "Swapped.app"));
    EXPECT_FALSE(present(files() / "Linked.app"));
    EXPECT_FALSE(present(info() / "Swapped.app.trashinfo")) << "the reserved info file is released";
}

TEST_F(PrivilegedUninstallTest, TheRootCommandRefusesASourceOutsideTheApplicationFolders)
{
    const fs::path downloads = tree.folder("Downloads");
    bundle("Downloads/Example.app");
    tree.folder(files());
    MoveCommand command;
    command.sourceFolder = downloads;
    command.sourceName = "Example.app";
    command.allowedFolders = {applications};
    command.trash = homeTrash;
    command.destinationName = "Example.app";
    command.owner = ::getuid();
    command.group = ::getgid();
    const ProcessOutcome outcome = runShell(PrivilegedUninstall::shellCommand(command));
    EXPECT_EQ(outcome.exitCode, PrivilegedUninstall::kOutsideApplicationFolders);
    EXPECT_TRUE(present(downloads / "Example.app/Contents/marker"));
    EXPECT_FALSE(present(files() / "Example.app"));

    // A folder whose name only begins like an application folder is outside too.
    command.sourceFolder = tree.folder("opt-old");
    bundle("opt-old/Example.app");
    EXPECT_EQ(runShell(PrivilegedUninstall::shellCommand(command)).exitCode,
              PrivilegedUninstall::kOutsideApplicationFolders);
}

TEST_F(PrivilegedUninstallTest, ATrashSwappedForALinkIsRefused)
{
    const fs::path app = bundle("opt/Example.app");
    const fs::path elsewhere = tree.folder("elsewhere");
    prompt->beforeRun([&](const std::string&) {
        fs::rename(files(), homeTrash / "files.real");
        fs::create_directory_symlink(elsewhere, files());
    });
    const Result result = PrivilegedUninstall::moveToUserTrash(app, environment());
    EXPECT_EQ(result, Result::failed(QStringLiteral("The privileged move failed.")));
    EXPECT_TRUE(present(app / "Contents/marker"));
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_FALSE(present(info() / "Example.app.trashinfo")) << "the reserved info file is released";
}

TEST_F(PrivilegedUninstallTest, AFolderPlantedAtTheDestinationDoesNotReceiveTheBundle)
{
    const fs::path app = bundle("opt/Example.app");
    prompt->beforeRun([&](const std::string&) { fs::create_directory(files() / "Example.app"); });
    const Result result = PrivilegedUninstall::moveToUserTrash(app, environment());
    EXPECT_EQ(result.kind, Result::Kind::failed);
    EXPECT_TRUE(present(app / "Contents/marker"));
    EXPECT_TRUE(fs::is_empty(files() / "Example.app"));
    EXPECT_FALSE(present(info() / "Example.app.trashinfo"));
}

TEST_F(PrivilegedUninstallTest, TheTrashMustBeTheUsersOwnRealFolder)
{
    const fs::path app = bundle("opt/Example.app");
    tree.folder(tree.path("home/.local/share"));
    tree.symlink(tree.folder("other-trash"), homeTrash);
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(app, environment()).kind, Result::Kind::failed);
    EXPECT_TRUE(prompt->commands().empty());
    EXPECT_TRUE(present(app));
}

TEST_F(PrivilegedUninstallTest, ThePromptsAnswersAreClassifiedAndReleaseTheInfoFile)
{
    struct Row
    {
        const char* name;
        std::function<void(FakeAdminPrompt&)> arrange;
        Result result;
    };
    const std::vector<Row> rows{
        {"dismissed", [](FakeAdminPrompt& p) { p.dismiss(); }, Result::cancelled()},
        {"the move's own 126", [](FakeAdminPrompt& p) { p.answerExit(126, "mv: cannot execute"); },
         Result::failed(QStringLiteral("mv: cannot execute"))},
        {"user canceled in the text",
         [](FakeAdminPrompt& p) { p.answerExit(1, "execution error: User Canceled."); }, Result::cancelled()},
        {"user cancelled in the text", [](FakeAdminPrompt& p) { p.answerExit(1, "USER CANCELLED"); },
         Result::cancelled()},
        {"error text", [](FakeAdminPrompt& p) { p.answerExit(127, "\nNot authorized\n"); },
         Result::failed(QStringLiteral("Not authorized"))},
        {"no error text", [](FakeAdminPrompt& p) { p.answerExit(64); },
         Result::failed(QStringLiteral("The privileged move failed."))},
        {"pkexec missing",
         [](FakeAdminPrompt& p) {
             p.failToStart(Error(ErrorDomain::Posix, ENOENT, QStringLiteral("No pkexec")));
         },
         Result::failed(QStringLiteral("No pkexec"))},
    };
    const fs::path app = bundle("opt/Example.app");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.arrange(*prompt);
        EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(app, environment()), row.result);
        EXPECT_TRUE(present(app));
        EXPECT_TRUE(fs::is_empty(info()));
    }
}

TEST_F(PrivilegedUninstallTest, ABundleOnAnotherVolumeGoesToThatVolumesTrash)
{
    const auto volume = test::ScratchMount::tmpfs(tree.path("volume"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(volume);
    const fs::path volumeApps = tree.folder("volume/opt");
    const fs::path app = bundle("volume/opt/Example.app");
    PrivilegedUninstall::Environment env = environment();
    env.appDirectories = {applications, volumeApps};
    const fs::path volumeTrash = tree.path("volume/.Trash-" + std::to_string(::getuid()));
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(app, env), Result::success(volumeTrash / "files"));
    EXPECT_TRUE(present(volumeTrash / "files/Example.app/Contents/marker"));
    EXPECT_TRUE(present(volumeTrash / "info/Example.app.trashinfo"));
    struct stat st;
    ASSERT_EQ(::lstat(volumeTrash.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_FALSE(present(homeTrash / "files/Example.app"));
}

TEST_F(PrivilegedUninstallTest, TheRootCommandNeverMovesAcrossFileSystems)
{
    const auto volume = test::ScratchMount::tmpfs(tree.path("volume"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(volume);
    const fs::path volumeApps = tree.folder("volume/opt");
    bundle("volume/opt/Example.app");
    tree.folder(files());
    MoveCommand command;
    command.sourceFolder = volumeApps;
    command.sourceName = "Example.app";
    command.allowedFolders = {volumeApps};
    command.trash = homeTrash; // on the tree's file system, not the volume's
    command.destinationName = "Example.app";
    command.owner = ::getuid();
    command.group = ::getgid();
    EXPECT_FALSE(runShell(PrivilegedUninstall::shellCommand(command)).succeeded());
    EXPECT_TRUE(present(volumeApps / "Example.app/Contents/marker"));
    EXPECT_FALSE(present(files() / "Example.app")) << "mv would have copied across devices";
}

TEST_F(PrivilegedUninstallTest, TheRootCommandNeverMovesAcrossTwoMountsOfOneFileSystem)
{
    // The application folder is a bind mount: the same device number as the Trash, yet a rename
    // between the two fails with EXDEV, upon which `mv` would copy the bundle and delete it as root.
    const fs::path app = bundle("elsewhere/Example.app");
    const test::ScratchMount bound = test::ScratchMount::bind(tree.path("elsewhere"), applications);
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(bound);
    const fs::path boundApp = applications / "Example.app";
    struct stat bundleStatus, treeStatus;
    ASSERT_EQ(::lstat(boundApp.c_str(), &bundleStatus), 0);
    ASSERT_EQ(::lstat(tree.root().c_str(), &treeStatus), 0);
    ASSERT_EQ(bundleStatus.st_dev, treeStatus.st_dev) << "a bind mount keeps the device number";

    const Result answer = PrivilegedUninstall::moveToUserTrash(boundApp, environment());
    EXPECT_EQ(answer.kind, Result::Kind::failed);
    EXPECT_EQ(contents(app / "Contents/marker"), "bundle");
    EXPECT_FALSE(present(files() / "Example.app")) << "mv copied between the mounts";
    EXPECT_TRUE(fs::is_empty(info())) << "the reserved info file was released";

    // Positive control: from a folder on the Trash's own mount the same command moves the bundle.
    const fs::path local = bundle("opt-local/Example.app");
    PrivilegedUninstall::Environment env = environment();
    env.appDirectories = {tree.path("opt-local")};
    EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(local, env).kind, Result::Kind::success);
    EXPECT_TRUE(present(files() / "Example.app/Contents/marker"));
}

TEST_F(PrivilegedUninstallTest, AVolumeTrashTheUserCannotMakeIsMadeByTheRootCommand)
{
    QM_SKIP_UNLESS_PRIVILEGE_DROP();
    const auto volume = test::ScratchMount::tmpfs(tree.path("volume"));
    QM_SKIP_UNLESS_SCRATCH_MOUNTED(volume);
    const fs::path volumeApps = tree.folder("volume/opt");
    const fs::path app = bundle("volume/opt/Example.app");
    const fs::path volumeTrash = tree.path("volume/.Trash-" + std::to_string(TempTree::kOtherUid));
    prompt->answerExit(0); // recorded only; run as root below
    PrivilegedUninstall::Environment env = environment();
    env.appDirectories = {volumeApps};
    {
        DroppedPrivileges dropped(TempTree::kOtherUid, TempTree::kOtherGid);
        // The user's side reads the bundle's place (or no command would be built) but may not write
        // at the volume's top.
        EXPECT_EQ(PrivilegedUninstall::moveToUserTrash(app, env).kind, Result::Kind::success);
        EXPECT_FALSE(present(volumeTrash));
    }
    ASSERT_EQ(prompt->commands().size(), 1u);
    const std::string command = prompt->commands()[0];
    EXPECT_NE(command.find("/bin/mkdir -m 0700 -- '" + volumeTrash.native() + "'"), std::string::npos)
        << command;

    const ProcessOutcome outcome = runShell(command);
    EXPECT_TRUE(outcome.succeeded()) << outcome.standardError.toStdString();
    EXPECT_TRUE(present(volumeTrash / "files/Example.app/Contents/marker"));
    for (const fs::path& made : {volumeTrash, volumeTrash / "files", volumeTrash / "info"}) {
        struct stat st;
        ASSERT_EQ(::lstat(made.c_str(), &st), 0) << made.native();
        EXPECT_EQ(st.st_uid, TempTree::kOtherUid) << made.native();
        EXPECT_EQ(st.st_gid, TempTree::kOtherGid) << made.native();
        EXPECT_EQ(st.st_mode & 07777, 0700u) << made.native();
    }
}

} // namespace
} // namespace qm::test

#include "app/platform/GuiWorkspace.h"
#include "core/apps/RunningApps.h"
#include "platform/RunningAppWatcher.h"
#include "support/BundleProcess.h"
#include "support/FakeClock.h"
#include "support/FakeWorkspace.h"
#include "support/FixtureOnlyWorkspace.h"
#include "support/PrivilegeDrop.h"
#include "support/TempTree.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>
#include <tuple>

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FixtureOnlyWorkspace;

std::optional<RunningApplication> findPid(const std::vector<RunningApplication>& running, pid_t pid)
{
    const auto found = std::find_if(running.begin(), running.end(),
                                    [&](const RunningApplication& app) { return app.pid == pid; });
    return found == running.end() ? std::nullopt : std::optional<RunningApplication>(*found);
}

// Real processes started from programs under a temporary folder (no links on the way).
class RunningApplicationsTest : public ::testing::Test
{
protected:
    test::TempTree tree;
    GuiWorkspace workspace{QDBusConnection(QStringLiteral("none")), [](const QUrl&) { return true; }};
};

TEST_F(RunningApplicationsTest, ListsTheUsersProcessesWithTheirExecutablesAndQuitEndsThem)
{
    const fs::path named = test::makeSleeper(tree.path("opt/Sleeper/sleeper"));
    const fs::path odd = test::makeSleeper(tree.path("opt") / test::TempTree::nonUtf8Name() / "sleeper");
    test::BundleProcess first(named);
    test::BundleProcess second(odd);

    const std::vector<RunningApplication> running = workspace.runningApplications();
    const auto a = findPid(running, first.pid());
    const auto b = findPid(running, second.pid());
    ASSERT_TRUE(a && b) << "a started process is missing";
    EXPECT_EQ(a->executable.native(), named.native());
    EXPECT_EQ(b->executable.native(), odd.native()) << "the name's bytes stay as they are";
    EXPECT_TRUE(a->flatpakId.isEmpty());
    EXPECT_TRUE(std::is_sorted(running.begin(), running.end(),
                               [](const auto& x, const auto& y) { return x.pid < y.pid; }));
    const auto self = findPid(running, ::getpid());
    ASSERT_TRUE(self) << "the user's own process is missing";
    EXPECT_EQ(self->executable, fs::read_symlink("/proc/self/exe"));

    workspace.terminate(*b);
    ASSERT_TRUE(second.waitForExit(10s)) << "SIGTERM did not end it";
    EXPECT_EQ(second.endedBySignal(), SIGTERM);
    EXPECT_FALSE(findPid(workspace.runningApplications(), second.pid()));
    EXPECT_TRUE(findPid(workspace.runningApplications(), first.pid())) << "only the one asked quits";
}

TEST_F(RunningApplicationsTest, AProgramIsRecognisedByItsExecutableNameAmongTheUsersOwnProcesses)
{
    const fs::path firefox = test::makeSleeper(tree.path("usr/lib/firefox-esr/firefox-esr"));
    const fs::path replaced = test::makeSleeper(tree.path("opt/vivaldi/vivaldi-bin"));
    const fs::path other = test::makeSleeper(tree.path("opt/google/chrome/chrome"));
    test::BundleProcess ours(firefox);
    test::BundleProcess upgraded(replaced);
    // A package upgrade replaces the file under a running browser: the kernel then names it
    // "<path> (deleted)".
    fs::remove(replaced);
    const test::FixtureOnlyWorkspace mine(workspace, tree.root());
    const std::vector<RunningApplication> running = mine.runningApplications();

    const ProgramIdentity firefoxProgram{{"firefox", "firefox-esr"}, {QStringLiteral("org.mozilla.firefox")}};
    const ProgramIdentity vivaldiProgram{{"vivaldi-bin"}, {QStringLiteral("com.vivaldi.Vivaldi")}};
    const ProgramIdentity chromeProgram{{"chrome"}, {QStringLiteral("com.google.Chrome")}};
    const auto firefoxes = RunningApps::instancesOf(running, firefoxProgram);
    ASSERT_EQ(firefoxes.size(), 1u);
    EXPECT_EQ(firefoxes.front().pid, ours.pid());
    EXPECT_EQ(firefoxes.front().executable, firefox);
    EXPECT_TRUE(firefoxes.front().flatpakId.isEmpty());
    const auto vivaldis = RunningApps::instancesOf(running, vivaldiProgram);
    ASSERT_EQ(vivaldis.size(), 1u);
    EXPECT_EQ(vivaldis.front().pid, upgraded.pid());
    EXPECT_EQ(vivaldis.front().executable.native(), replaced.native() + " (deleted)");
    EXPECT_EQ(vivaldis.front().executableName(), "vivaldi-bin");
    EXPECT_TRUE(RunningApps::instancesOf(running, chromeProgram).empty());
    EXPECT_TRUE(RunningApps::instancesOf(running, ProgramIdentity{}).empty()) << "an empty identity";

    if (!test::canDropPrivileges())
        return; // the rest needs a process of another user
    test::BundleProcess theirs(other, false, test::TempTree::kOtherUid);
    const auto ofUs = RunningApps::instancesOf(mine.runningApplications(), chromeProgram);
    EXPECT_TRUE(ofUs.empty()) << "another user's chrome counted as ours";
    // Control: the process is there and readable, as that user's.
    const auto ofThem =
        RunningApps::instancesOf(RunningApps::list(Path("/proc"), test::TempTree::kOtherUid), chromeProgram);
    ASSERT_TRUE(
        std::any_of(ofThem.begin(), ofThem.end(), [&](const auto& p) { return p.pid == theirs.pid(); }));

    // Root may signal anyone; quitting still leaves another user's process alone.
    const auto listedAsTheirs =
        *std::find_if(ofThem.begin(), ofThem.end(), [&](const auto& p) { return p.pid == theirs.pid(); });
    workspace.terminate(listedAsTheirs);
    EXPECT_FALSE(theirs.waitForExit(300ms)) << "another user's process was quit";
    // A value naming another executable than the process runs now is left alone too; the right one quits.
    RunningApplication stale = firefoxes.front();
    stale.executable = replaced;
    workspace.terminate(stale);
    EXPECT_FALSE(ours.waitForExit(300ms));
    workspace.terminate(firefoxes.front());
    ASSERT_TRUE(ours.waitForExit(10s));
    EXPECT_EQ(ours.endedBySignal(), SIGTERM);
}

TEST_F(RunningApplicationsTest, FlatpakIdComesFromTheSandboxsInstanceFile)
{
    struct Row
    {
        const char* what;
        QByteArray info;
        QString id;
    };
    const Row rows[] = {
        {"an application", "[Application]\nname=org.mozilla.firefox\nruntime=runtime/x\n\n[Instance]\n",
         "org.mozilla.firefox"},
        {"blanks and CRLF", "[Application]\r\n name = com.google.Chrome \r\n", "com.google.Chrome"},
        {"the first name of the group holds", "[Application]\nname=a.b\nname=c.d\n", "a.b"},
        {"a name in another group", "[Instance]\nname=org.evil.App\n[Application]\nruntime=x\n", ""},
        {"a bare runtime", "[Runtime]\nname=org.freedesktop.Platform\n", ""},
        {"a name that is no app id", "[Application]\nname=../../etc\n", ""},
        {"one part only", "[Application]\nname=firefox\n", ""},
        {"an empty part", "[Application]\nname=org..firefox\n", ""},
        {"a slash", "[Application]\nname=org.mozilla/firefox\n", ""},
        {"too long", "[Application]\nname=a." + QByteArray(254, 'b') + "\n", ""},
        {"nothing", "", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(RunningApps::flatpakIdFromInfo(row.info), row.id) << row.what;
}

TEST_F(RunningApplicationsTest, AProcessTableReadsOwnersExecutablesAndSandboxes)
{
    // A process table of fixture entries: "exe" links, "root" links to a sandbox's root folder.
    const fs::path proc = tree.folder("proc");
    const auto entry = [&](const char* pid, const char* exe, const QByteArray* info) {
        const fs::path folder = tree.folder(proc / pid);
        tree.symlink(exe, folder / "exe");
        const fs::path root = tree.folder(tree.path("roots") / pid);
        if (info)
            tree.fileWithContent(root / ".flatpak-info", *info);
        tree.symlink(root, folder / "root");
        return folder;
    };
    const QByteArray chrome = "[Application]\nname=com.google.Chrome\n";
    const QByteArray huge =
        "[Application]\nname=com.google.Chrome\n" + QByteArray(RunningApps::kMaxFlatpakInfoBytes, '#');
    entry("12", "/app/extra/chrome", &chrome);
    entry("7", "/usr/lib/firefox/firefox", nullptr);
    entry("30", "/app/bin/too-big", &huge);
    entry("31", "/app/bin/fifo", nullptr);
    tree.fifo(tree.path("roots/31/.flatpak-info")); // never opened, so the listing cannot hang
    tree.folder(proc / "self");
    tree.folder(proc / "40"); // a kernel thread: no executable
    const bool asRoot = test::canDropPrivileges();
    if (asRoot)
        tree.chown(entry("50", "/usr/bin/chrome", &chrome)); // another user's

    const std::vector<RunningApplication> running = RunningApps::list(proc);
    std::vector<std::tuple<qint64, std::string, QString>> seen;
    for (const RunningApplication& p : running)
        seen.emplace_back(p.pid, p.executable.native(), p.flatpakId);
    EXPECT_EQ(seen, (std::vector<std::tuple<qint64, std::string, QString>>{
                        {7, "/usr/lib/firefox/firefox", ""},
                        {12, "/app/extra/chrome", "com.google.Chrome"},
                        {30, "/app/bin/too-big", ""},
                        {31, "/app/bin/fifo", ""},
                    }));
    const ProgramIdentity byId{{}, {QStringLiteral("com.google.Chrome")}};
    ASSERT_EQ(RunningApps::instancesOf(running, byId).size(), 1u);
    EXPECT_EQ(RunningApps::instancesOf(running, byId).front().pid, 12);
    if (asRoot) {
        const auto theirs = RunningApps::process(50, proc, test::TempTree::kOtherUid);
        ASSERT_TRUE(theirs) << "the other user's entry is readable as theirs";
        EXPECT_EQ(theirs->flatpakId, QStringLiteral("com.google.Chrome"));
        EXPECT_FALSE(RunningApps::process(50, proc));
    }
}

TEST_F(RunningApplicationsTest, AProcessThatIgnoresTheRequestStays)
{
    test::BundleProcess stubborn(test::makeSleeper(tree.path("opt/stubborn/stubborn")), true);
    const auto listed = findPid(workspace.runningApplications(), stubborn.pid());
    ASSERT_TRUE(listed);
    workspace.terminate(*listed);
    EXPECT_FALSE(stubborn.waitForExit(300ms));
    EXPECT_TRUE(findPid(workspace.runningApplications(), stubborn.pid()));
}

TEST_F(RunningApplicationsTest, TheWatcherTellsEachLaunchAndTerminationOnceWhileConnected)
{
    test::FakeClock clock;
    test::FixtureOnlyWorkspace mine(workspace, tree.root());
    RunningAppWatcher watcher(mine, clock);
    EXPECT_FALSE(watcher.polling()) << "nothing is connected yet";
    QSignalSpy launched(&watcher, &RunningAppWatcher::launched);
    QSignalSpy terminated(&watcher, &RunningAppWatcher::terminated);
    EXPECT_TRUE(watcher.polling());

    clock.advance(1000ms);
    EXPECT_EQ(launched.count(), 0);

    auto process = std::make_unique<test::BundleProcess>(test::makeSleeper(tree.path("opt/watched/watched")));
    clock.advance(999ms);
    EXPECT_EQ(launched.count(), 0) << "polled sooner than once a second";
    clock.advance(1ms);
    EXPECT_EQ(launched.count(), 1);
    clock.advance(3000ms);
    EXPECT_EQ(launched.count(), 1) << "one launch told more than once";
    EXPECT_EQ(terminated.count(), 0);

    process.reset(); // killed and reaped
    clock.advance(1000ms);
    EXPECT_EQ(terminated.count(), 1);
    clock.advance(3000ms);
    EXPECT_EQ(terminated.count(), 1);
    EXPECT_EQ(launched.count(), 1);
}

TEST(RunningAppWatcher, PollsOnlyWhileSomethingListens)
{
    test::FakeClock clock;
    test::FakeWorkspace workspace;
    RunningAppWatcher watcher(workspace, clock);
    clock.advance(5000ms);
    EXPECT_EQ(workspace.runningReads(), 0);
    {
        QSignalSpy spy(&watcher, &RunningAppWatcher::terminated);
        clock.advance(3000ms);
        EXPECT_EQ(workspace.runningReads(), 4) << "one stock-taking, then one read a second";
    }
    clock.advance(5000ms);
    EXPECT_EQ(workspace.runningReads(), 4);
    EXPECT_FALSE(watcher.polling());
}

} // namespace
} // namespace qm

#include "app/platform/GuiWorkspace.h"
#include "core/apps/RunningApps.h"
#include "platform/RunningAppWatcher.h"
#include "support/BundleProcess.h"
#include "support/FakeClock.h"
#include "support/FakeWorkspace.h"
#include "support/FixtureOnlyWorkspace.h"
#include "support/TempTree.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

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

// Real processes started from fixture bundles under a temporary folder (no links on the way).
class RunningApplicationsTest : public ::testing::Test
{
protected:
    test::TempTree tree;
    GuiWorkspace workspace{QDBusConnection(QStringLiteral("none")), [](const QUrl&) {}};
};

TEST_F(RunningApplicationsTest, BundleOfTakesThePathUpToTheFirstBundleComponent)
{
    struct Row
    {
        const char* executable;
        std::optional<const char*> bundle;
    };
    const Row rows[] = {
        {"/Applications/A.app/Contents/MacOS/A", "/Applications/A.app"},
        {"/x/Outer.app/Contents/Helpers/Inner.app/Contents/MacOS/I", "/x/Outer.app"},
        {"/usr/bin/sleep", std::nullopt},
        {"/x/.app/Contents/MacOS/A", std::nullopt}, // the suffix alone is no bundle name
        {"/x/Tool.app", std::nullopt},              // an executable named like a bundle is not inside one
        {"/x/A.APP/Contents/MacOS/A", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.executable);
        const auto bundle = RunningApps::bundleOf(Path(row.executable));
        EXPECT_EQ(bundle.has_value(), row.bundle.has_value());
        if (bundle && row.bundle) {
            EXPECT_EQ(bundle->native(), std::string(*row.bundle));
        }
    }
}

TEST_F(RunningApplicationsTest, ListsBundleProcessesWithTheirIdentifierAndQuitEndsThem)
{
    const fs::path named = tree.path("Applications/Sleeper.app");
    const fs::path odd = tree.path("Applications") / (test::TempTree::nonUtf8Name().native() + ".app");
    const fs::path fifo = tree.path("Applications/Fifo.app");
    test::BundleProcess withID(test::makeSleeperBundle(named, "com.example.sleeper"));
    test::BundleProcess withoutID(test::makeSleeperBundle(odd, {}));
    // An Info.plist that is a named pipe nobody writes: reading it blocking would hang.
    const fs::path fifoExe = test::makeSleeperBundle(fifo, {});
    tree.fifo(fifo / "Contents/Info.plist");
    test::BundleProcess fromFifo(fifoExe);

    const std::vector<RunningApplication> running = workspace.runningApplications();
    const auto a = findPid(running, withID.pid());
    const auto b = findPid(running, withoutID.pid());
    const auto c = findPid(running, fromFifo.pid());
    ASSERT_TRUE(a && b && c) << "a bundle process is missing";
    EXPECT_EQ(a->bundle.native(), named.native());
    EXPECT_EQ(a->bundleID, QStringLiteral("com.example.sleeper"));
    EXPECT_EQ(b->bundle.native(), odd.native()) << "the name's bytes stay as they are";
    EXPECT_TRUE(b->bundleID.isEmpty());
    EXPECT_TRUE(c->bundleID.isEmpty());
    EXPECT_TRUE(std::is_sorted(running.begin(), running.end(),
                               [](const auto& x, const auto& y) { return x.pid < y.pid; }));
    EXPECT_FALSE(findPid(running, ::getpid())) << "the test program runs from no bundle";

    // Matching: by identifier, or by path alone when the application has none.
    EXPECT_EQ(
        RunningApps::instancesOf(running, Path("/elsewhere/Other.app"), QStringLiteral("com.example.sleeper"))
            .size(),
        1u);
    const auto byPath = RunningApps::instancesOf(running, odd, QString());
    ASSERT_EQ(byPath.size(), 1u);
    EXPECT_EQ(byPath.front().pid, withoutID.pid());

    workspace.terminate(*b);
    ASSERT_TRUE(withoutID.waitForExit(10s)) << "SIGTERM did not end it";
    EXPECT_EQ(withoutID.endedBySignal(), SIGTERM);
    EXPECT_FALSE(findPid(workspace.runningApplications(), withoutID.pid()));
    EXPECT_TRUE(findPid(workspace.runningApplications(), withID.pid())) << "only the one asked quits";
}

TEST_F(RunningApplicationsTest, AProcessThatIgnoresTheRequestStays)
{
    test::BundleProcess stubborn(test::makeSleeperBundle(tree.path("Stubborn.app"), "com.example.stubborn"),
                                 true);
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

    auto process = std::make_unique<test::BundleProcess>(
        test::makeSleeperBundle(tree.path("Watched.app"), "com.example.watched"));
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

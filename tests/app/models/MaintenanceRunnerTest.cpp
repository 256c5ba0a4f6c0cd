// The maintenance card's runner over the real helper client with a fake service manager and a fake
// administrator prompt held by the test: one action at a time, the result line's shape, and nothing
// for an unknown action or after the runner is gone.
#include "app/models/MaintenanceRunner.h"

#include "core/helper/HelperConnection.h"
#include "support/FakeAdminPrompt.h"
#include "support/FakeClock.h"
#include "support/FakeDaemonService.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace qm {
namespace {

class MaintenanceRunnerTest : public ::testing::Test
{
protected:
    MaintenanceRunnerTest()
    {
        prompt->beforeRun([this](const std::string&) {
            std::unique_lock lock(mutex);
            ++waiting;
            released.wait(lock, [&] { return !hold; });
            --waiting;
        });
        runner.setHelper(&client);
    }
    ~MaintenanceRunnerTest() override
    {
        release();
        pool.waitForDone();
    }
    void release()
    {
        {
            const std::lock_guard lock(mutex);
            hold = false;
        }
        released.notify_all();
    }
    bool waitUntil(const std::function<bool()>& done)
    {
        for (int round = 0; round < 3000 && !done(); ++round) {
            pool.waitForDone(1);
            QCoreApplication::processEvents();
        }
        return done();
    }

    test::FakeClock clock;
    std::shared_ptr<test::FakeDaemonService> daemon = std::make_shared<test::FakeDaemonService>();
    std::shared_ptr<test::FakeAdminPrompt> prompt = std::make_shared<test::FakeAdminPrompt>();
    QThreadPool pool;
    HelperClient client{HelperClient::Services{clock, daemon, prompt,
                                               [] { return std::unique_ptr<HelperConnection>(); },
                                               QStringLiteral("1"), &pool}};
    MaintenanceRunner runner;
    std::mutex mutex;
    std::condition_variable released;
    bool hold = true;
    int waiting = 0;
};

TEST_F(MaintenanceRunnerTest, OneActionAtATimeAndItsResultLine)
{
    runner.run(QStringLiteral("flushDNS"));
    EXPECT_EQ(runner.runningAction(), QStringLiteral("flushDNS"));
    ASSERT_TRUE(waitUntil([&] {
        const std::lock_guard lock(mutex);
        return waiting == 1;
    }));
    runner.run(QStringLiteral("freeMemory"));
    runner.run(QStringLiteral("flushDNS"));
    EXPECT_EQ(runner.runningAction(), QStringLiteral("flushDNS"))
        << "a second run while one runs changes nothing";

    release();
    ASSERT_TRUE(waitUntil([&] { return runner.runningAction().isEmpty(); }));
    EXPECT_EQ(runner.helperMessage(), QStringLiteral("\u2713 Flush DNS cache \u2014 DNS cache flushed"));
    EXPECT_EQ(prompt->commands().size(), 1u) << "only the first action reached the prompt";

    prompt->answerExit(1, "no resolver");
    runner.run(QStringLiteral("runMaintenance"));
    EXPECT_TRUE(runner.helperMessage().isEmpty()) << "the last line goes when an action starts";
    ASSERT_TRUE(waitUntil([&] { return runner.runningAction().isEmpty(); }));
    EXPECT_TRUE(runner.helperMessage().startsWith(QStringLiteral("\u2715 Run maintenance scripts \u2014 ")))
        << runner.helperMessage().toStdString();

    runner.run(QStringLiteral("defragment"));
    EXPECT_TRUE(runner.runningAction().isEmpty()) << "an unknown action starts nothing";
}

TEST_F(MaintenanceRunnerTest, AnAnswerAfterTheRunnerIsGoneIsDropped)
{
    auto gone = std::make_unique<MaintenanceRunner>();
    gone->setHelper(&client);
    gone->run(QStringLiteral("freeMemory"));
    ASSERT_TRUE(waitUntil([&] {
        const std::lock_guard lock(mutex);
        return waiting == 1;
    }));
    gone.reset();
    release();
    pool.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(prompt->commands().size(), 1u);
}

} // namespace
} // namespace qm

#include "core/system/StorageMonitor.h"

#include "support/DfOracle.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>

namespace qm {
namespace {

// Delivers queued results from the thread pool until `done` holds or 10 s pass.
template <typename Pred> bool waitUntil(Pred done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(StorageMonitor, PublishRule)
{
    const qint64 tb = 1'000'000'000'000;
    struct Case
    {
        const char* what;
        MacHealth shown, next;
        bool publish;
    };
    const Case cases[] = {
        {"first reading", {0, 0}, {400'000'000'000, tb}, true},
        {"first reading of an empty volume", {0, 0}, {0, tb}, true},
        {"unreadable volume", {400'000'000'000, tb}, {0, 0}, false},
        {"1 MB freed on 1 TB", {400'000'000'000, tb}, {399'999'000'000, tb}, false},
        {"used text changes", {400'000'000'000, tb}, {401'000'000'000, tb}, true},
        {"total text changes", {400'000'000'000, tb}, {400'000'000'000, 2 * tb}, true},
        // Same texts (both "1.5 GB" / "2 GB") but the fraction moves by exactly 0.001.
        {"fraction moves a thousandth", {1'500'000'000, 2'000'000'000}, {1'502'000'000, 2'000'000'000}, true},
        {"fraction moves less", {1'500'000'000, 2'000'000'000}, {1'501'000'000, 2'000'000'000}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StorageMonitor::shouldPublish(c.shown, c.next), c.publish) << c.what;
}

TEST(StorageMonitor, ReadsOnTicksOnlyWhileActiveAndOnlyTheNewestCounts)
{
    test::FakeClock clock;
    test::FakeAppActivity activity;
    std::atomic<int> reads{0};
    std::atomic<qint64> used{100'000'000'000};
    StorageMonitor monitor(clock, activity, [&] {
        ++reads;
        return MacHealth{.usedBytes = used.load(), .totalBytes = 1'000'000'000'000};
    });
    ASSERT_TRUE(waitUntil([&] { return monitor.usedBytes() == 100'000'000'000; }));
    EXPECT_EQ(reads, 1);

    used = 200'000'000'000;
    clock.advance(std::chrono::seconds(4));
    ASSERT_TRUE(waitUntil([&] { return monitor.usedBytes() == 200'000'000'000; }));
    EXPECT_EQ(reads, 2);

    // In the background nothing ticks.
    activity.setState(AppActivity::State::Background);
    clock.advance(std::chrono::seconds(40));
    QCoreApplication::processEvents();
    EXPECT_EQ(reads, 2);

    // Coming back reads at once and ticks again.
    used = 300'000'000'000;
    activity.setState(AppActivity::State::Active);
    ASSERT_TRUE(waitUntil([&] { return monitor.usedBytes() == 300'000'000'000; }));
    clock.advance(std::chrono::seconds(4));
    EXPECT_TRUE(waitUntil([&] { return reads == 4; }));
}

// The timer runs from creation in every state; only resigning active stops it, and becoming active
// starts it again.
TEST(StorageMonitor, TheTimerStartsWhateverTheStateAtCreation)
{
    for (AppActivity::State initial :
         {AppActivity::State::Active, AppActivity::State::Inactive, AppActivity::State::Background}) {
        SCOPED_TRACE(int(initial));
        test::FakeClock clock;
        test::FakeAppActivity activity(initial);
        std::atomic<int> reads{0};
        StorageMonitor monitor(clock, activity, [&] {
            ++reads;
            return MacHealth{.usedBytes = 100'000'000'000, .totalBytes = 1'000'000'000'000};
        });
        ASSERT_TRUE(waitUntil([&] { return reads == 1; }));
        clock.advance(std::chrono::seconds(4));
        EXPECT_TRUE(waitUntil([&] { return reads == 2; })) << "a reading 4 s after creation";
        clock.advance(std::chrono::seconds(4));
        EXPECT_TRUE(waitUntil([&] { return reads == 3; }));

        // Resigning active stops it.
        activity.setState(AppActivity::State::Active);
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        const int before = reads;
        activity.setState(AppActivity::State::Inactive);
        clock.advance(std::chrono::seconds(40));
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        EXPECT_EQ(reads, before);
    }
}

TEST(StorageMonitor, AnOlderReadingThatArrivesLastIsDropped)
{
    test::FakeClock clock;
    test::FakeAppActivity activity(AppActivity::State::Inactive);
    std::atomic<int> call{0};
    std::atomic<bool> releaseSlow{false};
    StorageMonitor monitor(clock, activity, [&] {
        switch (++call) {
        case 1:
            return MacHealth{.usedBytes = 111'000'000'000, .totalBytes = 1'000'000'000'000};
        case 2: // slow: still running when a newer reading starts
            while (!releaseSlow)
                QThread::msleep(1);
            return MacHealth{.usedBytes = 333'000'000'000, .totalBytes = 1'000'000'000'000};
        default:
            return MacHealth{.usedBytes = 222'000'000'000, .totalBytes = 1'000'000'000'000};
        }
    });
    ASSERT_TRUE(waitUntil([&] { return monitor.usedBytes() == 111'000'000'000; }));
    monitor.refresh();
    ASSERT_TRUE(waitUntil([&] { return call == 2; }));
    monitor.refresh();
    ASSERT_TRUE(waitUntil([&] { return monitor.usedBytes() == 222'000'000'000; }));
    releaseSlow = true;
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(monitor.usedBytes(), 222'000'000'000);
}

// Used is what df shows (the blocks kept for root are not in use), available what df says an ordinary
// user may still fill.
TEST(MacHealth, AgreesWithDf)
{
    test::TempTree tree;
    const MacHealth health = MacHealth::read(tree.root());
    const test::DfFigures df = test::dfFigures(tree.root());
    EXPECT_EQ(health.totalBytes, df.size);
    // Free space moves while other tests write; allow 512 MiB of drift.
    EXPECT_NEAR(double(health.usedBytes), double(df.used), 512.0 * 1024 * 1024);
    EXPECT_NEAR(double(health.availableBytes), double(df.available), 512.0 * 1024 * 1024);
    EXPECT_EQ(MacHealth::read(tree.path("missing")), MacHealth{});
}

} // namespace
} // namespace qm

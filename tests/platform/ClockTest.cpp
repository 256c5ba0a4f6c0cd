#include "platform/SystemClock.h"
#include "support/FakeClock.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace qm {
namespace {

using test::FakeClock;

struct Counter
{
    int fired = 0;
};

std::unique_ptr<Timer> countingTimer(Clock& clock, Counter& counter)
{
    std::unique_ptr<Timer> timer = clock.createTimer();
    QObject::connect(timer.get(), &Timer::timeout, [&counter] { ++counter.fired; });
    return timer;
}

TEST(FakeClockTest, SingleShotFiresOnceExactlyWhenDue)
{
    FakeClock clock;
    Counter counter;
    const std::unique_ptr<Timer> timer = countingTimer(clock, counter);
    QDateTime firedAt;
    QObject::connect(timer.get(), &Timer::timeout, [&] { firedAt = clock.now(); });
    timer->start(15s, false);

    clock.advance(14999ms);
    EXPECT_EQ(counter.fired, 0);
    EXPECT_TRUE(timer->isActive());
    clock.advance(1ms);
    EXPECT_EQ(counter.fired, 1);
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(firedAt, FakeClock::defaultStart().addSecs(15));
    clock.advance(1h);
    EXPECT_EQ(counter.fired, 1);
}

TEST(FakeClockTest, RepeatingTimerFiresOncePerIntervalWhateverTheSteps)
{
    const std::chrono::milliseconds steps[] = {12s, 1s, 4s, 7ms, 3999ms};
    for (const std::chrono::milliseconds step : steps) {
        FakeClock clock;
        Counter counter;
        const std::unique_ptr<Timer> timer = countingTimer(clock, counter);
        timer->start(4s, true);
        std::chrono::milliseconds moved{0};
        while (moved + step <= 12s) {
            clock.advance(step);
            moved += step;
        }
        clock.advance(12s - moved);
        EXPECT_EQ(counter.fired, 3) << "step " << step.count() << " ms";
        EXPECT_TRUE(timer->isActive()) << "step " << step.count() << " ms";
    }
}

TEST(FakeClockTest, StoppedTimerNeverFires)
{
    FakeClock clock;
    Counter single;
    Counter repeating;
    const std::unique_ptr<Timer> singleTimer = countingTimer(clock, single);
    const std::unique_ptr<Timer> repeatingTimer = countingTimer(clock, repeating);
    singleTimer->start(1s, false);
    repeatingTimer->start(1s, true);
    // The repeating one stops itself from its own handler after the second time.
    QObject::connect(repeatingTimer.get(), &Timer::timeout, [&] {
        if (repeating.fired == 2) {
            repeatingTimer->stop();
        }
    });
    singleTimer->stop();

    clock.advance(10s);
    EXPECT_EQ(single.fired, 0);
    EXPECT_EQ(repeating.fired, 2);
    EXPECT_EQ(clock.activeTimerCount(), 0);
}

TEST(FakeClockTest, RestartingPushesTheDueTimeBack)
{
    FakeClock clock;
    Counter counter;
    const std::unique_ptr<Timer> timer = countingTimer(clock, counter);
    timer->start(15s, false);
    clock.advance(10s);
    timer->start(15s, false);
    clock.advance(14s);
    EXPECT_EQ(counter.fired, 0);
    clock.advance(1s);
    EXPECT_EQ(counter.fired, 1);
}

TEST(FakeClockTest, FiresInDueOrderWithTheClockAtEachDueTime)
{
    FakeClock clock;
    std::vector<std::string> log;
    std::vector<std::unique_ptr<Timer>> timers;
    const auto add = [&](const std::string& name, std::chrono::milliseconds interval, bool repeating) {
        timers.push_back(clock.createTimer());
        QObject::connect(timers.back().get(), &Timer::timeout, [&, name] {
            const qint64 at = FakeClock::defaultStart().msecsTo(clock.now());
            log.push_back(name + "@" + std::to_string(at));
        });
        timers.back()->start(interval, repeating);
    };
    add("c", 3s, false);
    add("a", 1s, false);
    add("b1", 2s, false);
    add("b2", 2s, false);
    add("r", 1500ms, true);
    const auto monotonicStart = clock.monotonicNow();

    clock.advance(3s);
    // "r" was armed again at 1.5 s, after "c", so "c" goes first at 3 s.
    EXPECT_EQ(log, (std::vector<std::string>{"a@1000", "r@1500", "b1@2000", "b2@2000", "c@3000", "r@3000"}));
    EXPECT_EQ(clock.monotonicNow() - monotonicStart, 3s);
}

TEST(FakeClockTest, HandlersMayStartAndDeleteTimers)
{
    FakeClock clock;
    Counter follower;
    std::unique_ptr<Timer> followerTimer = countingTimer(clock, follower);
    Counter victim;
    std::unique_ptr<Timer> victimTimer = countingTimer(clock, victim);
    const std::unique_ptr<Timer> first = clock.createTimer();
    QObject::connect(first.get(), &Timer::timeout, [&] {
        followerTimer->start(500ms, false); // falls due within the same advance
        victimTimer.reset();                // was due at the same time as `first`, after it
    });
    first->start(1s, false);
    victimTimer->start(1s, false);

    clock.advance(2s);
    EXPECT_EQ(follower.fired, 1);
    EXPECT_EQ(victim.fired, 0);
}

TEST(FakeClockTest, WallTimeCanBeSetWithoutMovingTimers)
{
    FakeClock clock;
    Counter counter;
    const std::unique_ptr<Timer> timer = countingTimer(clock, counter);
    timer->start(15s, false);
    const auto monotonic = clock.monotonicNow();
    const QDateTime later = FakeClock::defaultStart().addDays(2);

    clock.setNow(later);
    EXPECT_EQ(clock.now(), later);
    EXPECT_EQ(clock.monotonicNow(), monotonic);
    EXPECT_EQ(counter.fired, 0);
    clock.advance(15s);
    EXPECT_EQ(counter.fired, 1);
    EXPECT_EQ(clock.now(), later.addSecs(15));
}

TEST(FakeClockTest, TimersOutliveTheirClockHarmlessly)
{
    auto clock = std::make_unique<FakeClock>();
    const std::unique_ptr<Timer> timer = clock->createTimer();
    timer->start(1s, false);
    clock.reset();
    EXPECT_TRUE(timer->isActive());
    timer->stop();
    EXPECT_FALSE(timer->isActive());
}

TEST(FakeClockTest, CallAfterRunsOnceUnlessItsContextIsGone)
{
    FakeClock clock;
    int ran = 0;
    QObject context;
    clock.callAfter(750ms, &context, [&] { ++ran; });
    clock.advance(749ms);
    EXPECT_EQ(ran, 0);
    clock.advance(1ms);
    EXPECT_EQ(ran, 1);
    clock.advance(10s);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(clock.activeTimerCount(), 0);

    int orphaned = 0;
    auto doomed = std::make_unique<QObject>();
    clock.callAfter(750ms, doomed.get(), [&] { ++orphaned; });
    doomed.reset();
    clock.advance(1s);
    EXPECT_EQ(orphaned, 0);
}

// Waits for `done` in an event loop, giving up after a bound far above any expected latency.
bool spinUntil(const bool& done)
{
    QEventLoop loop;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(10s);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done) {
            loop.quit();
        }
    });
    poll.start(1ms);
    loop.exec();
    return done;
}

TEST(SystemClockTest, SingleShotFiresOnceInTheEventLoop)
{
    SystemClock clock;
    Counter counter;
    const std::unique_ptr<Timer> timer = countingTimer(clock, counter);
    bool done = false;
    QObject::connect(timer.get(), &Timer::timeout, [&] { done = true; });
    timer->start(10ms, false);
    EXPECT_TRUE(timer->isActive());
    ASSERT_TRUE(spinUntil(done));
    EXPECT_EQ(counter.fired, 1);
    EXPECT_FALSE(timer->isActive());
}

TEST(SystemClockTest, CallAfterRunsInTheEventLoop)
{
    SystemClock clock;
    QObject context;
    bool done = false;
    clock.callAfter(10ms, &context, [&] { done = true; });
    EXPECT_TRUE(spinUntil(done));
}

TEST(SystemClockTest, WallTimeIsUtc)
{
    EXPECT_EQ(SystemClock().now().timeSpec(), Qt::UTC);
}

} // namespace
} // namespace qm

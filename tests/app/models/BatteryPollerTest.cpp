#include "app/models/BatteryPoller.h"

#include "support/EventLoopWait.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/ThreadGate.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

namespace qm {
namespace {

using test::drain;
using test::settle;

using namespace std::chrono_literals;
using State = AppActivity::State;

BatteryInfo charged(int percent)
{
    BatteryInfo info = BatteryInfo::unavailable();
    info.isPresent = true;
    info.isPluggedIn = false;
    info.chargePercent = percent;
    info.condition = BatteryCondition::normal;
    return info;
}

// The battery the fake reader answers, the readings it took (with the monotonic time each started at)
// and the gate each reading passes, shared with the pool thread.
struct Source
{
    std::mutex mutex;
    BatteryInfo answer = charged(80);
    std::vector<std::chrono::milliseconds> startedAt;
    std::vector<std::optional<BatteryInfo>> previous;
    test::ThreadGate gate;

    int readings()
    {
        std::lock_guard lock(mutex);
        return int(startedAt.size());
    }
    void answerWith(const BatteryInfo& info)
    {
        std::lock_guard lock(mutex);
        answer = info;
    }
};

class BatteryPollerTest : public ::testing::Test
{
protected:
    BatteryPollerTest() { test::widenPool(); }
    ~BatteryPollerTest() override
    {
        source->gate.release();
        poller.reset();
        drain();
    }

    void make()
    {
        const auto origin = clock.monotonicNow();
        BatteryPoller::Services services{clock, activity};
        services.read = [s = source, c = &clock, origin](const std::optional<BatteryInfo>& previous) {
            {
                std::lock_guard lock(s->mutex);
                s->startedAt.push_back(
                    std::chrono::duration_cast<std::chrono::milliseconds>(c->monotonicNow() - origin));
                s->previous.push_back(previous);
            }
            s->gate.pass();
            std::lock_guard lock(s->mutex);
            return s->answer;
        };
        poller = std::make_unique<BatteryPoller>(std::move(services));
    }

    // Waits until the reading in flight has been published (the next one is then armed on the clock).
    void finished()
    {
        drain();
        ASSERT_TRUE(settle([&] { return !poller->isReading(); }));
    }

    test::FakeClock clock;
    test::FakeAppActivity activity;
    std::shared_ptr<Source> source = std::make_shared<Source>();
    std::unique_ptr<BatteryPoller> poller;
};

TEST_F(BatteryPollerTest, ReadsAtOnceThenFiveSecondsAfterEachReading)
{
    make();
    EXPECT_FALSE(poller->hasLoaded());
    EXPECT_EQ(poller->battery(), BatteryInfo::unavailable());
    finished();
    EXPECT_TRUE(poller->hasLoaded());
    EXPECT_EQ(poller->battery(), charged(80));
    EXPECT_EQ(clock.activeTimerCount(), 1);

    clock.advance(4999ms);
    drain();
    EXPECT_EQ(source->readings(), 1) << "not before 5 s";
    clock.advance(1ms);
    finished();
    clock.advance(5s);
    finished();
    EXPECT_EQ(source->startedAt, (std::vector<std::chrono::milliseconds>{0ms, 5000ms, 10000ms}));
    // Each reading is given the shown one.
    ASSERT_EQ(source->previous.size(), 3u);
    EXPECT_EQ(source->previous[0], BatteryInfo::unavailable());
    EXPECT_EQ(source->previous[1], charged(80));
}

TEST_F(BatteryPollerTest, TheNextReadingWaitsForTheOneInFlight)
{
    make();
    finished();
    source->gate.arm();
    clock.advance(5s);
    ASSERT_TRUE(settle([&] { return source->gate.holding(); }));
    clock.advance(20s);
    EXPECT_EQ(source->readings(), 2) << "no reading starts while one is in flight";
    EXPECT_EQ(clock.activeTimerCount(), 0);
    source->gate.release();
    finished();
    EXPECT_EQ(clock.activeTimerCount(), 1) << "the wait starts when the reading ends";
}

TEST_F(BatteryPollerTest, AnUnchangedBatteryIsNotWrittenAgain)
{
    make();
    QSignalSpy loaded(poller.get(), &BatteryPoller::hasLoadedChanged);
    finished();
    // The second reading is the first merged over a present one: its per-field counters appear.
    clock.advance(5s);
    finished();
    const BatteryInfo shown = poller->battery();
    EXPECT_EQ(shown, charged(80).coalesced(charged(80)));
    QSignalSpy changes(poller.get(), &BatteryPoller::batteryChanged);
    for (int i = 0; i < 3; ++i) {
        clock.advance(5s);
        finished();
    }
    EXPECT_EQ(source->readings(), 5);
    EXPECT_EQ(changes.count(), 0) << "the same reading again changes nothing";
    EXPECT_EQ(loaded.count(), 1);

    source->answerWith(charged(79));
    clock.advance(5s);
    finished();
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(poller->battery().chargePercent, 79);
}

TEST_F(BatteryPollerTest, KeepsReadingWhileInactive)
{
    make();
    finished();
    activity.setState(State::Inactive);
    EXPECT_TRUE(poller->isPolling());
    clock.advance(5s);
    finished();
    EXPECT_EQ(source->readings(), 2) << "no extra reading on the switch, and the loop goes on";
    activity.setState(State::Active);
    EXPECT_EQ(source->readings(), 2);
}

TEST_F(BatteryPollerTest, TheBackgroundDropsTheReadingInFlightAndStopsUntilItEnds)
{
    make();
    finished();
    source->answerWith(charged(42));
    source->gate.arm();
    clock.advance(5s);
    ASSERT_TRUE(settle([&] { return source->gate.holding(); }));

    QSignalSpy changes(poller.get(), &BatteryPoller::batteryChanged);
    activity.setState(State::Inactive);
    activity.setState(State::Background);
    EXPECT_FALSE(poller->isPolling());
    source->gate.release();
    drain();
    EXPECT_EQ(changes.count(), 0) << "the reading in flight was dropped";
    EXPECT_EQ(poller->battery(), charged(80));
    EXPECT_EQ(clock.activeTimerCount(), 0);
    clock.advance(60s);
    drain();
    EXPECT_EQ(source->readings(), 2) << "nothing is read in the background";

    // Back: an immediate reading, then the loop again.
    activity.setState(State::Inactive);
    EXPECT_TRUE(poller->isPolling());
    EXPECT_TRUE(poller->isReading());
    finished();
    EXPECT_EQ(source->readings(), 3);
    EXPECT_EQ(poller->battery().chargePercent, 42);
    clock.advance(5s);
    finished();
    EXPECT_EQ(source->readings(), 4);
}

TEST_F(BatteryPollerTest, StartedInTheBackgroundItWaitsForTheApplication)
{
    activity.setState(State::Background);
    make();
    drain();
    EXPECT_EQ(source->readings(), 0);
    EXPECT_FALSE(poller->hasLoaded());
    activity.setState(State::Active);
    finished();
    EXPECT_EQ(source->readings(), 1);
    EXPECT_TRUE(poller->hasLoaded());
}

TEST_F(BatteryPollerTest, AReadingThatEndsAfterThePollerIsGoneIsDropped)
{
    make();
    source->gate.arm();
    ASSERT_TRUE(settle([&] { return source->gate.holding(); }));
    poller.reset();
    source->gate.release();
    drain();
    EXPECT_EQ(clock.activeTimerCount(), 0);
}

} // namespace
} // namespace qm

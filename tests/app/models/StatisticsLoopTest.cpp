// The Performance page's statistics loop on the manual clock and a hand-driven activity, with a
// latched sample that finishes only when the test says so: a sample at once, the next 3 s after each
// one finished, never two at a time, running while inactive, stopping in the background, sampling at
// once on leaving it, and ending with its owner.
#include "app/models/StatisticsLoop.h"

#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace qm {
namespace {

using namespace std::chrono_literals;
using State = AppActivity::State;

class StatisticsLoopTest : public ::testing::Test
{
protected:
    void make(State initial = State::Active)
    {
        activity = std::make_unique<test::FakeAppActivity>(initial);
        loop = std::make_unique<StatisticsLoop>(clock, *activity, StatisticsLoop::kPerformancePause,
                                                [this](std::function<void()> finished) {
                                                    ++started;
                                                    ++inFlight;
                                                    maxInFlight = std::max(maxInFlight, inFlight);
                                                    pending.push_back(std::move(finished));
                                                });
    }
    // Finishes the oldest sample still out.
    void finish()
    {
        ASSERT_FALSE(pending.empty()) << "no sample is out";
        auto done = std::move(pending.front());
        pending.erase(pending.begin());
        --inFlight;
        done();
    }

    test::FakeClock clock;
    std::unique_ptr<test::FakeAppActivity> activity;
    std::unique_ptr<StatisticsLoop> loop;
    std::vector<std::function<void()>> pending;
    int started = 0;
    int inFlight = 0;
    int maxInFlight = 0;
};

TEST_F(StatisticsLoopTest, SamplesAtOnceThenThreeSecondsAfterEachSampleFinished)
{
    make();
    EXPECT_EQ(started, 1) << "the first sample starts at once";
    EXPECT_TRUE(loop->running());
    EXPECT_TRUE(loop->sampling());

    // A slow sample: the pause only begins when it has finished.
    clock.advance(10s);
    EXPECT_EQ(started, 1);
    finish();
    EXPECT_FALSE(loop->sampling());
    clock.advance(2999ms);
    EXPECT_EQ(started, 1);
    clock.advance(1ms);
    EXPECT_EQ(started, 2);
    clock.advance(30s);
    EXPECT_EQ(started, 2) << "nothing starts while a sample is out";
    finish();
    clock.advance(3s);
    EXPECT_EQ(started, 3);
    EXPECT_EQ(maxInFlight, 1);
}

TEST_F(StatisticsLoopTest, InactiveKeepsSamplingTheBackgroundStopsItAndLeavingItSamplesAtOnce)
{
    make();
    finish();
    activity->setState(State::Inactive);
    clock.advance(3s);
    EXPECT_EQ(started, 2) << "an inactive window still samples";
    EXPECT_TRUE(loop->running());
    finish();

    activity->setState(State::Background);
    EXPECT_FALSE(loop->running());
    clock.advance(60s);
    EXPECT_EQ(started, 2) << "nothing is sampled in the background";

    activity->setState(State::Inactive);
    EXPECT_TRUE(loop->running());
    EXPECT_EQ(started, 3) << "leaving the background samples at once";
    finish();
    clock.advance(3s);
    EXPECT_EQ(started, 4);
}

TEST_F(StatisticsLoopTest, ASampleInFlightAcrossTheBackgroundIsNeverDoubled)
{
    make();
    activity->setState(State::Background);
    EXPECT_TRUE(loop->sampling()) << "the sample out ends on its own";
    activity->setState(State::Active);
    EXPECT_EQ(started, 1) << "no second sample while the first is out";
    finish();
    EXPECT_EQ(started, 2) << "the fresh sample follows the one that was out at once";
    EXPECT_EQ(maxInFlight, 1);

    // Out in the background and finished there: nothing follows until the loop starts again.
    activity->setState(State::Background);
    finish();
    clock.advance(10s);
    EXPECT_EQ(started, 2);
    activity->setState(State::Active);
    EXPECT_EQ(started, 3);
}

TEST_F(StatisticsLoopTest, StartsInTheBackgroundWithoutASampleAndAFinishAfterTheLoopIsGoneIsHarmless)
{
    make(State::Background);
    EXPECT_EQ(started, 0);
    EXPECT_FALSE(loop->running());
    activity->setState(State::Active);
    EXPECT_EQ(started, 1);
    loop.reset();
    finish();
    clock.advance(10s);
    EXPECT_EQ(started, 1);
}

} // namespace
} // namespace qm

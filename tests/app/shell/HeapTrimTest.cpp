// When the start's freed memory is handed back: once, the given delay after the window's first frame.
#include "app/shell/HeapTrim.h"

#include "app/shell/FirstFrame.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace qm::test {
namespace {

using namespace std::chrono_literals;

TEST(HeapTrimTest, ReleasesOnceTheDelayAfterTheFirstFrameAndNeverBefore)
{
    FakeClock clock;
    FirstFrame firstFrame(false);
    int releases = 0;
    const HeapTrim trim(firstFrame, clock, 2000ms, [&releases] { ++releases; });

    // However long the first frame takes, nothing is released before it.
    clock.advance(10000ms);
    EXPECT_EQ(releases, 0) << "released before the first frame";

    firstFrame.markShown();
    clock.advance(1999ms);
    EXPECT_EQ(releases, 0) << "released before the delay after the first frame";
    clock.advance(1ms);
    EXPECT_EQ(releases, 1) << "not released at the delay after the first frame";

    clock.advance(60000ms);
    EXPECT_EQ(releases, 1) << "released more than once";
    EXPECT_EQ(clock.activeTimerCount(), 0);
}

TEST(HeapTrimTest, AFrameAlreadyShownCountsTheDelayFromNow)
{
    FakeClock clock;
    FirstFrame shown;
    int releases = 0;
    const HeapTrim trim(shown, clock, 500ms, [&releases] { ++releases; });
    clock.advance(499ms);
    EXPECT_EQ(releases, 0);
    clock.advance(1ms);
    EXPECT_EQ(releases, 1);
}

TEST(HeapTrimTest, DestroyedBeforeTheDelayReleasesNothing)
{
    FakeClock clock;
    FirstFrame firstFrame(false);
    int releases = 0;
    auto trim = std::make_unique<HeapTrim>(firstFrame, clock, 500ms, [&releases] { ++releases; });
    firstFrame.markShown();
    trim.reset();
    clock.advance(1000ms);
    EXPECT_EQ(releases, 0);

    // Nor does a frame shown after the object is gone.
    FirstFrame later(false);
    auto early = std::make_unique<HeapTrim>(later, clock, 500ms, [&releases] { ++releases; });
    early.reset();
    later.markShown();
    clock.advance(1000ms);
    EXPECT_EQ(releases, 0);
}

TEST(HeapTrimTest, TheRealReleaseRunsWithoutHarm)
{
    // Frees nothing in use: a block allocated before is still readable and writable after.
    auto block = std::make_unique<int[]>(1 << 20);
    block[0] = 7;
    block[(1 << 20) - 1] = 9;
    HeapTrim::releaseFreeMemory();
    EXPECT_EQ(block[0], 7);
    EXPECT_EQ(block[(1 << 20) - 1], 9);
}

} // namespace
} // namespace qm::test

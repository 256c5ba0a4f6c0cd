#include "app/models/BubbleRepack.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using namespace std::chrono_literals;

TEST(BubbleRepack, ArrivalsRepackAtMostOncePerIntervalAndAtOnceAfterAReset)
{
    const std::chrono::steady_clock::time_point t0{};
    // (milliseconds since t0 of an arrival, reset before it, repack due)
    const struct
    {
        int at;
        bool reset;
        bool due;
    } steps[] = {
        {0, false, true},    {50, false, false}, {119, false, false}, {120, false, true},
        {130, false, false}, {131, true, true},  {200, false, false}, {251, false, true},
    };
    BubbleRepack repack(120ms, 40, 5.0);
    for (const auto& step : steps) {
        if (step.reset)
            repack.reset();
        EXPECT_EQ(repack.dueAt(t0 + std::chrono::milliseconds(step.at)), step.due) << step.at;
    }
}

SizedEntry sized(qint64 bytes)
{
    SizedEntry entry;
    entry.bytes = bytes;
    entry.fraction = 0.5;
    return entry;
}

TEST(BubbleRepack, EntriesAreSortedSharedOutAndTheLargestPacked)
{
    const struct
    {
        std::vector<qint64> bytes;
        std::size_t maxBubbles;
        std::vector<qint64> sorted;
        std::vector<double> fractions;
        std::size_t bubbles;
        std::size_t circles;
    } cases[] = {
        {{}, 40, {}, {}, 0, 0},
        {{1, 3}, 40, {3, 1}, {0.75, 0.25}, 2, 2},
        {{2, 0, 6}, 2, {6, 2, 0}, {0.75, 0.25, 0.0}, 2, 2},
        {{0, 4, 0}, 40, {4, 0, 0}, {1.0, 0.0, 0.0}, 3, 1},
        {{0, 0}, 40, {0, 0}, {0.5, 0.5}, 2, 0},
    };
    for (const auto& c : cases) {
        std::vector<SizedEntry> entries;
        for (const qint64 bytes : c.bytes)
            entries.push_back(sized(bytes));
        const std::vector<SizedEntry> given = entries;
        const BubbleRepack::Layout layout = BubbleRepack(120ms, c.maxBubbles, 5.0).repack(entries);
        ASSERT_EQ(entries.size(), c.sorted.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].bytes, c.sorted[i]) << i;
            EXPECT_DOUBLE_EQ(entries[i].fraction, c.fractions[i]) << i;
            EXPECT_EQ(layout.colorIndexByID.value(entries[i].id, -1), int(i));
        }
        ASSERT_EQ(layout.bubbles.size(), c.bubbles);
        for (std::size_t i = 0; i < layout.bubbles.size(); ++i)
            EXPECT_EQ(layout.bubbles[i].id, entries[i].id);
        EXPECT_EQ(layout.circles.size(), c.circles);
    }
}

TEST(BubbleRepack, EqualSizesKeepTheirArrivalOrder)
{
    std::vector<SizedEntry> entries{sized(5), sized(5), sized(9), sized(5)};
    const QUuid a = entries[0].id, b = entries[1].id, d = entries[3].id;
    BubbleRepack(120ms, 40, 5.0).repack(entries);
    EXPECT_EQ(entries[1].id, a);
    EXPECT_EQ(entries[2].id, b);
    EXPECT_EQ(entries[3].id, d);
}

} // namespace
} // namespace qm

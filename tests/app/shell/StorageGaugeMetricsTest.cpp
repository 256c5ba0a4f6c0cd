#include "app/shell/StorageGaugeMetrics.h"

#include "TextPrinter.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(StorageGaugeMetrics, FillIsTheRoundedUsedShareOfTheBarButNeverUnderSix)
{
    struct Case
    {
        const char* what;
        double barWidth;
        MacHealth health;
        double width;
    };
    const qint64 tb = 1'000'000'000'000;
    const Case cases[] = {
        {"no total read", 172, {0, 0}, 0},
        {"negative total", 172, {5, -1}, 0},
        {"nothing used", 172, {0, tb}, 6},
        {"everything used", 172, {tb, tb}, 172},
        // 100 × 0.065 = 6.5: halves go away from zero.
        {"product 6.5", 100, {65, 1000}, 7},
        {"product just under 6.5", 100, {64'999, 1'000'000}, 6},
        {"product 1", 100, {10, 1000}, 6},
        {"product 86.5", 100, {865, 1000}, 87},
        {"product 86.4", 100, {864, 1000}, 86},
        {"a total of one byte", 172, {1, 1}, 172},
        {"70 % of 172", 172, {700, 1000}, 120}, // 120.4
    };
    for (const Case& c : cases)
        EXPECT_EQ(StorageGaugeMetrics::fillWidth(c.barWidth, c.health), c.width) << c.what;
}

TEST(StorageGaugeMetrics, ValueTextJoinsUsedAndTotalOrShowsADash)
{
    struct Case
    {
        MacHealth health;
        const char16_t* text;
    };
    const Case cases[] = {
        {{0, 0}, u"\u2014"},
        {{123, -4}, u"\u2014"},
        {{0, 1'000'000'000'000}, u"0 KB / 1 TB"},
        {{-20, 500'000'000'000}, u"0 KB / 500 GB"},
        {{191'290'000'000, 270'550'000'000}, u"191.29 GB / 270.55 GB"},
        {{1, 999}, u"1 byte / 999 bytes"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StorageGaugeMetrics::valueText(c.health), QString::fromUtf16(c.text))
            << c.health.usedBytes << " of " << c.health.totalBytes;

    const StorageGaugeMetrics metrics;
    EXPECT_EQ(metrics.valueText(0, 1'000'000'000'000), QStringLiteral("0 KB / 1 TB")) << "the QML form";
    EXPECT_EQ(metrics.fillWidth(100, 65, 1000), 7);
    EXPECT_FALSE(metrics.hasFill(0));
    EXPECT_TRUE(metrics.hasFill(1));
}

} // namespace
} // namespace qm

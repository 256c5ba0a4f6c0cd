#include "core/spacelens/BubblePacker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace qm {
namespace {

constexpr double kGoldenAngle = 2.399963229728653;

// QPointF's own == is fuzzy; layouts must repeat exactly.
bool isExactly(const QPointF& point, double x, double y)
{
    return point.x() == x && point.y() == y;
}

std::vector<QUuid> ids(std::size_t count)
{
    std::vector<QUuid> out;
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(QUuid::createUuid());
    return out;
}

std::vector<BubblePacker::Item> items(const std::vector<QUuid>& id, const std::vector<double>& values)
{
    std::vector<BubblePacker::Item> out;
    for (std::size_t i = 0; i < values.size(); ++i)
        out.push_back({id[i], values[i]});
    return out;
}

TEST(BubblePacker, DropsWeightsThatAreNotAboveZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<QUuid> id = ids(7);
    EXPECT_TRUE(BubblePacker::pack({}, 5.0).empty());
    EXPECT_TRUE(BubblePacker::pack(items(id, {0.0, -0.0, -1.0, nan, -inf, inf}), 5.0).empty());

    // Dropped items get no circle and do not count as the largest.
    const auto circles = BubblePacker::pack(items(id, {inf, 0.0, 9.0, nan, -100.0, 4.0}), 5.0);
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_EQ(circles[0].id, id[2]);
    EXPECT_EQ(circles[0].radius, 100.0);
    EXPECT_EQ(circles[1].id, id[5]);
    EXPECT_DOUBLE_EQ(circles[1].radius, 100.0 * 2.0 / 3.0);
}

TEST(BubblePacker, PutsTheHeaviestAtTheOriginWithRadius100)
{
    const QUuid id = QUuid::createUuid();
    for (double value : {5e-324, 1e-300, 1.0, 7.0e12, 1e300}) {
        const auto circles = BubblePacker::pack({{id, value}}, 5.0);
        ASSERT_EQ(circles.size(), 1u) << value;
        EXPECT_EQ(circles[0].id, id);
        EXPECT_TRUE(isExactly(circles[0].center, 0.0, 0.0)) << value;
        // scale × sqrt(value) with scale = 100 / sqrt(value): 100 to within rounding.
        EXPECT_DOUBLE_EQ(circles[0].radius, 100.0) << value;
    }
}

TEST(BubblePacker, PlacesTheSecondCircleAtTheFirstFreeSpiralTrial)
{
    const std::vector<QUuid> id = ids(2);
    const auto circles = BubblePacker::pack(items(id, {1.0, 4.0}), 5.0);
    ASSERT_EQ(circles.size(), 2u);
    EXPECT_EQ(circles[0].id, id[1]);
    EXPECT_EQ(circles[0].radius, 100.0);
    EXPECT_EQ(circles[1].id, id[0]);
    EXPECT_EQ(circles[1].radius, 50.0);

    // The step is 50 × 0.55 + 2 = 29.5; trial 27 lies at 29.5 × √27 ≈ 153.3 < 155, trial 28 at ≈ 156.1.
    const double distance = 29.5 * std::sqrt(28.0);
    const double angle = 28.0 * kGoldenAngle;
    EXPECT_TRUE(isExactly(circles[1].center, std::cos(angle) * distance, std::sin(angle) * distance));
    EXPECT_NEAR(std::hypot(circles[1].center.x(), circles[1].center.y()), 156.1, 0.05);
}

TEST(BubblePacker, GivesAWeightOfOneTenThousandthRadiusOne)
{
    const std::vector<QUuid> id = ids(2);
    const auto exact = BubblePacker::pack(items(id, {1e8, 1e4}), 5.0);
    ASSERT_EQ(exact.size(), 2u);
    EXPECT_EQ(exact[1].radius, 1.0);
    for (double largest : {1.0, 3.0, 123456789.0, 4.2e15}) {
        const auto circles = BubblePacker::pack(items(id, {largest / 10000.0, largest}), 5.0);
        ASSERT_EQ(circles.size(), 2u);
        EXPECT_EQ(circles[0].id, id[1]);
        EXPECT_DOUBLE_EQ(circles[1].radius, 1.0) << largest;
    }
}

TEST(BubblePacker, OrdersByWeightKeepingTiesInInputOrder)
{
    const std::vector<QUuid> id = ids(7);
    const auto circles = BubblePacker::pack(items(id, {1.0, 3.0, 3.0, 0.0, 2.0, 3.0, 2.0}), 5.0);
    const std::vector<QUuid> expected{id[1], id[2], id[5], id[4], id[6], id[0]};
    ASSERT_EQ(circles.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(circles[i].id, expected[i]) << "position " << i;
}

TEST(BubblePacker, LaysAnUnplaceableCircleOverTheFirst)
{
    const std::vector<QUuid> id = ids(3);
    const auto circles = BubblePacker::pack(items(id, {9.0, 4.0, 1.0}), 1e9);
    ASSERT_EQ(circles.size(), 3u);
    for (const PackedCircle& circle : circles)
        EXPECT_TRUE(isExactly(circle.center, 0.0, 0.0));
    EXPECT_DOUBLE_EQ(circles[1].radius, 100.0 * 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(circles[2].radius, 100.0 / 3.0);
}

// Every double of a small layout, computed by an independent program that calls the C library's
// sqrt, sin, cos and hypot in the same order: the layout must repeat bit for bit.
TEST(BubblePacker, RepeatsAKnownLayoutBitForBit)
{
    const std::vector<QUuid> id = ids(8);
    const auto circles =
        BubblePacker::pack(items(id, {3.0e9, 1.0e9, 7.5e8, 2.0e8, 2.0e8, 4.0e7, 1.0e6, 0.0}), 5.0);
    const std::vector<PackedCircle> expected{
        {id[0], QPointF(0.0, 0.0), 0x1.9000000000000p+6},
        {id[1], QPointF(0x1.48dbb33525c4bp+6, 0x1.1ef361880a8a3p+7), 0x1.cde155cb14fdcp+5},
        {id[2], QPointF(-0x1.a6a84a67c866bp+5, -0x1.25c617cba8c74p+7), 0x1.9000000000000p+5},
        {id[3], QPointF(-0x1.bcc3906551b0ap+6, -0x1.210e533812885p+6), 0x1.9d1e43e6cc1b5p+4},
        {id[4], QPointF(0x1.078cc1822609dp+7, -0x1.5fc47a1894cffp+4), 0x1.9d1e43e6cc1b5p+4},
        {id[5], QPointF(-0x1.cfe8ed6ace4b4p+6, 0x1.8527acb81e08fp+3), 0x1.7181116f43fe4p+3},
        {id[6], QPointF(-0x1.a9e4230a05a96p+5, 0x1.732685d4c1ac7p+6), 0x1.d363d1848dcbfp+0},
    };
    ASSERT_EQ(circles.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(circles[i].id, expected[i].id) << i;
        EXPECT_TRUE(isExactly(circles[i].center, expected[i].center.x(), expected[i].center.y())) << i;
        EXPECT_EQ(circles[i].radius, expected[i].radius) << i;
    }
}

TEST(BubblePacker, KeepsThePaddingBetweenEveryPairOnRandomInputs)
{
    std::mt19937_64 random(20261210);
    std::uniform_int_distribution<int> count(1, 40);
    std::uniform_real_distribution<double> exponent(0.0, 12.0);
    std::uniform_real_distribution<double> padding(0.0, 20.0);
    for (int run = 0; run < 200; ++run) {
        std::vector<BubblePacker::Item> input;
        const int n = count(random);
        for (int i = 0; i < n; ++i)
            input.push_back({QUuid::createUuid(), std::pow(10.0, exponent(random))});
        const double gap = run % 2 ? padding(random) : 5.0;
        const auto circles = BubblePacker::pack(input, gap);
        ASSERT_EQ(circles.size(), input.size());
        EXPECT_TRUE(isExactly(circles[0].center, 0.0, 0.0)) << "run " << run;
        EXPECT_DOUBLE_EQ(circles[0].radius, 100.0) << "run " << run;
        for (std::size_t j = 1; j < circles.size(); ++j) {
            EXPECT_LE(circles[j].radius, circles[j - 1].radius) << "run " << run;
            const PackedCircle& b = circles[j];
            if (isExactly(b.center, 0.0, 0.0))
                continue; // fell back onto the first circle
            for (std::size_t i = 0; i < j; ++i) {
                const PackedCircle& a = circles[i];
                EXPECT_GE(std::hypot(b.center.x() - a.center.x(), b.center.y() - a.center.y()),
                          (b.radius + a.radius) + gap)
                    << "run " << run << ", circles " << i << " and " << j;
            }
        }
    }
}

} // namespace
} // namespace qm

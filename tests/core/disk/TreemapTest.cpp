#include "core/disk/Treemap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace qm {
namespace {

using Treemap::Rect;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string show(const Rect& r)
{
    return "(" + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.width) + ", " +
           std::to_string(r.height) + ")";
}

void expectNear(const Rect& actual, const Rect& expected, double tolerance, const std::string& what)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance) << what << ": " << show(actual);
    EXPECT_NEAR(actual.y, expected.y, tolerance) << what << ": " << show(actual);
    EXPECT_NEAR(actual.width, expected.width, tolerance) << what << ": " << show(actual);
    EXPECT_NEAR(actual.height, expected.height, tolerance) << what << ": " << show(actual);
}

TEST(TreemapTest, LaysOutTheDocumentedCases)
{
    struct Case
    {
        const char* what;
        std::vector<double> weights;
        Rect rect;
        std::vector<Rect> expected;
    };
    const Rect zero;
    const std::vector<Case> cases{
        {"no weights", {}, {0, 0, 100, 100}, {}},
        {"zero width", {1, 2}, {0, 0, 0, 100}, {zero, zero}},
        {"zero height", {1, 2}, {5, 5, 100, 0}, {zero, zero}},
        {"negative size", {1}, {0, 0, -10, 100}, {zero}},
        {"nothing positive", {0, -3, kNaN}, {0, 0, 100, 100}, {zero, zero, zero}},
        {"one weight fills all", {7}, {10, 20, 300, 200}, {{10, 20, 300, 200}}},
        {"(0, 5, -1, 5) in 200 x 100",
         {0, 5, -1, 5},
         {0, 0, 200, 100},
         {zero, {0, 0, 100, 100}, zero, {100, 0, 100, 100}}},
        {"square: first row is a column",
         {2, 1, 1},
         {0, 0, 100, 100},
         {{0, 0, 50, 100}, {50, 0, 50, 50}, {50, 50, 50, 50}}},
        {"ties join the row", {1, 1}, {0, 0, 100, 100}, {{0, 0, 100, 50}, {0, 50, 100, 50}}},
        {"taller than wide: first row is a band",
         {2, 1, 1},
         {0, 0, 100, 200},
         {{0, 0, 100, 100}, {0, 100, 100, 50}, {0, 150, 100, 50}}},
        {"(6, 6, 4, 3, 2, 2, 1) in 600 x 400",
         {6, 6, 4, 3, 2, 2, 1},
         {0, 0, 600, 400},
         {{0, 0, 300, 200},
          {0, 200, 300, 200},
          {300, 0, 171.4286, 233.3333},
          {471.4286, 0, 128.5714, 233.3333},
          {300, 233.3333, 120, 166.6667},
          {420, 233.3333, 120, 166.6667},
          {540, 233.3333, 60, 166.6667}}},
    };
    for (const Case& c : cases) {
        const std::vector<Rect> out = Treemap::layout(c.weights, c.rect);
        ASSERT_EQ(out.size(), c.expected.size()) << c.what;
        for (std::size_t i = 0; i < out.size(); ++i)
            expectNear(out[i], c.expected[i], 1e-4, std::string(c.what) + " #" + std::to_string(i));
    }
}

// A side worn to 0 before every area is placed: the tiles left over get the zero rectangle, and no
// tile is ever infinite or NaN.
TEST(TreemapTest, AWornSideGivesZeroRectanglesNeverInfiniteOnes)
{
    const std::vector<double> weights{1e12, 1e-300, 1e-300};
    const std::vector<Rect> out = Treemap::layout(weights, {0, 0, 1e-300, 1e-300});
    ASSERT_EQ(out.size(), 3u);
    for (const Rect& r : out) {
        EXPECT_TRUE(std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) &&
                    std::isfinite(r.height))
            << show(r);
    }
}

TEST(TreemapTest, RandomWeightsTileTheRectangleInProportion)
{
    std::mt19937_64 random(20261210);
    std::uniform_real_distribution<double> weight(0, 1e12);
    std::uniform_int_distribution<int> count(1, 12);
    std::uniform_real_distribution<double> side(1, 2000);
    std::uniform_int_distribution<int> kind(0, 9);
    for (int round = 0; round < 2000; ++round) {
        std::vector<double> weights(std::size_t(count(random)));
        for (double& w : weights) {
            switch (kind(random)) {
            case 0:
                w = kNaN;
                break;
            case 1:
                w = -weight(random);
                break;
            case 2:
                w = 0;
                break;
            default:
                w = weight(random);
            }
        }
        const Rect rect{side(random) - 500, side(random) - 500, side(random), side(random)};
        const std::vector<Rect> out = Treemap::layout(weights, rect);
        const std::string what = "round " + std::to_string(round);
        ASSERT_EQ(out.size(), weights.size()) << what;

        double total = 0;
        for (double w : weights)
            total += w >= 0 ? w : 0;
        const double area = rect.width * rect.height;
        const double slack = 1e-9 * std::max(rect.width, rect.height);
        for (std::size_t i = 0; i < out.size(); ++i) {
            const Rect& r = out[i];
            const double w = weights[i] >= 0 ? weights[i] : 0;
            if (!(w > 0) || !(total > 0)) {
                EXPECT_EQ(r, Rect{}) << what << " #" << i;
                continue;
            }
            EXPECT_GE(r.x, rect.x - slack) << what << " #" << i;
            EXPECT_GE(r.y, rect.y - slack) << what << " #" << i;
            EXPECT_LE(r.x + r.width, rect.x + rect.width + slack) << what << " #" << i;
            EXPECT_LE(r.y + r.height, rect.y + rect.height + slack) << what << " #" << i;
            EXPECT_NEAR(r.width * r.height / area, w / total, 1e-9) << what << " #" << i;
            for (std::size_t j = i + 1; j < out.size(); ++j) {
                const Rect& o = out[j];
                const double dx = std::min(r.x + r.width, o.x + o.width) - std::max(r.x, o.x);
                const double dy = std::min(r.y + r.height, o.y + o.height) - std::max(r.y, o.y);
                if (dx > 0 && dy > 0) {
                    EXPECT_LT(dx * dy, 1e-9 * area) << what << " #" << i << " and #" << j;
                }
            }
        }
    }
}

} // namespace
} // namespace qm

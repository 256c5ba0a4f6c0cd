#include "core/spacelens/BubblePacker.h"

#include <algorithm>
#include <cmath>

namespace qm::BubblePacker {
namespace {

constexpr double kLargestRadius = 100.0;
constexpr double kGoldenAngle = 2.399963229728653; // radians: pi * (3 - sqrt(5))
constexpr double kSpacingFactor = 0.55;
constexpr double kSpacingOffset = 2.0;
constexpr int kTrialLimit = 200'000; // trials run from 1 up to, not including, this

// True when a circle of radius `r` centred at (x, y) keeps `padding` from every placed circle. Placed
// circles are tested in placement order and the test stops at the first one it overlaps.
bool fits(double x, double y, double r, const std::vector<PackedCircle>& placed, double padding)
{
    for (const PackedCircle& other : placed) {
        if (!(std::hypot(x - other.center.x(), y - other.center.y()) >= (r + other.radius) + padding))
            return false;
    }
    return true;
}

} // namespace

// The order of every floating-point operation below is part of the result (the layout must repeat bit
// for bit); the build uses strict ISO C++ (-std=c++20), under which GCC does not fuse a multiply and an
// add into one instruction.
std::vector<PackedCircle> pack(const std::vector<Item>& items, double padding)
{
    std::vector<Item> kept;
    kept.reserve(items.size());
    for (const Item& item : items) {
        // An infinite weight would make every radius NaN or 0; sizes in bytes are never infinite.
        if (item.value > 0.0 && std::isfinite(item.value))
            kept.push_back(item);
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const Item& a, const Item& b) { return a.value > b.value; });

    std::vector<PackedCircle> placed;
    if (kept.empty())
        return placed;
    placed.reserve(kept.size());

    const double scale = kLargestRadius / std::sqrt(kept.front().value);
    for (const Item& item : kept) {
        const double r = scale * std::sqrt(item.value);
        QPointF center(0.0, 0.0);
        if (!placed.empty()) {
            const double step = r * kSpacingFactor + kSpacingOffset;
            for (int i = 1; i < kTrialLimit; ++i) {
                const double trial = static_cast<double>(i);
                const double angle = trial * kGoldenAngle;
                const double distance = step * std::sqrt(trial);
                const double x = std::cos(angle) * distance;
                const double y = std::sin(angle) * distance;
                if (fits(x, y, r, placed, padding)) {
                    center = QPointF(x, y);
                    break;
                }
            }
        }
        placed.push_back(PackedCircle{item.id, center, r});
    }
    return placed;
}

} // namespace qm::BubblePacker

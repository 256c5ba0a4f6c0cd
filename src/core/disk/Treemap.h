#pragma once

#include <vector>

namespace qm {

// Squarified treemap layout: divides a rectangle into one tile per weight, each tile's area
// proportional to its weight and as close to square as the method gets. Pure; any thread.
namespace Treemap {

// A rectangle in the caller's coordinates (y grows downward), in exact doubles, never rounded.
struct Rect
{
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool operator==(const Rect&) const = default;
};

// One rectangle per weight, in input order. Negative and NaN weights count as 0; a weight of 0, an
// empty or degenerate rectangle, or weights that add up to nothing give zero rectangles (all four
// fields 0). Larger weights are placed first (equal ones in input order), each row as a column along
// the left edge while the space left is at least as wide as tall, else as a band along the top. Should
// rounding ever wear the shorter side of the space left down to 0, every tile still unplaced gets the
// zero rectangle.
std::vector<Rect> layout(const std::vector<double>& weights, const Rect& rect);

} // namespace Treemap
} // namespace qm

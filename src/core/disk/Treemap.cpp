#include "core/disk/Treemap.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace qm::Treemap {
namespace {

// The worst aspect ratio of a row of `areas` laid along a side of length `side`; the largest double
// when the row cannot be laid at all.
double worst(const double* areas, std::size_t count, double side)
{
    constexpr double kNone = std::numeric_limits<double>::max();
    if (!(side > 0) || count == 0)
        return kNone;
    double sum = 0;
    double largest = areas[0];
    double smallest = areas[0];
    for (std::size_t i = 0; i < count; ++i) {
        sum += areas[i];
        largest = std::max(largest, areas[i]);
        smallest = std::min(smallest, areas[i]);
    }
    if (!(smallest > 0))
        return kNone;
    const double side2 = side * side;
    const double sum2 = sum * sum;
    return std::max(side2 * largest / sum2, sum2 / (side2 * smallest));
}

} // namespace

std::vector<Rect> layout(const std::vector<double>& weights, const Rect& rect)
{
    std::vector<Rect> result(weights.size());
    if (weights.empty() || !(rect.width > 0) || !(rect.height > 0))
        return result;

    std::vector<double> w(weights.size());
    for (std::size_t i = 0; i < weights.size(); ++i)
        w[i] = weights[i] >= 0 ? weights[i] : 0; // NaN fails the test too
    const double total = std::accumulate(w.begin(), w.end(), 0.0);
    if (!(total > 0))
        return result;

    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < w.size(); ++i) {
        if (w[i] > 0)
            order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), [&w](std::size_t a, std::size_t b) { return w[a] > w[b]; });

    const double scale = rect.width * rect.height / total;
    std::vector<double> areas(order.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        areas[k] = w[order[k]] * scale;

    Rect remaining = rect;
    std::size_t start = 0;
    while (start < areas.size()) {
        const double side = remaining.height < remaining.width ? remaining.height : remaining.width;
        if (!(side > 0))
            break; // worn away by rounding: what is left keeps its zero rectangle
        std::size_t end = start + 1;
        while (end < areas.size() &&
               worst(&areas[start], end + 1 - start, side) <= worst(&areas[start], end - start, side))
            ++end;
        const double s =
            std::accumulate(areas.begin() + std::ptrdiff_t(start), areas.begin() + std::ptrdiff_t(end), 0.0);
        const double thickness = s / side;
        if (!(s > 0) || !std::isfinite(thickness))
            break; // areas lost to underflow: nothing left to place in proportion
        if (remaining.height <= remaining.width) {
            double y = remaining.y;
            for (std::size_t k = start; k < end; ++k) {
                const double h = areas[k] / s * remaining.height;
                result[order[k]] = Rect{remaining.x, y, thickness, h};
                y += h;
            }
            remaining =
                Rect{remaining.x + thickness, remaining.y, remaining.width - thickness, remaining.height};
        } else {
            double x = remaining.x;
            for (std::size_t k = start; k < end; ++k) {
                const double width = areas[k] / s * remaining.width;
                result[order[k]] = Rect{x, remaining.y, width, thickness};
                x += width;
            }
            remaining =
                Rect{remaining.x, remaining.y + thickness, remaining.width, remaining.height - thickness};
        }
        start = end;
    }
    return result;
}

} // namespace qm::Treemap

#pragma once

#include "core/spacelens/PackedCircle.h"

#include <QUuid>

#include <vector>

namespace qm::BubblePacker {

// One item to place: its identifier (not checked for uniqueness) and its weight, for the space lens
// a size in bytes.
struct Item
{
    QUuid id;
    double value = 0.0;
};

// Lays out one circle per item whose weight is a finite number above zero (zero, negative, NaN and
// infinite weights get none), heaviest first, items of equal weight in input order. Areas follow the
// weights; the heaviest circle has radius 100 at (0, 0). Each further circle takes the first point of a
// golden-angle spiral (at most 199,999 trials) that keeps at least `padding` layout units between its
// edge and every circle placed before it; when none does, it lies at (0, 0) over the first. Pure and
// deterministic: the same input gives the same doubles, bit for bit. Quadratic in the number of items
// times the trials in the worst case (a huge padding); the space lens passes at most forty items.
std::vector<PackedCircle> pack(const std::vector<Item>& items, double padding);

} // namespace qm::BubblePacker

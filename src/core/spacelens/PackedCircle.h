#pragma once

#include <QPointF>
#include <QUuid>

namespace qm {

// One circle of the space lens's bubble layout, standing for the item `id`. The layout space is
// unitless and centred on the origin: the heaviest item has radius 100 at (0, 0). Fitting it to a
// frame is the caller's business.
struct PackedCircle
{
    QUuid id;       // the identifier of the item, as given to the packer
    QPointF center; // centre in layout units; may be negative
    double radius = 0.0;

    // Exact, unlike QPointF's own fuzzy comparison: a layout repeats bit for bit.
    bool operator==(const PackedCircle& other) const
    {
        return id == other.id && center.x() == other.center.x() && center.y() == other.center.y() &&
               radius == other.radius;
    }
};

} // namespace qm

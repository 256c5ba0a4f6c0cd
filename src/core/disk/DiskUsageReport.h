#pragma once

#include "core/disk/DiskCategory.h"

#include <vector>

namespace qm {

// One disk measurement: the categories against the home volume's totals (all in bytes). Equal when
// every field is.
struct DiskUsageReport
{
    // Every category of at least 1 byte, "System & Other" included, largest first.
    std::vector<DiskCategory> categories;
    qint64 totalUsed = 0; // total less the free blocks (df's "Used"), never below 0
    qint64 free = 0;      // available to an ordinary user on the home volume
    qint64 total = 0;     // the home volume's size
    // A folder could not be measured fully, two rows measured one folder, or the folders add up to
    // more than `totalUsed`: the split is approximate.
    bool incomplete = false;

    bool operator==(const DiskUsageReport&) const = default;
};

} // namespace qm

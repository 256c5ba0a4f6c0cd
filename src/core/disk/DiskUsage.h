#pragma once

#include "core/disk/DiskCategory.h"

#include <vector>

namespace qm {

// Completes a disk measurement with its remainder. Holds no state.
namespace DiskUsage {

// The remainder category's fixed parts.
inline constexpr quint32 kRemainderColor = 0x8E97AB;

struct Assembled
{
    std::vector<DiskCategory> categories;
    // The measured folders add up to more than the used space.
    bool overcounted = false;
};

// Appends "System & Other" (no folder, colour 0x8E97AB, symbol "gearshape") holding
// max(0, totalUsed − the measured sum) bytes, drops every category below 1 byte and sorts by bytes,
// largest first; equal sizes keep their order, the remainder after the measured ones. Pure.
Assembled assemble(const std::vector<DiskCategory>& measured, qint64 totalUsed);

} // namespace DiskUsage
} // namespace qm

#pragma once

namespace qm {

// Cumulative processor ticks since boot, summed over every processor; only the difference between two
// samples means anything.
struct CPUTicks
{
    double used = 0; // busy ticks
    double idle = 0; // idle ticks

    bool operator==(const CPUTicks&) const = default;
};

} // namespace qm

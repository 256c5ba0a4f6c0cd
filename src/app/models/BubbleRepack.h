#pragma once

#include "core/files/SizedEntry.h"
#include "core/spacelens/PackedCircle.h"

#include <QHash>
#include <QUuid>

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

namespace qm {

// When the space lens repacks its bubbles while entries stream in, and what a repack makes of the
// entries: decided on values alone (the caller gives the time), reading no clock and no disk.
class BubbleRepack
{
public:
    // What one repack gives.
    struct Layout
    {
        // Each entry's index in the sorted entries (0 for the largest).
        QHash<QUuid, int> colorIndexByID;
        // The largest entries, at most `maxBubbles`, in size order.
        std::vector<SizedEntry> bubbles;
        // The packer's circles for `bubbles` (entries of 0 bytes get none).
        std::vector<PackedCircle> circles;
    };

    // Repacks at most once per `interval` while entries arrive, packing at most `maxBubbles` entries
    // `padding` layout units apart.
    BubbleRepack(std::chrono::milliseconds interval, std::size_t maxBubbles, double padding);

    // A new pass begins: the next arrival repacks at once.
    void reset() { m_last.reset(); }
    // An entry arrived at `now`: true (and the time kept) when the last repack is at least `interval`
    // ago or there was none this pass.
    bool dueAt(std::chrono::steady_clock::time_point now);
    // Sorts `entries` by size, largest first (ties keep their order), sets each one's share of their
    // sum (left as it was when the sum is 0) and packs the largest.
    Layout repack(std::vector<SizedEntry>& entries) const;

private:
    std::chrono::milliseconds m_interval;
    std::size_t m_maxBubbles;
    double m_padding;
    std::optional<std::chrono::steady_clock::time_point> m_last;
};

} // namespace qm

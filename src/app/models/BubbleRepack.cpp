#include "app/models/BubbleRepack.h"

#include "core/spacelens/BubblePacker.h"

#include <algorithm>

namespace qm {

BubbleRepack::BubbleRepack(std::chrono::milliseconds interval, std::size_t maxBubbles, double padding)
    : m_interval(interval), m_maxBubbles(maxBubbles), m_padding(padding)
{}

bool BubbleRepack::dueAt(std::chrono::steady_clock::time_point now)
{
    if (m_last && now - *m_last < m_interval)
        return false;
    m_last = now;
    return true;
}

BubbleRepack::Layout BubbleRepack::repack(std::vector<SizedEntry>& entries) const
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const SizedEntry& a, const SizedEntry& b) { return a.bytes > b.bytes; });
    qint64 sum = 0;
    for (const SizedEntry& entry : entries)
        sum += entry.bytes;
    Layout layout;
    layout.colorIndexByID.reserve(qsizetype(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // With nothing counted the shares stay as they were.
        if (sum >= 1)
            entries[i].fraction = double(entries[i].bytes) / double(sum);
        layout.colorIndexByID.insert(entries[i].id, int(i));
    }

    const std::size_t shown = std::min(entries.size(), m_maxBubbles);
    layout.bubbles.assign(entries.begin(), entries.begin() + std::ptrdiff_t(shown));
    std::vector<BubblePacker::Item> items;
    items.reserve(layout.bubbles.size());
    for (const SizedEntry& entry : layout.bubbles)
        items.push_back({entry.id, double(entry.bytes)});
    layout.circles = BubblePacker::pack(items, m_padding);
    return layout;
}

} // namespace qm

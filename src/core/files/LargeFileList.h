#pragma once

#include "core/files/FileEntry.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace qm {

// The result list of the large-file search, held under a cap. Below the cap every entry is appended.
// Once full, every newcomer marks the list capped; a newcomer no larger than the smallest entry is
// dropped, a larger one takes the smallest entry's place. "The smallest entry" is the first of equal
// minima in list order. A min-heap of (bytes, place in the list) names it in O(log n) per displacement
// where a rescan of the whole list would cost O(n): the same entry, since the places are distinct.
// `sorted()` gives the entries largest first, equal sizes in list order. Not thread-safe.
class LargeFileList
{
public:
    // `cap` entries at most (at least 1).
    explicit LargeFileList(std::size_t cap);

    // Offers a file of `bytes` allocated bytes; `make()` builds its entry (with those bytes) only
    // when the entry is kept, so a dropped newcomer costs one comparison.
    template <typename Make> void add(qint64 bytes, Make&& make)
    {
        if (m_entries.size() < m_cap) {
            m_entries.push_back(std::forward<Make>(make)());
            if (m_entries.size() == m_cap)
                buildHeap();
            return;
        }
        m_capped = true;
        if (m_heap.front().bytes >= bytes)
            return;
        replaceSmallest(std::forward<Make>(make)());
    }

    // True once a newcomer met a full list (even when nothing changed).
    bool capped() const { return m_capped; }
    std::size_t size() const { return m_entries.size(); }
    // The entries in list order.
    const std::vector<FileEntry>& entries() const { return m_entries; }
    // Moves the entries out, sorted by bytes, largest first; equal sizes keep their list order. The
    // list is empty afterwards (its capped flag stays).
    std::vector<FileEntry> sorted();

private:
    struct Key
    {
        qint64 bytes;
        std::size_t place;
        bool operator<(const Key& other) const
        {
            return bytes != other.bytes ? bytes < other.bytes : place < other.place;
        }
    };

    void buildHeap();
    void replaceSmallest(FileEntry entry);
    void siftDown(std::size_t at);

    std::size_t m_cap;
    bool m_capped = false;
    std::vector<FileEntry> m_entries;
    std::vector<Key> m_heap; // filled once the list is full; m_heap[0] is the smallest entry
};

} // namespace qm

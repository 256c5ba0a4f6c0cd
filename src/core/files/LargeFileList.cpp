#include "core/files/LargeFileList.h"

#include <algorithm>

namespace qm {

LargeFileList::LargeFileList(std::size_t cap) : m_cap(std::max<std::size_t>(cap, 1)) {}

std::vector<FileEntry> LargeFileList::sorted()
{
    std::vector<FileEntry> entries = std::move(m_entries);
    m_entries.clear();
    m_heap.clear();
    std::stable_sort(entries.begin(), entries.end(),
                     [](const FileEntry& a, const FileEntry& b) { return a.bytes > b.bytes; });
    return entries;
}

void LargeFileList::buildHeap()
{
    m_heap.resize(m_entries.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_heap[i] = Key{m_entries[i].bytes, i};
    for (std::size_t i = m_heap.size() / 2; i-- > 0;)
        siftDown(i);
}

void LargeFileList::replaceSmallest(FileEntry entry)
{
    Key& top = m_heap.front();
    top.bytes = entry.bytes;
    m_entries[top.place] = std::move(entry);
    siftDown(0);
}

void LargeFileList::siftDown(std::size_t at)
{
    const std::size_t n = m_heap.size();
    const Key moving = m_heap[at];
    for (;;) {
        std::size_t child = 2 * at + 1;
        if (child >= n)
            break;
        if (child + 1 < n && m_heap[child + 1] < m_heap[child])
            ++child;
        if (!(m_heap[child] < moving))
            break;
        m_heap[at] = m_heap[child];
        at = child;
    }
    m_heap[at] = moving;
}

} // namespace qm

#include "platform/PageBuffer.h"

#include <sys/mman.h>

#include <new>

namespace qm {

namespace {

constexpr std::size_t kHugePage = PageBuffer::kMappedFrom;

std::size_t roundUp(std::size_t value, std::size_t unit)
{
    return (value + unit - 1) / unit * unit;
}

} // namespace

PageBuffer::PageBuffer(std::size_t size) : m_size(size)
{
    if (size == 0)
        return;
    if (size >= kMappedFrom) {
        // Map one huge page more than needed, then trim both ends so the buffer starts on a huge-page
        // boundary and ends on one: only whole, aligned huge pages can back it.
        const std::size_t length = roundUp(size, kHugePage);
        void* raw =
            ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw != MAP_FAILED) {
            const auto start = reinterpret_cast<std::uintptr_t>(raw);
            const std::uintptr_t aligned = roundUp(start, kHugePage);
            if (aligned > start)
                ::munmap(raw, aligned - start);
            if (const std::size_t tail = kHugePage - (aligned - start); tail > 0)
                ::munmap(reinterpret_cast<void*>(aligned + length), tail);
            // Only advice: without huge pages the mapping works as it is.
            ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
            m_data = reinterpret_cast<std::uint8_t*>(aligned);
            m_mapped = length;
            return;
        }
    }
    m_data = new std::uint8_t[size];
}

void PageBuffer::release()
{
    if (m_data == nullptr)
        return;
    if (m_mapped != 0)
        ::munmap(m_data, m_mapped);
    else
        delete[] m_data;
    m_data = nullptr;
    m_size = 0;
    m_mapped = 0;
}

} // namespace qm

#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace qm {

// Room for reading a file into: `size` writable bytes, contents undefined until written. A buffer of
// 2 MiB or more is a mapping of its own that asks the kernel for huge pages: filling a large buffer
// and reading it back then touches a few page-table entries instead of thousands, which on a virtual
// machine makes both several times cheaper. Smaller buffers, and large ones where no mapping can be
// had, come from the heap. Move-only; the memory goes back when the buffer is destroyed. Not shared
// between threads.
class PageBuffer
{
public:
    PageBuffer() = default;
    // Throws std::bad_alloc when the memory cannot be had at all, as `new` does.
    explicit PageBuffer(std::size_t size);
    PageBuffer(PageBuffer&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
          m_mapped(std::exchange(other.m_mapped, 0))
    {}
    PageBuffer& operator=(PageBuffer&& other) noexcept
    {
        if (this != &other) {
            release();
            m_data = std::exchange(other.m_data, nullptr);
            m_size = std::exchange(other.m_size, 0);
            m_mapped = std::exchange(other.m_mapped, 0);
        }
        return *this;
    }
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    ~PageBuffer() { release(); }

    std::uint8_t* data() { return m_data; }
    const std::uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    // Whether the bytes are a mapping of their own (else they are on the heap).
    bool isMapped() const { return m_mapped != 0; }

    // The size from which a buffer is mapped on its own.
    static constexpr std::size_t kMappedFrom = std::size_t(2) << 20;

private:
    void release();

    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_mapped = 0; // length of the mapping, 0 for heap memory
};

} // namespace qm

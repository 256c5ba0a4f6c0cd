#include "platform/PageBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace qm {
namespace {

// Small buffers live on the heap; from 2 MiB on, a mapping of their own that starts on a huge-page
// boundary. Every byte of each is writable and reads back.
TEST(PageBufferTest, SmallOnTheHeapLargeMappedOnAHugePageBoundary)
{
    struct Case
    {
        std::size_t size;
        bool mapped;
    };
    for (const Case& c : {Case{1, false}, Case{4096, false}, Case{PageBuffer::kMappedFrom - 1, false},
                          Case{PageBuffer::kMappedFrom, true}, Case{PageBuffer::kMappedFrom + 1, true},
                          Case{5 * PageBuffer::kMappedFrom + 12345, true}}) {
        SCOPED_TRACE(c.size);
        PageBuffer buffer(c.size);
        ASSERT_NE(buffer.data(), nullptr);
        EXPECT_EQ(buffer.size(), c.size);
        EXPECT_EQ(buffer.isMapped(), c.mapped);
        if (c.mapped) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.data()) % PageBuffer::kMappedFrom, 0u);
        }
        std::memset(buffer.data(), 0xA5, c.size);
        EXPECT_EQ(buffer.data()[0], 0xA5);
        EXPECT_EQ(buffer.data()[c.size - 1], 0xA5);
    }
    const PageBuffer none(0);
    EXPECT_EQ(none.data(), nullptr);
    EXPECT_EQ(none.size(), 0u);
}

TEST(PageBufferTest, AMoveHandsOverTheMemory)
{
    PageBuffer first(3 * PageBuffer::kMappedFrom);
    first.data()[7] = 42;
    std::uint8_t* const bytes = first.data();
    PageBuffer second(std::move(first));
    EXPECT_EQ(first.data(), nullptr);
    EXPECT_EQ(first.size(), 0u);
    EXPECT_EQ(second.data(), bytes);
    EXPECT_EQ(second.data()[7], 42);
    PageBuffer third(16);
    third = std::move(second);
    EXPECT_EQ(third.data(), bytes);
    EXPECT_TRUE(third.isMapped());
    EXPECT_EQ(third.size(), 3 * PageBuffer::kMappedFrom);
}

} // namespace
} // namespace qm

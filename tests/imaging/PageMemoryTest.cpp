#include "PageMemory.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace frostel {
namespace {

TEST(PageMemory, BlocksAreZeroedAndCounted) {
    const PageMemoryStats before = GetPageMemoryStats();
    {
        PageBlock block(4096 + 3);
        ASSERT_TRUE(block);
        const auto* bytes = block.as<uint8_t>();
        for (size_t i = 0; i < 4096 + 3; ++i) ASSERT_EQ(bytes[i], 0u) << i;
        EXPECT_EQ(GetPageMemoryStats().live, before.live + 1);
        PageBlock moved(std::move(block));
        EXPECT_FALSE(block);
        EXPECT_EQ(GetPageMemoryStats().live, before.live + 1);
    }
    EXPECT_EQ(GetPageMemoryStats().live, before.live);
    EXPECT_EQ(AllocPages(0), nullptr);
    FreePages(nullptr);
    EXPECT_EQ(GetPageMemoryStats().live, before.live);
}

TEST(PageMemory, InjectedFailureHitsExactlyTheNthAllocation) {
    FailPageAllocationAfter(2);
    PageBlock first(16), second(16), third(16);
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_TRUE(third);
    FailPageAllocationAfter(0);
}

}  // namespace
}  // namespace frostel

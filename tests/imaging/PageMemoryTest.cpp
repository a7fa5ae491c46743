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

// Keeping on for the scope of a test; off (every kept block freed) after it.
struct Keeping {
    Keeping() { KeepShelvedPages(true); }
    ~Keeping() { KeepShelvedPages(false); }
};

TEST(PageShelf, AKeptBlockComesBackAsItWasLeftAndGoesWhenKeepingEnds) {
    const PageMemoryStats before = GetPageMemoryStats();
    {
        Keeping keeping;
        auto* block = static_cast<uint8_t*>(TakePages(100000));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(block[99999], 0u) << "a fresh block is zero-filled";
        block[0] = 7, block[99999] = 9;
        ShelvePages(block);
        PageMemoryStats kept = GetPageMemoryStats();
        EXPECT_EQ(kept.kept, 1);
        EXPECT_EQ(kept.live, before.live + 1) << "a kept block is still live";

        // Up to twice the size asked for, the kept block serves, unwiped.
        auto* again = static_cast<uint8_t*>(TakePages(60000));
        EXPECT_EQ(again, block);
        EXPECT_EQ(again[0], 7u);
        EXPECT_EQ(again[99999], 9u);
        EXPECT_EQ(GetPageMemoryStats().reused, kept.reused + 1);
        EXPECT_EQ(GetPageMemoryStats().kept, 0);
        ShelvePages(again);
        // Far larger than asked for: a fresh block, and the kept one waits on.
        void* small = TakePages(40000);
        EXPECT_NE(small, block);
        EXPECT_EQ(GetPageMemoryStats().kept, 1);
        {
            // Too large for any kept block.
            PageBlock large = PageBlock::Taken(200000);
            ASSERT_TRUE(large);
            EXPECT_EQ(GetPageMemoryStats().kept, 1);
        }
        EXPECT_EQ(GetPageMemoryStats().kept, 2) << "a taken PageBlock is shelved when let go of";
        ShelvePages(small);
        EXPECT_EQ(GetPageMemoryStats().kept, 3);
        EXPECT_EQ(GetPageMemoryStats().live, before.live + 3);
    }
    EXPECT_EQ(GetPageMemoryStats().kept, 0);
    EXPECT_EQ(GetPageMemoryStats().live, before.live);
}

TEST(PageShelf, WithoutKeepingShelvingFreesAndTakingAllocates) {
    const PageMemoryStats before = GetPageMemoryStats();
    void* block = TakePages(5000);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GetPageMemoryStats().live, before.live + 1);
    ShelvePages(block);
    ShelvePages(nullptr);
    EXPECT_EQ(GetPageMemoryStats().live, before.live);
    EXPECT_EQ(GetPageMemoryStats().kept, 0);
    EXPECT_EQ(TakePages(0), nullptr);
}

TEST(PageShelf, TakingAKeptBlockCanBeMadeToFail) {
    const int64_t live = GetPageMemoryStats().live;
    {
        Keeping keeping;
        ShelvePages(AllocPages(8192));
        FailPageAllocationAfter(1);
        EXPECT_EQ(TakePages(8000), nullptr);
        FailPageAllocationAfter(0);
        EXPECT_EQ(GetPageMemoryStats().kept, 1) << "the failed take leaves the block kept";
        void* block = TakePages(8000);
        EXPECT_NE(block, nullptr);
        EXPECT_EQ(GetPageMemoryStats().kept, 0);
        FreePages(block);
    }
    EXPECT_EQ(GetPageMemoryStats().live, live);
}

TEST(PageShelf, KeepsNoMoreThanItsLimit) {
    const int64_t live = GetPageMemoryStats().live;
    {
        Keeping keeping;
        // Never touched: the system gives these pages only when written.
        const size_t half = kMostShelvedBytes / 2;
        void* a = AllocPages(half + 4096);
        void* b = AllocPages(half + 4096);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        ShelvePages(a);
        ShelvePages(b);
        EXPECT_EQ(GetPageMemoryStats().kept, 1);
        EXPECT_EQ(GetPageMemoryStats().live, live + 1);
    }
    EXPECT_EQ(GetPageMemoryStats().live, live);
}

}  // namespace
}  // namespace frostel

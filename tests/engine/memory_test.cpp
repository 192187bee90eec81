#include "engine/memory.h"

#include "engine/fault.h"

#include <gtest/gtest.h>

#include <cstring>

namespace mur::mem {
namespace {

class EngineHeap : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_failures();
        trim();
    }
    void TearDown() override
    {
        reset_failures();
        trim();
    }
};

constexpr std::size_t kLarge = std::size_t{3} << 20;

TEST_F(EngineHeap, CountsLiveBlocksAndBytes)
{
    const std::size_t blocks = live_blocks(), bytes = live_bytes();
    void* a = alloc(100);
    void* b = try_alloc(kLarge);
    EXPECT_EQ(live_blocks(), blocks + 2);
    EXPECT_EQ(live_bytes(), bytes + 100 + kLarge);
    release(a);
    release(b);
    EXPECT_EQ(live_blocks(), blocks);
    EXPECT_EQ(live_bytes(), bytes);
}

TEST_F(EngineHeap, ZeroFillsUnlessAskedNotTo)
{
    auto* p = static_cast<uint8_t*>(alloc(4096));
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(p[i], 0);
    release(p);
}

TEST_F(EngineHeap, ReusesARecentLargeBlockOfAboutTheSameSize)
{
    auto* first = static_cast<uint8_t*>(try_alloc_uninit(kLarge));
    std::memset(first, 0xAB, kLarge);
    release(first);
    EXPECT_EQ(cached_bytes(), kLarge);
    auto* again = static_cast<uint8_t*>(try_alloc(kLarge - 1000));
    EXPECT_EQ(again, first);
    EXPECT_EQ(again[0], 0) << "a zero-filled request is zeroed also when reused";
    EXPECT_EQ(again[kLarge - 1001], 0);
    EXPECT_EQ(cached_bytes(), 0u);
    release(again);
    // Much smaller requests do not take a large block.
    void* small = try_alloc(kLarge / 2);
    EXPECT_NE(small, again);
    release(small);
}

TEST_F(EngineHeap, TrimHandsCachedBlocksBack)
{
    release(try_alloc(kLarge));
    ASSERT_GT(cached_bytes(), 0u);
    trim();
    EXPECT_EQ(cached_bytes(), 0u);
}

TEST_F(EngineHeap, InjectedFailuresApplyAlsoWhenABlockIsCached)
{
    release(try_alloc(kLarge));
    fail_allocations(0, 1);
    EXPECT_EQ(try_alloc(kLarge), nullptr);
    EXPECT_EQ(cached_bytes(), kLarge);
    void* next = try_alloc(kLarge);
    EXPECT_NE(next, nullptr);
    EXPECT_EQ(cached_bytes(), 0u);
    release(next);
}

TEST_F(EngineHeap, ReleaseRefusesBlocksItDidNotHandOut)
{
    alignas(16) uint8_t foreign[128] = {};
    EXPECT_THROW(release(foreign + 64), Fault);
    release_nothrow(foreign + 64);  // ignored
    release(nullptr);
}

TEST_F(EngineHeap, FaultingReleaseKeepsTheBlock)
{
    void* p = alloc(64);
    const std::size_t blocks = live_blocks();
    fault_releases(0);
    EXPECT_THROW(release(p), Fault);
    EXPECT_EQ(live_blocks(), blocks);
    release(p);
    EXPECT_EQ(live_blocks(), blocks - 1);
}

TEST_F(EngineHeap, BudgetLimitsLiveBytes)
{
    set_budget(live_bytes() + 1000);
    void* a = try_alloc(600);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(try_alloc(600), nullptr);
    release(a);
    void* b = try_alloc(600);
    EXPECT_NE(b, nullptr);
    release(b);
}

}  // namespace
}  // namespace mur::mem

#include "support/engine_fixture.h"

#include "engine/guarded_alloc.h"

#include <string>

namespace mur::test {
namespace {

class GuardedAllocation : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(64, 64);
        engine.undo.undoLevels = 10;
    }

    // History positions 0..n-1, each with a 32x32 colour and mask patch
    // (10 KB by the estimate).
    static void fill_history(int n)
    {
        for (int i = 0; i < n; ++i) put_history_entry(i, 1, 0, 0, 31, 31, true, true);
    }

    // Allows `bytes` more than what is live now.
    static void allow(std::size_t bytes) { mem::set_budget(mem::live_bytes() + bytes); }
};

TEST_F(GuardedAllocation, SucceedsWithoutTouchingTheHistory)
{
    fill_history(3);
    void* block = MUR_Alloc(5000);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(MUR_GetUndoCount(), 3);
    MUR_Free(block);
    uint8_t* bytes = x_NewCharUndoReduce(100);
    uint16_t* shorts = x_NewShortUndoReduce(100);
    EXPECT_NE(bytes, nullptr);
    EXPECT_NE(shorts, nullptr);
    mem::release(bytes);
    mem::release(shorts);
    EXPECT_EQ(MUR_GetUndoCount(), 3);
}

TEST_F(GuardedAllocation, EmptyHistoryFailsAtOnceWithoutText)
{
    allow(1000);
    EXPECT_EQ(MUR_Alloc(1 << 20), nullptr);
    EXPECT_EQ(x_NewCharUndoReduce(1 << 20), nullptr);
    EXPECT_EQ(x_NewShortUndoReduce(1 << 20), nullptr);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(GuardedAllocation, GivesUpHistoryOldestFirstUntilTheRequestFits)
{
    fill_history(5);
    const int32_t usedBefore = engine.undo.undoUsedKB;
    // Two entries' patches (2 x 10240 bytes) must go for 20000 bytes to fit.
    allow(20000 - 1);
    uint8_t* block = x_NewCharUndoReduce(20000);
    ASSERT_NE(block, nullptr);
    mem::reset_failures();
    EXPECT_EQ(engine.undo.entries[4].colorPatch, nullptr);
    EXPECT_EQ(engine.undo.entries[3].colorPatch, nullptr);
    EXPECT_NE(engine.undo.entries[2].colorPatch, nullptr);
    EXPECT_NE(engine.undo.entries[0].colorPatch, nullptr);
    EXPECT_EQ(MUR_GetUndoCount(), 3);
    EXPECT_EQ(engine.undo.undoUsedKB, usedBefore - 20);
    EXPECT_STREQ(MUR_GetLastError(), "");
    mem::release(block);
}

TEST_F(GuardedAllocation, RedoEntriesAreDiscardedBeforeTheRetry)
{
    // Two undone steps and nothing left to undo.
    fill_history(2);
    engine.undo.redoCount = 2;
    ASSERT_EQ(MUR_CanUndo(), 0);
    allow(20000 - 1);
    void* block = MUR_Alloc(20000);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(MUR_GetRedoCount(), 0);
    EXPECT_EQ(MUR_GetUndoCount(), 0);
    MUR_Free(block);
}

TEST_F(GuardedAllocation, NegativeShortCountExhaustsTheHistoryAndFails)
{
    fill_history(4);
    put_history_entry(4, 1, 0, 0, 3, 3, false, true);  // a mask-only entry
    EXPECT_EQ(x_NewShortUndoReduce(-1), nullptr);
    EXPECT_EQ(MUR_CanUndo(), 0);
    for (const UndoEntry& e : engine.undo.entries) EXPECT_EQ(e.colorPatch, nullptr);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(GuardedAllocation, NegativeHostRequestCostsNoHistory)
{
    fill_history(2);
    EXPECT_EQ(MUR_Alloc(-5), nullptr);
    EXPECT_EQ(MUR_GetUndoCount(), 2);
}

TEST_F(GuardedAllocation, LoopEndsWhenReductionsFreeNothing)
{
    // Requests under a kilobyte ask the history for 0 KB, and mask-only
    // entries are never freed by a reduction: the loop must still end.
    for (int i = 0; i < 3; ++i) put_history_entry(i, 1, 0, 0, 7, 7, false, true);
    ASSERT_EQ(MUR_CanUndo(), 1);
    mem::fail_allocations(0, -1);
    EXPECT_EQ(x_NewCharUndoReduce(100), nullptr);
    EXPECT_EQ(MUR_Alloc(100), nullptr);
    mem::reset_failures();
    EXPECT_EQ(MUR_GetUndoCount(), 0);
}

TEST_F(GuardedAllocation, SmallRequestFreesTheOldestEntryAndSucceeds)
{
    fill_history(3);
    mem::fail_allocations(0, 1);  // the first try fails, the retry succeeds
    void* block = MUR_Alloc(100);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(MUR_GetUndoCount(), 2);
    EXPECT_EQ(engine.undo.entries[2].colorPatch, nullptr);
    MUR_Free(block);
}

TEST_F(GuardedAllocation, FaultInsideTheRetryLoopLeavesTheAllocatorsText)
{
    fill_history(2);
    mem::fail_allocations(0, -1);
    mem::fault_releases(0);
    EXPECT_EQ(x_NewCharUndoReduce(50000), nullptr);
    EXPECT_STREQ(MUR_GetLastError(), "x_NewCharUndoReduce Excpt");
    mem::fault_releases(0);
    EXPECT_EQ(x_NewShortUndoReduce(50000), nullptr);
    EXPECT_STREQ(MUR_GetLastError(), "x_NewShortUndoReduce Excpt");
    MUR_SetLastError("");
    mem::fault_releases(0);
    EXPECT_EQ(MUR_Alloc(50000), nullptr);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(GuardedAllocation, MemcpyCopiesOnlyWithBothPointers)
{
    char src[4] = {'a', 'b', 'c', 'd'};
    char dst[4] = {};
    MUR_Memcpy(dst, src, 3);
    EXPECT_EQ(std::string(dst, 3), "abc");
    EXPECT_EQ(dst[3], 0);
    MUR_Memcpy(nullptr, src, 3);
    MUR_Memcpy(dst, nullptr, 3);
    MUR_Memcpy(dst, src, -1);
}

TEST_F(GuardedAllocation, FreeReleasesWhatAllocGave)
{
    const std::size_t blocks = mem::live_blocks();
    void* block = MUR_Alloc(1234);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(mem::live_blocks(), blocks + 1);
    MUR_Free(block);
    MUR_Free(nullptr);
    EXPECT_EQ(mem::live_blocks(), blocks);
}

}  // namespace
}  // namespace mur::test

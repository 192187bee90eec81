#include "support/engine_fixture.h"

#include "undo/history.h"

#include <algorithm>
#include <vector>

namespace mur::test {
namespace {

class UndoHistory : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(40, 30, 8);
        ASSERT_EQ(MUR_CreateLayer(2, 40, 30), 1);
        ASSERT_EQ(MUR_CreateLayer(3, 40, 30), 1);
        MUR_SetLayer(2);
        MUR_SetUndoLevels(10);
        MUR_SetUndoMB(100);
    }

    static LayerRecord& layer(int slot) { return engine.layers.slots[slot]; }

    // Paints a rectangle of the current layer with one value and marks it dirty.
    static void paint(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint16_t value)
    {
        LayerRecord& l = *engine.layers.currentRecord;
        for (int32_t y = y0; y <= y1; ++y)
            for (int32_t x = x0; x <= x1; ++x) std::fill_n(pixel_at(l, x, y), 4, value);
        undo::widen_dirty(x0, y0, x1, y1);
    }

    static std::vector<uint16_t> snapshot(int slot)
    {
        const LayerRecord& l = layer(slot);
        return {l.pixels, l.pixels + std::size_t(l.width) * l.height * 4};
    }

    static const UndoEntry& newest() { return engine.undo.entries[0]; }
};

TEST_F(UndoHistory, EmptyOrOnePixelWideDirtyRectangleSavesTheWholeImage)
{
    MUR_SaveUndoBuffer(1, 0);
    EXPECT_EQ(newest().x0, 0);
    EXPECT_EQ(newest().x1, 39);
    EXPECT_EQ(newest().y1, 29);
    paint(5, 5, 5, 9, 100);  // one pixel wide
    MUR_SaveUndoBuffer(1, 0);
    EXPECT_EQ(newest().x1 - newest().x0 + 1, 40);
    paint(5, 5, 8, 9, 100);
    MUR_SaveUndoBuffer(1, 0);
    EXPECT_EQ(newest().x0, 5);
    EXPECT_EQ(newest().x1, 8);
    EXPECT_EQ(newest().y0, 5);
    EXPECT_EQ(newest().y1, 9);
}

TEST_F(UndoHistory, DirtyRectangleIsClampedToTheImage)
{
    undo::widen_dirty(-20, -5, 100, 3);
    MUR_SaveUndoBuffer(1, 1);
    EXPECT_EQ(newest().x0, 0);
    EXPECT_EQ(newest().y0, 0);
    EXPECT_EQ(newest().x1, 39);
    EXPECT_EQ(newest().y1, 3);
    EXPECT_NE(newest().maskPatch, nullptr);
    EXPECT_EQ(engine.undo.dirtyX0, 39);  // empty again
    EXPECT_EQ(engine.undo.dirtyX1, 0);
}

TEST_F(UndoHistory, LevelsBoundTheNumberOfSteps)
{
    MUR_SetUndoLevels(3);
    for (int i = 0; i < 4; ++i) {
        paint(i, 0, i + 2, 2, static_cast<uint16_t>(i + 1));
        MUR_SaveUndoBuffer(1, 0);
    }
    EXPECT_EQ(MUR_GetUndoCount(), 3);
    EXPECT_EQ(engine.undo.entries[2].x0, 1);  // the first save (x0 = 0) is gone
    EXPECT_EQ(MUR_SetUndoLevels(1000), 500);
    EXPECT_EQ(MUR_GetUndoCount(), 0);
    EXPECT_EQ(MUR_SetUndoLevels(-3), 0);
}

TEST_F(UndoHistory, UndoAndRedoRestoreThePixelsExactly)
{
    const auto original = snapshot(2);
    paint(3, 4, 20, 15, 1111);
    MUR_SaveUndoBuffer(1, 0);
    const auto first = snapshot(2);
    paint(10, 10, 30, 25, 2222);
    MUR_SaveUndoBuffer(1, 0);
    const auto second = snapshot(2);

    MUR_Undo();
    EXPECT_EQ(snapshot(2), first);
    MUR_Undo();
    EXPECT_EQ(snapshot(2), original);
    EXPECT_EQ(MUR_CanUndo(), 0);
    EXPECT_EQ(MUR_CanRedo(), 1);
    EXPECT_EQ(MUR_GetRedoCount(), 2);
    MUR_Undo();  // nothing left
    EXPECT_EQ(MUR_GetRedoCount(), 2);
    MUR_Redo();
    EXPECT_EQ(snapshot(2), first);
    MUR_Redo();
    EXPECT_EQ(snapshot(2), second);
    MUR_Redo();  // nothing left
    EXPECT_EQ(MUR_GetRedoCount(), 0);
    EXPECT_EQ(snapshot(2), second);
}

TEST_F(UndoHistory, SavingAfterUndoDiscardsTheRedoSteps)
{
    for (int i = 0; i < 3; ++i) {
        paint(i, i, i + 5, i + 5, static_cast<uint16_t>(500 + i));
        MUR_SaveUndoBuffer(1, 0);
    }
    MUR_Undo();
    MUR_Undo();
    EXPECT_EQ(MUR_CanRedo(), 1);
    EXPECT_EQ(MUR_GetRedoCount(), 2);
    paint(0, 0, 3, 3, 9);
    MUR_SaveUndoBuffer(1, 0);
    EXPECT_EQ(MUR_GetRedoCount(), 0);
    EXPECT_EQ(MUR_CanRedo(), 0);
    EXPECT_EQ(MUR_GetUndoCount(), 2);
}

TEST_F(UndoHistory, UndoSwitchesToTheStepsLayer)
{
    const auto before2 = snapshot(2);
    paint(0, 0, 9, 9, 4000);
    MUR_SaveUndoBuffer(1, 0);
    MUR_SetLayer(3);
    const auto before3 = snapshot(3);
    paint(5, 5, 19, 19, 5000);
    MUR_SaveUndoBuffer(1, 0);
    const auto after3 = snapshot(3);

    MUR_Undo();
    EXPECT_EQ(snapshot(3), before3);
    MUR_Undo();
    EXPECT_EQ(MUR_GetLayerNum(), 2);
    EXPECT_EQ(snapshot(2), before2);
    EXPECT_EQ(snapshot(3), before3);
    MUR_Redo();
    MUR_Redo();
    EXPECT_EQ(MUR_GetLayerNum(), 3);
    EXPECT_EQ(snapshot(3), after3);
}

TEST_F(UndoHistory, MaskStepsAreUndoneAndRedone)
{
    std::fill_n(engine.mask.plane + 40 * 5, 40 * 3, uint16_t{77});
    undo::widen_dirty(0, 5, 39, 7);
    MUR_SaveUndoBuffer(0, 1);
    EXPECT_EQ(newest().colorPatch, nullptr);
    MUR_Undo();
    EXPECT_TRUE(std::all_of(engine.mask.plane, engine.mask.plane + 40 * 30, [](uint16_t m) { return m == 65535; }));
    MUR_Redo();
    EXPECT_EQ(engine.mask.plane[40 * 6 + 3], 77);
    EXPECT_EQ(engine.mask.plane[40 * 8 + 3], 65535);
}

TEST_F(UndoHistory, PauseSuspendsSavesUndoRedoAndBackBufferRefresh)
{
    paint(0, 0, 4, 4, 10);
    MUR_SaveUndoBuffer(1, 0);
    MUR_PauseUndo();
    paint(0, 0, 4, 4, 20);
    MUR_SaveUndoBuffer(1, 0);
    EXPECT_EQ(MUR_GetUndoCount(), 1);
    MUR_Undo();
    EXPECT_EQ(MUR_GetRedoCount(), 0);
    MUR_SetLayer(3);
    EXPECT_EQ(engine.undo.backBuffer.colorPatch[0], 10);  // still layer 2's saved state
    MUR_ResumeUndo();
    MUR_SetLayer(3);
    EXPECT_EQ(engine.undo.backBuffer.colorPatch[0], 0);
}

TEST_F(UndoHistory, ReduceZeroDiscardsOnlyTheRedoSteps)
{
    for (int i = 0; i < 4; ++i) {
        paint(0, 0, 39, 29, static_cast<uint16_t>(i));
        MUR_SaveUndoBuffer(1, 0);
    }
    MUR_Undo();
    MUR_ReduceUndo(0);
    EXPECT_EQ(MUR_GetRedoCount(), 0);
    EXPECT_EQ(MUR_GetUndoCount(), 3);
    MUR_ReduceUndo(1);  // frees the oldest whole-image step (9 KB) and stops
    EXPECT_EQ(MUR_GetUndoCount(), 2);
    MUR_ReduceUndo(100000);
    EXPECT_EQ(MUR_GetUndoCount(), 0);
}

TEST_F(UndoHistory, MemoryCounterFollowsThePatches)
{
    const int32_t backBuffers = 40 * 30 * 10 / 1024;
    EXPECT_EQ(engine.undo.undoUsedKB, backBuffers);
    MUR_SaveUndoBuffer(1, 1);  // whole image: 9600 bytes colour, 2400 mask
    EXPECT_EQ(engine.undo.undoUsedKB, backBuffers + 9 + 2);
    paint(0, 0, 15, 15, 3);  // 256 pixels: 2 KB colour, 0 KB mask
    MUR_SaveUndoBuffer(1, 1);
    EXPECT_EQ(engine.undo.undoUsedKB, backBuffers + 9 + 2 + 2);
    MUR_ClearUndo();
    EXPECT_EQ(engine.undo.undoUsedKB, backBuffers);
}

TEST_F(UndoHistory, LonePatchIsGivenBackWhenTheOtherCannotBeHad)
{
    const std::size_t blocks = mem::live_blocks();
    const int32_t used = engine.undo.undoUsedKB;
    mem::fail_allocations(1, -1);  // the colour patch succeeds, the mask patch never does
    MUR_SaveUndoBuffer(1, 1);
    mem::reset_failures();
    EXPECT_EQ(MUR_GetUndoCount(), 0);
    EXPECT_EQ(mem::live_blocks(), blocks);
    EXPECT_EQ(engine.undo.undoUsedKB, used);
    EXPECT_EQ(engine.undo.dirtyX0, 39);  // still reset
}

TEST_F(UndoHistory, UnrecordedStepStillRefreshesTheBackBuffer)
{
    paint(0, 0, 9, 9, 321);
    mem::fail_allocations(0, -1);
    MUR_SaveUndoBuffer(1, 0);
    mem::reset_failures();
    EXPECT_EQ(MUR_GetUndoCount(), 0);
    EXPECT_EQ(engine.undo.backBuffer.colorPatch[0], 321);
}

TEST_F(UndoHistory, AllocationFailureGivesUpOlderStepsFirst)
{
    MUR_SetUndoLevels(4);  // three steps fill all but the slot the next save frees anyway
    for (int i = 0; i < 3; ++i) {
        paint(0, 0, 9, 9, static_cast<uint16_t>(i + 1));
        MUR_SaveUndoBuffer(1, 0);
    }
    mem::fail_allocations(0, 1);  // the first try fails, the retry after freeing one more works
    paint(0, 0, 9, 9, 50);
    MUR_SaveUndoBuffer(1, 0);
    mem::reset_failures();
    EXPECT_EQ(MUR_GetUndoCount(), 3);
    MUR_Undo();
    MUR_Undo();
    MUR_Undo();
    EXPECT_EQ(pixel_at(layer(2), 0, 0)[0], 1);  // the oldest step is gone
}

TEST_F(UndoHistory, FixedBudgetOfZeroKeepsOnlyTheNewestStep)
{
    engine.undo.undoLimitKB = 0;
    for (int i = 0; i < 3; ++i) {
        paint(0, 0, 5, 5, static_cast<uint16_t>(i));
        MUR_SaveUndoBuffer(1, 0);
        EXPECT_EQ(MUR_GetUndoCount(), 1);
    }
}

TEST_F(UndoHistory, AutomaticBudgetFollowsFreeMemory)
{
    MUR_SetUndoMB(0);
    EXPECT_EQ(engine.undo.undoAutoLimit, 1);
    const int32_t p = 40 * 30 / 1024;
    EXPECT_GE(engine.undo.undoLimitKB, 15 * p);
    // Half of free memory or more: the budget tracks the machine, not a constant.
    const int32_t freeMB = std::min(MUR_GetAvailPhyMemory(), MUR_GetAvailPgMemory());
    EXPECT_NEAR(MUR_GetTotalUndoMemory(), freeMB * 0.85, freeMB * 0.05 + 2);
    MUR_SetUndoMB(3);
    EXPECT_EQ(engine.undo.undoAutoLimit, 0);
    EXPECT_EQ(MUR_GetTotalUndoMemory(), 3);
}

TEST_F(UndoHistory, StartFadeTogglesTheNextUndoStep)
{
    paint(0, 0, 9, 9, 100);
    MUR_SaveUndoBuffer(1, 0);
    paint(0, 0, 9, 9, 200);
    MUR_SaveUndoBuffer(1, 0);
    MUR_StartFade();  // nothing undone yet: no effect
    EXPECT_EQ(pixel_at(layer(2), 0, 0)[0], 200);
    MUR_Undo();
    EXPECT_EQ(pixel_at(layer(2), 0, 0)[0], 100);
    MUR_StartFade();
    EXPECT_EQ(pixel_at(layer(2), 0, 0)[0], 0);
    EXPECT_EQ(MUR_GetRedoCount(), 1);
    MUR_StartFade();
    EXPECT_EQ(pixel_at(layer(2), 0, 0)[0], 100);
    MUR_UpdateFade(5);
    MUR_EndFade();
}

TEST_F(UndoHistory, StartFadeAtTheEndOfTheHistoryDoesNothing)
{
    MUR_SetUndoLevels(1);
    paint(0, 0, 9, 9, 100);
    MUR_SaveUndoBuffer(1, 0);
    MUR_Undo();
    ASSERT_EQ(MUR_GetRedoCount(), 1);
    const auto before = snapshot(2);
    MUR_StartFade();
    EXPECT_EQ(snapshot(2), before);
}

TEST_F(UndoHistory, StepOfADeletedLayerIsNotApplied)
{
    paint(0, 0, 9, 9, 100);
    MUR_SaveUndoBuffer(1, 0);
    MUR_SetLayer(3);
    MUR_DeleteLayer(2);
    MUR_Undo();
    EXPECT_EQ(MUR_GetRedoCount(), 0);
    EXPECT_EQ(MUR_GetLayerNum(), 3);
}

TEST_F(UndoHistory, LayerOfAnotherSizeIsOnlyTouchedInsideItsBounds)
{
    ASSERT_EQ(MUR_CreateLayer(4, 12, 50), 1);  // narrower and taller than the image
    MUR_SetLayer(4);
    LayerRecord& l = layer(4);
    for (int32_t y = 0; y < 50; ++y)
        for (int32_t x = 0; x < 12; ++x) std::fill_n(pixel_at(l, x, y), 4, uint16_t(x + y));
    undo::widen_dirty(0, 0, 39, 29);
    MUR_SaveUndoBuffer(1, 0);
    for (int32_t y = 0; y < 50; ++y)
        for (int32_t x = 0; x < 12; ++x) std::fill_n(pixel_at(l, x, y), 4, uint16_t(9999));
    undo::widen_dirty(0, 0, 39, 29);
    MUR_SaveUndoBuffer(1, 0);
    MUR_Undo();
    // Inside the image the layer is back; rows beyond it were never recorded.
    EXPECT_EQ(pixel_at(l, 11, 29)[0], 11 + 29);
    EXPECT_EQ(pixel_at(l, 11, 30)[0], 9999);
    MUR_Redo();
    EXPECT_EQ(pixel_at(l, 11, 29)[0], 9999);
}

TEST(UndoBudget, WholeImageStepsOfAMegapixelImageEachDropTheOlderOnes)
{
    reset_engine();
    MUR_CreateImage(nullptr, 1000, 1000, 8, 0);
    ASSERT_EQ(MUR_CreateLayer(2, 1000, 1000), 1);
    MUR_SetLayer(2);
    MUR_SetUndoLevels(20);
    MUR_SetUndoMB(1);
    for (int i = 0; i < 4; ++i) {
        MUR_InvalidateDirtyUndoCanvas();
        MUR_SaveUndoBuffer(1, 1);
        EXPECT_EQ(MUR_GetUndoCount(), 1) << "save " << i;
        EXPECT_EQ(MUR_CanUndo(), 1);
        EXPECT_EQ(engine.undo.undoUsedKB, 1000 * 1000 * 10 / 1024 + 7812 + 1953);
    }
    reset_engine();
}

}  // namespace
}  // namespace mur::test

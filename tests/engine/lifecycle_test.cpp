#include "support/engine_fixture.h"

#include "engine/lifecycle.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace mur::test {
namespace {

constexpr std::size_t kRandomTables = 2;
constexpr std::size_t kRandomTableBytes = 1000000;

using ImageLifecycle = EngineTest;

struct SideCase {
    int32_t given;
    int32_t stored;
};

class ImageSideClamp : public EngineTest, public ::testing::WithParamInterface<SideCase> {};

TEST_P(ImageSideClamp, WidthAndHeightFollowTheClampRule)
{
    const SideCase c = GetParam();
    MUR_CreateImage(nullptr, c.given, 1, 8, 0);
    EXPECT_EQ(engine.width, c.stored);
    EXPECT_EQ(engine.rowStride32, c.stored * 4);
    MUR_CreateImage(nullptr, 1, c.given, 8, 0);
    EXPECT_EQ(engine.height, c.stored);
    MUR_NewSize(nullptr, c.given, 2, 8, 0);
    EXPECT_EQ(engine.width, c.stored);
    EXPECT_EQ(engine.height, 2);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ImageSideClamp,
                         ::testing::Values(SideCase{10001, 100}, SideCase{10000, 10000}, SideCase{-1, 100},
                                           SideCase{0, 0}, SideCase{INT32_MIN, 100}, SideCase{INT32_MAX, 100},
                                           SideCase{37, 37}),
                         [](const ::testing::TestParamInfo<SideCase>& info) {
                             const int64_t v = info.param.given;
                             return (v < 0 ? "minus" : "") + std::to_string(v < 0 ? -v : v);
                         });

TEST_F(ImageLifecycle, CreateBuildsEveryImageBuffer)
{
    MUR_SetScale(4, 4.0f);
    MUR_SetOffset(7, 9);
    create_image(40, 30, 16);

    EXPECT_EQ(engine.maxBrushSize, 16);
    EXPECT_EQ(engine.maxBrushSize4, 64);
    EXPECT_EQ(engine.viewScaleInt, 1);
    EXPECT_EQ(engine.viewScale, 1.0f);
    EXPECT_EQ(engine.viewOffsetX, 0);
    EXPECT_EQ(engine.viewOffsetY, 0);
    for (uint8_t* grit : engine.tool.gritBuffers) EXPECT_NE(grit, nullptr);
    EXPECT_NE(engine.shape.plane, nullptr);
    EXPECT_EQ(engine.blend.count, 1);
    EXPECT_NE(engine.blend.buffers[0].pixels, nullptr);
    EXPECT_EQ(engine.blend.buffers[0].stride, 64);
    EXPECT_EQ(engine.blend.selected, &engine.blend.buffers[0]);
    EXPECT_EQ(engine.mask.strideBytes, 80);
    EXPECT_EQ(engine.mask.enabled, 1);
    EXPECT_TRUE(std::all_of(engine.mask.plane, engine.mask.plane + 40 * 30, [](uint16_t m) { return m == 65535; }));
    EXPECT_NE(engine.undo.backBuffer.colorPatch, nullptr);
    EXPECT_NE(engine.undo.backBuffer.maskPatch, nullptr);
    EXPECT_EQ(engine.tool.randomTableA.length, 1000000);
    EXPECT_EQ(engine.tool.randomTableA.modulus, 255);
    EXPECT_EQ(engine.tool.randomTableB.modulus, 254);
    EXPECT_EQ(engine.tracePixels, &engine.layers.slots[0].pixels);
    EXPECT_EQ(engine.layers.currentRecord, nullptr);
    EXPECT_EQ(engine.ipl.src32.data, nullptr);
}

TEST_F(ImageLifecycle, UndoMemoryCounterStartsAtTheBackBufferCost)
{
    create_image(1000, 700);
    EXPECT_EQ(engine.undo.undoUsedKB, 700 * 1000 * 10 / 1024);
    EXPECT_EQ(MUR_GetCurrentUndoMemory(), 700 * 1000 * 10 / 1024 / 1024);
    MUR_NewSize(nullptr, 300, 200, 32, 0);
    EXPECT_EQ(engine.undo.undoUsedKB, 300 * 200 * 10 / 1024);
}

TEST_F(ImageLifecycle, DeleteReleasesEverythingButTheRandomTables)
{
    create_image(50, 40, 20);
    ASSERT_EQ(MUR_CreateLayer(0, 50, 40), 1);
    ASSERT_EQ(MUR_CreateLayer(1, 50, 40), 1);
    ASSERT_EQ(MUR_CreateLayer(271, 10, 10), 1);
    MUR_SetLayerOptions(2, 1, 0, 100, "Texturize3");
    ASSERT_EQ(MUR_CreateLayer(2, 50, 40), 1);
    ASSERT_EQ(MUR_CreateTexture(2), 50);
    MUR_SetBlendBufferCount(5);
    engine.paintLayer.pixels = mem::alloc_array<uint16_t>(50 * 40 * 4);
    engine.ipl.dst32.data = mem::alloc_array<uint8_t>(50 * 40 * 4);

    MUR_DeleteImage();

    EXPECT_EQ(MUR_GetLayerCount(), 0);
    EXPECT_EQ(engine.mask.plane, nullptr);
    EXPECT_EQ(engine.layers.texture, nullptr);
    EXPECT_EQ(engine.paintLayer.pixels, nullptr);
    EXPECT_EQ(engine.blend.count, 0);
    EXPECT_EQ(engine.undo.undoUsedKB, 0);
    EXPECT_EQ(mem::live_blocks(), kRandomTables);
    EXPECT_EQ(mem::live_bytes(), kRandomTables * kRandomTableBytes);
    // The options survive the deletion of the pixels.
    EXPECT_EQ(engine.layers.slots[2].mode, 29);
}

TEST_F(ImageLifecycle, SecondCreateReleasesTheFirstImage)
{
    create_image(64, 64, 24);
    const std::size_t blocks = mem::live_blocks();
    const std::size_t bytes = mem::live_bytes();
    ASSERT_EQ(MUR_CreateLayer(3, 64, 64), 1);
    ASSERT_EQ(MUR_CreateTexture(3), 64);
    engine.ipl.src32.data = mem::alloc_array<uint8_t>(64 * 64 * 4);
    engine.ipl.src32.bytes = 64 * 64 * 4;

    create_image(64, 64, 24);

    EXPECT_EQ(mem::live_blocks(), blocks);
    EXPECT_EQ(mem::live_bytes(), bytes);
    EXPECT_EQ(engine.layers.slots[3].pixels, nullptr);
    EXPECT_EQ(engine.ipl.src32.data, nullptr);
}

TEST_F(ImageLifecycle, NewSizeKeepsTheLayersAndRenewsEverythingElse)
{
    create_image(32, 24);
    ASSERT_EQ(MUR_CreateLayer(1, 32, 24), 1);
    ASSERT_EQ(MUR_CreateLayer(2, 32, 24), 1);
    LayerRecord& layer = engine.layers.slots[2];
    fill_layer(layer, 100, 200, 300, 400);
    uint16_t* const pixels = layer.pixels;
    MUR_SetLayer(2);
    std::fill(engine.mask.plane, engine.mask.plane + 32 * 24, uint16_t{0});
    engine.undo.undoLevels = 10;
    put_history_entry(0, 2, 0, 0, 3, 3, true, true);
    put_history_entry(1, 2, 0, 0, 3, 3, true, false);
    engine.undo.redoCount = 1;
    MUR_SetTracingMode(1);

    MUR_NewSize(nullptr, 48, 36, 40, 7);

    EXPECT_EQ(engine.width, 48);
    EXPECT_EQ(engine.height, 36);
    EXPECT_EQ(engine.maxBrushSize, 40);
    EXPECT_EQ(engine.createParam5, 7);
    EXPECT_EQ(layer.pixels, pixels);
    EXPECT_EQ(layer.width, 32);
    EXPECT_EQ(layer.height, 24);
    EXPECT_EQ(pixel_at(layer, 31, 23)[3], 400);
    EXPECT_EQ(engine.layers.currentRecord, &layer);
    EXPECT_TRUE(std::all_of(engine.mask.plane, engine.mask.plane + 48 * 36, [](uint16_t m) { return m == 65535; }));
    EXPECT_EQ(MUR_GetUndoCount(), 0);
    EXPECT_EQ(MUR_GetRedoCount(), 0);
    EXPECT_EQ(MUR_CanUndo(), 0);
    EXPECT_EQ(engine.tracingMode, 0);
    EXPECT_EQ(engine.blend.buffers[0].stride, 160);
    // The back buffer mirrors the kept layer where the two overlap.
    EXPECT_EQ(engine.undo.backBuffer.colorPatch[(23 * 48 + 31) * 4 + 3], 400);
}

TEST_F(ImageLifecycle, RandomTablesAreKeptWhenNothingChanged)
{
    create_image(8, 8);
    const uint8_t* const table = engine.tool.randomTableA.data;
    MUR_NewSize(nullptr, 16, 16, 8, 0);
    EXPECT_EQ(engine.tool.randomTableA.data, table);
    MUR_SetRandomSeed(99);
    MUR_NewSize(nullptr, 16, 16, 8, 0);
    EXPECT_EQ(engine.tool.randomTableA.seed, 99);
}

TEST_F(ImageLifecycle, EqualSeedsGiveEqualTables)
{
    MUR_SetRandomSeed(4242);
    create_image(8, 8);
    std::vector<uint8_t> first(engine.tool.randomTableB.data, engine.tool.randomTableB.data + 1000000);
    reset_engine();
    MUR_SetRandomSeed(4242);
    create_image(16, 4);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), engine.tool.randomTableB.data));
    MUR_SetRandomSeed(4243);
    MUR_NewSize(nullptr, 16, 4, 32, 0);
    EXPECT_FALSE(std::equal(first.begin(), first.end(), engine.tool.randomTableB.data));
}

TEST_F(ImageLifecycle, NegativeBrushSizeMakesEmptyBrushBuffers)
{
    MUR_CreateImage(nullptr, 10, 10, -50, 0);
    EXPECT_EQ(engine.maxBrushSize, 0);
    EXPECT_NE(engine.mask.plane, nullptr);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

// ---- Faults in the lifecycle ---------------------------------------------

TEST_F(ImageLifecycle, FailedPlainAllocationStopsCreateWithItsText)
{
    mem::fail_allocations(0, -1);
    MUR_CreateImage(nullptr, 20, 20, 8, 0);
    mem::reset_failures();
    EXPECT_STREQ(MUR_GetLastError(), "CreateImage Excpt");
    // The grit buffers come from the guarded allocator: they stay null.
    EXPECT_EQ(engine.tool.gritBuffers[0], nullptr);
    EXPECT_EQ(engine.mask.plane, nullptr);
    MUR_DeleteImage();
    EXPECT_EQ(mem::live_blocks(), 0u);
}

TEST_F(ImageLifecycle, MissingGritBufferIsNoFault)
{
    mem::fail_allocations(3, 2);  // two grit buffers cannot be had
    MUR_CreateImage(nullptr, 20, 20, 8, 0);
    EXPECT_STREQ(MUR_GetLastError(), "");
    EXPECT_NE(engine.tool.gritBuffers[2], nullptr);
    EXPECT_EQ(engine.tool.gritBuffers[3], nullptr);
    EXPECT_EQ(engine.tool.gritBuffers[4], nullptr);
    EXPECT_NE(engine.tool.gritBuffers[5], nullptr);
    EXPECT_NE(engine.mask.plane, nullptr);
}

TEST_F(ImageLifecycle, FailedAllocationStopsNewSizeWithItsText)
{
    create_image(20, 20);
    mem::set_budget(mem::live_bytes());
    MUR_NewSize(nullptr, 200, 200, 8, 0);
    mem::reset_failures();
    EXPECT_STREQ(MUR_GetLastError(), "NewSize Excpt");
    EXPECT_EQ(engine.width, 200);
}

TEST_F(ImageLifecycle, FaultWhileReleasingStopsDeleteWithItsText)
{
    create_image(20, 20);
    ASSERT_EQ(MUR_CreateLayer(1, 20, 20), 1);
    mem::fault_releases(0);
    MUR_DeleteImage();
    EXPECT_STREQ(MUR_GetLastError(), "DeleteImage Excpt");
    // What the fault stopped is still owned and goes with the next delete.
    EXPECT_NE(engine.layers.slots[1].pixels, nullptr);
    MUR_DeleteImage();
    EXPECT_EQ(engine.layers.slots[1].pixels, nullptr);
    EXPECT_EQ(mem::live_blocks(), kRandomTables);
}

// ---- No image ------------------------------------------------------------

// Every export, called with arguments a careless host might pass, before an
// image exists and after it is gone.
void call_every_export()
{
    uint8_t rgba[16] = {};
    MUR_NewSize(nullptr, 0, 0, 0, 0);
    MUR_DeleteImage();
    MUR_DeleteImage();
    for (int32_t slot : {-1, 0, 1, 2, 271, 272}) {
        MUR_DeleteLayer(slot);
        MUR_SetLayer(slot);
        MUR_SetLayerAlpha(slot, 5);
        MUR_NormalizeLayerAlpha(slot);
        MUR_InvertAlpha(slot);
        MUR_CreateBlobFromImage(slot, 1);
        EXPECT_EQ(MUR_CreateTexture(slot), 0);
        MUR_SaveUndoBackBuffer(slot);
    }
    MUR_SwapLayers(0, 1);
    MUR_InvertAlpha_RGBA32(rgba);
    MUR_InvertAlpha_RGBA32(nullptr);
    MUR_DeleteTexture();
    MUR_SetBlendBufferCount(3);
    MUR_SetBlendBufferCount(0);
    MUR_ClearUndo();
    MUR_ReduceUndo(100);
    EXPECT_EQ(MUR_CanUndo(), 0);
    EXPECT_EQ(MUR_CanRedo(), 0);
    EXPECT_EQ(MUR_GetUndoCount(), 0);
    EXPECT_EQ(MUR_GetLayerCount(), 0);
    MUR_SetWindowBasePos(0, 0, 10, 10);
    MUR_Memcpy(nullptr, rgba, 4);
    MUR_Free(nullptr);
    EXPECT_EQ(MUR_GetSplinePointX(3), 0);
}

TEST_F(ImageLifecycle, EveryExportIsSafeWithoutAnImage)
{
    call_every_export();
    create_image(12, 12);
    ASSERT_EQ(MUR_CreateLayer(2, 12, 12), 1);
    MUR_SetLayer(2);
    MUR_DeleteImage();
    call_every_export();
    EXPECT_STREQ(MUR_GetLastError(), "");
}

}  // namespace
}  // namespace mur::test

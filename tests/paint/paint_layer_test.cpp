#include "support/engine_fixture.h"

#include "layers/blend_modes.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t W = 16;
constexpr int32_t H = 12;

class PaintLayer : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(W, H, 8);
        ASSERT_EQ(MUR_CreateLayer(2, W, H), 1);
        MUR_SetLayer(2);
    }
    static LayerRecord& paint() { return engine.paintLayer; }
    static void dab(int x0, int y0, int x1, int y1, uint16_t r, uint16_t g, uint16_t b, uint16_t a)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                uint16_t* p = pixel_at(paint(), x, y);
                p[0] = r, p[1] = g, p[2] = b, p[3] = a;
            }
        MUR_SetPaintLayerExtents(x0, y0, x1, y1);
    }
};

TEST_F(PaintLayer, CreateStoresTheStrokeSettings)
{
    EXPECT_EQ(MUR_CreatePaintLayer(100, 100, "Multiply"), kModeMultiply);
    EXPECT_EQ(paint().opacity, 256);
    EXPECT_EQ(paint().density, 255);
    EXPECT_EQ(paint().visible, 1);
    EXPECT_EQ(paint().width, W);
    EXPECT_EQ(paint().extentX0, W) << "empty extents";
    EXPECT_EQ(paint().extentX1, 0);
    EXPECT_EQ(MUR_CreatePaintLayer(50, 50, std::string(60, 'x').c_str()), kModeNormal);
    EXPECT_STREQ(paint().modeName, "Multiply") << "a name too long is not stored";
    EXPECT_EQ(paint().opacity, 128);
    EXPECT_EQ(paint().density, 127);
}

TEST_F(PaintLayer, APaintLayerThatCannotBeHadIsReportedAndNotHalfMade)
{
    mem::fail_allocations(0, -1);
    EXPECT_EQ(MUR_CreatePaintLayer(50, 100, "Multiply"), 0);
    mem::reset_failures();
    EXPECT_STREQ(MUR_GetLastError(), "CreatePaintLayer Excpt");
    EXPECT_EQ(paint().pixels, nullptr);
    EXPECT_EQ(paint().opacity, 0) << "the settings of a paint layer that is not there stay as they were";
    EXPECT_EQ(paint().width, 0);
    EXPECT_STREQ(paint().modeName, "");
}

TEST_F(PaintLayer, ABlurWithoutWorkingMemoryIsReportedAndLeavesTheAlpha)
{
    MUR_CreatePaintLayer(100, 100, "Normal");
    dab(4, 4, 9, 9, 100, 200, 300, 65535);
    const std::vector<uint16_t> before(paint().pixels, paint().pixels + W * H * 4);
    mem::fail_allocations(2, -1);  // the two alpha planes, but not the blur's own buffers
    MUR_BlurPaintLayerAlpha();
    mem::reset_failures();
    EXPECT_STREQ(MUR_GetLastError(), "BlurPaintLayerAlpha Excpt");
    EXPECT_TRUE(std::equal(before.begin(), before.end(), paint().pixels));
}

TEST_F(PaintLayer, ExtentsFarOutsideAreKeptWithinTheLayerAndMergeTheSame)
{
    MUR_CreatePaintLayer(100, 100, "Normal");
    MUR_SetPaintLayerExtents(INT32_MIN, -5, INT32_MAX, H + 100);
    EXPECT_EQ(paint().extentX0, 0);
    EXPECT_EQ(paint().extentY0, 0);
    EXPECT_EQ(paint().extentX1, W);
    EXPECT_EQ(paint().extentY1, H);
    dab(0, 0, W, H, 1000, 2000, 3000, 65535);
    MUR_SetPaintLayerExtents(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    MUR_MergePaintLayer(2);
    EXPECT_EQ(pixel_at(engine.layers.slots[2], W - 1, H - 1)[0], 1000) << "the whole layer was merged";
}

TEST_F(PaintLayer, CreatingAgainKeepsThePaint)
{
    MUR_CreatePaintLayer(100, 100, "Normal");
    dab(1, 1, 3, 3, 1, 2, 3, 4);
    uint16_t* pixels = paint().pixels;
    MUR_CreatePaintLayer(80, 100, "Screen");
    EXPECT_EQ(paint().pixels, pixels);
    EXPECT_EQ(pixel_at(paint(), 2, 2)[3], 4);
    EXPECT_EQ(paint().extentX1, 3);
}

TEST_F(PaintLayer, MergeWithoutPaintChangesNothing)
{
    MUR_CreatePaintLayer(100, 100, "Normal");
    fill_layer(engine.layers.slots[2], 5, 6, 7, 8);
    MUR_MergePaintLayer(2);
    EXPECT_EQ(pixel_at(engine.layers.slots[2], 0, 0)[3], 8);
    EXPECT_TRUE(std::all_of(paint().pixels, paint().pixels + W * H * 4, [](uint16_t v) { return v == 0; }));
}

TEST_F(PaintLayer, MergeLaysTheExtentsIntoTheLayerAndClears)
{
    MUR_CreatePaintLayer(100, 100, "Normal");
    dab(2, 3, 6, 5, 65280, 0, 0, 65535);
    pixel_at(paint(), 0, 0)[3] = 65535;  // outside the extents: not merged
    MUR_MergePaintLayer(2);
    const LayerRecord& layer = engine.layers.slots[2];
    EXPECT_EQ(pixel_at(layer, 2, 3)[0], 65280);
    EXPECT_EQ(pixel_at(layer, 5, 4)[3], 65535);
    EXPECT_EQ(pixel_at(layer, 6, 4)[3], 0);
    EXPECT_EQ(pixel_at(layer, 0, 0)[3], 0);
    EXPECT_EQ(paint().extentX0, W);
    EXPECT_EQ(pixel_at(paint(), 3, 3)[3], 0);
}

TEST_F(PaintLayer, MergeUsesTheStrokeAlphaAndTheLocks)
{
    MUR_CreatePaintLayer(100, 50, "Normal");  // density 127
    dab(0, 0, 2, 2, 65280, 65280, 65280, 65535);
    MUR_MergePaintLayer(2);
    EXPECT_EQ(pixel_at(engine.layers.slots[2], 0, 0)[3], (128 * 65535) >> 8);
    MUR_SetAlphaLocked(1);
    fill_layer(engine.layers.slots[2], 0, 0, 0, 0);
    dab(0, 0, 2, 2, 65280, 65280, 65280, 65535);
    MUR_MergePaintLayer(2);
    EXPECT_EQ(pixel_at(engine.layers.slots[2], 0, 0)[0], 65280);
    EXPECT_EQ(pixel_at(engine.layers.slots[2], 0, 0)[3], 0) << "transparency locked";
}

TEST_F(PaintLayer, MergeIntoAMissingLayerKeepsTheStroke)
{
    MUR_CreatePaintLayer(100, 100, "Normal");
    dab(0, 0, 2, 2, 1, 1, 1, 65535);
    MUR_MergePaintLayer(7);
    EXPECT_EQ(pixel_at(paint(), 1, 1)[3], 65535);
    EXPECT_EQ(paint().extentX1, 2);
}

TEST_F(PaintLayer, OldClearFillsOutsideTheExtents)
{
    MUR_CreatePaintLayer(100, 100, "Normal");
    MUR_SetPaintLayerExtents(2, 2, 4, 4);
    MUR_ClearPaintLayer_old();
    EXPECT_EQ(pixel_at(paint(), 0, 0)[0], 65535);
    EXPECT_EQ(pixel_at(paint(), 3, 3)[0], 0);
    EXPECT_EQ(pixel_at(paint(), 4, 3)[3], 65535);
    EXPECT_EQ(paint().extentX0, W);
    MUR_SetPaintLayerExtents(-50, -50, 500, 500);  // cut to the layer
    MUR_ClearPaintLayer_old();
    EXPECT_EQ(pixel_at(paint(), W - 1, H - 1)[3], 0);
}

TEST_F(PaintLayer, BlurSoftensTheAlphaEdgeButKeepsTheCore)
{
    MUR_CreatePaintLayer(100, 100, "Normal");
    dab(4, 4, 10, 10, 9, 9, 9, 65535);
    pixel_at(paint(), 5, 5)[3] = 0xF000;  // high byte 240: made fully opaque
    MUR_BlurPaintLayerAlpha();
    EXPECT_EQ(pixel_at(paint(), 5, 5)[3], 65535);
    EXPECT_EQ(pixel_at(paint(), 7, 7)[3], 65535);
    EXPECT_GT(pixel_at(paint(), 3, 6)[3], 0) << "the edge spreads outwards";
    EXPECT_LT(pixel_at(paint(), 3, 6)[3], 32768);
    EXPECT_EQ(pixel_at(paint(), 0, 0)[3], 0);
    EXPECT_EQ(pixel_at(paint(), 3, 6)[0], 0) << "colour untouched";
}

TEST_F(PaintLayer, SwapTwiceRestoresBothRecords)
{
    MUR_CreatePaintLayer(100, 100, "Screen");
    uint16_t* const paintPixels = paint().pixels;
    uint16_t* const layerPixels = engine.layers.slots[2].pixels;
    MUR_SwapPaintLayer(2);
    EXPECT_EQ(engine.layers.slots[2].pixels, paintPixels);
    EXPECT_EQ(engine.layers.slots[2].mode, kModeScreen);
    MUR_SwapPaintLayer(2);
    EXPECT_EQ(engine.layers.slots[2].pixels, layerPixels);
    EXPECT_EQ(paint().pixels, paintPixels);
    MUR_SwapPaintLayer(-1);
    MUR_SwapPaintLayer(272);
}

TEST_F(PaintLayer, WithoutAPaintLayerNothingHappens)
{
    EXPECT_EQ(MUR_ClearPaintLayer(), 0);
    MUR_ClearPaintLayer_old();
    MUR_MergePaintLayer(2);
    MUR_BlurPaintLayerAlpha();
    MUR_DeletePaintLayer();
    MUR_CreatePaintLayer(100, 100, "Normal");
    MUR_DeletePaintLayer();
    EXPECT_EQ(paint().pixels, nullptr);
    EXPECT_EQ(paint().mode, kModeNormal) << "the record's settings stay";
}

}  // namespace
}  // namespace mur::test

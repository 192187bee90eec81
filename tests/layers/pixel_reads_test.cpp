#include "support/engine_fixture.h"

#include "undo/history.h"

#include <vector>

namespace mur::test {
namespace {

constexpr int32_t W = 12;
constexpr int32_t H = 8;

class PixelReads : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(W, H, 8);
        ASSERT_EQ(MUR_CreateLayer(2, W, H), 1);
        MUR_SetLayer(2);
        uint16_t* p = pixel_at(layer(), 0, 0);
        p[0] = 0x1234, p[1] = 0x5678, p[2] = 0x9ABC, p[3] = 0xDEF0;
        p = pixel_at(layer(), W - 1, H - 1);
        p[0] = 0x1100, p[1] = 0x2200, p[2] = 0x3300, p[3] = 0x4400;
    }
    static LayerRecord& layer() { return engine.layers.slots[2]; }
};

// ---- Single pixels -------------------------------------------------------

TEST_F(PixelReads, PackedColoursAreBuiltFromHighBytes)
{
    EXPECT_EQ(MUR_GetColorAtSurface(0, 0), 0xDE12569Au);
    EXPECT_EQ(MUR_GetRGBAAtSurface(0, 0), 0x12569ADEu);
    EXPECT_EQ(MUR_GetColorAtLayer(W - 1, H - 1, 2), 0x44112233u);
    EXPECT_EQ(MUR_GetRGBAAt(W - 1, H - 1, layer().pixels), 0x11223344u);
}

TEST_F(PixelReads, ColorAtOutsideTheImageIsTransparentWhite)
{
    EXPECT_EQ(MUR_GetColorAtSurface(W, 0), 0x00FFFFFFu);
    EXPECT_EQ(MUR_GetColorAtSurface(-1, 3), 0x00FFFFFFu);
    EXPECT_EQ(MUR_GetColorAt(0, H, layer().pixels), 0x00FFFFFFu);
    EXPECT_EQ(MUR_GetColorAt(0, 0, nullptr), 0u);
    EXPECT_EQ(MUR_GetColorAtLayer(0, 0, 5), 0u);
}

TEST_F(PixelReads, RgbaAtClampsTheCoordinates)
{
    EXPECT_EQ(MUR_GetRGBAAtSurface(-5, -5), 0x12569ADEu);
    EXPECT_EQ(MUR_GetRGBAAtLayer(1000, 1000, 2), 0x11223344u);
    EXPECT_EQ(MUR_GetRGBAAt(3, 3, nullptr), 0u);
    EXPECT_EQ(MUR_GetRGBAAtTrace(0, 0), 0u) << "no trace layer";
}

TEST_F(PixelReads, ChannelsOfTheCurrentLayer)
{
    EXPECT_EQ(MUR_GetRed64(0, 0), 0x1234);
    EXPECT_EQ(MUR_GetGreen64(0, 0), 0x5678);
    EXPECT_EQ(MUR_GetBlue64(0, 0), 0x9ABC);
    EXPECT_EQ(MUR_GetAlpha64(0, 0), 0xDEF0);
    EXPECT_EQ(MUR_GetAlpha64(W, 0), 0);
    EXPECT_EQ(MUR_GetAlpha64(0, -1), 0);
}

TEST_F(PixelReads, TraceAndUnderLayerSources)
{
    ASSERT_EQ(MUR_CreateLayer(0, W, H), 1);
    pixel_at(engine.layers.slots[0], 2, 2)[3] = 0xAB00;
    EXPECT_EQ(MUR_GetColorAtTrace(2, 2), 0xAB000000u);
    // The back buffer holds the layer as of the last save.
    MUR_SaveUndoBackBuffer(2);
    pixel_at(layer(), 0, 0)[3] = 0;
    EXPECT_EQ(MUR_GetColorAtUnderLayer(0, 0), 0xDE12569Au);
    EXPECT_EQ(MUR_GetRGBAAtUnderLayer(0, 0), 0x12569ADEu);
}

TEST_F(PixelReads, HistoryIsReadOnlyWhileThereIsAStepToUndo)
{
    EXPECT_EQ(MUR_GetColorAtHistory(0, 0), 0u);
    MUR_SetUndoLevels(5);
    MUR_SaveUndoBuffer(1, 0);
    EXPECT_EQ(MUR_GetColorAtHistory(0, 0), 0xDE12569Au);
    MUR_Undo();
    EXPECT_EQ(MUR_GetColorAtHistory(0, 0), 0u);
}

// ---- Queries -------------------------------------------------------------

TEST_F(PixelReads, ExtentsOfATransparentLayerAreEmpty)
{
    ASSERT_EQ(MUR_CreateLayer(3, W, H), 1);
    int32_t l = -1, t = -1, r = -1, b = -1;
    MUR_FindDataExtentsLayer(3, &l, &t, &r, &b);
    EXPECT_EQ(l, W);
    EXPECT_EQ(t, H);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(b, 0);
}

TEST_F(PixelReads, ExtentsCoverEveryPixelWithAlpha)
{
    ASSERT_EQ(MUR_CreateLayer(3, W, H), 1);
    pixel_at(engine.layers.slots[3], 3, 5)[3] = 1;
    pixel_at(engine.layers.slots[3], 7, 2)[3] = 1;
    int32_t l, t, r, b;
    MUR_FindDataExtentsLayer(3, &l, &t, &r, &b);
    EXPECT_EQ(l, 3);
    EXPECT_EQ(t, 2);
    EXPECT_EQ(r, 7);
    EXPECT_EQ(b, 5);
    int32_t untouched = 42;
    MUR_FindDataExtentsLayer(9, &untouched, nullptr, nullptr, nullptr);
    EXPECT_EQ(untouched, 42);
    MUR_FindDataExtentsLayer(3, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(PixelReads, ExtentsExCoverPixelsThatDifferFromTheCorner)
{
    ASSERT_EQ(MUR_CreateLayer(1, W, H), 1);  // opaque white
    pixel_at(engine.layers.slots[1], 4, 6)[1] = 0;
    pixel_at(engine.layers.slots[1], 9, 1)[3] = 7;
    int32_t l, t, r, b;
    MUR_FindDataExtentsLayerEX(1, &l, &t, &r, &b);
    EXPECT_EQ(l, 4);
    EXPECT_EQ(t, 1);
    EXPECT_EQ(r, 9);
    EXPECT_EQ(b, 6);
    // A transparent corner falls back on the alpha rule.
    MUR_FindDataExtentsLayerEX(2, &l, &t, &r, &b);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(r, W - 1);
}

TEST_F(PixelReads, TransparencyAndUniformity)
{
    ASSERT_EQ(MUR_CreateLayer(1, W, H), 1);
    EXPECT_EQ(MUR_IsLayerTransparent(1), 0);
    EXPECT_EQ(MUR_IsSingleColor(1), 1);
    pixel_at(engine.layers.slots[1], 5, 5)[3] = 65279;
    EXPECT_EQ(MUR_IsLayerTransparent(1), 1);
    EXPECT_EQ(MUR_IsSingleColor(1), 0);
    EXPECT_EQ(MUR_IsLayerTransparent(50), 1) << "no pixels";
    EXPECT_EQ(MUR_IsSingleColor(50), 0);
}

// ---- Clears --------------------------------------------------------------

TEST_F(PixelReads, ClearsSetEveryPixel)
{
    MUR_Clear(1, 2, 3, 255);
    EXPECT_EQ(MUR_GetRGBAAtSurface(W - 1, H - 1), 0x010203FFu);
    EXPECT_EQ(pixel_at(layer(), 0, 0)[3], 65280);
    std::vector<uint16_t> wide(W * H * 4);
    MUR_ClearRGBA64(wide.data(), W * 8, 1, 2, 65535, 70000);
    EXPECT_EQ(wide[W * H * 4 - 2], 65535);
    EXPECT_EQ(wide[W * H * 4 - 1], uint16_t(70000));
    std::vector<uint8_t> bytes(W * H * 4), packed(3 * 2 * 4);
    MUR_ClearRGBA32(bytes.data(), W * 4, 9, 8, 7, 6);
    EXPECT_EQ(bytes[W * H * 4 - 4], 9);
    MUR_ClearRGBA32Buf(packed.data(), 3, 2, 1, 2, 3, 4);
    EXPECT_EQ(packed[23], 4);
}

TEST_F(PixelReads, MaskedClearMixesHalfWayAndMakesOpaque)
{
    fill_layer(layer(), 0, 0, 0, 1000);
    engine.mask.plane[0] = 32768;
    engine.mask.plane[1] = 0;
    MUR_ClearMasked(255, 0, 0, 0);
    // ((0 * 32767) >> 8 + (65280 * 32768) >> 8) >> 8 = 32640
    EXPECT_EQ(pixel_at(layer(), 0, 0)[0], 32640);
    EXPECT_EQ(pixel_at(layer(), 0, 0)[3], 65535);
    EXPECT_EQ(pixel_at(layer(), 1, 0)[3], 1000) << "protected";
    EXPECT_EQ(pixel_at(layer(), 2, 0)[0], 65280);
    EXPECT_EQ(pixel_at(layer(), 2, 0)[3], 0);
    engine.mask.enabled = 0;
    MUR_ClearMasked(0, 0, 0, 255);
    EXPECT_EQ(pixel_at(layer(), 1, 0)[3], 65280);
}

TEST_F(PixelReads, MaskedAlphaClearRespectsTheLock)
{
    MUR_SetLayerOptions(2, 1, 1, 100, "Normal");
    fill_layer(layer(), 0, 0, 0, 1234);
    engine.mask.plane[0] = 0;
    MUR_ClearMaskedAlpha(255, 255, 255, 255);
    EXPECT_EQ(pixel_at(layer(), 0, 0)[0], 0) << "protected";
    EXPECT_EQ(pixel_at(layer(), 1, 0)[0], 65280);
    EXPECT_EQ(pixel_at(layer(), 1, 0)[3], 1234) << "locked";
    // Without mask or lock it is a plain clear.
    MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
    engine.mask.enabled = 0;
    MUR_ClearMaskedAlpha(1, 1, 1, 1);
    EXPECT_EQ(pixel_at(layer(), 0, 0)[3], 256);
}

// ---- Conversions -------------------------------------------------------------

TEST_F(PixelReads, RectangleConversionsAreClippedToTheImage)
{
    std::vector<uint8_t> out(W * H * 4 + 16, 0x77);
    MUR_RGBA64RectToRGBA32(layer().pixels, 0, 0, W, H, W, 0, out.data());
    EXPECT_EQ(out[0], 0x12);
    EXPECT_EQ(out[W * H * 4 - 1], 0x44) << "every column and row";
    std::fill(out.begin(), out.end(), 0x77);
    MUR_RGBA64RectToRGBA32(layer().pixels, -3, -3, W + 10, H + 10, W, 0, out.data());
    EXPECT_EQ(out[0], 0x12) << "the corner moves to (0, 0)";
    EXPECT_EQ(out[W * H * 4 - 1], 0x44);
    EXPECT_EQ(out[W * H * 4], 0x77) << "cut at the image";
    std::fill(out.begin(), out.end(), 0x77);
    MUR_RGBA64RectToRGBA24(layer().pixels, W - 1, H - 1, 5, 5, W, 0, out.data());
    EXPECT_EQ(out[0], 0x11);
    EXPECT_EQ(out[2], 0x33);
    EXPECT_EQ(out[3], 0x77);
}

TEST_F(PixelReads, StridedConversionsCopyTheRectangle)
{
    std::vector<uint8_t> out(4 * 3 * 4, 0);
    EXPECT_EQ(MUR_GetRGBA32FromRGBA64Rect(out.data(), 16, layer().pixels, W * 8, 0, 0, 4, 3), 1);
    EXPECT_EQ(out[3], 0xDE);
    EXPECT_EQ(MUR_GetRGBA32FromRGBA64Rect(nullptr, 16, layer().pixels, W * 8, 0, 0, 4, 3), 0);
    std::vector<uint8_t> rgb(W * H * 3, 0);
    EXPECT_EQ(MUR_GetRGB24FromRGBA64(rgb.data(), W * 3, layer().pixels, W * 8), 1);
    EXPECT_EQ(rgb[W * H * 3 - 1], 0x33);
    EXPECT_EQ(MUR_GetRGB24FromRGBA64(rgb.data(), W * 3, nullptr, W * 8), 0);
    std::vector<uint8_t> alpha(W * H * 3, 0);
    MUR_GetRGB24FromAlpha(alpha.data(), W * 3);
    EXPECT_EQ(alpha[0], 0xDE);
    EXPECT_EQ(alpha[2], 0xDE);
}

// ---- The filter weight ----------------------------------------------------------

TEST_F(PixelReads, FilterWeightScalesAlphaByTextureAndMask)
{
    std::vector<uint8_t> block(W * H * 4, 255);
    engine.mask.enabled = 0;
    MUR_AdjustRGBA32ByMaskAndTexture(block.data(), W, H);
    EXPECT_EQ(block[3], 255) << "neither texture nor mask";
    engine.layers.texture = mem::alloc_array<uint8_t>(W * H);
    std::fill_n(engine.layers.texture, W * H, uint8_t{128});
    engine.layers.texture[0] = 127;  // weight 65023
    engine.mask.enabled = 1;
    engine.mask.plane[1] = 32768;    // weight 32768 * 65535 >> 16 = 32767
    MUR_AdjustRGBA32ByMaskAndTexture(block.data(), W, H);
    EXPECT_EQ(block[3], 253);
    EXPECT_EQ(block[7], 127);
    EXPECT_EQ(block[11], 255);
    EXPECT_EQ(block[0], 255) << "colour untouched";
}

}  // namespace
}  // namespace mur::test

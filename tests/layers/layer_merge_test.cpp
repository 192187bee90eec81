// The edges of both compositing routines; every mode's arithmetic is checked
// against the exact reference in blend_reference_test.py.
#include "support/engine_fixture.h"

#include "layers/blend_modes.h"

#include <array>

namespace mur::test {
namespace {

using Pixel = std::array<int32_t, 4>;

Pixel merge_pixel(Pixel dst, uint32_t r, uint32_t g, uint32_t b, uint32_t amount, int32_t mode, int32_t opacity = 256,
                  int32_t lock = 0)
{
    MUR_MergePixel(&dst[0], &dst[1], &dst[2], &dst[3], r, g, b, amount, mode, opacity, lock);
    return dst;
}

TEST(MergePixel, NothingToAddLeavesTheDestination)
{
    const Pixel clear{100, 200, 300, 0}, opaque{100, 200, 300, 65535};
    EXPECT_EQ(merge_pixel(clear, 9, 9, 9, 0, kModeNormal), clear);
    EXPECT_EQ(merge_pixel(opaque, 9, 9, 9, 0, kModeMultiply), opaque);
    EXPECT_EQ(merge_pixel(clear, 9, 9, 9, 0, 31), clear);
}

TEST(MergePixel, AlphaFilterTurnsNoAmountIntoWhitePaint)
{
    EXPECT_EQ(merge_pixel({1, 2, 3, 0}, 9, 9, 9, 0, kModeAlphaFilter), (Pixel{65535, 65535, 65535, 65535}));
}

TEST(MergePixel, TransparentDestinationTakesTheSourceUnlessTheModeKeepsItClear)
{
    const Pixel clear{100, 200, 300, 0};
    EXPECT_EQ(merge_pixel(clear, 5000, 6000, 7000, 1234, kModeNormal), (Pixel{5000, 6000, 7000, 1234}));
    EXPECT_EQ(merge_pixel(clear, 5000, 6000, 7000, 1234, kModeScreen), (Pixel{5000, 6000, 7000, 1234}));
    for (int32_t mode : {kModeColor, kModeHardColor, kModeTexturize, kModeTexturize2, kModeTexturize3,
                         kModeAlphaShaderTexture2, kModeAlphaHighlightTexture2, kModeLayerMask})
        EXPECT_EQ(merge_pixel(clear, 5000, 6000, 7000, 40000, mode), (Pixel{0, 0, 0, 0})) << mode;
}

TEST(MergePixel, OpaqueNormalCopiesAndAnythingLessBlends)
{
    const Pixel dst{1000, 1000, 1000, 65535};
    EXPECT_EQ(merge_pixel(dst, 65535, 0, 30000, 65280, kModeNormal), (Pixel{65535, 0, 30000, 65280}));
    const Pixel blended = merge_pixel(dst, 65535, 0, 30000, 65279, kModeNormal);
    EXPECT_LE(blended[0], 65280);
    EXPECT_EQ(blended[3], 65535);
}

TEST(MergePixel, AlphaLockKeepsTheDestinationAlpha)
{
    EXPECT_EQ(merge_pixel({0, 0, 0, 0}, 5000, 6000, 7000, 40000, kModeNormal, 256, 1), (Pixel{5000, 6000, 7000, 0}));
}

TEST(MergePixel, OpacityScalesTheAmount)
{
    const Pixel clear{0, 0, 0, 0};
    EXPECT_EQ(merge_pixel(clear, 1, 1, 1, 40000, kModeNormal, 255)[3], 40000);
    EXPECT_EQ(merge_pixel(clear, 1, 1, 1, 40000, kModeNormal, 256)[3], 40000);
    EXPECT_EQ(merge_pixel(clear, 1, 1, 1, 40000, kModeNormal, 0)[3], 40000 >> 8);
    EXPECT_EQ(merge_pixel(clear, 1, 1, 1, 40000, kModeNormal, 128)[3], (129 * 40000) >> 8);
}

TEST(MergePixel, ModesThatCompositeAlike)
{
    const Pixel dst{30000, 40000, 50000, 40000};
    const Pixel normal = merge_pixel(dst, 60000, 20000, 1000, 30000, kModeNormal);
    for (int32_t mode : {int32_t{kModeReflect}, int32_t{kModeGlow}, int32_t{kModeSilhouette}, int32_t{kModeAlphaNormal}, 31})
        EXPECT_EQ(merge_pixel(dst, 60000, 20000, 1000, 30000, mode), normal) << mode;
    EXPECT_EQ(merge_pixel(dst, 60000, 20000, 1000, 30000, kModeNegation),
              merge_pixel(dst, 60000, 20000, 1000, 30000, kModeExclusion));
    const Pixel kept = merge_pixel(dst, 60000, 20000, 1000, 30000, kModeTexturize3);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(kept[i], dst[i], 1) << i;
}

TEST(MergePixel, AlphaModeThresholds)
{
    const Pixel clear{0, 0, 0, 0};
    EXPECT_EQ(merge_pixel(clear, 1, 1, 1, 8191, kModeAlphaSmooth2)[3], 0);
    EXPECT_EQ(merge_pixel(clear, 1, 1, 1, 9214, kModeAlphaSmooth2)[3], 65471);
    EXPECT_EQ(merge_pixel(clear, 1, 1, 1, 32512, kModeAlphaHighlight)[3], 32512);
    EXPECT_EQ(merge_pixel(clear, 1, 1, 1, 32513, kModeAlphaHighlight)[3], 0);
    EXPECT_EQ(merge_pixel(clear, 65535, 0, 0, 9, kModeLuminanceAlpha), (Pixel{65535, 65535, 65535, 21845}));
}

TEST(MergePixel, AlphaLayerOpacityFeedsTheAlphaModes)
{
    MUR_SetAlphaLayerOpacity(50);
    EXPECT_EQ(merge_pixel({0, 0, 0, 0}, 1, 1, 1, 40000, kModeAlphaSmooth)[3], 32767);
    MUR_SetAlphaLayerOpacity(100);
    EXPECT_EQ(merge_pixel({0, 0, 0, 0}, 1, 1, 1, 40000, kModeAlphaSmooth)[3], 65535);
}

TEST(MergePixel, NullDestinationIsIgnored)
{
    int32_t v = 5;
    MUR_MergePixel(nullptr, &v, &v, &v, 1, 1, 1, 65535, 0, 256, 0);
    EXPECT_EQ(v, 5);
}

// ---- The layer merge ----------------------------------------------------------

class LayerMerge : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(4, 1, 8);
        ASSERT_EQ(MUR_CreateLayer(2, 4, 1), 1);
        ASSERT_EQ(MUR_CreateLayer(3, 4, 1), 1);
    }
    static uint16_t* px(int slot, int x) { return pixel_at(engine.layers.slots[slot], x, 0); }
    static void set(int slot, int x, Pixel p)
    {
        for (int i = 0; i < 4; ++i) px(slot, x)[i] = static_cast<uint16_t>(p[i]);
    }
    static Pixel get(int slot, int x) { return {px(slot, x)[0], px(slot, x)[1], px(slot, x)[2], px(slot, x)[3]}; }
};

TEST_F(LayerMerge, OpaqueNormalPixelIsCopiedAndOpacityMixes)
{
    set(3, 0, {65280, 0, 0, 65535});
    set(2, 0, {0, 0, 65280, 65535});
    MUR_SetLayerOptions(3, 1, 0, 100, "Normal");
    MUR_MergeLayer(3, 2);
    EXPECT_EQ(get(2, 0), (Pixel{65280, 0, 0, 65535}));
    // At opacity 128, u = 129 * 65535 >> 8 = 33023 over an opaque pixel.
    set(2, 0, {0, 0, 65280, 65535});
    MUR_SetLayerOptions(3, 1, 0, 50, "Normal");
    MUR_MergeLayer(3, 2);
    const Pixel mixed = get(2, 0);
    EXPECT_EQ(mixed[3], 65535);
    EXPECT_EQ(mixed[0], static_cast<int32_t>(65280.0L * 33023 / 65535));
    EXPECT_EQ(mixed[2], static_cast<int32_t>(65280.0L * (65535 - 33023) / 65535));
}

TEST_F(LayerMerge, TransparentSourceChangesNothingInAnyColourMode)
{
    set(3, 0, {65280, 65280, 65280, 0});
    set(2, 0, {100, 200, 300, 400});
    for (const BlendModeInfo& mode : kBlendModes) {
        if (mode.id >= kFirstAlphaMode) continue;
        MUR_SetLayerOptions(3, 1, 0, 100, std::string(mode.name).c_str());
        MUR_MergeLayer(3, 2);
        EXPECT_EQ(get(2, 0), (Pixel{100, 200, 300, 400})) << mode.name;
    }
}

TEST_F(LayerMerge, MultiplyOnWhiteGivesTheSource)
{
    set(3, 0, {12800, 25600, 51200, 65535});
    set(2, 0, {65280, 65280, 65280, 65535});
    MUR_SetLayerOptions(3, 1, 0, 100, "Multiply");
    MUR_MergeLayer(3, 2);
    const Pixel out = get(2, 0);
    EXPECT_NEAR(out[0], 12800, 1);
    EXPECT_NEAR(out[1], 25600, 1);
    EXPECT_NEAR(out[2], 51200, 1);
}

TEST_F(LayerMerge, SomeModesKeepTransparentPixelsTransparent)
{
    for (const char* name : {"Texturize", "Texturize2", "Texturize3", "Color", "Hard Color"}) {
        set(3, 0, {30000, 30000, 30000, 40000});
        set(2, 0, {0, 0, 0, 0});
        MUR_SetLayerOptions(3, 1, 0, 100, name);
        MUR_MergeLayer(3, 2);
        EXPECT_EQ(get(2, 0), (Pixel{0, 0, 0, 0})) << name;
    }
    MUR_SetLayerOptions(3, 1, 0, 100, "Normal");
    MUR_MergeLayer(3, 2);
    EXPECT_EQ(get(2, 0), (Pixel{30000, 30000, 30000, 40000}));
}

TEST_F(LayerMerge, AddSaturatesTheAlpha)
{
    set(3, 0, {10000, 10000, 10000, 32768});
    set(2, 0, {10000, 10000, 10000, 32768});
    MUR_SetLayerOptions(3, 1, 0, 100, "Add");
    MUR_MergeLayer(3, 2);
    EXPECT_EQ(get(2, 0)[3], 65535);
}

TEST_F(LayerMerge, LuminanceAlphaOfRedIsAThird)
{
    set(3, 0, {65535, 0, 0, 65535});
    set(2, 0, {0, 0, 0, 0});
    MUR_SetLayerOptions(3, 1, 0, 100, "Luminance Alpha");
    MUR_MergeLayer(3, 2);
    EXPECT_EQ(get(2, 0), (Pixel{65535, 65535, 65535, 21845}));
}

TEST_F(LayerMerge, SameAlphaModeReplacesInsteadOfPilingUp)
{
    set(3, 0, {1000, 2000, 3000, 40000});
    set(2, 0, {9000, 9000, 9000, 65535});
    MUR_SetLayerOptions(3, 1, 0, 100, "Alpha Normal");
    MUR_SetLayerOptions(2, 1, 0, 100, "Alpha Normal");
    MUR_MergeLayer(3, 2);
    EXPECT_EQ(get(2, 0), (Pixel{1000, 2000, 3000, 40000}));
}

TEST_F(LayerMerge, AlphaLockedDestinationOfAPictureMerge)
{
    const uint8_t picture[16] = {255, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 128, 9, 9, 9, 255};
    set(2, 0, {0, 0, 0, 1000});
    MUR_MergeRGBA32Layer(picture, 2, kModeNormal, 256);
    EXPECT_EQ(get(2, 0), (Pixel{65280, 0, 0, 65280}));
    EXPECT_EQ(get(2, 1), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(get(2, 2), (Pixel{0, 0, 65280, 32768}));
    MUR_MergeRGBA32Layer(nullptr, 2, kModeNormal, 256);
    MUR_MergeRGBA32Layer(picture, 9, kModeNormal, 256);
}

// ---- The composite ----------------------------------------------------------------

class Composite : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(3, 1, 8);
        ASSERT_EQ(MUR_CreateLayer(1, 3, 1), 1);
        MUR_SetLayerOptions(1, 1, 0, 100, "Normal");
    }
};

TEST_F(Composite, BackgroundIsCopiedAsItIsAndLayersMergeOverIt)
{
    MUR_SetLayerOptions(1, 1, 0, 10, "Multiply");  // mode and opacity of the background are not applied
    ASSERT_EQ(MUR_CreateLayer(2, 3, 1), 1);
    MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
    uint16_t* p = pixel_at(engine.layers.slots[2], 1, 0);
    p[0] = 65280, p[1] = 0, p[2] = 0, p[3] = 65535;
    EXPECT_EQ(MUR_GetColorAtMerged(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(MUR_GetColorAtMerged(1, 0), 0xFFFF0000u);
    EXPECT_EQ(MUR_GetColorAtMerged(3, 0), 0x00FFFFFFu);
    EXPECT_EQ(MUR_GetColorAtMerged(-1, 0), 0x00FFFFFFu);
    MUR_SetLayerOptions(1, 2, 0, 100, "Normal");  // shown, but not with the flag 1
    EXPECT_EQ(MUR_GetColorAtMerged(0, 0), 0x00000000u);
}

TEST_F(Composite, LayerMaskWeighsTheLayerBelowAndNeverShows)
{
    ASSERT_EQ(MUR_CreateLayer(2, 3, 1), 1);
    ASSERT_EQ(MUR_CreateLayer(3, 3, 1), 1);
    MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
    MUR_SetLayerOptions(3, 1, 0, 100, "Layer Mask");
    for (int x = 0; x < 3; ++x) {
        uint16_t* p = pixel_at(engine.layers.slots[2], x, 0);
        p[0] = 0, p[1] = 0, p[2] = 0, p[3] = 65535;
    }
    // Mask gray 32768 where it has alpha; no alpha at x = 1; white at x = 2.
    uint16_t* m = pixel_at(engine.layers.slots[3], 0, 0);
    m[0] = m[1] = m[2] = 32768, m[3] = 65535;
    m = pixel_at(engine.layers.slots[3], 2, 0);
    m[0] = m[1] = m[2] = 65535, m[3] = 1;
    std::array<uint16_t, 12> out{};
    MUR_Merge(out.data());
    // x = 0: black at alpha (32768 * 65535) >> 16 = 32767 over white (65535).
    EXPECT_NEAR(out[0], 32768, 1);
    EXPECT_EQ(out[3], 65535);
    EXPECT_EQ(out[4], 0) << "no mask alpha: the layer shows whole";
    EXPECT_EQ(out[8], 0) << "white mask: the layer shows whole";
    // A hidden mask layer masks nothing.
    MUR_SetLayerOptions(3, 0, 0, 100, "Layer Mask");
    MUR_Merge(out.data());
    EXPECT_EQ(out[0], 0);
}

TEST_F(Composite, TraceLayerNeverEntersTheComposite)
{
    ASSERT_EQ(MUR_CreateLayer(0, 3, 1), 1);
    MUR_SetLayerOptions(0, 1, 0, 100, "Normal");
    std::fill_n(engine.layers.slots[0].pixels, 12, uint16_t{7});
    EXPECT_EQ(MUR_GetColorAtMerged(2, 0), 0xFFFFFFFFu);
}

TEST_F(Composite, RectangleBeyondTheImageReadsNothingThere)
{
    std::array<uint16_t, 5 * 2 * 4> out;
    out.fill(0xABCD);
    MUR_MergeRect(out.data(), -1, 0, 5, 2);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[4], 65535);
    EXPECT_EQ(out[16], 0);
    EXPECT_EQ(out[20], 0) << "second row lies outside";
}

}  // namespace
}  // namespace mur::test

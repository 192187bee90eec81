// MUR_IPLImageProcess: its returns, the epilogue, the variant drawn for 0,
// every name of the table on a test picture, the native names against the
// native filter framed by hand, 24-bit names keeping alpha, the mask makers
// and the scratch layer.
#include "effects_fixture.h"

#include <vector>

namespace mur {
namespace {

using Effects = test::EffectsTest;
using test::pixel_at;

TEST_F(Effects, ReturnsAndTheEpilogue)
{
    MUR_SetLastError("");
    MUR_IPLAllocSrcBuffer24();
    MUR_IPLAllocDstBuffer24();
    ASSERT_NE(engine.ipl.src24.data, nullptr);
    EXPECT_EQ(run("Negative"), 1);
    EXPECT_EQ(engine.ipl.src24.data, nullptr);
    EXPECT_EQ(engine.ipl.dst24.data, nullptr);
    const std::vector<uint16_t> before = pixels();
    for (const char* other : {"negative", "blur", "Negative ", "", "No Such Effect"}) {
        MUR_IPLAllocSrcBuffer24();
        engine.undo.dirtyX0 = 5, engine.undo.dirtyX1 = 4;
        EXPECT_EQ(run(other), 0) << other;
        EXPECT_EQ(engine.ipl.src24.data, nullptr) << other;
        EXPECT_EQ(engine.undo.dirtyX1, kW - 1) << other;  // the epilogue ran
    }
    EXPECT_EQ(run(nullptr), 0);
    // A failed effect: no scratch layer. The epilogue still releases.
    MUR_IPLAllocDstBuffer24();
    EXPECT_EQ(run("Distort by Scratch Layer"), 1);
    EXPECT_EQ(engine.ipl.dst24.data, nullptr);
    EXPECT_EQ(pixels(), before);
    // No IPL buffers: nothing at all.
    MUR_IPLFreeDstBuffer32();
    EXPECT_EQ(run("Negative"), 0);
    EXPECT_EQ(pixels(), before);
    EXPECT_STREQ(MUR_GetLastError(), "");
}

TEST_F(Effects, EveryNameRunsAndChangesThePictureMaskMakersOnlyTheMask)
{
    ASSERT_EQ(MUR_CreateLayer(kScratch, kW, kH), 1);  // for "Distort by Scratch Layer"
    paint(kScratch, 3);
    MUR_SetLayer(kLayer);
    const std::vector<uint8_t> picture(5 * 4 * 4, 90);  // for "Clip Fill"
    ASSERT_EQ(MUR_RGBA32ToClipboardRect(picture.data(), 0, 0, 5, 4, 0), 1);
    const char* lua = script("for y = 0, height - 1 do for x = 0, width - 1 do\n"
                             "  local r, g, b = get_rgb(x, y) set_rgb(x, y, g, b, r) end end\n");
    MUR_EnableMask(0);
    const std::vector<uint16_t> start = pixels();
    int names = 0;
    for (const effects::EffectRecord& e : effects::effect_table()) {
        paint(kLayer, 7);
        MUR_ClearMask(30000, 30000, 30000);  // half protected, not enabled
        const std::vector<uint16_t> maskBefore = mask();
        // The HSL mask maker looks for the bright square's colour; the
        // script-file families read a texture script.
        const char* path = e.route == 7 ? MUR_SHARE_DIR "/textures/brick.lua" : lua;
        EXPECT_EQ(run(e.name, e.defaults, path, 1, 250, 250, 250), 1) << e.name;
        if (e.needs & effects::kNeedsMask) {
            EXPECT_EQ(pixels(), start) << e.name;
            EXPECT_NE(mask(), maskBefore) << e.name;
        } else if (e.route == 12) {
            EXPECT_EQ(pixels(), start) << e.name;  // a Lua script is no plug-in
        } else {
            EXPECT_NE(pixels(), start) << e.name;
        }
        ++names;
    }
    EXPECT_EQ(names, int(effects::effect_table().size()));
}

TEST_F(Effects, TwentyFourBitNamesKeepAlpha)
{
    const std::vector<uint16_t> before = pixels();
    for (const effects::EffectRecord& e : effects::effect_table()) {
        if (e.framing != effects::Framing::Rgb24) continue;
        paint(kLayer, 7);
        ASSERT_EQ(run(e.name, e.defaults), 1);
        const std::vector<uint16_t> after = pixels();
        for (std::size_t i = 3; i < after.size(); i += 4) ASSERT_EQ(after[i], before[i]) << e.name << " " << i;
    }
    // "Negative" is 255 - c, "Grayscale" equal channels.
    paint(kLayer, 7);
    ASSERT_EQ(run("Negative"), 1);
    EXPECT_EQ(pixel_at(engine.layers.slots[kLayer], 20, 5)[0] >> 8, 255 - 160);
    ASSERT_EQ(run("Grayscale"), 1);
    const uint16_t* p = pixel_at(engine.layers.slots[kLayer], 20, 5);
    EXPECT_EQ(p[0] >> 8, p[1] >> 8);
    EXPECT_EQ(p[1] >> 8, p[2] >> 8);
}

// The dispatcher's route 9 against the native filter framed by hand on a
// twin layer: refill, premultiply (blurs only), filter, un-premultiply, store.
TEST_F(Effects, NativeNamesEqualTheNativeFilterFramedByHand)
{
    int checked = 0;
    for (const effects::EffectRecord& e : effects::effect_table()) {
        if (e.route != 9) continue;
        const bool pre = e.framing == effects::Framing::Premultiplied;
        paint(kLayer, 7);
        paint(kTwin, 7);
        MUR_SetLayer(kLayer);
        ASSERT_EQ(run(e.name, e.defaults), 1);
        MUR_SetLayer(kTwin);
        std::vector<uint8_t> src(std::size_t(kW) * kH * 4), dst(src.size());
        MUR_GetRGBA32Layer(src.data(), kW * 4, kTwin);
        if (pre) MUR_AdjustRGBA32PreFilter(src.data(), kW, kH);
        const int16_t* s = e.defaults.sliders;
        ASSERT_EQ(MUR_IPLNativeFilterRGBA32(src.data(), dst.data(), kW, kH, e.nativeName, 0, s[0], s[1], s[2], s[3],
                                            s[4], s[5], e.defaults.style1, e.defaults.style2, 0, 0, 0, 0, 0, 0, 0, 0,
                                            0),
                  1);
        if (pre) MUR_AdjustRGBA32PostFilter(dst.data(), kW, kH);
        MUR_LoadRGBA32(dst.data(), kW * 4, 1);
        EXPECT_EQ(pixels(kLayer), pixels(kTwin)) << e.name;
        ++checked;
    }
    EXPECT_EQ(checked, 23);
    // The alias pair.
    paint(kTwin, 7);
    MUR_SetLayer(kLayer);
    paint(kLayer, 7);
    const effects::EffectDefaults d = effects::find_effect("Smart Blur")->defaults;
    ASSERT_EQ(run("Smart Blur", d), 1);
    MUR_SetLayer(kTwin);
    ASSERT_EQ(run("Noise Reduction", d), 1);
    EXPECT_EQ(pixels(kLayer), pixels(kTwin));
}

TEST_F(Effects, VariantZeroReachesTheScriptAsADraw)
{
    // The script writes variantVal into the first pixel's red and green.
    const char* path = script("set_rgb(0, 0, ((variantVal % 256) + 0.5) / 255,"
                              " (math.floor(variantVal / 256) + 0.5) / 255, 0)\n");
    paint(kLayer, 8);
    for (int32_t x = 0; x < kW; ++x)
        for (int32_t y = 0; y < kH; ++y) pixel_at(engine.layers.slots[kLayer], x, y)[3] = 0xFFFF;
    std::vector<int> seen;
    for (int k = 0; k < 6; ++k) {
        ASSERT_EQ(run("Lua Filter", effects::find_effect("Lua Filter")->defaults, path, 0), 1);
        const uint16_t* p = pixel_at(engine.layers.slots[kLayer], 0, 0);
        const int v = (p[0] >> 8) + (p[1] >> 8) * 256;
        EXPECT_LE(v, 32766);
        seen.push_back(v);
    }
    EXPECT_NE(seen.front(), seen.back());  // drawn afresh each time
    ASSERT_EQ(run("Lua Filter", effects::find_effect("Lua Filter")->defaults, path, 4660), 1);
    const uint16_t* p = pixel_at(engine.layers.slots[kLayer], 0, 0);
    EXPECT_EQ((p[0] >> 8) + (p[1] >> 8) * 256, 4660);
}

TEST_F(Effects, ScratchLayerDistortsOnlyWhenItHasPixels)
{
    const effects::EffectDefaults d = effects::find_effect("Distort by Scratch Layer")->defaults;
    const std::vector<uint16_t> before = pixels();
    EXPECT_EQ(run("Distort by Scratch Layer", d), 1);
    EXPECT_EQ(pixels(), before);
    ASSERT_EQ(MUR_CreateLayer(kScratch, kW, kH), 1);
    MUR_SetLayer(kLayer);
    paint(kScratch, 5);
    EXPECT_EQ(run("Distort by Scratch Layer", d), 1);
    EXPECT_NE(pixels(), before);
}

TEST_F(Effects, TableNamesAreDistinctAndFoundExactly)
{
    for (const effects::EffectRecord& e : effects::effect_table()) {
        EXPECT_EQ(effects::find_effect(e.name), &e) << e.name;
        EXPECT_NE(e.run, nullptr) << e.name;
    }
    EXPECT_EQ(effects::find_effect(nullptr), nullptr);
}

}  // namespace
}  // namespace mur

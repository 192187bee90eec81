// Filter scripts through MUR_LuaFilterRun: the run's steps, the globals and
// the host functions, with expected values from the documented formulas.
#include "layers/blend_modes.h"
#include "lua/lua_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace mur {
namespace {

using Lua = test::LuaFilterTest;
using test::pixel_at;

TEST_F(Lua, EveryGlobalHasItsValue)
{
    // MERGE_ constants from an independent list of the mode names' order.
    const char* kMerge[] = {"NORMAL", "MULTIPLY", "SCREEN", "DARKEN", "LIGHTEN", "DIFFERENCE", "NEGATION",
                            "EXCLUSION", "AND", "OR", "XOR", "OVERLAY", "HARD_LIGHT", "SOFT_LIGHT", "DODGE", "BURN",
                            "REFLECT", "GLOW", "ADD", "SUBTRACT", "COLOR", "HARD_COLOR", "COLORIZE", "HSL_HUE",
                            "HSL_SAT", "HSL_LUM", "HSL_COLOR", "TEXTURIZE", "TEXTURIZE2", "TEXTURIZE3", "SILHOUETTE"};
    std::string script =
        "assert(width == 7 and height == 5)\n"
        "assert(bound_x0 == 0 and bound_y0 == 0 and bound_x1 == 6 and bound_y1 == 4)\n"
        "assert(variantVal == -12345)\n"
        "assert(sliderVal1 == 1000 * 0.001 and sliderVal2 == 0 and sliderVal3 == 500 * 0.001)\n"
        "assert(sliderVal4 == -1 * 0.001 and sliderVal5 == 2147483647 * 0.001 and sliderVal6 == 7 * 0.001)\n"
        "assert(flagVal1 == true and flagVal2 == false and flagVal3 == false and flagVal4 == true)\n"
        "assert(flagVal5 == true and flagVal6 == false)\n"
        "assert(styleVal1 == 1 and styleVal2 == 2147483648)\n";
    int merges = 0;
    for (const char* name : kMerge)
        script += "assert(MERGE_" + std::string(name) + " == " + std::to_string(merges++) + ")\n";
    int constants = 0;
    for (const BlendModeInfo& mode : kBlendModes) constants += !mode.luaConstant.empty();
    EXPECT_EQ(constants, 31);
    const int32_t sliders[6] = {1000, 0, 500, -1, INT32_MAX, 7};
    const int32_t flags[6] = {1, 0, 256, 257, -1, INT32_MIN};
    EXPECT_TRUE(run(script, -12345, sliders, 0, INT32_MAX, flags)) << messages.back();
}

TEST_F(Lua, AScriptThatDoesNothingStoresThePageOnceThroughTheMask)
{
    const std::vector<uint8_t> before = layer_bytes();
    EXPECT_TRUE(run(""));
    EXPECT_EQ(layer_bytes(), before);
    // A fully protected mask keeps the layer even from a script that paints.
    for (std::size_t i = 0; i < std::size_t(kWidth) * kHeight; ++i) engine.mask.plane[i] = 0;
    MUR_EnableMask(1);
    EXPECT_TRUE(run("for y = 0, height - 1 do for x = 0, width - 1 do set_rgba(x, y, 1, 0, 0, 1) end end"));
    EXPECT_EQ(layer_bytes(), before);
}

TEST_F(Lua, ReadsWritesAndTheirEdgeCases)
{
    EXPECT_TRUE(run(
        // -0.5 truncates to 0; off-page and NaN coordinates read zeros.
        "local r, g, b = get_rgb(-0.5, 0)\n"
        "assert(r == 10 / 255 and g == 20 / 255, 'truncated read')\n"
        "local a, b2, c = get_rgb(-1, 0) assert(a == 0 and b2 == 0 and c == 0)\n"
        "assert(select('#', get_rgba(7, 0)) == 4 and get_alpha(0, 5) == 0 and get_value(0/0, 0) == 0)\n"
        "assert(get_value(1e300, -1e300) == 0)\n"
        "assert(get_value(1, 1) == (40 / 255 + 60 / 255 + 20 / 255) * (1 / 3))\n"
        // Strings that are numbers pass, as luaL_checknumber lets them.
        "assert(get_alpha('1', '0') == 254 / 255)\n"
        // Writes: clamped, NaN stores 0, off-page ignored, alpha kept.
        "set_value(0, 0, 1.5) set_rgb(1, 0, -1, 0/0, 0.999) set_alpha(2, 0, 0.5)\n"
        "set_rgba(3, 0, 1, 1, 1, 1e300) set_rgb(1e30, 0, 1, 1, 1) set_rgb(0, 0/0, 1, 1, 1)\n"
        // Grey: h = -1, s = 0; set_hsv clamps 360 to 359, which gives (255, 0, 4).
        "set_rgb(4, 0, 0.5, 0.5, 0.5) single_buffer(true)\n"
        "local h, s, v = get_hsv(4, 0) assert(h == -1 and s == 0 and v == 127 / 255, 'grey ' .. h)\n"
        "set_hsv(5, 0, 360, 1, 1)\n"
        "local hh, ss, ll = get_hsl(4, 0) assert(hh == 0 and ss == 0)\n"
        "set_lab(6, 0, 100, 0, 0) set_cmyk(0, 1, 0, 0, 0, 1) set_hsl(1, 1, 0/0, 2, 0.5)\n"
        "local c1, m1, y1, k1 = get_cmyk(0, 1) assert(c1 == 0 and m1 == 0 and y1 == 0 and k1 == 1)\n"
        // After single_buffer(true) reads see the writes.
        "set_rgb(2, 2, 0.2, 0.4, 0.6) local r3, g3, b3 = get_rgb(2, 2)\n"
        "assert(r3 == 51 / 255 and g3 == 102 / 255 and b3 == 153 / 255)\n"));
    auto at = [&](int x, int y) { return pixel_at(layer(), x, y); };
    auto bytes = [&](int x, int y, int c) { return at(x, y)[c] >> 8; };
    EXPECT_EQ(bytes(0, 0, 0), 255);
    EXPECT_EQ(bytes(0, 0, 2), 255);
    EXPECT_EQ(bytes(0, 0, 3), 255);  // alpha unchanged
    EXPECT_EQ(bytes(1, 0, 0), 0);
    EXPECT_EQ(bytes(1, 0, 1), 0);    // NaN
    EXPECT_EQ(bytes(1, 0, 2), 254);  // trunc(0.999 x 255)
    EXPECT_EQ(bytes(2, 0, 3), 127);
    EXPECT_EQ(bytes(3, 0, 3), 255);
    EXPECT_EQ(bytes(5, 0, 0), 255);
    EXPECT_EQ(bytes(5, 0, 1), 0);
    EXPECT_EQ(bytes(5, 0, 2), 4);
    // L*a*b* white comes back as (255, 255, 254) by the conversion's own formulas.
    EXPECT_EQ(bytes(6, 0, 0), 255);
    EXPECT_EQ(bytes(6, 0, 1), 255);
    EXPECT_EQ(bytes(6, 0, 2), 254);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(bytes(0, 1, c), 0) << "CMYK black";
    // HSL with a NaN hue (0) and saturation clamped to 1 at lightness 0.5: red.
    EXPECT_EQ(bytes(1, 1, 0), 255);
    EXPECT_EQ(bytes(1, 1, 1), 0);
    // The single buffer was copied back into the source at the end.
    EXPECT_EQ(engine.ipl.src32.data[(2 * kWidth + 2) * 4], 51);
}

TEST_F(Lua, BitFunctionsWrapTo32Bits)
{
    EXPECT_TRUE(run("assert(bit_shfr(-8, 1) == -4 and bit_shfl(1, 33) == 2)\n"
                    "assert(bit_not(0) == -1 and bit_and(12, 10) == 8 and bit_or(12, 10) == 14)\n"
                    "assert(bit_xor(12, 10) == 6 and bit_and(-1, 2^32 + 5) == 5)\n"
                    "assert(bit_shfl(1, 31) == -2147483648 and bit_shfr(2^31, 31) == -1)\n"
                    "assert(bit_not(0/0) == -1 and bit_or(1e300, 3.9) == 3 and bit_and(-2.5, -1) == -2)\n"));
}

TEST_F(Lua, ArgumentErrorsEndTheScriptWithTheirPosition)
{
    EXPECT_FALSE(run("\n\nlocal v = get_rgb(0, {})"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Lua Script Error: "), std::string::npos);
    EXPECT_NE(messages[0].find(":3: bad argument #2 to 'get_rgb' (number expected, got table)"), std::string::npos)
        << messages[0];
    EXPECT_FALSE(run("set_hsv(0, 0, 1, 1)"));
    EXPECT_NE(messages.back().find("bad argument #5 to 'set_hsv' (number expected, got nil)"), std::string::npos)
        << messages.back();
}

TEST_F(Lua, FlushKeepsItsPixelsWhenTheScriptFailsAfterIt)
{
    const std::vector<uint8_t> before = layer_bytes();
    EXPECT_FALSE(run("set_rgb(0, 0, 0, 0, 1) flush()\n"
                     "assert(get_rgb(0, 0) == 0, 'flush copies into the source')\n"
                     "set_rgb(1, 0, 0, 0, 1) error('after the flush')"));
    EXPECT_NE(messages.back().find("after the flush"), std::string::npos);
    EXPECT_EQ(pixel_at(layer(), 0, 0)[2] >> 8, 255);
    EXPECT_EQ(pixel_at(layer(), 1, 0)[2] >> 8, before[4 + 2]);
}

TEST_F(Lua, MergeCompositesRefillsAndTruncatesTheAmount)
{
    // Opaque layer, so Normal at full opacity leaves the merged colour.
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) pixel_at(layer(), x, y)[3] = 65535;
    MUR_IPLUpdateSrcBuffer32();
    const std::vector<uint8_t> before = layer_bytes();
    EXPECT_FALSE(run("for y = 0, height - 1 do for x = 0, width - 1 do set_rgba(x, y, 0, 1, 0, 1) end end\n"
                    "merge(MERGE_NORMAL, 0.5)\n"  // amount 0.5 truncates to opacity 0
                    "local r, g = get_rgb(0, 0) assert(g ~= 1, 'nothing merged yet')\n"
                    "merge(99, 1)\n"              // an unknown id merges as Normal
                    "local r2, g2, b2 = get_rgb(3, 3) assert(r2 == 0 and g2 >= 254 / 255, 'refilled')\n"
                    "error('stop before the final store')"));
    EXPECT_NE(messages.back().find("stop before the final store"), std::string::npos) << messages.back();
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            EXPECT_EQ(pixel_at(layer(), x, y)[0] >> 8, 0);
            EXPECT_GE(pixel_at(layer(), x, y)[1] >> 8, 254);  // opacity 255 of 256
        }
    EXPECT_NE(layer_bytes(), before);
}

TEST_F(Lua, FlushAndMergeStoreOnlyWhereTheLayerMeetsThePage)
{
    // A layer larger than the page keeps what lies beyond it; a smaller one
    // takes its part. The buffers hold the page only, so neither reads past
    // them (the sanitizer build checks that).
    const int32_t sizes[2][2] = {{kWidth + 4, kHeight + 3}, {3, 2}};
    for (const auto& size : sizes) {
        ASSERT_EQ(MUR_CreateLayer(3, size[0], size[1]), 1);
        MUR_SetLayer(3);
        LayerRecord& big = engine.layers.slots[3];
        test::fill_layer(big, 1000, 2000, 3000, 65535);
        EXPECT_FALSE(run("for y = 0, height - 1 do for x = 0, width - 1 do set_rgba(x, y, 1, 0, 0, 1) end end\n"
                         "flush() merge(MERGE_NORMAL, 1) error('only what flush and merge stored')"));
        for (int32_t y = 0; y < size[1]; ++y)
            for (int32_t x = 0; x < size[0]; ++x) {
                const bool onPage = x < kWidth && y < kHeight;
                EXPECT_EQ(pixel_at(big, x, y)[0], onPage ? 65280 : 1000) << x << ", " << y;
                EXPECT_EQ(pixel_at(big, x, y)[2], onPage ? 0 : 3000) << x << ", " << y;
            }
        MUR_DeleteLayer(3);
    }
}

TEST_F(Lua, ColourFunctionsReadTheBrushAndTheBanks)
{
    MUR_SetColor(255, 128, 1);
    MUR_SetColorBanks(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12);
    EXPECT_TRUE(run("local r, g, b = get_color() assert(r == 1 and g == 128 / 255 and b == 1 / 255)\n"
                    "local r4, g4, b4 = get_color4() assert(r4 == 10 / 255 and b4 == 12 / 255)\n"
                    "local r2 = get_color2() assert(r2 == 4 / 255)\n"));
}

TEST_F(Lua, MaskFunctionsReadAndWriteTheMaskEnabledOrNot)
{
    engine.mask.plane[kWidth + 1] = 32768;
    MUR_EnableMask(0);
    EXPECT_TRUE(run("assert(get_mask(1, 1) == 32768 / 65535 and get_mask(-5, 0) == 0)\n"
                    "set_mask(2, 0, 0.5) set_mask(3, 0, 2) set_mask(4, 0, 0/0) set_mask(99, 0, 1)\n"));
    EXPECT_EQ(engine.mask.plane[2], 32767);
    EXPECT_EQ(engine.mask.plane[3], 65535);
    EXPECT_EQ(engine.mask.plane[4], 0);
}

TEST_F(Lua, UserFunctionsReachTheHostsHandlers)
{
    int escapes = 0;
    MUR_SetEscapeKeyHandler([](void* user) -> int32_t { return ++*static_cast<int*>(user) == 2; }, &escapes);
    run("message_box('hello', 'Title') output_debug_string('trace') print('a', 1, nil, true)\n"
        "progress(50) assert(is_escape() == 0 and is_escape() == 1)");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Title: hello");
    ASSERT_EQ(debug.size(), 2u);
    EXPECT_EQ(debug[0], "trace");
    EXPECT_EQ(debug[1], "a\t1\tnil\ttrue");
}

TEST_F(Lua, MissingFilesAndAbsentBuffersFailCleanly)
{
    const std::vector<uint8_t> before = layer_bytes();
    MUR_LuaFilterRun("/nonexistent/script.lua", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    MUR_LuaFilterRun(nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "Lua Script Error: cannot open /nonexistent/script.lua");
    EXPECT_EQ(messages[1], "Lua Script Error: cannot open the script: no path given");
    EXPECT_FALSE(run("local x = = 1"));  // a syntax error
    EXPECT_NE(messages.back().find("near '='"), std::string::npos) << messages.back();
    EXPECT_FALSE(run("\x1bLuaQ"));
    EXPECT_NE(messages.back().find("precompiled chunks are refused"), std::string::npos);
    EXPECT_EQ(layer_bytes(), before);
    MUR_IPLFreeDstBuffer32();
    const std::size_t count = messages.size();
    EXPECT_TRUE(run("error('never runs')"));
    EXPECT_EQ(messages.size(), count);
}

TEST_F(Lua, RandomNumbersFollowTheEnginesGeneratorSeededFromTheVariant)
{
    // state = state * 214013 + 2531011; draw = (state >> 16) & 0x7FFF.
    uint32_t state = 77;
    auto draw = [&] {
        state = state * 214013u + 2531011u;
        return double((state >> 16) & 0x7FFF) / 32768.0;
    };
    const double r1 = draw();
    const double r2 = std::floor(draw() * 10) + 1;
    const double r3 = std::floor(draw() * (5 - (-5) + 1)) + (-5);
    char script[512];
    std::snprintf(script, sizeof script,
                  "assert(math.random() == %.17g) assert(math.random(10) == %.17g)\n"
                  "assert(math.random(-5, 5) == %.17g)\n"
                  "assert(not pcall(math.random, 0) and not pcall(math.random, 2, 1))\n"
                  "math.randomseed(77) assert(math.random() == %.17g)\n",
                  r1, r2, r3, r1);
    EXPECT_TRUE(run(script, 77)) << messages.back();
}

}  // namespace
}  // namespace mur

// Properties of every effect of the table through MUR_IPLImageProcess: flat
// pictures stay flat unless the effect lays a pattern of its own, equal
// variants give equal pictures, protected pixels stay, extreme dialog values
// never fault. And the parameter mappings that have a definite answer: the
// Gaussian's radius, the alias pair, the glow colour's clamp.
#include "effects/effect_handlers.h"
#include "effects_fixture.h"
#include "ipl/filter_framing.h"
#include "imaging/gaussian_blur.h"
#include "engine/memory.h"

#include <climits>
#include <set>
#include <string>
#include <vector>

namespace mur {
namespace {

using Effects = test::EffectsTest;
using test::pixel_at;

// Effects that draw a pattern, a frame or a vignette of their own, or whose
// random draws vary from pixel to pixel: a flat picture does not stay flat.
const std::set<std::string> kPatternMakers = {
    "Stipple",  "Halftone",  "Color Noise", "Hugo Noise", "Perlin Noise", "Bevel",     "Crackle",
    "Fingerprint", "Scribble", "Feather",  "Glow Inner", "Pointillism", "Crayon",    "Reflection",
    // Distortions that bring in the effect colour from beyond the page or
    // leave part of it uncovered.
    "Elliptical", "Marble OLD", "Marble", "Ripple", "Wave", "Wow", "Zig Zag", "Perspective", "Warp", "Warp Edge",
    "Warp 3 Point", "Vertical Pivot", "Horizontal Pivot", "Skew",
    // Noises.
    "Add Gaussian Noise", "Add Negative Exponential Noise", "Add Rayleigh Noise", "Add Uniform Noise",
    // The scripted generators.
    "Lines", "Points", "Circles", "Rectangles", "Splines", "Worms", "Fibers", "Trees", "Generate Noise", "Blobs",
    "Plasma", "Sine Plasma", "Fractal Plasma", "Generate Perlin Noise", "Pattern"};

// Effects whose result depends on the variant.
const std::set<std::string> kRandom = {"Stipple",     "Color Noise", "Hugo Noise", "Perlin Noise", "Crackle",
                                       "Fingerprint", "Scribble",    "Pointillism", "Crayon",      "Frosted Glass",
    // The scripted generators, and the distortions with random draws.
    "Lines", "Points", "Circles", "Rectangles", "Splines", "Worms", "Fibers", "Trees", "Generate Noise", "Blobs",
    "Plasma", "Sine Plasma", "Fractal Plasma", "Generate Perlin Noise", "Pattern", "Scratch", "Glass"};

void paint_flat(int32_t slot)
{
    for (int32_t y = 0; y < Effects::kH; ++y)
        for (int32_t x = 0; x < Effects::kW; ++x) {
            uint16_t* p = pixel_at(engine.layers.slots[slot], x, y);
            p[0] = 120 << 8, p[1] = 80 << 8, p[2] = 200 << 8, p[3] = 0xFFFF;
        }
}

int32_t run_with(const effects::EffectRecord& e, int32_t variant)
{
    const int16_t* s = e.defaults.sliders;
    return MUR_IPLImageProcess(0, e.name, variant, s[0], s[1], s[2], s[3], s[4], s[5], e.defaults.style1,
                               e.defaults.style2, 0, 0, 0, 0, 0, 0, 200, 150, 60, nullptr);
}

TEST_F(Effects, FlatPicturesStayFlatUnlessTheEffectDrawsAPattern)
{
    int flat = 0;
    for (const effects::EffectRecord& e : effects::effect_table()) {
        paint_flat(kLayer);
        ASSERT_EQ(run_with(e, 3), 1) << e.name;
        const std::vector<uint16_t> after = pixels();
        bool same = true;
        for (std::size_t i = 4; i < after.size() && same; ++i) same = after[i] == after[i % 4];
        if (kPatternMakers.count(e.name)) {
            EXPECT_FALSE(same) << e.name << " draws no pattern";
        } else {
            EXPECT_TRUE(same) << e.name;
            ++flat;
        }
    }
    EXPECT_GT(flat, 80);
}

TEST_F(Effects, EqualVariantsGiveEqualPictures)
{
    for (const effects::EffectRecord& e : effects::effect_table()) {
        if (e.needs & effects::kNeedsResource) continue;  // a script of its own: Lua Filter's tests
        paint(kLayer, 7);
        ASSERT_EQ(run_with(e, 77), 1);
        const std::vector<uint16_t> first = pixels();
        paint(kLayer, 7);
        ASSERT_EQ(run_with(e, 77), 1);
        EXPECT_EQ(pixels(), first) << e.name;
        if (!kRandom.count(e.name)) continue;
        paint(kLayer, 7);
        ASSERT_EQ(run_with(e, 78), 1);
        EXPECT_NE(pixels(), first) << e.name;
    }
}

// The enabled mask protects the left half: no effect may change it there.
TEST_F(Effects, ProtectedPixelsStayForEveryName)
{
    std::vector<uint16_t> plane(std::size_t(kW) * kH);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) plane[y * kW + x] = x < kW / 2 ? 0 : 65535;
    for (const effects::EffectRecord& e : effects::effect_table()) {
        if (e.needs != effects::kNeedsNothing) continue;  // the mask makers, Lua, the scratch layer
        paint(kLayer, 7);
        MUR_SetMaskData16(plane.data());
        MUR_EnableMask(1);
        const std::vector<uint16_t> before = pixels();
        ASSERT_EQ(run_with(e, 5), 1) << e.name;
        const std::vector<uint16_t> after = pixels();
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW / 2; ++x)
                for (int c = 0; c < 4; ++c) {
                    const std::size_t i = (std::size_t(y) * kW + x) * 4 + c;
                    ASSERT_EQ(after[i], before[i]) << e.name << " at " << x << "," << y;
                }
        EXPECT_NE(after, before) << e.name;
    }
    MUR_EnableMask(0);
}

TEST_F(Effects, ExtremeDialogValuesNeverFault)
{
    for (const effects::EffectRecord& e : effects::effect_table())
        for (int32_t v : {INT_MIN, -1, 0, 1001, INT_MAX}) {
            paint(kLayer, 7);
            MUR_SetLastError("");
            ASSERT_EQ(MUR_IPLImageProcess(0, e.name, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, nullptr), 1)
                << e.name << " " << v;
            EXPECT_STREQ(MUR_GetLastError(), "") << e.name << " " << v;
        }
}

// Allocations failing from the first, second, ... on: an effect either runs
// without needing them (no message) or reports "IPLImageProc Excpt" with the
// layer as it was, but for a chain's first step, which is stored before the
// second runs. The epilogue releases the RGB24 buffers either way.
TEST_F(Effects, FailingAllocationsAreReported)
{
    int faults = 0;
    for (const effects::EffectRecord& e : effects::effect_table())
        for (long after : {0L, 1L, 2L, 4L}) {
            paint(kLayer, 7);
            const std::vector<uint16_t> before = pixels();
            MUR_SetLastError("");
            mem::fail_allocations(after, -1);
            const int32_t result = run_with(e, 9);
            mem::reset_failures();
            if (result == 0) {
                EXPECT_STREQ(MUR_GetLastError(), "IPLImageProc Excpt") << e.name;
                if (e.framing != effects::Framing::Chain) {
                    EXPECT_EQ(pixels(), before) << e.name << " " << after;
                }
                ++faults;
            } else {
                EXPECT_STREQ(MUR_GetLastError(), "") << e.name << " " << after;
            }
            EXPECT_EQ(engine.ipl.src24.data, nullptr) << e.name;
            EXPECT_EQ(engine.ipl.dst24.data, nullptr) << e.name;
        }
    EXPECT_GT(faults, 100);
}

// Slider 1 = 50: radius 5 x 0.4 + 0.6 = 2.6 when style 2's low byte is 0;
// with style 2 = 1 on a 1000 x 800 page, 5 x 0.01 x 50 = 2.5.
TEST_F(Effects, GaussianBlurRadiusFollowsTheDialog)
{
    effects::EffectArgs args;
    args.sliders[0] = 50;
    effects::EffectContext ctx;
    ctx.args = &args;
    ctx.sliderReal[0] = 5.0f;
    ctx.width = 1000, ctx.height = 800;
    EXPECT_NEAR(effects::gaussian_blur_radius(ctx), 2.6, 1e-6);
    args.style2 = 0x100;  // only the low byte counts
    EXPECT_NEAR(effects::gaussian_blur_radius(ctx), 2.6, 1e-6);
    args.style2 = 1;
    EXPECT_NEAR(effects::gaussian_blur_radius(ctx), 2.5, 1e-6);
    ctx.width = 500, ctx.height = 1200;
    EXPECT_NEAR(effects::gaussian_blur_radius(ctx), 3.0, 1e-6);

    // Through the dispatcher: the premultiplied picture blurred by 2.6, stored.
    paint(kLayer, 7);
    paint(kTwin, 7);
    MUR_SetLayer(kLayer);
    ASSERT_EQ(MUR_IPLImageProcess(0, "Gaussian Blur", 1, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr), 1);
    MUR_SetLayer(kTwin);
    std::vector<uint8_t> src(std::size_t(kW) * kH * 4), dst(src.size());
    MUR_GetRGBA32Layer(src.data(), kW * 4, kTwin);
    MUR_AdjustRGBA32PreFilter(src.data(), kW, kH);
    ASSERT_TRUE(imaging::gaussian_blur(imaging::rgba32_view(src.data(), kW, kH, kW * 4),
                                       imaging::rgba32_view(dst.data(), kW, kH, kW * 4), 2.6));
    MUR_AdjustRGBA32PostFilter(dst.data(), kW, kH);
    MUR_LoadRGBA32(dst.data(), kW * 4, 1);
    EXPECT_EQ(pixels(kLayer), pixels(kTwin));
    EXPECT_NE(pixels(kLayer), [] { paint(kTwin, 7); return pixels(kTwin); }());
}

TEST_F(Effects, SurfaceBlurIsNoiseReduction2)
{
    const effects::EffectRecord& e = *effects::find_effect("Surface Blur");
    paint(kLayer, 7);
    paint(kTwin, 7);
    MUR_SetLayer(kLayer);
    ASSERT_EQ(run_with(e, 1), 1);
    MUR_SetLayer(kTwin);
    ASSERT_EQ(MUR_IPLImageProcess(0, "Noise Reduction 2", 1, e.defaults.sliders[0], e.defaults.sliders[1], 500, 500,
                                  500, 500, 0, 0, 0, 0, 0, 0, 0, 0, 200, 150, 60, nullptr),
              1);
    EXPECT_EQ(pixels(kLayer), pixels(kTwin));
    paint(kTwin, 7);
    EXPECT_NE(pixels(kLayer), pixels(kTwin));
}

// Sliders at 1000 ask for 1000 x 0.2559 = 255.9, which rounds to 256: the
// glow's channel is 255, not 0. A transparent pixel next to the opaque
// square takes the glow's colour.
TEST_F(Effects, GlowColourIsClampedTo255)
{
    effects::EffectArgs args;
    effects::EffectContext ctx;
    ctx.args = &args;
    const int32_t sliders[3] = {1000, 500, 0};
    std::copy(sliders, sliders + 3, args.sliders);
    uint8_t colour[3];
    effects::glow_colour(ctx, colour);
    EXPECT_EQ(colour[0], 255);
    EXPECT_EQ(colour[1], 128);  // 127.95
    EXPECT_EQ(colour[2], 0);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            uint16_t* p = pixel_at(engine.layers.slots[kLayer], x, y);
            const bool inside = x >= 12 && x < 20 && y >= 8 && y < 16;
            p[0] = p[1] = p[2] = 0x4000;
            p[3] = inside ? 0xFFFF : 0;
        }
    ASSERT_EQ(MUR_IPLImageProcess(0, "Glow Outer", 1, 1000, 500, 0, 40, 1000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                  nullptr),
              1);
    const uint16_t* glowing = pixel_at(engine.layers.slots[kLayer], 10, 11);
    EXPECT_GT(glowing[3] >> 8, 0);
    EXPECT_EQ(glowing[0] >> 8, 255);
    EXPECT_NEAR(glowing[1] >> 8, 128, 1);
    EXPECT_EQ(glowing[2] >> 8, 0);
}

}  // namespace
}  // namespace mur

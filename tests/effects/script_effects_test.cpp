// The scripted effects: every name of the route on the test picture, the
// distortions moving alpha with colour, the generators' blends against
// formulas of their own through the whole style enumeration, the colour and
// switches of "Lines", and results that do not depend on the thread count.
#include "effects_fixture.h"
#include "imaging/script_effects.h"

#include <omp.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

namespace mur {
namespace {

using Effects = test::EffectsTest;
using test::pixel_at;

std::vector<const effects::EffectRecord*> scripted_rows()
{
    std::vector<const effects::EffectRecord*> rows;
    for (const effects::EffectRecord& e : effects::effect_table())
        if (e.route == 6) rows.push_back(&e);
    return rows;
}
bool is_generator(const effects::EffectRecord& e) { return e.script.blendSlot >= 0; }
bool is_distortion(const effects::EffectRecord& e)
{
    return e.script.id >= imaging::kFirstDistortion && e.script.id <= imaging::kLastDistortion;
}

int32_t run_row(const effects::EffectRecord& e, int32_t variant, int32_t style1 = 0, int32_t style2 = 0,
                int32_t flag1 = 0, int32_t flag2 = 0, int32_t r = 200, int32_t g = 150, int32_t b = 60)
{
    const int16_t* s = e.defaults.sliders;
    return MUR_IPLImageProcess(0, e.name, variant, s[0], s[1], s[2], s[3], s[4], s[5], style1, style2, flag1, flag2,
                               0, 0, 0, 0, r, g, b, nullptr);
}

void fill(int32_t slot, const std::function<void(int32_t, int32_t, uint16_t*)>& pixel)
{
    for (int32_t y = 0; y < Effects::kH; ++y)
        for (int32_t x = 0; x < Effects::kW; ++x) pixel(x, y, pixel_at(engine.layers.slots[slot], x, y));
}

TEST_F(Effects, EveryScriptedNameRunsChangesThePictureAndFollowsItsVariant)
{
    const std::vector<const effects::EffectRecord*> rows = scripted_rows();
    ASSERT_EQ(rows.size(), 35u);
    int generators = 0, distortions = 0;
    for (const effects::EffectRecord* e : rows) {
        paint(kLayer, 7);
        const std::vector<uint16_t> start = pixels();
        ASSERT_EQ(run_row(*e, 41), 1) << e->name;
        const std::vector<uint16_t> first = pixels();
        EXPECT_NE(first, start) << e->name;
        paint(kLayer, 7);
        ASSERT_EQ(run_row(*e, 41), 1);
        EXPECT_EQ(pixels(), first) << e->name << ": the same variant, another picture";
        if (is_generator(*e)) {
            ++generators;
            paint(kLayer, 7);
            ASSERT_EQ(run_row(*e, 42), 1);
            EXPECT_NE(pixels(), first) << e->name << ": another variant, the same picture";
        }
        distortions += is_distortion(*e);
        // Without the IPL buffers nothing runs and nothing changes.
        MUR_IPLFreeDstBuffer32();
        paint(kLayer, 7);
        EXPECT_EQ(run_row(*e, 41), 0) << e->name;
        EXPECT_EQ(pixels(), start) << e->name;
        MUR_IPLAllocDstBuffer32();
    }
    EXPECT_EQ(generators, 15);
    EXPECT_EQ(distortions, 14);
}

// Alpha equal to red everywhere, green and blue unrelated: one map moving
// every channel plane keeps them equal, and the picture still changes.
TEST_F(Effects, DistortionsMoveAlphaWithColour)
{
    int checked = 0;
    for (const effects::EffectRecord* e : scripted_rows()) {
        if (!is_distortion(*e)) continue;
        test::Rng rng{11};
        fill(kLayer, [&](int32_t x, int32_t y, uint16_t* p) {
            const int v = (x * 37 + y * 91 + test::pick(rng, 0, 40)) % 256;
            p[0] = p[3] = uint16_t(v << 8);
            p[1] = uint16_t(test::pick(rng, 0, 255) << 8), p[2] = uint16_t((x * 8) << 8);
        });
        const std::vector<uint16_t> before = pixels();
        ASSERT_EQ(run_row(*e, 3), 1);
        const std::vector<uint16_t> after = pixels();
        EXPECT_NE(after, before) << e->name;
        for (std::size_t i = 0; i < after.size(); i += 4)
            ASSERT_EQ(after[i] >> 8, after[i + 3] >> 8) << e->name << " at pixel " << i / 4;
        ++checked;
    }
    EXPECT_EQ(checked, 14);
}

// The blend each style choice asks for, written out on 0..1 values.
double reference_blend(int32_t blend, double d, double s)
{
    switch (blend) {
    case 0: return d * s;
    case 1: return 1 - (1 - d) * (1 - s);
    case 2: return d < 0.5 ? 2 * d * s : 1 - 2 * (1 - d) * (1 - s);
    case 3: return std::min(d, s);
    case 4: return std::max(d, s);
    case 5: return std::fabs(d - s);
    case 6: return std::min(1.0, d + s);
    case 7: return std::max(0.0, d - s);
    case 8: return (1 - 2 * s) * d * d + 2 * s * d;
    case 9: return s < 0.5 ? 2 * d * s : 1 - 2 * (1 - d) * (1 - s);
    case 10: return s >= 1 ? 1 : std::min(1.0, d / (1 - s));
    case 11: return s <= 0 ? 0 : std::max(0.0, 1 - (1 - d) / s);
    case 13: return d + s - 2 * d * s;
    case 14: return (d + s) / 2;
    case 15: return 1 - std::fabs(1 - d - s);
    case 16: return d;  // under an opaque picture the drawn one does not show
    default: return s;  // Normal
    }
}

// "Generate Noise" at full density and opacity over an opaque picture, for
// every style choice: each channel is the blend's formula of the old colour
// and the drawn one (the drawn one seen where the style is Normal).
TEST_F(Effects, GeneratorStylesRemapToTheirBlends)
{
    const int32_t expected[][2] = {{0, 12},  {1, 0},   {2, 1},   {3, 2},   {4, 3},   {5, 4},   {6, 5},
                                   {7, 6},   {8, 7},   {9, 8},   {10, 9},  {11, 10}, {12, 11}, {13, 13},
                                   {14, 14}, {15, 15}, {16, 16}, {17, 17}, {18, 12}, {-1, 12}, {INT_MIN, 12}};
    // The remap keeps values outside 1..12 but 0; the blends take those beyond 0..17 as Normal.
    for (const auto& pair : expected)
        EXPECT_EQ(imaging::generator_blend_from_style(pair[0]), pair[0] < 0 || pair[0] > 17 ? pair[0] : pair[1]);
    const auto noise = [](int32_t style2) {
        return MUR_IPLImageProcess(0, "Generate Noise", 9, 1000, 500, 500, 500, 500, 1000, 0, style2, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, nullptr);
    };
    const auto opaque = [] {
        test::Rng rng{5};
        fill(kLayer, [&](int32_t, int32_t, uint16_t* p) {
            for (int c = 0; c < 3; ++c) p[c] = uint16_t(test::pick(rng, 0, 255) << 8);
            p[3] = 0xFFFF;
        });
    };
    opaque();
    const std::vector<uint16_t> old = pixels();
    // On a transparent picture the drawn one shows as it is.
    fill(kLayer, [](int32_t, int32_t, uint16_t* p) { p[0] = p[1] = p[2] = p[3] = 0; });
    ASSERT_EQ(noise(0), 1);
    const std::vector<uint16_t> drawn = pixels();
    for (std::size_t i = 3; i < drawn.size(); i += 4) ASSERT_EQ(drawn[i] >> 8, 255);
    for (const auto& pair : expected) {
        opaque();
        ASSERT_EQ(noise(pair[0]), 1);
        const std::vector<uint16_t> got = pixels();
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (i % 4 == 3) {
                ASSERT_EQ(got[i] >> 8, pair[1] == 17 ? 0 : 255) << "style " << pair[0];
                continue;
            }
            if (pair[1] == 17) continue;  // erased: the colour of a transparent pixel is not kept
            const double want = reference_blend(pair[1], (old[i] >> 8) / 255.0, (drawn[i] >> 8) / 255.0) * 255.0;
            ASSERT_NEAR(got[i] >> 8, want, 1.01) << "style " << pair[0] << " at " << i << ": old " << (old[i] >> 8)
                                                 << " drawn " << (drawn[i] >> 8);
        }
    }
}

// "Lines" draws in the effect colour when style 1 is set, else in white;
// flag 1 turns the lines off the horizontal.
TEST_F(Effects, LinesTakeTheirColourFromStyleOneAndTheirSlantFromFlagOne)
{
    const effects::EffectRecord& lines = *effects::find_effect("Lines");
    const auto clear = [] { fill(kLayer, [](int32_t, int32_t, uint16_t* p) { p[0] = p[1] = p[2] = p[3] = 0; }); };
    for (int32_t style1 : {0, 1, 7}) {
        clear();
        ASSERT_EQ(run_row(lines, 5, style1, 0, 0, 0, 10, 200, 30), 1);
        const int want[3] = {style1 ? 10 : 255, style1 ? 200 : 255, style1 ? 30 : 255};
        int covered = 0;
        fill(kLayer, [&](int32_t, int32_t, const uint16_t* p) {
            if (p[3] >> 8 != 255) return;
            ++covered;
            for (int c = 0; c < 3; ++c) ASSERT_EQ(p[c] >> 8, want[c]) << style1;
        });
        EXPECT_GT(covered, 0) << style1;
    }
    // Level lines: every row the same along its length; slanted ones: not.
    for (int32_t flag1 : {0, 1}) {
        clear();
        ASSERT_EQ(run_row(lines, 5, 0, 0, flag1, 0), 1);
        bool level = true;
        fill(kLayer, [&](int32_t x, int32_t y, const uint16_t* p) {
            level = level && p[3] == pixel_at(engine.layers.slots[kLayer], 0, y)[3];
            (void)x;
        });
        EXPECT_EQ(level, flag1 == 0);
    }
    // Flag 2 varies the widths.
    clear();
    ASSERT_EQ(run_row(lines, 5), 1);
    const std::vector<uint16_t> even = pixels();
    clear();
    ASSERT_EQ(run_row(lines, 5, 0, 0, 0, 1), 1);
    EXPECT_NE(pixels(), even);
}

// Every effect of the list on a picture large enough to be split among
// threads gives the same bytes on one thread and on three.
TEST(ScriptedEffects, ResultsDoNotDependOnTheThreadCount)
{
    constexpr int32_t w = 300, h = 230;
    std::vector<uint8_t> source(std::size_t(w) * h * 4);
    test::Rng rng{3};
    for (uint8_t& b : source) b = uint8_t(test::pick(rng, 0, 255));
    int checked = 0;
    for (const effects::EffectRecord& e : effects::effect_table()) {
        if (e.route != 6) continue;
        std::vector<uint8_t> results[2];
        for (int k = 0; k < 2; ++k) {
            omp_set_num_threads(k == 0 ? 1 : 3);
            imaging::ScriptEffectList list;
            ASSERT_TRUE(imaging::add_script_effect(list, e.script.id, 1));
            for (int i = 0; i < 6; ++i) imaging::set_script_effect_value(list, 0, e.script.sliderSlots[i], e.defaults.sliders[i]);
            imaging::set_script_effect_value(list, 0, 3, 1234);
            imaging::set_script_effect_value(list, 0, 7, 5);
            results[k].resize(source.size());
            ASSERT_TRUE(imaging::run_script_effects(
                list, imaging::ConstImageView(source.data(), w, h, w * 4, 4),
                imaging::rgba32_view(results[k].data(), w, h, w * 4)));
        }
        EXPECT_EQ(results[0], results[1]) << e.name;
        ++checked;
    }
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(checked, 35);
}

// Settings that ask for no movement give the picture back byte for byte
// (sampling lands on pixel centres); a quarter turn of a square picture
// moves each pixel to its turned place.
TEST(ScriptedEffects, NeutralDistortionsKeepThePictureAndAQuarterTurnMovesPixels)
{
    constexpr int32_t n = 40;
    std::vector<uint8_t> source(std::size_t(n) * n * 4), target(source.size());
    test::Rng rng{8};
    for (uint8_t& b : source) b = uint8_t(test::pick(rng, 0, 255));
    const auto run = [&](int32_t id, const std::vector<std::pair<int, double>>& values) {
        imaging::ScriptEffectList list;
        EXPECT_TRUE(imaging::add_script_effect(list, id, 1));
        for (int slot : {0, 1, 2, 4, 5, 6}) imaging::set_script_effect_value(list, 0, slot, 500);
        for (const auto& [slot, value] : values) imaging::set_script_effect_value(list, 0, slot, value);
        EXPECT_TRUE(imaging::run_script_effects(list, imaging::ConstImageView(source.data(), n, n, n * 4, 4),
                                                imaging::rgba32_view(target.data(), n, n, n * 4)));
    };
    const std::vector<std::pair<int32_t, std::vector<std::pair<int, double>>>> neutral = {
        {imaging::kScriptTwirl, {{0, 500}}},          {imaging::kScriptSineDistortion, {{0, 0}}},
        {imaging::kScriptWaves, {{0, 0}}},            {imaging::kScriptZoom, {{0, 500}}},
        {imaging::kScriptRotate, {{0, 0}}},           {imaging::kScriptTilt, {{0, 500}}},
        {imaging::kScriptCarpet, {{0, 0}}},           {imaging::kScriptGlass, {{1, 0}, {2, 0}}},
        {imaging::kScriptScratch, {{0, 0}}},          {imaging::kScriptRotate, {{0, 1000}}}};
    for (const auto& [id, values] : neutral) {
        run(id, values);
        EXPECT_EQ(target, source) << id;
    }
    run(imaging::kScriptRotate, {{0, 250}});  // a quarter turn, counter-clockwise on screen
    for (int32_t y = 0; y < n; ++y)
        for (int32_t x = 0; x < n; ++x)
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(target[(std::size_t(y) * n + x) * 4 + c], source[(std::size_t(x) * n + (n - 1 - y)) * 4 + c])
                    << x << "," << y;
}

// Pictures one pixel wide or high, and views that do not fit: every effect
// either runs in bounds or refuses and leaves the picture.
TEST(ScriptedEffects, ThinPicturesRunAndBadViewsAreRefused)
{
    for (const effects::EffectRecord& e : effects::effect_table()) {
        if (e.route != 6) continue;
        imaging::ScriptEffectList list;
        ASSERT_TRUE(imaging::add_script_effect(list, e.script.id, 1));
        for (int i = 0; i < 6; ++i) imaging::set_script_effect_value(list, 0, e.script.sliderSlots[i], 1000);
        for (const auto& [w, h] : {std::pair{1, 1}, std::pair{1, 2000}, std::pair{2000, 1}, std::pair{2, 3}}) {
            std::vector<uint8_t> source(std::size_t(w) * h * 4, 90), target(source.size() + 4, 7);
            EXPECT_TRUE(imaging::run_script_effects(list, imaging::ConstImageView(source.data(), w, h, w * 4, 4),
                                                    imaging::rgba32_view(target.data(), w, h, w * 4)))
                << e.name << " " << w << "x" << h;
            EXPECT_EQ(target.back(), 7) << e.name;  // nothing written past the picture
        }
        std::vector<uint8_t> image(64 * 4, 33);
        const imaging::ConstImageView other(image.data(), 8, 4, 32, 4);
        EXPECT_FALSE(imaging::run_script_effects(list, other, imaging::rgba32_view(image.data() + 128, 4, 8, 16)))
            << e.name;
        EXPECT_FALSE(imaging::run_script_effects(list, imaging::rgba32_view(nullptr, 8, 8, 32))) << e.name;
        EXPECT_FALSE(imaging::run_script_effects(list, imaging::rgb24_view(image.data(), 8, 8, 24))) << e.name;
        EXPECT_EQ(image, std::vector<uint8_t>(64 * 4, 33)) << e.name;
    }
    imaging::ScriptEffectList list;
    EXPECT_FALSE(imaging::add_script_effect(list, imaging::kLastGenerator + 1, 1));
    EXPECT_FALSE(imaging::add_script_effect(list, imaging::kScriptMinimum + 1, 1));
}

}  // namespace
}  // namespace mur

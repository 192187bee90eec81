// The distortions, the quadrilateral warps and the plug-in effect through
// MUR_IPLImageProcess: every name changes a picture and bad input leaves
// it; "Pinch" against its formula; pixels from beyond the page take the
// effect colour; alpha travels with colour; the warps' shapes; the plug-in
// through the fake plug-in host.
#include "effects_fixture.h"
#include "platform/plugin_host.h"
#include "support/pe_builder.h"

#include <dlfcn.h>
#include <omp.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

namespace mur {
namespace {

using test::pixel_at;
using Sliders = std::array<int32_t, 6>;

class WarpEffects : public test::EffectsTest {
protected:
    static int32_t run_sliders(const char* name, const Sliders& s, int32_t style1 = 0, int32_t flag1 = 0,
                               const char* path = nullptr, int32_t variant = 1)
    {
        return MUR_IPLImageProcess(0, name, variant, s[0], s[1], s[2], s[3], s[4], s[5], style1, 0, flag1, 0, 0, 0,
                                   0, 0, kRed, kGreen, kBlue, path);
    }
    // Every pixel (high bytes) set by f(x, y, rgba).
    template <class F>
    static void paint_with(int32_t slot, F f)
    {
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                int c[4];
                f(x, y, c);
                for (int k = 0; k < 4; ++k) pixel_at(engine.layers.slots[slot], x, y)[k] = uint16_t(c[k] << 8);
            }
    }
    static int alpha(int32_t x, int32_t y) { return pixel_at(engine.layers.slots[kLayer], x, y)[3] >> 8; }
    static std::vector<uint8_t> layer_bytes(int32_t slot)
    {
        std::vector<uint8_t> out(std::size_t(kW) * kH * 4);
        MUR_GetRGBA32Layer(out.data(), kW * 4, slot);
        return out;
    }
    static bool geometric(const effects::EffectRecord& e) { return e.route == 4 || e.route == 5; }

    static constexpr int32_t kRed = 200, kGreen = 40, kBlue = 90;
};

TEST_F(WarpEffects, EveryNameChangesThePictureAndBadInputLeavesIt)
{
    int names = 0;
    for (const effects::EffectRecord& e : effects::effect_table()) {
        if (!geometric(e)) continue;
        ++names;
        paint(kLayer, 7);
        const std::vector<uint16_t> before = pixels();
        ASSERT_EQ(run(e.name, e.defaults), 1) << e.name;
        EXPECT_NE(pixels(), before) << e.name;
        // The quadrilateral warps on a layer without pixels: nothing.
        if (e.route != 5) continue;
        paint_with(kLayer, [](int32_t x, int32_t, int* c) { c[0] = x, c[1] = c[2] = c[3] = 0; });
        const std::vector<uint16_t> empty = pixels();
        ASSERT_EQ(run(e.name, e.defaults), 1) << e.name;
        EXPECT_EQ(pixels(), empty) << e.name;
    }
    EXPECT_EQ(names, 21);

    // Sliders that fold the target quadrilateral flat (three corners on one
    // line, or no width) leave the layer as it was.
    const struct {
        const char* name;
        Sliders sliders;
        int32_t style1;
    } flat[] = {
        {"Stretch", {0, 500, 500, 500, 500, 500}, 0},
        {"Stretch", {500, 0, 500, 500, 500, 500}, 0},
        {"Stretch Edge", {0, 500, 500, 500, 500, 500}, 0},
        {"Stretch Edge", {0, 500, 500, 500, 500, 500}, 3},
        {"Warp", {500, 500, 500, 1000, 1000, 250}, 0},
        {"Warp 3 Point", {500, 1000, 500, 1000, 1000, 0}, 0},
        {"Warp Edge", {500, 1000, 500, 0, 500, 500}, 1},  // the right edge's corners onto one point
    };
    for (const auto& f : flat) {
        paint(kLayer, 7);
        const std::vector<uint16_t> before = pixels();
        ASSERT_EQ(run_sliders(f.name, f.sliders, f.style1), 1) << f.name;
        EXPECT_EQ(pixels(), before) << f.name << " " << f.sliders[0];
    }
}

// A grey ramp of 6 levels a pixel from the page's middle; "Pinch" with
// radius trunc(0.4 x 32) = 12, amount 50 %, centre moved by trunc(32 x 0.1)
// = 3 and trunc(24 x -0.1) = -2: inside the circle a pixel at distance r
// from the centre shows the ramp at the centre + (its offset) / sin(pi r /
// 24)^0.5; outside it nothing moves. Amount trunc(9 x 0.1) = 0 changes nothing.
TEST_F(WarpEffects, PinchFollowsItsFormula)
{
    const double mx = (kW - 1) / 2.0, my = (kH - 1) / 2.0;
    const auto ramp = [&](double x, double y) { return 6.0 * std::hypot(x - mx, y - my); };
    paint_with(kLayer, [&](int32_t x, int32_t y, int* c) {
        c[0] = c[1] = c[2] = int(ramp(x, y));
        c[3] = 255;
    });
    const std::vector<uint16_t> before = pixels();
    ASSERT_EQ(run_sliders("Pinch", {400, 9, 550, 450, 500, 500}), 1);
    EXPECT_EQ(pixels(), before);

    ASSERT_EQ(run_sliders("Pinch", {400, 500, 550, 450, 500, 500}), 1);
    const double cx = mx + 3, cy = my - 2, radius = 12;
    int inside = 0;
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const double r = std::hypot(x - cx, y - cy);
            const int got = pixel_at(engine.layers.slots[kLayer], x, y)[0] >> 8;
            if (r >= radius) {
                ASSERT_EQ(got, before[(std::size_t(y) * kW + x) * 4] >> 8) << x << "," << y;
                continue;
            }
            if (r < 1) continue;
            const double f = 1.0 / std::sqrt(std::sin(3.14159265358979 * r / (2 * radius)));
            const double sx = cx + (x - cx) * f, sy = cy + (y - cy) * f;
            if (std::hypot(sx - mx, sy - my) < 2) continue;  // the ramp's tip is not linear
            if (sx < 0 || sy < 0 || sx > kW - 1 || sy > kH - 1) continue;  // the effect colour's
            EXPECT_NEAR(got, ramp(sx, sy), 3.0) << x << "," << y;
            ++inside;
        }
    EXPECT_GT(inside, 300);
}

// "Offset" by trunc(32 x 0.5) = 16 and trunc(24 x -0.25) = -6: wrapped, the
// picture rolled (through the premultiplied round trip); with flag 1 the
// uncovered pixels are the effect colour, opaque. "Elliptical" at full
// strength fills the page's corners with it.
TEST_F(WarpEffects, PixelsFromBeyondThePageTakeTheEffectColour)
{
    const int dx = 16, dy = -6;
    for (const int32_t fill : {0, 1}) {
        paint(kLayer, 7);
        paint(kTwin, 7);
        ASSERT_EQ(run_sliders("Offset", {750, 375, 500, 500, 500, 500}, 0, fill), 1);
        const std::vector<uint8_t> src = layer_bytes(kTwin);
        std::vector<uint8_t> expected(src.size());
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const int32_t fx = x - dx, fy = y - dy;
                uint8_t* out = &expected[(std::size_t(y) * kW + x) * 4];
                const bool outside = fx < 0 || fy < 0 || fx >= kW || fy >= kH;
                if (fill && outside) {
                    const uint8_t colour[4] = {kRed, kGreen, kBlue, 255};
                    std::copy(colour, colour + 4, out);
                    continue;
                }
                const int32_t wx = (fx + kW) % kW, wy = (fy + kH) % kH;
                std::copy_n(&src[(std::size_t(wy) * kW + wx) * 4], 4, out);
            }
        MUR_AdjustRGBA32PreFilter(expected.data(), kW, kH);
        MUR_AdjustRGBA32PostFilter(expected.data(), kW, kH);
        EXPECT_EQ(layer_bytes(kLayer), expected) << "fill " << fill;
    }

    paint(kLayer, 7);
    ASSERT_EQ(run_sliders("Elliptical", {1000, 500, 500, 500, 500, 500}), 1);
    const int32_t corners[4][2] = {{0, 0}, {kW - 1, 0}, {0, kH - 1}, {kW - 1, kH - 1}};
    for (const auto& [x, y] : corners) {
        const uint16_t* p = pixel_at(engine.layers.slots[kLayer], x, y);
        EXPECT_EQ(p[0] >> 8, kRed) << x << "," << y;
        EXPECT_EQ(p[1] >> 8, kGreen);
        EXPECT_EQ(p[2] >> 8, kBlue);
        EXPECT_EQ(p[3] >> 8, 255);
    }
}

// A hard-edged disc of one colour on transparent black: after every
// distortion and warp its alpha has moved, and every pixel it covers,
// fully or partly, still has its colour; transparent black never bleeds in.
TEST_F(WarpEffects, AlphaMovesWithColour)
{
    for (const effects::EffectRecord& e : effects::effect_table()) {
        if (!geometric(e)) continue;
        paint_with(kLayer, [](int32_t x, int32_t y, int* c) {
            const bool in = std::hypot(x - 13.0, y - 10.0) < 6;
            c[0] = in ? kRed : 0, c[1] = in ? kGreen : 0, c[2] = in ? kBlue : 0, c[3] = in ? 255 : 0;
        });
        std::vector<int> before;
        for (int32_t i = 0; i < kW * kH; ++i) before.push_back(alpha(i % kW, i / kW));
        ASSERT_EQ(run_sliders(e.name, {e.defaults.sliders[0], e.defaults.sliders[1], e.defaults.sliders[2],
                                       e.defaults.sliders[3], e.defaults.sliders[4], e.defaults.sliders[5]}),
                  1);
        bool moved = false;
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const int a = alpha(x, y);
                moved |= a != before[y * kW + x];
                if (a < 32) continue;
                const uint16_t* p = pixel_at(engine.layers.slots[kLayer], x, y);
                const int tolerance = 255 / a + 2;  // the premultiplied bytes' rounding
                ASSERT_NEAR(p[0] >> 8, kRed, tolerance) << e.name << " " << x << "," << y << " alpha " << a;
                ASSERT_NEAR(p[1] >> 8, kGreen, tolerance) << e.name << " " << x << "," << y;
                ASSERT_NEAR(p[2] >> 8, kBlue, tolerance) << e.name << " " << x << "," << y;
            }
        EXPECT_TRUE(moved) << e.name;
    }
}

// The warps' shapes on a layer whose pixels fill columns 8..23: the
// covered span of a row, from its alpha.
TEST_F(WarpEffects, WarpsShapeTheDataExtents)
{
    const auto band = [](int32_t x, int32_t, int* c) {
        c[0] = c[1] = c[2] = 128;
        c[3] = x >= 8 && x < 24 ? 255 : 0;
    };
    const auto span = [](int32_t y) {
        int first = -1, last = -1;
        for (int32_t x = 0; x < kW; ++x)
            if (alpha(x, y) >= 128) {
                if (first < 0) first = x;
                last = x;
            }
        return std::pair{first, last};
    };
    // 1.5 times as wide about the middle: columns 4..27.
    paint_with(kLayer, band);
    ASSERT_EQ(run_sliders("Stretch", {750, 500, 500, 500, 500, 500}), 1);
    EXPECT_EQ(span(12), (std::pair{4, 27}));
    // The top edge narrowed to 16 x 0.05 = 0.8 pixels, the bottom kept: the
    // sides are straight, so a row's width grows linearly downwards.
    paint_with(kLayer, band);
    ASSERT_EQ(run_sliders("Perspective", {1000, 500, 500, 500, 500, 500}), 1);
    for (const int32_t y : {0, kH / 3, kH / 2, kH - 2, kH - 1}) {
        double covered = 0, moment = 0;
        for (int32_t x = 0; x < kW; ++x) covered += alpha(x, y) / 255.0, moment += x * alpha(x, y) / 255.0;
        EXPECT_NEAR(covered, 0.8 + 15.2 * (y + 0.5) / kH, 1.0) << y;
        EXPECT_NEAR(moment / covered, 15.5, 0.5) << y;
    }
    // Rows 6..17 of the band turned about the vertical axis: the side
    // turned away is shorter.
    paint_with(kLayer, [&](int32_t x, int32_t y, int* c) {
        band(x, y, c);
        if (y < 6 || y > 17) c[3] = 0;
    });
    ASSERT_EQ(run_sliders("Vertical Pivot", {900, 500, 500, 500, 500, 500}), 1);
    const auto [first, last] = span(12);
    int left = 0, right = 0;
    for (int32_t y = 0; y < kH; ++y) left += alpha(first + 1, y) >= 128, right += alpha(last - 1, y) >= 128;
    EXPECT_GT(left, right + 2);
}

TEST_F(WarpEffects, MarblesFollowTheVariant)
{
    for (const char* name : {"Marble", "Marble OLD"}) {
        const Sliders s{200, 1000, 1000, 500, 500, 500};
        paint(kLayer, 7);
        ASSERT_EQ(run_sliders(name, s, 0, 0, nullptr, 41), 1);
        const std::vector<uint16_t> first = pixels();
        paint(kLayer, 7);
        ASSERT_EQ(run_sliders(name, s, 0, 0, nullptr, 41), 1);
        EXPECT_EQ(pixels(), first) << name;
        paint(kLayer, 7);
        ASSERT_EQ(run_sliders(name, s, 0, 0, nullptr, 42), 1);
        EXPECT_NE(pixels(), first) << name;
    }
}

// On a page large enough to be shared among threads, one thread and two
// give the same picture for every distortion and warp.
TEST_F(WarpEffects, ResultsDoNotDependOnTheThreadCount)
{
    constexpr int32_t w = 192, h = 128;
    MUR_IPLFreeSrcBuffer32();
    MUR_IPLFreeDstBuffer32();
    create_image(w, h);
    ASSERT_EQ(MUR_CreateLayer(kLayer, w, h), 1);
    MUR_SetLayer(kLayer);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    test::Rng rng{5};
    std::vector<uint8_t> start(std::size_t(w) * h * 4);
    for (uint8_t& b : start) b = uint8_t(test::pick(rng, 0, 255));
    const auto result = [&](const effects::EffectRecord& e, int threads) {
        omp_set_num_threads(threads);
        MUR_LoadRGBA32Layer(start.data(), w * 4, kLayer, 0, 0, w, h, 0);
        EXPECT_EQ(run(e.name, e.defaults), 1);
        std::vector<uint8_t> out(start.size());
        MUR_GetRGBA32Layer(out.data(), w * 4, kLayer);
        return out;
    };
    const int all = omp_get_max_threads();
    for (const effects::EffectRecord& e : effects::effect_table()) {
        if (!geometric(e)) continue;
        EXPECT_EQ(result(e, 1), result(e, 2)) << e.name;
    }
    omp_set_num_threads(all);
}

// Through the fake plug-in host: blue inverted and alpha 128 (kept when
// flag 1 forces the lock on, which is given back); paths that name no
// listed filter leave the layer and still return 1.
TEST_F(WarpEffects, PluginsRunThroughTheHostAndBadPathsLeaveTheLayer)
{
    namespace fs = std::filesystem;
    void* host = dlopen(MUR_FAKE_APIH_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(host, nullptr) << dlerror();
    const auto reset = reinterpret_cast<void (*)(int32_t)>(dlsym(host, "fake_reset"));
    ASSERT_NE(reset, nullptr);
    reset(0);
    ASSERT_TRUE(platform::set_plugin_host_path(MUR_FAKE_APIH_PATH));
    const fs::path folder = fs::temp_directory_path() / ("mur_warp_effects_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string plugin = (folder / "soft.8bf").string(), text = (folder / "notes.8bf").string();
    const test::Bytes pe = test::make_pe({{"PIPL", 1, "", test::filter_pipl("8BFM", "Blur", "Soft")}}, false).bytes;
    std::ofstream(plugin, std::ios::binary).write(reinterpret_cast<const char*>(pe.data()), std::streamsize(pe.size()));
    std::ofstream(text) << "no plug-in here";

    for (const int32_t other : {0, 1}) {
        paint(kLayer, 7);
        const std::vector<uint8_t> before = layer_bytes(kLayer);
        ASSERT_EQ(run_sliders("Adobe Compatible Plug-ins", {500, 500, 500, 500, 500, 500}, 0, other, plugin.c_str()), 1);
        const std::vector<uint8_t> after = layer_bytes(kLayer);
        for (std::size_t i = 0; i < after.size(); i += 4) {
            ASSERT_EQ(after[i + 2], 255 - before[i + 2]) << i;
            ASSERT_EQ(after[i + 3], other ? before[i + 3] : 128) << i;
        }
        EXPECT_EQ(engine.layers.currentRecord->alphaLocked, 0);
    }
    const std::string missing = (folder / "none.8bf").string();
    for (const char* bad : {static_cast<const char*>(nullptr), "", missing.c_str(), text.c_str()}) {
        paint(kLayer, 7);
        const std::vector<uint16_t> before = pixels();
        ASSERT_EQ(run_sliders("Adobe Compatible Plug-ins", {500, 500, 500, 500, 500, 500}, 0, 0, bad), 1);
        EXPECT_EQ(pixels(), before) << (bad ? bad : "(null)");
    }
    platform::set_plugin_host_path(nullptr);
    dlclose(host);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace mur

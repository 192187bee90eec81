// The script-file families and the merged results through
// MUR_IPLImageProcess: every name on good and bad input and with two
// variants, the families' five names alike, the tile laid by an independent
// reference, flag 1's alpha lock, the reliefs and the noises against their
// formulas and laws, the drop shadow by construction, and the shipped
// texture scripts.
#include "effects_fixture.h"

#include "imaging/added_noise.h"
#include "imaging/texture_script.h"
#include "imaging/texture_tiles.h"

#include <omp.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

namespace mur {
namespace {

using test::pixel_at;

// A 6 x 5 tile whose texels all differ: red by column, green by row.
constexpr int32_t kTileW = 6, kTileH = 5;
constexpr const char* kTileScript = "width, height = 6, 5\n"
                                    "function texel(x, y) return x * 40 / 255, y * 50 / 255, (x + y) % 3 / 2 end\n";
int tile_channel(int32_t x, int32_t y, int c)
{
    return c == 0 ? x * 40 : c == 1 ? y * 50 : (x + y) % 3 == 0 ? 0 : (x + y) % 3 == 1 ? 128 : 255;
}

class MergeEffects : public test::EffectsTest {
protected:
    void TearDown() override
    {
        for (const std::string& path : files) std::remove(path.c_str());
        test::EffectsTest::TearDown();
    }
    const char* file(const std::string& text)
    {
        files.push_back(testing::TempDir() + "merge_fx_" + std::to_string(::getpid()) + "_" +
                        std::to_string(files.size()) + ".lua");
        std::ofstream(files.back()) << text;
        return files.back().c_str();
    }
    // The name's default dialog; apply() runs it with the changes made.
    struct Dialog {
        const char* name;
        int32_t s[6], style1, flag1 = 0, flag2 = 0, variant = 1, rgb[3] = {0, 0, 0};
        const char* path = nullptr;
    };
    static Dialog dialog(const char* name)
    {
        const effects::EffectRecord* e = effects::find_effect(name);
        const effects::EffectDefaults d = e ? e->defaults : effects::EffectDefaults{};
        return {name, {d.sliders[0], d.sliders[1], d.sliders[2], d.sliders[3], d.sliders[4], d.sliders[5]}, d.style1};
    }
    static int32_t apply(const Dialog& d)
    {
        return MUR_IPLImageProcess(0, d.name, d.variant, d.s[0], d.s[1], d.s[2], d.s[3], d.s[4], d.s[5], d.style1, 0,
                                   d.flag1, d.flag2, 0, 0, 0, 0, d.rgb[0], d.rgb[1], d.rgb[2], d.path);
    }
    static const uint16_t* at(int32_t x, int32_t y) { return pixel_at(engine.layers.slots[kLayer], x, y); }
    std::vector<std::string> files;
};

const char* const kMerged[] = {"Add Gaussian Noise", "Add Negative Exponential Noise", "Add Rayleigh Noise",
                               "Add Uniform Noise", "Drop Shadow", "Radiant 2"};

TEST_F(MergeEffects, EveryNameOnGoodAndBadInputAndTwoVariants)
{
    const char* tile = file(kTileScript);
    const std::string missing = testing::TempDir() + "merge_fx_no_such_file.lua";
    const char* bad[] = {nullptr, "", missing.c_str(), file("this is no script at all\n"),
                         file("width, height = 8, 8\n"),  // no texel
                         file("width, height = 8, 8\nfunction texel() error('x') end\n"),
                         file("width, height = 8, 8\nfunction texel() return 'red' end\n"),
                         file("width, height = 0, 8\nfunction texel() return 1, 1, 1 end\n"),
                         file("width, height = 8, 8\nfunction texel() while true do end end\n")};
    const imaging::ScriptLimits limits = imaging::script_limits();
    imaging::set_script_limits({0.1, limits.memoryBytes});  // stops the endless script soon
    // Transparent pixels on the right for the shadow to show in.
    const auto start = [] {
        paint(kLayer, 7);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 20; x < kW; x += 5) pixel_at(engine.layers.slots[kLayer], x, y)[3] = 0;
    };
    std::vector<std::string> names(std::begin(kMerged), std::end(kMerged));
    for (const char* family : {"Backgrounds", "Texturize Emboss", "Texturize Bump", "Displacement Bump"})
        for (const char* kind : {"Material", "Nature", "Surface", "Other", "Utility"})
            names.push_back(std::string(family) + " " + kind);
    names.push_back("Pattern Explorer");
    std::vector<uint16_t> family;  // the first picture of the family
    for (std::size_t i = 0; i < names.size(); ++i) {
        const effects::EffectRecord* e = effects::find_effect(names[i].c_str());
        ASSERT_NE(e, nullptr) << names[i];
        EXPECT_EQ(e->route, i < 6 ? 8 : 7) << names[i];
        Dialog d = dialog(e->name);
        d.path = tile;
        d.rgb[0] = 250;
        (names[i].rfind("Displacement", 0) == 0 ? d.flag1 : d.flag2) = 1;  // an offset from the variant
        start();
        const std::vector<uint16_t> before = pixels();
        MUR_SetLastError("");
        EXPECT_EQ(apply(d), 1) << e->name;
        const std::vector<uint16_t> first = pixels();
        EXPECT_NE(first, before) << e->name;
        EXPECT_STREQ(MUR_GetLastError(), "") << e->name;
        if (i + 1 == names.size()) {  // "Pattern Explorer" as "Backgrounds"
            Dialog b = d;
            b.name = "Backgrounds Utility";
            start();
            apply(b);
            EXPECT_EQ(first, pixels());
        } else if (e->route == 7) {  // the five names of a family alike
            if ((i - 6) % 5 == 0) family = first;
            EXPECT_EQ(first, family) << e->name;
        }
        if (i == 4 || i == 5) continue;  // the shadow and the rays draw nothing at random
        for (int32_t variant : {2, 1}) {
            start();
            d.variant = variant;
            apply(d);
            if (variant == 1) EXPECT_EQ(pixels(), first) << e->name;
            else EXPECT_NE(pixels(), first) << e->name;
        }
        for (const char* path : bad) {
            if (e->route != 7) break;
            start();
            d.path = path;
            EXPECT_EQ(apply(d), 1) << e->name;
            EXPECT_EQ(pixels(), before) << e->name << " " << (path ? path : "null");
            EXPECT_STREQ(MUR_GetLastError(), "") << e->name;
        }
    }
    imaging::set_script_limits(limits);
}

// In Normal at full opacity the layer becomes the tile: pixel (x, y) is the
// texel ((x + ox) mod 6, (y + oy) mod 5), opaque, (ox, oy) = (0, 0) without
// flag 2. Slider 1 scales the tile: 1000 to 12 x 10, 100 to the smallest,
// 4 x 4 (1.2 x 1 asked); the page repeats with that period.
TEST_F(MergeEffects, BackgroundsLayTheTileByReference)
{
    Dialog d = dialog("Backgrounds Utility");
    d.path = file(kTileScript);
    ASSERT_EQ(apply(d), 1);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            for (int c = 0; c < 3; ++c) ASSERT_EQ(at(x, y)[c] >> 8, tile_channel(x % kTileW, y % kTileH, c));
            ASSERT_EQ(at(x, y)[3] >> 8, 255);
        }
    for (const auto& [s1, tw, th] : {std::tuple{1000, 12, 10}, std::tuple{100, 4, 4}}) {
        paint(kLayer, 7);
        d.s[0] = s1;
        ASSERT_EQ(apply(d), 1);
        const std::vector<uint16_t> page = pixels();
        bool periodic = true, flat = true;
        for (int32_t y = 0; y + th < kH; ++y)
            for (int32_t x = 0; x + tw < kW; ++x)
                for (std::size_t c = 0, i = (std::size_t(y) * kW + x) * 4; c < 4; ++c) {
                    periodic = periodic && page[i + c] == page[i + c + tw * 4] && page[i + c] == page[i + c + th * kW * 4];
                    flat = flat && page[i + c] == page[i + c + 4];
                }
        EXPECT_TRUE(periodic) << s1;
        EXPECT_FALSE(flat) << s1;
    }
}

// Flag 1 merges as if the layer's alpha were locked: every alpha stays and
// the lock is what it was, also when the merge fails for memory.
TEST_F(MergeEffects, FlagOneKeepsEveryAlphaAndGivesTheLockBack)
{
    Dialog d = dialog("Texturize Emboss Nature");
    d.path = file(kTileScript);
    d.style1 = 0;  // Normal: without the lock the transparent corner fills
    const auto alphas = [] {
        std::vector<uint16_t> a = pixels();
        for (std::size_t i = 0; i < a.size() / 4; ++i) a[i] = a[i * 4 + 3];
        a.resize(a.size() / 4);
        return a;
    };
    const std::vector<uint16_t> before = alphas();
    ASSERT_EQ(apply(d), 1);
    EXPECT_NE(alphas(), before);
    d.flag1 = 1;
    uint8_t& lock = engine.layers.slots[kLayer].alphaLocked;
    for (uint8_t locked : {0, 1})
        for (long failAfter : {-1L, 0L, 1L, 2L, 3L}) {
            paint(kLayer, 7);
            lock = locked;
            if (failAfter >= 0) mem::fail_allocations(failAfter, -1);
            apply(d);
            mem::reset_failures();
            EXPECT_EQ(lock, locked) << failAfter;
            EXPECT_EQ(alphas(), before) << failAfter;
        }
    lock = 0;
}

// A ramp of a levels a pixel: the emboss is 128 + depth x a, the height
// map lit from the upper left 127.5 (1 + k a) / sqrt(1 + (k a)^2) with
// k = height / 255; alpha stays.
TEST_F(MergeEffects, ReliefsOfRampsMatchTheirFormulas)
{
    constexpr int32_t w = 16, h = 8;
    std::vector<uint8_t> page(std::size_t(w) * h * 4);
    const imaging::ImageView view = imaging::rgba32_view(page.data(), w, h, w * 4);
    for (int slope : {0, 3, -3})
        for (double depth : {0.5, 2.0, 6.0})
            for (bool bump : {false, true}) {
                for (int32_t i = 0; i < w * h; ++i) {
                    page[i * 4] = page[i * 4 + 1] = page[i * 4 + 2] = static_cast<uint8_t>(100 + slope * (i % w));
                    page[i * 4 + 3] = static_cast<uint8_t>(i);
                }
                const double k = depth * 10 / 255, a = slope;
                ASSERT_TRUE(bump ? imaging::shade_height_map(view, depth * 10) : imaging::emboss_relief(view, depth));
                const double expected = bump ? 127.5 * (1 + k * a) / std::sqrt(1 + k * k * a * a) : 128 + depth * a;
                for (int32_t x = 1; x + 1 < w; ++x) {
                    const uint8_t* p = &page[(std::size_t(3) * w + x) * 4];
                    EXPECT_NEAR(p[0], expected, 0.51) << slope << " " << depth << " " << bump;
                    EXPECT_TRUE(p[1] == p[0] && p[2] == p[0] && p[3] == uint8_t(3 * w + x));
                }
            }
}

// Each shape's quantile inverts its analytic distribution function; the
// added noise has mean 0, the asked deviation and the law's skewness and
// kurtosis, red and green drawn apart, the same on any thread count. The
// names merge it at opacity trunc(S2 x 0.2559) with sigma trunc(S1 x 20) x
// 0.002; opacity 0 leaves the layer.
TEST_F(MergeEffects, NoisesFollowTheirLawsAndTheDialog)
{
    const auto cdf = [](int shape, double z) {
        const double r = z * std::sqrt((4 - std::numbers::pi) / 2) + std::sqrt(std::numbers::pi / 2);
        const double values[] = {0.5 * std::erfc(-z / std::numbers::sqrt2), 1 - std::exp(-(z + 1)),
                                 1 - std::exp(-r * r / 2), (z / std::numbers::sqrt3 + 1) / 2};
        return values[shape];
    };
    const double laws[][2] = {{0, 0}, {2, 6}, {0.6311, 0.2451}, {0, -1.2}};  // skewness, excess kurtosis
    const char* names[] = {"Add Gaussian Noise", "Add Negative Exponential Noise", "Add Rayleigh Noise",
                           "Add Uniform Noise"};
    constexpr int32_t side = 256;
    constexpr double sigma = 12;  // 128 +- 3.4 sigma never clips
    std::vector<uint8_t> grey(std::size_t(side) * side * 4, 128), out(grey.size()), again(grey.size());
    const imaging::ConstImageView src(grey.data(), side, side, side * 4, 4);
    for (int s = 0; s < imaging::kNoiseShapes; ++s) {
        const auto shape = static_cast<imaging::NoiseShape>(s);
        for (double p = 0.0005; p < 1; p += 0.0125) EXPECT_NEAR(cdf(s, imaging::noise_quantile(shape, p)), p, 1e-7);
        ASSERT_TRUE(imaging::add_shaped_noise(src, imaging::rgba32_view(out.data(), side, side, side * 4), shape, sigma, 99));
        double m[5] = {}, cross = 0;
        for (std::size_t i = 0; i < out.size(); i += 4) {
            for (int c = 0; c < 3; ++c)
                for (int k = 1; k < 5; ++k) m[k] += std::pow(out[i + c] - 128.0, k);
            cross += (out[i] - 128.0) * (out[i + 1] - 128.0);
            ASSERT_EQ(out[i + 3], 128);
        }
        const double n = out.size() / 4 * 3.0, mean = m[1] / n, var = m[2] / n - mean * mean;
        EXPECT_NEAR(mean, 0, 0.15) << s;
        EXPECT_NEAR(std::sqrt(var), std::sqrt(sigma * sigma + 1.0 / 12), 0.15) << s;  // rounding adds 1/12
        EXPECT_NEAR(m[3] / n / std::pow(var, 1.5), laws[s][0], s == 1 ? 0.2 : 0.05) << s;
        EXPECT_NEAR(m[4] / n / (var * var) - 3, laws[s][1], s == 1 ? 1.0 : 0.1) << s;
        EXPECT_NEAR(cross / (n / 3) / var, 0, 0.02) << s;
        const int threads = omp_get_max_threads();
        omp_set_num_threads(3);
        ASSERT_TRUE(imaging::add_shaped_noise(src, imaging::rgba32_view(again.data(), side, side, side * 4), shape, sigma, 99));
        omp_set_num_threads(threads);
        EXPECT_EQ(again, out) << s;

        // Through the dispatcher, on the opaque part of the test picture.
        Dialog d = dialog(names[s]);
        d.s[0] = 333, d.s[1] = 1000, d.variant = 42;  // 6660: sigma 13.32
        paint(kLayer, 7);
        std::vector<uint8_t> layer(std::size_t(kW) * kH * 4), noisy(layer.size());
        MUR_GetRGBA32Layer(layer.data(), kW * 4, kLayer);
        ASSERT_TRUE(imaging::add_shaped_noise(imaging::ConstImageView(layer.data(), kW, kH, kW * 4, 4),
                                              imaging::rgba32_view(noisy.data(), kW, kH, kW * 4), shape, 13.32, 42));
        ASSERT_EQ(apply(d), 1);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 8; x < kW; ++x)
                for (int c = 0; c < 4; ++c)
                    ASSERT_EQ(at(x, y)[c] >> 8, noisy[(std::size_t(y) * kW + x) * 4 + c]) << names[s] << " " << x;
        paint(kLayer, 7);
        const std::vector<uint16_t> before = pixels();
        d.s[1] = 3;  // trunc(0.77) = 0
        ASSERT_EQ(apply(d), 1);
        EXPECT_EQ(pixels(), before) << names[s];
    }
}

// An opaque square on a transparent layer: the shadow shows only where the
// layer is transparent, moved by the distance along the angle, in the
// effect colour at the dialog's opacity; blurred, it fades outwards. Rays
// come only from highlights and point away from the centre.
TEST_F(MergeEffects, DropShadowAndRaysByConstruction)
{
    const auto inside = [](int32_t x, int32_t y) { return x >= 8 && x < 16 && y >= 6 && y < 14; };
    const auto square = [&] {
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                uint16_t* p = pixel_at(engine.layers.slots[kLayer], x, y);
                p[0] = 200 << 8, p[1] = 180 << 8, p[2] = 20 << 8, p[3] = inside(x, y) ? 0xFFFF : 0;
            }
    };
    Dialog d = dialog("Drop Shadow");
    d.rgb[0] = 10, d.rgb[1] = 60, d.rgb[2] = 200;
    d.s[0] = 0, d.s[1] = 250, d.s[3] = 1000;  // no blur, 5 pixels, opaque
    for (const auto& [angle, dx, dy] : {std::tuple{0, 5, 0}, std::tuple{250, 0, 5}, std::tuple{125, 4, 4}}) {
        square();
        d.s[2] = angle;
        ASSERT_EQ(apply(d), 1);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const bool shadow = !inside(x, y) && inside(x - dx, y - dy);
                const int expected[4] = {shadow ? 10 : 200, shadow ? 60 : 180, shadow ? 200 : 20,
                                         inside(x, y) || shadow ? 255 : 0};
                for (int c = 0; c < 4; ++c) ASSERT_EQ(at(x, y)[c] >> 8, expected[c]) << angle << " " << x << "," << y;
            }
    }
    square();
    d.s[0] = 100, d.s[2] = 0, d.s[3] = 500;  // blurred, half opacity
    ASSERT_EQ(apply(d), 1);
    EXPECT_GT(at(17, 10)[3] >> 8, 40);
    for (int32_t x = 17; x + 1 < kW; ++x) EXPECT_LE(at(x + 1, 10)[3], at(x, 10)[3]) << x;
    EXPECT_LE(at(17, 10)[3] >> 8, 128);

    test::fill_layer(engine.layers.slots[kLayer], 40 << 8, 40 << 8, 40 << 8, 0xFFFF);
    for (int32_t y = 11; y < 13; ++y)
        for (int32_t x = 22; x < 24; ++x) std::fill_n(pixel_at(engine.layers.slots[kLayer], x, y), 3, 0xFFFF);
    ASSERT_EQ(apply(dialog("Radiant 2")), 1);
    EXPECT_GT(at(28, 12)[0] >> 8, 60);  // outwards from the centre (15.5, 11.5)
    EXPECT_EQ(at(18, 12)[0] >> 8, 40);  // towards it nothing
    EXPECT_EQ(at(5, 3)[0] >> 8, 40);
    test::fill_layer(engine.layers.slots[kLayer], 130 << 8, 130 << 8, 130 << 8, 0xFFFF);  // no highlight
    const std::vector<uint16_t> dark = pixels();
    ASSERT_EQ(apply(dialog("Radiant 2")), 1);
    EXPECT_EQ(pixels(), dark);
}

// Every texture script shipped paints a tile that repeats without a seam:
// the steps across its edges are no larger than the steps inside it.
TEST_F(MergeEffects, ShippedTexturesTileWithoutSeams)
{
    int scripts = 0;
    for (const auto& entry : std::filesystem::directory_iterator(MUR_SHARE_DIR "/textures")) {
        if (entry.path().extension() != ".lua") continue;
        ++scripts;
        imaging::Rgba32Picture tile;
        ASSERT_TRUE(imaging::render_texture_script(entry.path().c_str(), tile)) << entry.path();
        const int32_t w = tile.width, h = tile.height;
        const auto step = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
            int s = 0;
            for (int c = 0; c < 3; ++c)
                s += std::abs(tile.pixels[(std::size_t(y0) * w + x0) * 4 + c] - tile.pixels[(std::size_t(y1) * w + x1) * 4 + c]);
            return s;
        };
        double inside = 0, across = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                (x + 1 < w ? inside : across) += step(x, y, (x + 1) % w, y);
                (y + 1 < h ? inside : across) += step(x, y, x, (y + 1) % h);
            }
        const double meanInside = inside / (double(h) * (w - 1) + double(w) * (h - 1));
        EXPECT_LT(across / (w + h), 2.5 * meanInside + 3) << entry.path();
        EXPECT_GT(meanInside, 0.5) << entry.path();
        imaging::release_picture(tile);
    }
    EXPECT_GE(scripts, 5);
}

}  // namespace
}  // namespace mur

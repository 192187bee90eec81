// The script-file families and the merged results through
// MUR_IPLImageProcess: every name on good and bad input, the families' five
// names alike, the tile laid by an independent reference, flag 1's alpha
// lock, the noises' distributions against their analytic laws, the drop
// shadow by construction, and the shipped texture scripts.
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
#include <vector>

namespace mur {
namespace {

using test::pixel_at;

const char* const kFamilies[] = {"Backgrounds", "Texturize Emboss", "Texturize Bump", "Displacement Bump"};
const char* const kKinds[] = {"Material", "Nature", "Surface", "Other", "Utility"};
const char* const kMerged[] = {"Add Gaussian Noise", "Add Negative Exponential Noise", "Add Rayleigh Noise",
                               "Add Uniform Noise", "Drop Shadow", "Radiant 2"};

// A 6 x 5 tile whose every texel differs: red by column, green by row.
constexpr int32_t kTileW = 6, kTileH = 5;
constexpr const char* kTileScript = "width, height = 6, 5\n"
                                    "function texel(x, y) return x * 40 / 255, y * 50 / 255, (x + y) % 3 / 2 end\n";
uint8_t tile_channel(int32_t x, int32_t y, int c)
{
    const int values[3] = {x * 40, y * 50, (x + y) % 3 == 0 ? 0 : (x + y) % 3 == 1 ? 128 : 255};
    return static_cast<uint8_t>(values[c]);
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
        files.push_back(testing::TempDir() + "merge_effects_" + std::to_string(::getpid()) + "_" +
                        std::to_string(files.size()) + ".lua");
        std::ofstream(files.back()) << text;
        return files.back().c_str();
    }
    // The dialog: the name's defaults with the given changes.
    struct Dialog {
        int32_t sliders[6] = {500, 500, 500, 500, 500, 500};
        int32_t style1 = 0, flag1 = 0, flag2 = 0, variant = 1;
        int32_t rgb[3] = {0, 0, 0};
        const char* path = nullptr;
    };
    static Dialog defaults(const char* name)
    {
        Dialog d;
        const effects::EffectRecord* e = effects::find_effect(name);
        EXPECT_NE(e, nullptr) << name;
        if (!e) return d;
        for (int i = 0; i < 6; ++i) d.sliders[i] = e->defaults.sliders[i];
        d.style1 = e->defaults.style1;
        return d;
    }
    static int32_t apply(const char* name, const Dialog& d)
    {
        const int32_t* s = d.sliders;
        return MUR_IPLImageProcess(0, name, d.variant, s[0], s[1], s[2], s[3], s[4], s[5], d.style1, 0, d.flag1,
                                   d.flag2, 0, 0, 0, 0, d.rgb[0], d.rgb[1], d.rgb[2], d.path);
    }
    std::vector<std::string> files;
};

std::vector<std::string> family_names(const char* family)
{
    std::vector<std::string> names;
    for (const char* kind : kKinds) names.push_back(std::string(family) + " " + kind);
    return names;
}

TEST_F(MergeEffects, EveryNameChangesThePictureAndBadInputLeavesIt)
{
    const char* tile = file(kTileScript);
    const std::string missing = testing::TempDir() + "merge_effects_no_such_file.lua";
    const char* badInputs[] = {nullptr,
                               "",
                               missing.c_str(),
                               file("this is no script at all\n"),
                               file("width, height = 8, 8\n"),                                  // no texel
                               file("width, height = 8, 8\nfunction texel() error('x') end\n"),  // fails
                               file("width, height = 8, 8\nfunction texel() return 'red' end\n"),
                               file("width, height = 0, 8\nfunction texel() return 1, 1, 1 end\n"),
                               file("width, height = 8, 8\nfunction texel() while true do end end\n")};
    std::vector<std::string> names(std::begin(kMerged), std::end(kMerged));
    names.push_back("Pattern Explorer");
    for (const char* family : kFamilies)
        for (const std::string& n : family_names(family)) names.push_back(n);
    ASSERT_EQ(names.size(), 27u);
    // The script that never ends is stopped by the time limit.
    const imaging::ScriptLimits limits = imaging::script_limits();
    imaging::set_script_limits({0.1, limits.memoryBytes});
    // A picture with transparency in the unprotected part, for the shadow.
    const auto start = [] {
        paint(kLayer, 7);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 20; x < kW; ++x)
                if ((x + y) % 5 == 0) pixel_at(engine.layers.slots[kLayer], x, y)[3] = 0;
    };
    for (const std::string& name : names) {
        const effects::EffectRecord* e = effects::find_effect(name.c_str());
        ASSERT_NE(e, nullptr) << name;
        EXPECT_EQ(e->route, name.rfind("Add ", 0) == 0 || name == "Drop Shadow" || name == "Radiant 2" ? 8 : 7);
        start();
        const std::vector<uint16_t> before = pixels();
        Dialog d = defaults(name.c_str());
        d.path = tile;
        d.rgb[0] = 250;
        MUR_SetLastError("");
        EXPECT_EQ(apply(name.c_str(), d), 1) << name;
        EXPECT_NE(pixels(), before) << name;
        EXPECT_STREQ(MUR_GetLastError(), "") << name;
        if (e->route != 7) continue;
        for (const char* bad : badInputs) {
            start();
            d.path = bad;
            d.flag1 = d.flag2 = 1;
            EXPECT_EQ(apply(name.c_str(), d), 1) << name << " " << (bad ? bad : "null");
            EXPECT_EQ(pixels(), before) << name << " " << (bad ? bad : "null");
            EXPECT_STREQ(MUR_GetLastError(), "") << name;
        }
    }
    imaging::set_script_limits(limits);
}

TEST_F(MergeEffects, TheFiveNamesOfAFamilyGiveOnePicture)
{
    const char* tile = file(kTileScript);
    for (const char* family : kFamilies) {
        std::vector<uint16_t> first;
        for (const std::string& name : family_names(family)) {
            paint(kLayer, 7);
            Dialog d = defaults(name.c_str());
            d.path = tile;
            d.flag2 = 1;
            d.variant = 31;
            ASSERT_EQ(apply(name.c_str(), d), 1);
            if (first.empty()) first = pixels();
            else EXPECT_EQ(pixels(), first) << name;
        }
    }
    paint(kLayer, 7);
    Dialog d = defaults("Pattern Explorer");
    d.path = tile;
    ASSERT_EQ(apply("Pattern Explorer", d), 1);
    const std::vector<uint16_t> explorer = pixels();
    paint(kLayer, 7);
    ASSERT_EQ(apply("Backgrounds Utility", d), 1);
    EXPECT_EQ(pixels(), explorer);
}

// In Normal at full opacity the layer becomes the tile: pixel (x, y) is the
// texel ((x + ox) mod 6, (y + oy) mod 5), opaque, with (ox, oy) = (0, 0)
// unless flag 2 asks for an offset drawn from the variant.
TEST_F(MergeEffects, BackgroundsLayTheTileRepeatedFromAnOffset)
{
    const auto offset_of_layer = [](int32_t& ox, int32_t& oy) {
        for (oy = 0; oy < kTileH; ++oy)
            for (ox = 0; ox < kTileW; ++ox) {
                bool all = true;
                for (int32_t y = 0; y < kH && all; ++y)
                    for (int32_t x = 0; x < kW && all; ++x) {
                        const uint16_t* p = pixel_at(engine.layers.slots[kLayer], x, y);
                        for (int c = 0; c < 3; ++c)
                            all = all && (p[c] >> 8) == tile_channel((x + ox) % kTileW, (y + oy) % kTileH, c);
                        all = all && p[3] >> 8 == 255;
                    }
                if (all) return true;
            }
        return false;
    };
    Dialog d = defaults("Backgrounds Utility");
    d.path = file(kTileScript);
    paint(kLayer, 7);
    ASSERT_EQ(apply("Backgrounds Utility", d), 1);
    int32_t ox = -1, oy = -1;
    ASSERT_TRUE(offset_of_layer(ox, oy));
    EXPECT_EQ(ox, 0);
    EXPECT_EQ(oy, 0);
    d.flag2 = 1;
    std::vector<std::pair<int32_t, int32_t>> offsets;
    for (int32_t variant : {1, 2, 3, 4, 5, 6, 1}) {
        paint(kLayer, 7);
        d.variant = variant;
        ASSERT_EQ(apply("Backgrounds Utility", d), 1);
        ASSERT_TRUE(offset_of_layer(ox, oy)) << variant;
        offsets.emplace_back(ox, oy);
    }
    EXPECT_EQ(offsets.front(), offsets.back());  // the same variant, the same offset
    EXPECT_NE(std::count(offsets.begin(), offsets.end(), offsets.front()), 6);

    // Slider 1 scales the tile: 1000 doubles it to 12 x 10, 100 asks for
    // 1.2 x 1, which becomes the smallest tile, 4 x 4. The page repeats
    // with that period.
    d.flag2 = 0;
    for (const auto& [s1, tw, th] : {std::tuple{1000, 12, 10}, std::tuple{100, 4, 4}}) {
        paint(kLayer, 7);
        d.sliders[0] = s1;
        ASSERT_EQ(apply("Backgrounds Utility", d), 1);
        const std::vector<uint16_t> page = pixels();
        bool periodic = true, flatRow = true;
        for (int32_t y = 0; y + th < kH; ++y)
            for (int32_t x = 0; x + tw < kW; ++x)
                for (int c = 0; c < 4; ++c) {
                    const std::size_t at = (std::size_t(y) * kW + x) * 4 + c;
                    periodic = periodic && page[at] == page[at + tw * 4] && page[at] == page[at + th * kW * 4];
                    flatRow = flatRow && page[at] == page[at + 4];
                }
        EXPECT_TRUE(periodic) << s1;
        EXPECT_FALSE(flatRow) << s1;
    }
}

// Flag 1 merges as if the layer's alpha were locked: every alpha stays, the
// lock itself is what it was, also when the merge fails for memory.
TEST_F(MergeEffects, FlagOneKeepsEveryAlphaAndGivesTheLockBack)
{
    Dialog d = defaults("Texturize Emboss Nature");
    d.path = file(kTileScript);
    d.style1 = 0;  // Normal: without the lock the transparent corner fills
    LayerRecord& layer = engine.layers.slots[kLayer];
    const auto alphas = [] {
        std::vector<uint16_t> a;
        const std::vector<uint16_t> p = pixels();
        for (std::size_t i = 3; i < p.size(); i += 4) a.push_back(p[i]);
        return a;
    };
    paint(kLayer, 7);
    const std::vector<uint16_t> before = alphas();
    ASSERT_EQ(apply("Texturize Emboss Nature", d), 1);
    EXPECT_NE(alphas(), before);
    d.flag1 = 1;
    for (uint8_t lock : {0, 1}) {
        paint(kLayer, 7);
        layer.alphaLocked = lock;
        const std::vector<uint16_t> colours = pixels();
        ASSERT_EQ(apply("Texturize Emboss Nature", d), 1);
        EXPECT_EQ(alphas(), before);
        EXPECT_NE(pixels(), colours);
        EXPECT_EQ(layer.alphaLocked, lock);
        for (long after : {0L, 1L, 2L, 3L}) {
            mem::fail_allocations(after, -1);
            apply("Texturize Emboss Nature", d);
            mem::reset_failures();
            EXPECT_EQ(layer.alphaLocked, lock) << after;
            EXPECT_EQ(alphas(), before) << after;
        }
    }
    layer.alphaLocked = 0;
}

// A linear ramp of luma a levels a pixel: the emboss is 128 + depth x a
// inside, the height map lit from the upper left is
// 127.5 (1 + k a) / sqrt(1 + (k a)^2) with k = depth / 255; flat is 128.
TEST_F(MergeEffects, ReliefsOfFlatGroundAndRampsMatchTheirFormulas)
{
    constexpr int32_t w = 16, h = 8;
    std::vector<uint8_t> page(std::size_t(w) * h * 4);
    const imaging::ImageView view = imaging::rgba32_view(page.data(), w, h, w * 4);
    const auto ramp = [&](int slope) {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint8_t* p = &page[(std::size_t(y) * w + x) * 4];
                p[0] = p[1] = p[2] = static_cast<uint8_t>(100 + slope * x);
                p[3] = static_cast<uint8_t>(x * 16);
            }
    };
    for (int slope : {0, 3, -3}) {
        for (double depth : {0.5, 2.0, 6.0}) {
            ramp(slope);
            ASSERT_TRUE(imaging::emboss_relief(view, depth));
            for (int32_t x = 1; x + 1 < w; ++x) {
                const uint8_t* p = &page[(std::size_t(3) * w + x) * 4];
                EXPECT_NEAR(p[0], std::clamp(128 + depth * slope, 0.0, 255.0), 0.51) << slope << " " << depth;
                EXPECT_EQ(p[1], p[0]);
                EXPECT_EQ(p[3], x * 16);
            }
            ramp(slope);
            const double k = depth * 10 / 255;
            ASSERT_TRUE(imaging::shade_height_map(view, depth * 10));
            const double expected = 127.5 * (1 + k * slope) / std::sqrt(1 + k * k * slope * slope);
            for (int32_t x = 1; x + 1 < w; ++x)
                EXPECT_NEAR(page[(std::size_t(5) * w + x) * 4 + 2], std::clamp(expected, 0.0, 255.0), 0.51)
                    << slope << " " << depth;
        }
    }
}

// Each shape's quantile inverts its analytic distribution function, and
// the added noise has mean 0, the asked deviation and the shape's
// skewness and kurtosis; the picture depends on the seed alone.
TEST_F(MergeEffects, NoisesFollowTheirDistributions)
{
    const auto cdf = [](imaging::NoiseShape shape, double z) {
        switch (shape) {
        case imaging::NoiseShape::Gaussian: return 0.5 * std::erfc(-z / std::numbers::sqrt2);
        case imaging::NoiseShape::NegativeExponential: return 1 - std::exp(-(z + 1));
        case imaging::NoiseShape::Rayleigh: {
            const double r = z * std::sqrt((4 - std::numbers::pi) / 2) + std::sqrt(std::numbers::pi / 2);
            return 1 - std::exp(-r * r / 2);
        }
        case imaging::NoiseShape::Uniform: return (z / std::numbers::sqrt3 + 1) / 2;
        }
        return -1.0;
    };
    // Skewness and excess kurtosis of each law.
    const double laws[imaging::kNoiseShapes][2] = {{0, 0}, {2, 6}, {0.6311, 0.2451}, {0, -1.2}};
    constexpr int32_t side = 256;
    constexpr double sigma = 12;
    std::vector<uint8_t> grey(std::size_t(side) * side * 4, 128), out(grey.size()), again(grey.size());
    const imaging::ConstImageView src(grey.data(), side, side, side * 4, 4);
    for (int s = 0; s < imaging::kNoiseShapes; ++s) {
        const auto shape = static_cast<imaging::NoiseShape>(s);
        for (double p = 0.0005; p < 1; p += 0.0125) EXPECT_NEAR(cdf(shape, imaging::noise_quantile(shape, p)), p, 1e-7);
        // Only 128 - 3.4 sigma and below would clip; sigma 12 keeps off both ends.
        ASSERT_TRUE(imaging::add_shaped_noise(src, imaging::rgba32_view(out.data(), side, side, side * 4), shape,
                                              sigma, 99));
        double m[5] = {}, cross = 0;
        const double n = double(side) * side * 3;
        for (std::size_t i = 0; i < out.size(); i += 4) {
            for (int c = 0; c < 3; ++c) {
                const double v = out[i + c] - 128.0;
                for (int k = 1; k < 5; ++k) m[k] += std::pow(v, k);
            }
            cross += (out[i] - 128.0) * (out[i + 1] - 128.0);
            ASSERT_EQ(out[i + 3], 128);
        }
        const double mean = m[1] / n, var = m[2] / n - mean * mean;
        const double skew = (m[3] / n - 3 * mean * var - mean * mean * mean) / std::pow(var, 1.5);
        const double kurt = (m[4] / n - 4 * mean * m[3] / n + 6 * mean * mean * m[2] / n - 3 * std::pow(mean, 4)) /
                                (var * var) - 3;
        EXPECT_NEAR(mean, 0, 0.15) << s;
        EXPECT_NEAR(std::sqrt(var), std::sqrt(sigma * sigma + 1.0 / 12), 0.15) << s;
        EXPECT_NEAR(skew, laws[s][0], s == 1 ? 0.2 : 0.05) << s;
        EXPECT_NEAR(kurt, laws[s][1], s == 1 ? 1.0 : 0.1) << s;
        EXPECT_NEAR(cross / (n / 3) / var, 0, 0.02) << s;  // red and green drawn apart
        // The same seed on any number of threads, another seed elsewhere.
        const int threads = omp_get_max_threads();
        omp_set_num_threads(3);
        ASSERT_TRUE(imaging::add_shaped_noise(src, imaging::rgba32_view(again.data(), side, side, side * 4), shape,
                                              sigma, 99));
        omp_set_num_threads(threads);
        EXPECT_EQ(again, out) << s;
        ASSERT_TRUE(imaging::add_shaped_noise(src, imaging::rgba32_view(again.data(), side, side, side * 4), shape,
                                              sigma, 100));
        EXPECT_NE(again, out) << s;
    }
}

// Through the dispatcher: the noise is sigma trunc(S1 x 20) x 0.002 merged
// at opacity trunc(S2 x 0.2559); opacity 0 leaves the layer; the variant
// seeds it.
TEST_F(MergeEffects, NoiseNamesMergeTheirNoiseAtTheDialogsOpacity)
{
    const char* shapes[] = {"Add Gaussian Noise", "Add Negative Exponential Noise", "Add Rayleigh Noise",
                            "Add Uniform Noise"};
    for (int s = 0; s < imaging::kNoiseShapes; ++s) {
        Dialog d = defaults(shapes[s]);
        d.sliders[0] = 333;  // 6660: sigma 13.32
        d.sliders[1] = 1000;
        d.variant = 42;
        paint(kLayer, 7);
        std::vector<uint8_t> src(std::size_t(kW) * kH * 4), noisy(src.size());
        MUR_GetRGBA32Layer(src.data(), kW * 4, kLayer);
        ASSERT_TRUE(imaging::add_shaped_noise(imaging::ConstImageView(src.data(), kW, kH, kW * 4, 4),
                                              imaging::rgba32_view(noisy.data(), kW, kH, kW * 4),
                                              static_cast<imaging::NoiseShape>(s), 13.32, 42));
        ASSERT_EQ(apply(shapes[s], d), 1);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 8; x < kW; ++x)  // opaque: Normal leaves the noisy colour
                for (int c = 0; c < 4; ++c)
                    ASSERT_EQ(pixel_at(engine.layers.slots[kLayer], x, y)[c] >> 8,
                              noisy[(std::size_t(y) * kW + x) * 4 + c])
                        << shapes[s] << " " << x << "," << y;
        const std::vector<uint16_t> first = pixels();
        paint(kLayer, 7);
        d.variant = 43;
        ASSERT_EQ(apply(shapes[s], d), 1);
        EXPECT_NE(pixels(), first);
        paint(kLayer, 7);
        const std::vector<uint16_t> before = pixels();
        d.sliders[1] = 3;  // trunc(0.77) = 0
        ASSERT_EQ(apply(shapes[s], d), 1);
        EXPECT_EQ(pixels(), before) << shapes[s];
    }
}

// An opaque square on a transparent layer: the shadow shows only where the
// layer is transparent, moved by the distance along the angle, in the
// effect colour at the dialog's opacity; blurred, it fades outwards.
TEST_F(MergeEffects, DropShadowLiesUnderTheLayerMovedAndColoured)
{
    const auto square = [] {
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                uint16_t* p = pixel_at(engine.layers.slots[kLayer], x, y);
                const bool inside = x >= 8 && x < 16 && y >= 6 && y < 14;
                p[0] = 200 << 8, p[1] = 180 << 8, p[2] = 20 << 8, p[3] = inside ? 0xFFFF : 0;
            }
    };
    Dialog d = defaults("Drop Shadow");
    d.rgb[0] = 10, d.rgb[1] = 60, d.rgb[2] = 200;
    d.sliders[0] = 0;     // no blur
    d.sliders[1] = 250;   // 5 pixels
    d.sliders[3] = 1000;  // opaque
    for (const auto& [angle, dx, dy] : {std::tuple{0, 5, 0}, std::tuple{250, 0, 5}, std::tuple{125, 4, 4}}) {
        square();
        d.sliders[2] = angle;
        ASSERT_EQ(apply("Drop Shadow", d), 1);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const uint16_t* p = pixel_at(engine.layers.slots[kLayer], x, y);
                const bool inside = x >= 8 && x < 16 && y >= 6 && y < 14;
                const bool shadow = x - dx >= 8 && x - dx < 16 && y - dy >= 6 && y - dy < 14;
                const int expected[4] = {inside ? 200 : shadow ? 10 : 200, inside ? 180 : shadow ? 60 : 180,
                                         inside ? 20 : shadow ? 200 : 20, inside || shadow ? 255 : 0};
                for (int c = 0; c < 4; ++c)
                    ASSERT_EQ(p[c] >> 8, expected[c]) << angle << " at " << x << "," << y << " channel " << c;
            }
    }
    // Half opacity, blurred: the shadow's alpha falls away from the square.
    square();
    d.sliders[0] = 100, d.sliders[2] = 0, d.sliders[3] = 500;
    ASSERT_EQ(apply("Drop Shadow", d), 1);
    int last = 256;
    for (int32_t x = 17; x < kW; ++x) {
        const int a = pixel_at(engine.layers.slots[kLayer], x, 10)[3] >> 8;
        EXPECT_LE(a, last) << x;
        EXPECT_LE(a, 128) << x;
        last = a;
    }
    EXPECT_GT(pixel_at(engine.layers.slots[kLayer], 17, 10)[3] >> 8, 40);
}

TEST_F(MergeEffects, RaysComeOnlyFromHighlightsAndPointAwayFromTheCentre)
{
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            uint16_t* p = pixel_at(engine.layers.slots[kLayer], x, y);
            const bool spot = x >= 22 && x < 24 && y >= 11 && y < 13;
            p[0] = p[1] = p[2] = spot ? 0xFFFF : 40 << 8;
            p[3] = 0xFFFF;
        }
    Dialog d = defaults("Radiant 2");
    ASSERT_EQ(apply("Radiant 2", d), 1);
    const auto red = [](int32_t x, int32_t y) { return pixel_at(engine.layers.slots[kLayer], x, y)[0] >> 8; };
    EXPECT_GT(red(28, 12), 40 + 20);  // outwards from the centre (15.5, 11.5)
    EXPECT_EQ(red(18, 12), 40);       // towards it nothing
    EXPECT_EQ(red(5, 3), 40);
    // A picture without highlights stays as it was.
    test::fill_layer(engine.layers.slots[kLayer], 130 << 8, 130 << 8, 130 << 8, 0xFFFF);
    const std::vector<uint16_t> dark = pixels();
    ASSERT_EQ(apply("Radiant 2", d), 1);
    EXPECT_EQ(pixels(), dark);
}

TEST_F(MergeEffects, DisplacementBumpOffsetComesFromTheVariant)
{
    Dialog d = defaults("Displacement Bump Surface");
    d.path = MUR_SHARE_DIR "/textures/brick.lua";
    d.sliders[0] = 600;
    d.flag1 = 1;
    std::vector<std::vector<uint16_t>> results;
    for (int32_t variant : {5, 6, 5}) {
        paint(kLayer, 7);
        d.variant = variant;
        ASSERT_EQ(apply("Displacement Bump Surface", d), 1);
        results.push_back(pixels());
    }
    EXPECT_EQ(results[0], results[2]);
    EXPECT_NE(results[0], results[1]);
}

// Every texture script shipped loads, paints a tile of its declared size,
// and repeats without a seam: the steps across the tile's edges are no
// larger than the steps inside it.
TEST_F(MergeEffects, ShippedTexturesTileWithoutSeams)
{
    int scripts = 0;
    for (const auto& entry : std::filesystem::directory_iterator(MUR_SHARE_DIR "/textures")) {
        if (entry.path().extension() != ".lua") continue;
        ++scripts;
        imaging::Rgba32Picture tile;
        ASSERT_TRUE(imaging::render_texture_script(entry.path().c_str(), tile)) << entry.path();
        const int32_t w = tile.width, h = tile.height;
        EXPECT_GE(std::min(w, h), 32) << entry.path();
        const auto at = [&](int32_t x, int32_t y, int c) { return int(tile.pixels[(std::size_t(y) * w + x) * 4 + c]); };
        const auto step = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
            int s = 0;
            for (int c = 0; c < 3; ++c) s += std::abs(at(x0, y0, c) - at(x1, y1, c));
            return s;
        };
        double inside = 0, across = 0;
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x + 1 < w; ++x) inside += step(x, y, x + 1, y);
            across += step(w - 1, y, 0, y);
        }
        for (int32_t x = 0; x < w; ++x) {
            for (int32_t y = 0; y + 1 < h; ++y) inside += step(x, y, x, y + 1);
            across += step(x, h - 1, x, 0);
        }
        const double meanInside = inside / (double(h) * (w - 1) + double(w) * (h - 1));
        EXPECT_LT(across / (w + h), 2.5 * meanInside + 3) << entry.path();
        EXPECT_GT(meanInside, 0.5) << entry.path();  // not a flat tile
        imaging::release_picture(tile);
    }
    EXPECT_GE(scripts, 5);
}

}  // namespace
}  // namespace mur

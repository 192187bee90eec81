#include "imaging/script_effects.h"

#include "engine/memory.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <random>
#include <vector>

namespace mur::imaging {
namespace {

struct Image {
    int w, h;
    std::vector<uint8_t> px;
    Image(int width, int height) : w(width), h(height), px(std::size_t(width) * height * 4) {}
    ImageView view() { return rgba32_view(px.data(), w, h, std::ptrdiff_t{w} * 4); }
    uint8_t* at(int x, int y) { return px.data() + (std::size_t(y) * w + x) * 4; }
};

// Every pixel different: its index in the first byte, its row in the second.
Image numbered(int w, int h)
{
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.at(x, y);
            p[0] = uint8_t(y * w + x), p[1] = uint8_t(y * 10), p[2] = uint8_t(x * 10), p[3] = 255;
        }
    return img;
}

TEST(RotateEffect, AQuarterTurnMovesPixelsCounterClockwiseWithoutBlending)
{
    Image src = numbered(3, 3);
    Image img = src;
    ASSERT_TRUE(rotate_about_centre(img.view(), 90.0, 100.0));
    // Turning left by a quarter: the pixel right of the centre goes above it;
    // output (x, y) shows source (2 - y, x).
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 4; ++c) EXPECT_EQ(img.at(x, y)[c], src.at(2 - y, x)[c]) << x << "," << y;
}

TEST(RotateEffect, WholeTurnsAndNoTurnKeepThePicture)
{
    for (double degrees : {0.0, 360.0, -720.0}) {
        Image src = numbered(5, 4);
        Image img = src;
        ASSERT_TRUE(rotate_about_centre(img.view(), degrees, 100.0));
        EXPECT_EQ(img.px, src.px) << degrees;
    }
}

TEST(RotateEffect, ZoomMagnifiesAboutTheCentreBilinearly)
{
    // One row of 4: 0, 100, 200, 40 in the first byte. At 200 % output
    // column 1 samples source position (1.5 - 2) / 2 + 2 - 0.5 = 1.25:
    // 100 * 0.75 + 200 * 0.25 = 125; column 0 samples 0.75: 0 * 0.25 + 100 * 0.75 = 75.
    Image img(4, 1);
    const uint8_t values[4] = {0, 100, 200, 40};
    for (int x = 0; x < 4; ++x) img.at(x, 0)[0] = values[x], img.at(x, 0)[3] = 255;
    ASSERT_TRUE(rotate_about_centre(img.view(), 0.0, 200.0));
    EXPECT_EQ(img.at(0, 0)[0], 75);
    EXPECT_EQ(img.at(1, 0)[0], 125);
    EXPECT_EQ(img.at(2, 0)[0], 175);  // 1.75: 100 * 0.25 + 200 * 0.75
    EXPECT_EQ(img.at(3, 0)[0], 160);  // 2.25: 200 * 0.75 + 40 * 0.25
    // The single row's neighbours above and below lie outside: they count as
    // transparent, and row 0's centre is exactly on the source row.
    EXPECT_EQ(img.at(1, 0)[3], 255);
}

TEST(RotateEffect, UncoveredCornersAreTransparent)
{
    Image img(20, 20);
    for (std::size_t i = 0; i < img.px.size(); ++i) img.px[i] = 255;
    ASSERT_TRUE(rotate_about_centre(img.view(), 45.0, 100.0));
    for (auto [x, y] : {std::pair{0, 0}, std::pair{19, 0}, std::pair{0, 19}, std::pair{19, 19}})
        for (int c = 0; c < 4; ++c) EXPECT_EQ(img.at(x, y)[c], 0) << x << "," << y;
    for (int c = 0; c < 4; ++c) EXPECT_EQ(img.at(10, 10)[c], 255);
    // Shrunk to half, the border is uncovered too.
    Image small(20, 20);
    for (std::size_t i = 0; i < small.px.size(); ++i) small.px[i] = 255;
    ASSERT_TRUE(rotate_about_centre(small.view(), 0.0, 50.0));
    EXPECT_EQ(small.at(0, 10)[3], 0);
    EXPECT_EQ(small.at(10, 10)[3], 255);
}

TEST(RotateEffect, ResultsDoNotDependOnTheThreadCount)
{
    Image src(301, 257);
    std::mt19937 rng(8);
    for (auto& b : src.px) b = uint8_t(rng());
    Image one = src, two = src;
    omp_set_num_threads(1);
    ASSERT_TRUE(rotate_about_centre(one.view(), 33.0, 87.0));
    omp_set_num_threads(2);
    ASSERT_TRUE(rotate_about_centre(two.view(), 33.0, 87.0));
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(one.px, two.px);
}

TEST(RotateEffect, BadArgumentsAndNoMemoryLeaveThePicture)
{
    Image src = numbered(6, 6);
    Image img = src;
    EXPECT_FALSE(rotate_about_centre(img.view(), 10.0, 0.0));
    EXPECT_FALSE(rotate_about_centre(img.view(), 10.0, -50.0));
    EXPECT_FALSE(rotate_about_centre(img.view(), NAN, 100.0));
    EXPECT_FALSE(rotate_about_centre(img.view(), 10.0, INFINITY));
    EXPECT_FALSE(rotate_about_centre(rgb24_view(img.px.data(), 6, 6, 24), 10.0, 100.0));
    mem::fail_allocations(0, -1);
    EXPECT_FALSE(rotate_about_centre(img.view(), 10.0, 100.0));
    mem::reset_failures();
    EXPECT_EQ(img.px, src.px);
    // A vanishing zoom puts every source position out of reach.
    ASSERT_TRUE(rotate_about_centre(img.view(), 10.0, 1e-300));
    for (uint8_t b : img.px) EXPECT_EQ(b, 0);
}

TEST(ScriptEffects, EffectFiftyOneRotatesWithValuesThreeAndFour)
{
    Image viaList = numbered(7, 5), direct = numbered(7, 5);
    ScriptEffectList list;
    ASSERT_TRUE(add_script_effect(list, 51, 1));
    ASSERT_TRUE(set_script_effect_value(list, 0, 3, 30.0));
    ASSERT_TRUE(set_script_effect_value(list, 0, 4, 120.0));
    ASSERT_TRUE(run_script_effects(list, viaList.view()));
    ASSERT_TRUE(rotate_about_centre(direct.view(), 30.0, 120.0));
    EXPECT_EQ(viaList.px, direct.px);
}

TEST(ScriptEffects, DefaultsUnknownNumbersAndDisabledEffects)
{
    ScriptEffectList list;
    EXPECT_FALSE(add_script_effect(list, 50, 1));
    EXPECT_EQ(list.count, 0);
    ASSERT_TRUE(add_script_effect(list, 51, 1));
    EXPECT_FALSE(set_script_effect_value(list, 1, 3, 5.0));
    EXPECT_FALSE(set_script_effect_value(list, 0, 8, 5.0));
    // Without values: no turn at full size.
    Image img = numbered(4, 4), src = numbered(4, 4);
    ASSERT_TRUE(run_script_effects(list, img.view()));
    EXPECT_EQ(img.px, src.px);
    ScriptEffectList off;
    ASSERT_TRUE(add_script_effect(off, 51, 0));
    ASSERT_TRUE(set_script_effect_value(off, 0, 3, 90.0));
    ASSERT_TRUE(run_script_effects(off, img.view()));
    EXPECT_EQ(img.px, src.px);
    ScriptEffectList broken;
    ASSERT_TRUE(add_script_effect(broken, 51, 1));
    ASSERT_TRUE(set_script_effect_value(broken, 0, 4, 0.0));
    EXPECT_FALSE(run_script_effects(broken, img.view()));
    EXPECT_EQ(img.px, src.px);
}

// The alpha-weighted turn against a model in doubles: the pre-image of each
// pixel centre, bilinear weights, colours weighted by weight x alpha. The
// engine's weights come in 1/256 steps, so a byte may differ by a little.
TEST(ScriptEffects, WeightedTurnMatchesADoubleModelOnAnyPicture)
{
    std::mt19937 rng(27);
    for (int trial = 0; trial < 12; ++trial) {
        const int w = 5 + int(rng() % 40), h = 5 + int(rng() % 40);
        Image src(w, h), out(w, h);
        for (std::size_t i = 0; i < src.px.size(); ++i) src.px[i] = uint8_t(rng());
        for (std::size_t i = 3; i < src.px.size(); i += 4)  // runs of opaque and clear pixels among the rest
            if (rng() % 3 == 0) src.px[i] = (rng() & 1) ? 255 : 0;
        const double degrees = double(rng() % 72000) / 100.0 - 360.0, zoom = 60.0 + rng() % 100;
        ScriptEffectList list;
        ASSERT_TRUE(add_script_effect(list, kRotateEffect, 1));
        set_script_effect_value(list, 0, 3, degrees);
        set_script_effect_value(list, 0, 4, zoom);
        set_script_effect_value(list, 0, 5, 1);
        ASSERT_TRUE(run_script_effects(list, ConstImageView(src.view()), out.view()));
        const double t = degrees * 3.14159265358979323846 / 180.0, iz = 100.0 / zoom;
        int worst = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double dx = x + 0.5 - w / 2.0, dy = y + 0.5 - h / 2.0;
                const double sx = (dx * std::cos(t) - dy * std::sin(t)) * iz + w / 2.0 - 0.5;
                const double sy = (dx * std::sin(t) + dy * std::cos(t)) * iz + h / 2.0 - 0.5;
                const double fx = sx - std::floor(sx), fy = sy - std::floor(sy);
                double a = 0, c[3] = {0, 0, 0};
                for (int k = 0; k < 4; ++k) {
                    const int px = int(std::floor(sx)) + (k & 1), py = int(std::floor(sy)) + (k >> 1);
                    if (px < 0 || py < 0 || px >= w || py >= h) continue;
                    const double wk = ((k & 1) ? fx : 1 - fx) * ((k >> 1) ? fy : 1 - fy) * src.at(px, py)[3];
                    a += wk;
                    for (int ch = 0; ch < 3; ++ch) c[ch] += wk * src.at(px, py)[ch];
                }
                const uint8_t* o = out.at(x, y);
                const int alphaOff = std::abs(int(o[3]) - int(std::lround(a)));
                worst = std::max(worst, alphaOff);
                ASSERT_LE(alphaOff, 2) << trial << " at " << x << "," << y;
                if (a < 8) continue;  // colours of nearly clear pixels are ill-defined
                for (int ch = 0; ch < 3; ++ch)
                    ASSERT_LE(std::abs(int(o[ch]) - int(std::lround(c[ch] / a))), 6)
                        << trial << " at " << x << "," << y << " channel " << ch;
            }
    }
}

}  // namespace
}  // namespace mur::imaging

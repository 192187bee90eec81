#include "ipl/native_filters/filter_test_support.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <random>

namespace mur::ipl {
namespace {

using test::apply;
using test::Picture;
using test::Rgba;
using test::Settings;
using test::sliders;

// ---- Box Blur -----------------------------------------------------------------

TEST(BoxBlur, ConstantPictureStaysConstantUpToTheEdges)
{
    const Picture src(13, 9, {17, 130, 251, 200});
    for (int32_t slider : {0, 30, 1000, 2000000000}) {  // the last one far beyond the dialog
        EXPECT_EQ(apply("Box Blur", src, sliders({slider})), src) << slider;
        Settings wrap = sliders({slider});
        wrap.flags[0] = 1;
        EXPECT_EQ(apply("Box Blur", src, wrap), src) << slider << " wrapped";
    }
}

TEST(BoxBlur, SliderZeroStillBlursWithRadiusOneThreeTimes)
{
    // One 255 in a 15 x 15 red plane, radius trunc(0 * 100 + 1) = 1. Three
    // rounds of a vertical then a horizontal 3-wide mean, each truncated:
    // round 1 spreads 28 over 3 x 3, round 2 gives 28/18/9 and 9/6/3 rings,
    // round 3 leaves 16 in the middle, 14 beside it, 7 two away, 2 three
    // away, 3 at (2, 2) off the middle and 0 at (3, 3); nothing beyond.
    Picture src(15, 15, {0, 0, 0, 255});
    src.set(7, 7, {255, 0, 0, 255});
    const Picture out = apply("Box Blur", src, sliders({0}));
    EXPECT_EQ(out.at(7, 7)[0], 16);
    EXPECT_EQ(out.at(8, 7)[0], 14);
    EXPECT_EQ(out.at(7, 9)[0], 7);
    EXPECT_EQ(out.at(10, 7)[0], 2);
    EXPECT_EQ(out.at(9, 9)[0], 3);
    EXPECT_EQ(out.at(10, 10)[0], 0);
    for (int32_t y = 0; y < 15; ++y)
        for (int32_t x = 0; x < 15; ++x) {
            if (std::abs(x - 7) > 3 || std::abs(y - 7) > 3) {
                EXPECT_EQ(out.at(x, y)[0], 0) << x << "," << y;
            }
            EXPECT_EQ(out.at(x, y)[3], 255);
        }
}

TEST(BoxBlur, ImpulseSpreadsOverTheWindowOfTheRadius)
{
    // Radius trunc(0.02 * 100 + 1) = 3: after three rounds the blur reaches
    // 3 * 3 = 9 pixels each way and no further; the spread is symmetric.
    Picture src(41, 41, {0, 0, 0, 0});
    src.set(20, 20, {0, 0, 0, 255});
    const Picture out = apply("Box Blur", src, sliders({20}));
    for (int32_t y = 0; y < 41; ++y)
        for (int32_t x = 0; x < 41; ++x) {
            const uint8_t a = out.at(x, y)[3];
            if (std::abs(x - 20) > 9 || std::abs(y - 20) > 9) {
                EXPECT_EQ(a, 0);
            }
            EXPECT_EQ(a, out.at(40 - x, y)[3]);
            EXPECT_EQ(a, out.at(x, 40 - y)[3]);
        }
    EXPECT_GT(out.at(20, 20)[3], 0);
    EXPECT_GT(out.at(23, 20)[3], 0);
}

TEST(BoxBlur, WrapFlagCarriesTheBlurAcrossTheEdges)
{
    Picture src(9, 7, {0, 0, 0, 255});
    src.set(0, 0, {0, 255, 0, 255});
    const Picture cut = apply("Box Blur", src, sliders({0}));
    EXPECT_EQ(cut.at(8, 6)[1], 0);
    Settings s = sliders({0});
    s.flags[0] = 1;
    const Picture wrapped = apply("Box Blur", src, s);
    EXPECT_GT(wrapped.at(8, 6)[1], 0);
    EXPECT_EQ(wrapped.at(8, 6)[1], wrapped.at(1, 1)[1]) << "the corner is as near as (1, 1)";
}

TEST(BoxBlur, ResultDoesNotDependOnTheThreadCount)
{
    std::mt19937 rng(9);
    Picture src(131, 77);
    for (auto& b : src.px) b = static_cast<uint8_t>(rng());
    omp_set_num_threads(1);
    const Picture one = apply("Box Blur", src, sliders({40}));
    omp_set_num_threads(2);
    const Picture two = apply("Box Blur", src, sliders({40}));
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(one, two);
}

TEST(BoxBlur, SingleBufferBlursTheDestinationAndKeepsTheSource)
{
    Picture src(9, 9, {0, 0, 0, 255}), dst(9, 9, {0, 0, 0, 255});
    dst.set(4, 4, {255, 0, 0, 255});
    const Picture sourceBefore = src;
    ASSERT_TRUE(run_native_filter(src.px.data(), dst.px.data(), 9, 9, "Box Blur", true, sliders({0}).params()));
    EXPECT_EQ(dst.at(4, 4)[0], 16);
    EXPECT_EQ(src, sourceBefore);
}

// ---- Bas Relief ---------------------------------------------------------------

TEST(BasRelief, LightensWhereBrighterThanTheNeighbourAndDarkensWhereDarker)
{
    // Left half grey 100, right half grey 150, slider 500.
    Picture src(8, 3, {100, 100, 100, 255});
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 4; x < 8; ++x) src.set(x, y, {150, 150, 150, 255});
    const Picture out = apply("Bas Relief", src, sliders({500}));
    // (4, 1): l = 150/255 = 0.588 above the neighbour's: 0.588 + 0.412 * 0.5 = 0.794 -> 202.
    EXPECT_EQ(out.get(4, 1), (Rgba{202, 202, 202, 255}));
    EXPECT_EQ(out.get(2, 1), (Rgba{100, 100, 100, 255})) << "equal to the neighbour";
    EXPECT_EQ(out.get(5, 1), (Rgba{150, 150, 150, 255}));

    Picture reversed(8, 3, {150, 150, 150, 255});
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 4; x < 8; ++x) reversed.set(x, y, {100, 100, 100, 255});
    // (4, 1): l = 0.392 below: 0.392 - 0.196 = 0.196 -> 50.
    EXPECT_EQ(apply("Bas Relief", reversed, sliders({500})).get(4, 1), (Rgba{50, 50, 50, 255}));
}

TEST(BasRelief, StyleOneComparesWithTheRowAbove)
{
    Picture src(3, 6, {100, 100, 100, 255});
    for (int32_t x = 0; x < 3; ++x)
        for (int32_t y = 3; y < 6; ++y) src.set(x, y, {150, 150, 150, 255});
    Settings s = sliders({500});
    s.style1 = 1;
    EXPECT_EQ(apply("Bas Relief", src, s).get(1, 3), (Rgba{202, 202, 202, 255}));
    s.style1 = 0;
    EXPECT_EQ(apply("Bas Relief", src, s).get(1, 3), (Rgba{150, 150, 150, 255}));
}

// ---- Line Art Cleaner ---------------------------------------------------------

TEST(LineArtCleaner, ThresholdsThenClearsSpecksButKeepsLines)
{
    Picture src(9, 9, {230, 230, 230, 255});
    src.set(2, 2, {40, 40, 40, 255});                                   // a speck
    for (int32_t x = 0; x < 9; ++x) src.set(x, 6, {20, 30, 10, 255});  // a line
    src.set(6, 3, {130, 128, 124, 200});                                // brightness 127: white
    const Picture kept = apply("Line Art Cleaner", src, sliders({500, 0}));
    EXPECT_EQ(kept.get(2, 2), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(kept.get(4, 6), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(kept.get(6, 3), (Rgba{255, 255, 255, 200}));
    EXPECT_EQ(kept.get(0, 0), (Rgba{255, 255, 255, 255}));
    const Picture cleaned = apply("Line Art Cleaner", src, sliders({500, 500}));
    EXPECT_EQ(cleaned.get(2, 2), (Rgba{255, 255, 255, 255})) << "the speck goes";
    EXPECT_EQ(cleaned.get(4, 6), (Rgba{0, 0, 0, 255})) << "the line stays";
}

// ---- Detail Blur --------------------------------------------------------------

TEST(DetailBlur, AveragesPixelsThatStandOutFromTheirNeighbourhood)
{
    Picture src(3, 3, {100, 100, 100, 255});
    src.set(1, 1, {200, 200, 200, 255});
    // Mean brightness 1000/9 = 111; |200 - 111| = 89.
    EXPECT_EQ(apply("Detail Blur", src, sliders({200})).get(1, 1), (Rgba{111, 111, 111, 255}));  // t = 51
    EXPECT_EQ(apply("Detail Blur", src, sliders({400})).get(1, 1), (Rgba{200, 200, 200, 255}));  // t = 102
}

// ---- Adaptive Blur ------------------------------------------------------------

TEST(AdaptiveBlur, ReplacesAPixelThatDiffersByTheMeanOfItsFourNeighbours)
{
    Picture src(3, 3, {0, 0, 0, 255});
    src.set(1, 1, {200, 200, 200, 255});
    src.set(0, 1, {40, 40, 40, 255});
    src.set(2, 1, {80, 80, 80, 255});
    src.set(1, 0, {120, 120, 120, 255});
    src.set(1, 2, {160, 160, 160, 255});
    // Differences 160, 120, 80, 40. slider 700: t = 76.5, some exceed it.
    EXPECT_EQ(apply("Adaptive Blur", src, sliders({700})).get(1, 1), (Rgba{100, 100, 100, 255}));
    // slider 300: t = 178.5, none does.
    EXPECT_EQ(apply("Adaptive Blur", src, sliders({300})).get(1, 1), (Rgba{200, 200, 200, 255}));
}

}  // namespace
}  // namespace mur::ipl

#include "ipl/native_filters/filter_test_support.h"

#include <gtest/gtest.h>

namespace mur::ipl {
namespace {

using test::apply;
using test::Picture;
using test::Rgba;
using test::sliders;

constexpr Rgba kBlack = {0, 0, 0, 255}, kWhite = {255, 255, 255, 255};

TEST(ValueBlur, BrighterPixelsSpreadFullyWithSlider1AtZero)
{
    Picture src(9, 9, kBlack);
    src.set(4, 4, kWhite);
    const Picture out = apply("Value Blur", src, sliders({0, 1000}));
    // Each neighbour in the scan directions takes the white pixel whole.
    EXPECT_EQ(out.get(5, 4), kWhite);
    EXPECT_EQ(out.get(3, 4), kWhite);
    EXPECT_EQ(out.get(4, 5), kWhite);
    EXPECT_EQ(out.get(4, 3), kWhite);
    int white = 0;
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 9; ++x) {
            const Rgba p = out.get(x, y);
            EXPECT_TRUE(p == kWhite || p == kBlack) << x << "," << y;  // nothing in between
            white += p == kWhite;
        }
    EXPECT_GT(white, 9);
}

TEST(ValueBlur, DarkerPixelsSpreadWithSlider2AtZero)
{
    Picture src(9, 9, kWhite);
    src.set(4, 4, kBlack);
    const Picture out = apply("Value Blur", src, sliders({1000, 0}));
    EXPECT_EQ(out.get(5, 4), kBlack);
    EXPECT_EQ(out.get(4, 5), kBlack);
}

TEST(ValueBlur, FullWeightsChangeNothing)
{
    Picture src(7, 6, {30, 40, 50, 200});
    src.set(3, 2, {250, 10, 90, 255});
    src.set(1, 4, {0, 0, 0, 0});
    EXPECT_EQ(apply("Value Blur", src, sliders({1000, 1000})), src);
}

TEST(ValueBlur, HalfWeightByHand)
{
    // 3 x 3 black, (0, 0) at 200. Only passes 1 and 5 meet a difference: the
    // pixel right of and below (0, 0) each take (32767 * 0 + 32769 * 200 +
    // 32768) >> 16 = 100. Pass 8 pairs (0, 2) with (0, 1): darker P, k = 65535
    // keeps 100.
    Picture src(3, 3, kBlack);
    src.set(0, 0, {200, 200, 200, 255});
    const Picture out = apply("Value Blur", src, sliders({500, 1000}));
    EXPECT_EQ(out.get(0, 0), (Rgba{200, 200, 200, 255}));
    EXPECT_EQ(out.get(1, 0), (Rgba{100, 100, 100, 255}));
    EXPECT_EQ(out.get(0, 1), (Rgba{100, 100, 100, 255}));
    EXPECT_EQ(out.get(1, 1), kBlack);
    EXPECT_EQ(out.get(2, 2), kBlack);
}

TEST(ValueBlur, EqualBrightnessIsLeftAlone)
{
    Picture src(6, 6, {255, 0, 0, 255});  // brightness 85
    src.set(2, 2, {0, 255, 0, 255});      // brightness 85
    EXPECT_EQ(apply("Value Blur", src, sliders({0, 0})), src);
}

TEST(ValueBlur, InternalEntryMatchesTheNamedFilter)
{
    Picture src(8, 5, {20, 20, 20, 255});
    src.set(3, 2, {240, 100, 60, 255});
    src.set(6, 1, {0, 0, 0, 10});
    Picture direct = src;
    value_blur(direct.px.data(), 8, 5, 300, 800);
    EXPECT_EQ(direct, apply("Value Blur", src, sliders({300, 800})));
}

TEST(ValueBlur, TinyPicturesAreLeftAlone)
{
    for (auto [w, h] : {std::pair{1, 1}, {2, 5}, {5, 2}}) {
        Picture src(w, h, kBlack);
        src.set(0, 0, kWhite);
        EXPECT_EQ(apply("Value Blur", src, sliders({0, 0})), src) << w << "x" << h;
    }
}

TEST(NoiseReduction, FlatPictureStaysExactlyFlat)
{
    const Picture src(8, 6, {128, 64, 32, 255});
    EXPECT_EQ(apply("Noise Reduction", src, sliders({1000, 1000})), src);
}

TEST(NoiseReduction, SmoothsSmallDifferencesAndKeepsEdges)
{
    Picture src(8, 6, {100, 100, 100, 255});
    src.set(2, 0, {110, 110, 110, 255});  // noise: 10 levels
    for (int32_t y = 0; y < 6; ++y) src.set(7, y, {250, 250, 250, 255});  // an edge: 150 levels
    // slider1 1000 -> 1 - 0.5 = 0.5: Q keeps half; threshold trunc(0.1 * 255) = 25.
    const Picture out = apply("Noise Reduction", src, sliders({1000, 100}));
    EXPECT_LT(out.at(2, 0)[0], 110);
    EXPECT_GE(out.at(2, 0)[0], 100);
    for (int32_t y = 0; y < 6; ++y) {
        EXPECT_EQ(out.get(7, y), (Rgba{250, 250, 250, 255})) << y;
        EXPECT_EQ(out.at(0, y)[3], 255);
    }
}

TEST(NoiseReduction, ZeroThresholdChangesNothing)
{
    Picture src(6, 6, {100, 100, 100, 255});
    src.set(2, 2, {101, 101, 101, 255});
    EXPECT_EQ(apply("Noise Reduction", src, sliders({1000, 0})), src);
}

TEST(NoiseReductionRgb, EachChannelFollowsItsOwnThreshold)
{
    Picture src(8, 6, {100, 100, 100, 200});
    src.set(3, 3, {110, 110, 110, 90});
    // Red: weight from slider1, threshold 25; green: threshold 0; blue: threshold 25.
    const Picture out = apply("Noise Reduction RGB", src, sliders({1000, 100, 1000, 0, 1000, 100}));
    EXPECT_LT(out.at(3, 3)[0], 110) << "red blended";
    EXPECT_EQ(out.at(3, 3)[1], 110) << "green threshold 0";
    EXPECT_LT(out.at(3, 3)[2], 110) << "blue blended";
    EXPECT_EQ(out.at(3, 3)[3], 90) << "alpha untouched";
    EXPECT_EQ(out.at(1, 1)[3], 200);
}

TEST(AntiAlias, SoftensAStaircaseAndLeavesFlatAreas)
{
    // White above a stair-stepped diagonal, black below.
    Picture src(12, 12, kBlack);
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x)
            if (x / 2 > y / 2) src.set(x, y, kWhite);
    const Picture out = apply("Anti Alias", src, sliders({1000, 1000, 1000, 1000}));
    int between = 0;
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x) {
            const uint8_t v = out.at(x, y)[0];
            between += v > 0 && v < 255;
        }
    EXPECT_GT(between, 0) << "some stair pixels take in-between values";
    EXPECT_EQ(out.get(11, 0), kWhite) << "far from the edge";
    EXPECT_EQ(out.get(0, 11), kBlack);
}

TEST(AntiAlias, ThresholdsAt255ChangeNothing)
{
    Picture src(8, 8, kBlack);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = y; x < 8; ++x) src.set(x, y, kWhite);
    EXPECT_EQ(apply("Anti Alias", src, sliders({1000, 0, 1000, 0})), src);
}

}  // namespace
}  // namespace mur::ipl

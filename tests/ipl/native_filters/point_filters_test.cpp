#include "ipl/native_filters/filter_test_support.h"

#include <gtest/gtest.h>

namespace mur::ipl {
namespace {

using test::apply;
using test::Picture;
using test::Rgba;
using test::Settings;
using test::sliders;

// A one-row picture of the given pixels.
Picture row(std::initializer_list<Rgba> pixels)
{
    Picture p(static_cast<int32_t>(pixels.size()), 1);
    int32_t x = 0;
    for (const Rgba& v : pixels) p.set(x++, 0, v);
    return p;
}

TEST(Grayscale, SetsColourToTheIntegerMeanAndKeepsAlpha)
{
    const Picture out = apply("Grayscale", row({{30, 60, 91, 77}, {255, 255, 254, 0}}));
    EXPECT_EQ(out.get(0, 0), (Rgba{60, 60, 60, 77}));  // 181 / 3
    EXPECT_EQ(out.get(1, 0), (Rgba{254, 254, 254, 0}));
}

TEST(Invert, InvertsColourOnly)
{
    EXPECT_EQ(apply("Invert", row({{0, 100, 255, 9}})).get(0, 0), (Rgba{255, 155, 0, 9}));
}

TEST(BasicThreshold, SplitsAtTheSliderLevel)
{
    // slider 500: t = trunc(127.5) = 127.
    const Picture out = apply("Basic Threshold", row({{127, 127, 127, 5}, {126, 127, 127, 5}, {0, 0, 255, 6}}), sliders({500}));
    EXPECT_EQ(out.get(0, 0), (Rgba{255, 255, 255, 5}));
    EXPECT_EQ(out.get(1, 0), (Rgba{0, 0, 0, 5}));  // brightness 126
    EXPECT_EQ(out.get(2, 0), (Rgba{0, 0, 0, 6}));  // brightness 85
}

TEST(BasicThreshold, SliderEndsGiveAllWhiteAndAllButWhiteBlack)
{
    const Picture src = row({{0, 0, 0, 255}, {254, 255, 255, 255}, {255, 255, 255, 255}});
    const Picture white = apply("Basic Threshold", src, sliders({0}));
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(white.get(x, 0), (Rgba{255, 255, 255, 255}));
    const Picture black = apply("Basic Threshold", src, sliders({1000}));
    EXPECT_EQ(black.get(0, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(black.get(1, 0), (Rgba{0, 0, 0, 255}));  // brightness 254
    EXPECT_EQ(black.get(2, 0), (Rgba{255, 255, 255, 255}));
}

TEST(HyperContrast, ByHandWithTheLargestSoftness)
{
    // slider 0: b = 255, at most 250. (200, 100, 0): o = 200/510.
    // 200: dark side 255 - 55*55/250 = 243, bright side 40000/250 = 160 -> 210.45
    // 100: 255 - 24025/250 = 159, 10000/250 = 40 -> 112.3
    //   0: 255 - 65025/250 = -5, 0 -> negative -> 0
    EXPECT_EQ(apply("Hyper Contrast", row({{200, 100, 0, 44}}), sliders({0})).get(0, 0), (Rgba{210, 112, 0, 44}));
}

TEST(HyperContrast, Slider1000UsesOneNotZero)
{
    // b = 0 becomes 1: every channel is pushed to an end without dividing by zero.
    const Picture out = apply("Hyper Contrast", row({{255, 255, 255, 1}, {0, 0, 0, 2}, {200, 10, 120, 3}}), sliders({1000}));
    EXPECT_EQ(out.get(0, 0), (Rgba{255, 255, 255, 1}));
    EXPECT_EQ(out.get(1, 0), (Rgba{0, 0, 0, 2}));
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(out.at(2, 0)[c] == 0 || out.at(2, 0)[c] == 255);
}

TEST(AdjustRgba, EachSliderPullsItsChannelTowardAnEnd)
{
    // red 500 keeps, green 0 empties, blue 1000 fills, alpha 250 halves (201 -> 100.5).
    EXPECT_EQ(apply("Adjust RGBA", row({{77, 100, 100, 201}}), sliders({500, 0, 1000, 250})).get(0, 0),
              (Rgba{77, 0, 255, 100}));
}

// At the neutral setting every channel c becomes trunc(c / 255 x 255) = c:
// a read and a write keep all 256 levels of every channel, alpha included.
TEST(AdjustRgba, NeutralSlidersKeepEveryLevel)
{
    Picture levels(256, 1);
    for (int32_t v = 0; v < 256; ++v) {
        const auto b = static_cast<uint8_t>(v);
        levels.set(v, 0, {b, static_cast<uint8_t>(255 - v), b, b});
    }
    EXPECT_EQ(apply("Adjust RGBA", levels, sliders({500, 500, 500, 500})), levels);
}

TEST(Clamp, LowAndHighValuesReplaceOnlyEnabledChannels)
{
    // lo 76.5 -> 25, hi 204 -> 229; red, green and alpha enabled.
    Settings s = sliders({300, 100, 800, 900});
    s.flags = {1, 1, 0, 1, 0, 0};
    const Picture out = apply("Clamp", row({{50, 210, 50, 100}, {76, 77, 250, 230}}), s);
    EXPECT_EQ(out.get(0, 0), (Rgba{25, 229, 50, 100}));
    EXPECT_EQ(out.get(1, 0), (Rgba{25, 77, 250, 229}));
}

TEST(Clamp, TheHighTestSeesTheLowReplacement)
{
    Settings s = sliders({500, 1000, 200, 0});  // below 127.5 -> 255, then above 51 -> 0
    s.flags = {1, 0, 0, 0, 0, 0};
    EXPECT_EQ(apply("Clamp", row({{10, 10, 10, 10}}), s).get(0, 0), (Rgba{0, 10, 10, 10}));
}

TEST(Channel, KeepsOneChannelAsAlpha)
{
    Settings red;
    red.flags = {1, 0, 0, 0, 0, 0};
    const Picture r = apply("Channel", row({{200, 50, 9, 9}, {0, 50, 3, 9}}), red);
    EXPECT_EQ(r.get(0, 0), (Rgba{255, 0, 0, 200}));
    EXPECT_EQ(r.get(1, 0), (Rgba{0, 0, 0, 0}));
    Settings green;
    green.flags = {0, 1, 0, 0, 0, 0};
    EXPECT_EQ(apply("Channel", row({{10, 70, 0, 5}}), green).get(0, 0), (Rgba{0, 255, 0, 70}));
    Settings both;
    both.flags = {1, 1, 0, 0, 0, 0};  // green is read after red has been kept: 0
    EXPECT_EQ(apply("Channel", row({{200, 50, 0, 5}}), both).get(0, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(apply("Channel", row({{1, 2, 3, 4}})).get(0, 0), (Rgba{1, 2, 3, 4})) << "no flag: unchanged";
}

TEST(AlphaEdgeColor, ColoursThePartlyTransparentEdge)
{
    // colour (255, 0, 0); a0 = 25, a1 = 229.
    Settings s = sliders({1000, 0, 0, 100, 900});
    const Picture src = row({{9, 9, 9, 20}, {9, 9, 9, 100}, {9, 9, 9, 240}});
    const Picture kept = apply("Alpha Edge Color", src, s);
    EXPECT_EQ(kept.get(0, 0), (Rgba{9, 9, 9, 0}));
    EXPECT_EQ(kept.get(1, 0), (Rgba{255, 0, 0, 100}));
    EXPECT_EQ(kept.get(2, 0), (Rgba{9, 9, 9, 240}));
    s.flags[0] = 1;
    const Picture opaque = apply("Alpha Edge Color", src, s);
    EXPECT_EQ(opaque.get(0, 0), (Rgba{9, 9, 9, 0}));
    EXPECT_EQ(opaque.get(1, 0), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(opaque.get(2, 0), (Rgba{9, 9, 9, 255}));
}

TEST(AdjustLab, LightnessSliderEndsGiveWhiteAndBlack)
{
    const Picture src = row({{128, 128, 128, 60}, {200, 40, 90, 70}});
    const Picture light = apply("Adjust Lab", src, sliders({1000, 500, 500}));
    EXPECT_EQ(light.get(0, 0), (Rgba{255, 255, 255, 60}));  // L 53.6 + 100
    const Picture dark = apply("Adjust Lab", src, sliders({0, 500, 500}));
    EXPECT_EQ(dark.get(0, 0), (Rgba{0, 0, 0, 60}));  // L below 0
    EXPECT_EQ(dark.get(1, 0)[3], 70);
}

TEST(AdjustLab, BSliderTowardYellowRaisesRedGreenOverBlue)
{
    const Picture out = apply("Adjust Lab", row({{128, 128, 128, 255}}), sliders({500, 500, 700}));  // b + 40
    const Rgba p = out.get(0, 0);
    EXPECT_GT(p[0], p[2]);
    EXPECT_GT(p[1], p[2]);
}

}  // namespace
}  // namespace mur::ipl

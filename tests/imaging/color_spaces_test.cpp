#include "imaging/color_spaces.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mur::color {
namespace {

struct ColorsysRow {
    int r, g, b;
    double hsvH, hsvS, hsvV;  // colorsys.rgb_to_hsv, h in 0..1
    double hlsH, hlsL, hlsS;  // colorsys.rgb_to_hls, h in 0..1
};

// Expected values computed once by tests/imaging/make_colorsys_reference.py.
constexpr ColorsysRow kColorsys[] = {
#include "colorsys_reference.inc"
};

Rgb unit(const ColorsysRow& row) { return {row.r / 255.0, row.g / 255.0, row.b / 255.0}; }
bool grey(const ColorsysRow& row) { return row.r == row.g && row.g == row.b; }

// Hues compared on the circle, in degrees.
double hue_distance(double a, double b)
{
    const double d = std::fmod(std::abs(a - b), 360.0);
    return std::min(d, 360 - d);
}

constexpr double kTight = 1e-9;

TEST(ColorSpaces, ReferenceCoversAFewHundredColours) { EXPECT_GE(std::size(kColorsys), 300u); }

TEST(ColorSpaces, RgbToHsvMatchesColorsys)
{
    for (const ColorsysRow& row : kColorsys) {
        const Hsv hsv = rgb_to_hsv(unit(row));
        SCOPED_TRACE(testing::Message() << row.r << "," << row.g << "," << row.b);
        EXPECT_NEAR(hsv.s, row.hsvS, kTight);
        EXPECT_NEAR(hsv.v, row.hsvV, kTight);
        if (grey(row))
            EXPECT_EQ(hsv.h, -1);  // colorsys says 0; a grey has no hue here
        else
            EXPECT_LT(hue_distance(hsv.h, row.hsvH * 360), 1e-7);
    }
}

TEST(ColorSpaces, HsvToRgbInvertsColorsysValues)
{
    for (const ColorsysRow& row : kColorsys) {
        const Rgb rgb = hsv_to_rgb({row.hsvH * 360, row.hsvS, row.hsvV});
        SCOPED_TRACE(testing::Message() << row.r << "," << row.g << "," << row.b);
        EXPECT_NEAR(rgb.r, row.r / 255.0, kTight);
        EXPECT_NEAR(rgb.g, row.g / 255.0, kTight);
        EXPECT_NEAR(rgb.b, row.b / 255.0, kTight);
    }
}

TEST(ColorSpaces, RgbToHslMatchesColorsysHls)
{
    for (const ColorsysRow& row : kColorsys) {
        const Hsl hsl = rgb_to_hsl(unit(row));
        SCOPED_TRACE(testing::Message() << row.r << "," << row.g << "," << row.b);
        EXPECT_NEAR(hsl.l, row.hlsL, kTight);
        EXPECT_NEAR(hsl.s, row.hlsS, kTight);
        EXPECT_LT(hue_distance(hsl.h, row.hlsH * 360), 1e-7);
    }
}

TEST(ColorSpaces, HslToRgbInvertsColorsysValues)
{
    for (const ColorsysRow& row : kColorsys) {
        const Rgb rgb = hsl_to_rgb({row.hlsH * 360, row.hlsS, row.hlsL});
        SCOPED_TRACE(testing::Message() << row.r << "," << row.g << "," << row.b);
        EXPECT_NEAR(rgb.r, row.r / 255.0, kTight);
        EXPECT_NEAR(rgb.g, row.g / 255.0, kTight);
        EXPECT_NEAR(rgb.b, row.b / 255.0, kTight);
    }
}

TEST(ColorSpaces, GreyHasNoHueInHsvAndPureRedIsHueZero)
{
    const Hsv grey = rgb_to_hsv({0.4, 0.4, 0.4});
    EXPECT_EQ(grey.h, -1);
    EXPECT_EQ(grey.s, 0);
    EXPECT_DOUBLE_EQ(grey.v, 0.4);
    const Hsv red = rgb_to_hsv({1, 0, 0});
    EXPECT_EQ(red.h, 0);
    EXPECT_EQ(red.s, 1);
    EXPECT_EQ(red.v, 1);
}

TEST(ColorSpaces, GreyInHslIsHueZeroSaturationZeroLightnessTheLevel)
{
    const Hsl grey = rgb_to_hsl({0.25, 0.25, 0.25});
    EXPECT_EQ(grey.h, 0);
    EXPECT_EQ(grey.s, 0);
    EXPECT_DOUBLE_EQ(grey.l, 0.25);
}

TEST(ColorSpaces, HueOf360IsTakenAsZero)
{
    const Rgb a = hsv_to_rgb({360, 1, 1});
    EXPECT_EQ(a.r, 1);
    EXPECT_EQ(a.g, 0);
    EXPECT_EQ(a.b, 0);
    const Rgb b = hsl_to_rgb({360, 1, 0.5});
    EXPECT_NEAR(b.r, 1, kTight);
    EXPECT_NEAR(b.g, 0, kTight);
    EXPECT_NEAR(b.b, 0, kTight);
}

// Published sRGB (D65) L*a*b* values of the primaries, secondaries, white,
// black and mid grey.
TEST(ColorSpaces, LabMatchesPublishedValues)
{
    struct Published {
        int r, g, b;
        double l, a, bb;
    };
    const Published published[] = {
        {255, 0, 0, 53.2329, 80.1093, 67.2201},      {0, 255, 0, 87.7370, -86.1846, 83.1812},
        {0, 0, 255, 32.3026, 79.1967, -107.8637},    {255, 255, 0, 97.1382, -21.5559, 94.4825},
        {0, 255, 255, 91.1165, -48.0796, -14.1381},  {255, 0, 255, 60.3199, 98.2542, -60.8430},
        {255, 255, 255, 100, 0, 0},                  {0, 0, 0, 0, 0, 0},
        {128, 128, 128, 53.5850, 0, 0},
    };
    for (const Published& p : published) {
        const Lab lab = rgb_to_lab({p.r / 255.0, p.g / 255.0, p.b / 255.0});
        SCOPED_TRACE(testing::Message() << p.r << "," << p.g << "," << p.b);
        EXPECT_NEAR(lab.l, p.l, 0.05);
        EXPECT_NEAR(lab.a, p.a, 0.05);
        EXPECT_NEAR(lab.b, p.bb, 0.05);
    }
}

TEST(ColorSpaces, LabToRgbMatchesPublishedValues)
{
    const Rgb red = lab_to_rgb({53.2329, 80.1093, 67.2201});
    EXPECT_NEAR(red.r, 1, 1e-3);
    EXPECT_NEAR(red.g, 0, 1e-3);
    EXPECT_NEAR(red.b, 0, 1e-3);
    const Rgb blue = lab_to_rgb({32.3026, 79.1967, -107.8637});
    EXPECT_NEAR(blue.r, 0, 1e-3);
    EXPECT_NEAR(blue.g, 0, 1e-3);
    EXPECT_NEAR(blue.b, 1, 1e-3);
}

TEST(ColorSpaces, WhiteThroughLabComesBackAsWhiteBytes)
{
    const Lab white = rgb_to_lab({1, 1, 1});
    EXPECT_NEAR(white.l, 100, 0.01);
    EXPECT_NEAR(white.a, 0, 0.02);
    EXPECT_NEAR(white.b, 0, 0.02);
    const Rgb back = lab_to_rgb(white);
    EXPECT_EQ(to_byte(back.r), 255);
    EXPECT_EQ(to_byte(back.g), 255);
    EXPECT_EQ(to_byte(back.b), 255);
}

TEST(ColorSpaces, RealsBecomeBytesByTruncationClamped)
{
    // Against trunc itself at every byte boundary, a step either side of it,
    // the infinities and NaN.
    for (int k = -2; k <= 258; ++k)
        for (double x : {k / 255.0, std::nextafter(k / 255.0, -9.0), std::nextafter(k / 255.0, 9.0)}) {
            const double t = std::trunc(x * 255);
            const int want = !(t > 0) ? 0 : t >= 255 ? 255 : int(t);
            ASSERT_EQ(to_byte(x), want) << x;
        }
    EXPECT_EQ(to_byte(INFINITY), 255);
    EXPECT_EQ(to_byte(-INFINITY), 0);
    EXPECT_EQ(to_byte(NAN), 0);
    EXPECT_EQ(to_byte(1e300), 255);
    EXPECT_EQ(to_byte(-0.5), 0);
    EXPECT_EQ(to_byte(1.5), 255);
    EXPECT_EQ(to_byte(0.999), 254);  // 254.745
    EXPECT_EQ(to_byte(0.5), 127);    // 127.5
    const Rgb outside = lab_to_rgb({60, 180, -120});  // outside sRGB: about (1.27, -4.48, 1.43)
    EXPECT_EQ(to_byte(outside.r), 255);
    EXPECT_EQ(to_byte(outside.g), 0);
    EXPECT_EQ(to_byte(outside.b), 255);
}

TEST(ColorSpaces, CmykOfBlackIsPureKey)
{
    const Cmyk black = rgb_to_cmyk({0, 0, 0});
    EXPECT_EQ(black.c, 0);
    EXPECT_EQ(black.m, 0);
    EXPECT_EQ(black.y, 0);
    EXPECT_EQ(black.k, 1);
}

TEST(ColorSpaces, CmykByHand)
{
    // (0.2, 0.4, 0.6): c' = 0.8, m' = 0.6, y' = 0.4, k = 0.4; c = 0.4 / 0.6, m = 0.2 / 0.6, y = 0.
    const Cmyk c = rgb_to_cmyk({0.2, 0.4, 0.6});
    EXPECT_NEAR(c.c, 2.0 / 3, kTight);
    EXPECT_NEAR(c.m, 1.0 / 3, kTight);
    EXPECT_NEAR(c.y, 0, kTight);
    EXPECT_NEAR(c.k, 0.4, kTight);
    const Rgb back = cmyk_to_rgb(c);
    EXPECT_NEAR(back.r, 0.2, kTight);
    EXPECT_NEAR(back.g, 0.4, kTight);
    EXPECT_NEAR(back.b, 0.6, kTight);
    // White: no ink at all.
    const Cmyk white = rgb_to_cmyk({1, 1, 1});
    EXPECT_EQ(white.c + white.m + white.y + white.k, 0);
}

}  // namespace
}  // namespace mur::color

// The window filters against direct evaluation of their definitions (every
// window gathered, edge pixels repeated), over pixel formats, channel counts
// and radii; the tone curves' neutral settings and order; the random
// effects' reproducibility.
#include "imaging/texture_effects.h"
#include "imaging/tone_filters.h"
#include "imaging/window_filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace mur::imaging {
namespace {

struct Picture {
    int w, h, n;
    std::vector<uint8_t> px;
    ConstImageView view() const { return {px.data(), w, h, std::ptrdiff_t{w} * n, n}; }
    ImageView view() { return {px.data(), w, h, std::ptrdiff_t{w} * n, n}; }
    uint8_t at(int x, int y, int c) const
    {
        return px[(std::size_t(std::clamp(y, 0, h - 1)) * w + std::clamp(x, 0, w - 1)) * n + c];
    }
};

Picture random_picture(int w, int h, int n, unsigned seed)
{
    std::mt19937 rng(seed);
    Picture p{w, h, n, std::vector<uint8_t>(std::size_t(w) * h * n)};
    // Smooth ramps with noise, so that windows hold repeated and distinct values.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < n; ++c)
                p.px[(std::size_t(y) * w + x) * n + c] = uint8_t((x * 7 + y * 5 * (c + 1) + rng() % 40) % 256);
    return p;
}

std::vector<int> window(const Picture& p, int x, int y, int c, int r)
{
    std::vector<int> v;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) v.push_back(p.at(x + dx, y + dy, c));
    return v;
}

int reference_mean(const std::vector<int>& v, WindowMean kind)
{
    double s = 0;
    for (int x : v) s += kind == WindowMean::Arithmetic ? x : kind == WindowMean::Geometric ? std::log(x + 1.0) : 1.0 / (x + 1);
    const double m = s / double(v.size());
    const double r = kind == WindowMean::Arithmetic ? m : kind == WindowMean::Geometric ? std::exp(m) - 1 : 1 / m - 1;
    return int(std::clamp(r + 0.5, 0.0, 255.0));
}

int reference_statistic(std::vector<int> v, WindowStatistic kind)
{
    std::sort(v.begin(), v.end());
    switch (kind) {
    case WindowStatistic::Minimum: return v.front();
    case WindowStatistic::Maximum: return v.back();
    case WindowStatistic::Midpoint: return (v.front() + v.back() + 1) / 2;
    case WindowStatistic::Median: return v[v.size() / 2];
    }
    return -1;
}

TEST(WindowFilters, MeansAndStatisticsEqualTheirDefinitionOnEveryWindow)
{
    for (int n : {1, 3, 4})
        for (int r : {1, 2, 5, 40}) {
            const Picture src = random_picture(23, 17, n, unsigned(n * 100 + r));
            const int channels = n == 4 ? 3 : n;  // alpha, where there is one, is copied
            for (WindowMean kind : {WindowMean::Arithmetic, WindowMean::Geometric, WindowMean::Harmonic}) {
                Picture dst = src;
                std::fill(dst.px.begin(), dst.px.end(), 0);
                ASSERT_TRUE(window_mean(src.view(), dst.view(), r, channels, kind));
                for (int y = 0; y < src.h; ++y)
                    for (int x = 0; x < src.w; ++x) {
                        for (int c = 0; c < channels; ++c)
                            ASSERT_NEAR(dst.at(x, y, c), reference_mean(window(src, x, y, c, r), kind), 1)
                                << "mean " << int(kind) << " n " << n << " r " << r << " at " << x << "," << y;
                        if (n == 4) {
                            ASSERT_EQ(dst.at(x, y, 3), src.at(x, y, 3));
                        }
                    }
            }
            for (WindowStatistic kind : {WindowStatistic::Minimum, WindowStatistic::Maximum, WindowStatistic::Midpoint,
                                         WindowStatistic::Median}) {
                Picture dst = src;
                std::fill(dst.px.begin(), dst.px.end(), 0);
                ASSERT_TRUE(window_statistic(src.view(), dst.view(), r, channels, kind));
                for (int y = 0; y < src.h; ++y)
                    for (int x = 0; x < src.w; ++x) {
                        for (int c = 0; c < channels; ++c)
                            ASSERT_EQ(dst.at(x, y, c), reference_statistic(window(src, x, y, c, r), kind))
                                << "statistic " << int(kind) << " n " << n << " r " << r << " at " << x << "," << y;
                        if (n == 4) {
                            ASSERT_EQ(dst.at(x, y, 3), src.at(x, y, 3));
                        }
                    }
            }
        }
}

// The most frequent of `levels` luma bins in the window (the lowest of equals),
// and the rounded mean colour of its pixels.
TEST(WindowFilters, OilPaintTakesTheMeanColourOfTheCommonestBrightness)
{
    for (int n : {3, 4})
        for (int r : {1, 3})
            for (int levels : {4, 20}) {
                const Picture src = random_picture(19, 13, n, unsigned(r * 7 + levels));
                Picture dst = src;
                ASSERT_TRUE(oil_paint(src.view(), dst.view(), r, levels, false));
                const auto bin = [&](int x, int y) {
                    const double l = 0.299 * src.at(x, y, 0) + 0.587 * src.at(x, y, 1) + 0.114 * src.at(x, y, 2);
                    return std::min(levels - 1, int(l * levels / 256.0));
                };
                for (int y = 0; y < src.h; ++y)
                    for (int x = 0; x < src.w; ++x) {
                        std::vector<int> count(levels, 0);
                        std::vector<std::array<int, 3>> sum(levels, {0, 0, 0});
                        for (int dy = -r; dy <= r; ++dy)
                            for (int dx = -r; dx <= r; ++dx) {
                                const int b = bin(x + dx, y + dy);
                                ++count[b];
                                for (int c = 0; c < 3; ++c) sum[b][c] += src.at(x + dx, y + dy, c);
                            }
                        const int best = int(std::max_element(count.begin(), count.end()) - count.begin());
                        for (int c = 0; c < 3; ++c)
                            ASSERT_EQ(dst.at(x, y, c), (sum[best][c] + count[best] / 2) / count[best]) << x << "," << y;
                    }
            }
}

// Each pixel the mean of `samples` bilinear samples along the direction,
// edge pixels repeated.
TEST(WindowFilters, LinearMotionBlurAveragesBilinearSamplesAlongItsAngle)
{
    const Picture src = random_picture(31, 22, 4, 17);
    for (double angle : {0.0, 30.0, 90.0, 200.0})
        for (bool oneSided : {false, true}) {
            MotionBlur blur;
            blur.angleDegrees = angle;
            blur.amount = 4.5;
            blur.samples = 7;
            blur.oneSided = oneSided;
            Picture dst = src;
            ASSERT_TRUE(motion_blur(src.view(), dst.view(), blur, 4));
            const double a = angle * 3.14159265358979 / 180;
            for (int y = 0; y < src.h; ++y)
                for (int x = 0; x < src.w; ++x)
                    for (int c = 0; c < 4; ++c) {
                        double sum = 0;
                        for (int i = 0; i < 7; ++i) {
                            const double t = i / 6.0, along = oneSided ? -4.5 * t : 4.5 * (2 * t - 1);
                            const double px = std::clamp(x + along * std::cos(a), 0.0, src.w - 1.0);
                            const double py = std::clamp(y + along * std::sin(a), 0.0, src.h - 1.0);
                            const int x0 = int(px), y0 = int(py);
                            const double fx = px - x0, fy = py - y0;
                            sum += (src.at(x0, y0, c) * (1 - fx) + src.at(x0 + 1, y0, c) * fx) * (1 - fy) +
                                   (src.at(x0, y0 + 1, c) * (1 - fx) + src.at(x0 + 1, y0 + 1, c) * fx) * fy;
                        }
                        ASSERT_NEAR(dst.at(x, y, c), sum / 7, 1.01) << angle << " " << oneSided << " " << x << "," << y;
                    }
        }
    // A zoom towards the centre leaves the centre pixel as it is.
    MotionBlur zoom;
    zoom.kind = MotionKind::Zoom;
    zoom.amount = 30;
    zoom.samples = 9;
    zoom.centreX = 15, zoom.centreY = 11;
    Picture dst = src;
    ASSERT_TRUE(motion_blur(src.view(), dst.view(), zoom, 4));
    for (int c = 0; c < 4; ++c) EXPECT_EQ(dst.at(15, 11, c), src.at(15, 11, c));
    EXPECT_NE(dst.px, src.px);
}

TEST(WindowFilters, MosaicFillsEachCellWithItsMean)
{
    const Picture src = random_picture(21, 14, 4, 5);
    Picture dst = src;
    ASSERT_TRUE(mosaic(src.view(), dst.view(), 4, 4));
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0, count = 0;
                for (int j = y / 4 * 4; j < std::min(src.h, y / 4 * 4 + 4); ++j)
                    for (int i = x / 4 * 4; i < std::min(src.w, x / 4 * 4 + 4); ++i, ++count) sum += src.at(i, j, c);
                ASSERT_EQ(dst.at(x, y, c), (sum + count / 2) / count);
            }
}

// Frosted glass moves whole pixels, each from within the radius; the same
// seed gives the same picture and another seed another.
TEST(WindowFilters, SpreadTakesEachPixelFromWithinTheRadiusReproducibly)
{
    Picture src{16, 16, 4, std::vector<uint8_t>(16 * 16 * 4)};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = &src.px[(y * 16 + x) * 4];
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(x ^ y), p[3] = 200;
        }
    Picture a = src, b = src, c = src;
    ASSERT_TRUE(spread(src.view(), a.view(), 3, 9));
    ASSERT_TRUE(spread(src.view(), b.view(), 3, 9));
    ASSERT_TRUE(spread(src.view(), c.view(), 3, 10));
    EXPECT_EQ(a.px, b.px);
    EXPECT_NE(a.px, c.px);
    EXPECT_NE(a.px, src.px);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int sx = a.at(x, y, 0), sy = a.at(x, y, 1);
            ASSERT_LE(std::abs(sx - x), 3);
            ASSERT_LE(std::abs(sy - y), 3);
            ASSERT_EQ(a.at(x, y, 2), sx ^ sy);
        }
}

// Neutral settings keep every level; every curve keeps the order of levels
// (or reverses it, for the solarised top); alpha is never touched.
TEST(ToneFilters, NeutralSettingsKeepThePictureAndCurvesKeepOrder)
{
    Picture ramp{256, 1, 4, std::vector<uint8_t>(256 * 4)};
    for (int v = 0; v < 256; ++v)
        for (int c = 0; c < 4; ++c) ramp.px[v * 4 + c] = uint8_t(c == 3 ? 255 - v : v);
    const auto run = [&](auto&& f) {
        Picture p = ramp;
        EXPECT_TRUE(f(p.view()));
        for (int v = 0; v < 256; ++v) EXPECT_EQ(p.at(v, 0, 3), 255 - v);
        return p;
    };
    const auto neutral = [&](auto&& f, const char* what) { EXPECT_EQ(run(f).px, ramp.px) << what; };
    neutral([](const ImageView& v) { return brightness_contrast(v, 0, 0); }, "brightness");
    neutral([](const ImageView& v) { return levels(v, 0, 255, 1, 0, 255); }, "levels");
    neutral([](const ImageView& v) { return gamma_correct(v, 1); }, "gamma");
    neutral([](const ImageView& v) { return saturate(v, 1); }, "saturate");
    neutral([](const ImageView& v) { return colour_balance(v, 0, 0, 0); }, "balance");
    neutral([](const ImageView& v) { return posterize(v, 256); }, "posterize");
    neutral([](const ImageView& v) { return solarize(v, 255); }, "solarize");
    neutral([](const ImageView& v) { return histogram_stretch(v, false, 0); }, "stretch");
    neutral([](const ImageView& v) { return histogram_equalize(v, true); }, "equalize");
    neutral([](const ImageView& v) { return tint(v, 120, 0); }, "tint");
    const auto ordered = [&](auto&& f, const char* what) {
        const Picture p = run(f);
        for (int v = 1; v < 256; ++v)
            for (int c = 0; c < 3; ++c) ASSERT_LE(p.at(v - 1, 0, c), p.at(v, 0, c)) << what << " " << v;
    };
    ordered([](const ImageView& v) { return brightness_contrast(v, 0.3, 0.6); }, "brightness");
    ordered([](const ImageView& v) { return levels(v, 40, 200, 1.7, 10, 240); }, "levels");
    ordered([](const ImageView& v) { return gamma_correct(v, 0.4); }, "gamma");
    ordered([](const ImageView& v) { return colour_balance(v, 60, -60, 30); }, "balance");
    ordered([](const ImageView& v) { return duotone(v, 200, 90, 20); }, "duotone");
    ordered([](const ImageView& v) { return histogram_stretch(v, false, 0.2); }, "stretch");
    const Picture poster = run([](const ImageView& v) { return posterize(v, 4); });
    for (int v = 0; v < 256; ++v) EXPECT_TRUE(poster.at(v, 0, 0) % 85 == 0) << v;  // 0, 85, 170, 255
    const Picture sol = run([](const ImageView& v) { return solarize(v, 127); });
    for (int v = 0; v < 256; ++v) EXPECT_EQ(sol.at(v, 0, 1), v > 127 ? 255 - v : v);
}

TEST(TextureEffects, EqualSeedsGiveEqualPicturesAndEachDiffersFromItsSource)
{
    const Picture src = random_picture(40, 30, 3, 11);
    using Effect = bool (*)(const ConstImageView&, const ImageView&, uint32_t);
    const Effect effects[] = {
        [](const ConstImageView& s, const ImageView& d, uint32_t seed) { return stipple(s, d, 1, seed); },
        [](const ConstImageView& s, const ImageView& d, uint32_t seed) { return add_noise(s, d, 30, 1, false, seed); },
        [](const ConstImageView& s, const ImageView& d, uint32_t seed) { return add_noise(s, d, 30, 3, true, seed); },
        [](const ConstImageView& s, const ImageView& d, uint32_t seed) { return perlin_noise(s, d, 8, 40, seed); },
        [](const ConstImageView& s, const ImageView& d, uint32_t seed) { return crackle(s, d, 8, 0.7, seed); },
        [](const ConstImageView& s, const ImageView& d, uint32_t seed) { return fingerprint(s, d, 5, seed); },
        [](const ConstImageView& s, const ImageView& d, uint32_t seed) { return scribble(s, d, 4, seed); },
        [](const ConstImageView& s, const ImageView& d, uint32_t seed) { return pointillism(s, d, 6, seed); },
    };
    int k = 0;
    for (Effect effect : effects) {
        Picture a = src, b = src, c = src;
        ASSERT_TRUE(effect(src.view(), a.view(), 5)) << k;
        ASSERT_TRUE(effect(src.view(), b.view(), 5)) << k;
        ASSERT_TRUE(effect(src.view(), c.view(), 6)) << k;
        EXPECT_EQ(a.px, b.px) << k;
        EXPECT_NE(a.px, c.px) << k;
        EXPECT_NE(a.px, src.px) << k;
        ++k;
    }
}

}  // namespace
}  // namespace mur::imaging

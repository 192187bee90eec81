// The drawing building blocks: plane-marking flood fills against a plain
// breadth-first model, ellipse coverage against the area, gradients, the
// HSV and HSL shifts against Python's colorsys, smooth text against "over",
// and the sharpen, saturation, displacement and blur on flat pictures.
#include "imaging/bump_displacement.h"
#include "imaging/colour_adjust.h"
#include "imaging/flood_fill.h"
#include "imaging/gaussian_blur.h"
#include "imaging/shapes.h"
#include "imaging/text_render.h"
#include "platform/fonts.h"
#include "support/random_pixels.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <numbers>
#include <vector>

namespace mur::imaging {
namespace {

using test::pick;
using test::Rng;

struct Rgba {
    int32_t w, h;
    std::vector<uint8_t> px;
    Rgba(int32_t width, int32_t height) : w(width), h(height), px(std::size_t(width) * height * 4) {}
    ImageView view() { return rgba32_view(px.data(), w, h, std::ptrdiff_t{w} * 4); }
    uint8_t* at(int32_t x, int32_t y) { return &px[(std::size_t(y) * w + x) * 4]; }
};

// A picture of a few colours in blobs, so that regions have holes and
// corridors, and some colours lie just inside and just outside the limit.
Rgba blob_picture(Rng& rng, int32_t w, int32_t h)
{
    Rgba p(w, h);
    const uint8_t palette[4][4] = {{100, 100, 100, 255}, {136, 136, 136, 200}, {137, 137, 137, 0}, {100, 100, 100, 30}};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int k = pick(rng, 0, 9) < 6 ? 0 : pick(rng, 1, 3);
            std::copy_n(palette[k], 4, p.at(x, y));
        }
    return p;
}

// Breadth-first over 4-neighbours: the model of the connected fill.
std::vector<uint8_t> model_fill(Rgba& p, int32_t x0, int32_t y0, int32_t limit, FloodKey key)
{
    std::vector<uint8_t> plane(std::size_t(p.w) * p.h, 0);
    const uint8_t* s = p.at(x0, y0);
    const uint8_t seed[4] = {s[0], s[1], s[2], s[3]};
    auto ok = [&](int32_t x, int32_t y) {
        const uint8_t* q = p.at(x, y);
        if (key == FloodKey::AlphaAsGrey) return 3 * (q[3] - seed[3]) * (q[3] - seed[3]) <= limit;
        int32_t d = 0;
        for (int c = 0; c < 3; ++c) d += (q[c] - seed[c]) * (q[c] - seed[c]);
        return d <= limit;
    };
    std::deque<std::pair<int32_t, int32_t>> todo{{x0, y0}};
    plane[std::size_t(y0) * p.w + x0] = 1;
    while (!todo.empty()) {
        const auto [x, y] = todo.front();
        todo.pop_front();
        const int32_t n[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
        for (const auto& q : n) {
            if (q[0] < 0 || q[1] < 0 || q[0] >= p.w || q[1] >= p.h) continue;
            uint8_t& m = plane[std::size_t(q[1]) * p.w + q[0]];
            if (!m && ok(q[0], q[1])) {
                m = 1;
                todo.emplace_back(q[0], q[1]);
            }
        }
    }
    return plane;
}

TEST(FloodFill, ToleranceLimitIsTheTruncatedFloatProduct)
{
    EXPECT_EQ(flood_distance_limit(1000), 3901);  // takes 3 x 36^2 = 3888, not 3 x 37^2 = 4107
    EXPECT_EQ(flood_distance_limit(0), 0);
    EXPECT_EQ(flood_distance_limit(50000), 195075);
    EXPECT_EQ(flood_distance_limit(INT32_MAX), 195075);
    EXPECT_EQ(flood_distance_limit(INT32_MIN), 0);
}

TEST(FloodFill, ScanlineFillMarksExactlyTheModelsRegion)
{
    Rng rng(21);
    for (int round = 0; round < 60; ++round) {
        const int32_t w = pick(rng, 1, 40), h = pick(rng, 1, 30);
        Rgba p = blob_picture(rng, w, h);
        const int32_t x = pick(rng, 0, w - 1), y = pick(rng, 0, h - 1);
        const FloodKey key = round % 2 ? FloodKey::AlphaAsGrey : FloodKey::Rgb;
        const int32_t limit = flood_distance_limit(pick(rng, 0, 1) ? 1000 : 20000);
        const std::vector<uint8_t> want = model_fill(p, x, y, limit, key);
        std::vector<uint8_t> got(want.size(), 0);
        const int64_t marked = flood_fill_plane(p.view(), x, y, flood_seed_at(p.view(), x, y), limit, key, got.data());
        ASSERT_EQ(got, want) << "round " << round;
        EXPECT_EQ(marked, std::count(want.begin(), want.end(), 1));

        // The match over the whole picture marks a superset, the same pixels
        // threaded or not.
        std::vector<uint8_t> all(want.size(), 0), allThreaded(want.size(), 0);
        flood_match_plane(p.view(), flood_seed_at(p.view(), x, y), limit, key, all.data(), false);
        flood_match_plane(p.view(), flood_seed_at(p.view(), x, y), limit, key, allThreaded.data(), true);
        EXPECT_EQ(all, allThreaded);
        for (std::size_t i = 0; i < want.size(); ++i) ASSERT_LE(want[i], all[i]);
    }
}

TEST(FloodFill, TheLimitSeparates36From37)
{
    Rgba p(3, 1);
    const uint8_t colours[3][4] = {{100, 100, 100, 255}, {136, 136, 136, 255}, {137, 137, 137, 255}};
    for (int i = 0; i < 3; ++i) std::copy_n(colours[i], 4, p.at(i, 0));
    std::vector<uint8_t> plane(3, 0);
    flood_match_plane(p.view(), flood_seed_at(p.view(), 0, 0), flood_distance_limit(1000), FloodKey::Rgb, plane.data(), false);
    EXPECT_EQ(plane, (std::vector<uint8_t>{1, 1, 0}));
    std::vector<uint8_t> outside(3, 0);
    EXPECT_EQ(flood_fill_plane(p.view(), 3, 0, {}, 1000, FloodKey::Rgb, outside.data()), 0);
    EXPECT_EQ(flood_fill_plane(p.view(), -1, 0, {}, 1000, FloodKey::Rgb, outside.data()), 0);
    EXPECT_EQ(outside, (std::vector<uint8_t>{0, 0, 0}));
}

TEST(Ellipse, CoverageAddsUpToTheAreaAndIsSymmetric)
{
    for (const auto& [rx, ry] : {std::pair{2.0, 2.0}, {3.0, 7.0}, {10.0, 4.0}, {25.0, 25.0}, {40.0, 13.0}}) {
        Rgba p(100, 80);
        EllipseGeometry e{50, 40, rx, ry};
        ASSERT_TRUE(fill_ellipse(p.view(), e, {10, 20, 30, 255}));
        double sum = 0;
        for (int32_t y = 0; y < p.h; ++y)
            for (int32_t x = 0; x < p.w; ++x) {
                sum += p.at(x, y)[3];
                // Mirror images about the centre pixel carry the same coverage.
                const int32_t mx = 2 * 50 - x, my = 2 * 40 - y;
                if (mx >= 0 && mx < p.w && my >= 0 && my < p.h) {
                    ASSERT_EQ(p.at(x, y)[3], p.at(mx, my)[3]);
                }
            }
        const double area = std::numbers::pi * rx * ry;
        EXPECT_NEAR(sum / 255, area, area * 0.01 + 1) << rx << " x " << ry;
        EXPECT_EQ(p.at(50, 40)[3], 255);
        EXPECT_EQ(p.at(50, 40)[0], 10);
        // Pixels wholly outside the bounding box stay as they were.
        EXPECT_EQ(p.at(50 + int32_t(rx) + 1, 40)[3], 0);
    }
    // Clipped at the picture's border and far outside it: no fault, nothing outside written.
    Rgba p(10, 10);
    EXPECT_TRUE(fill_ellipse(p.view(), {0, 0, 30, 30}, {1, 2, 3, 255}));
    EXPECT_EQ(p.at(9, 9)[3], 255);
    EXPECT_TRUE(fill_ellipse(p.view(), {-1000000, 5, 3, 3}, {1, 2, 3, 255}));
    EXPECT_FALSE(fill_ellipse(p.view(), {5, 5, 0, 3}, {1, 2, 3, 255}));
    EXPECT_FALSE(fill_ellipse(p.view(), {5, 5, NAN, 3}, {1, 2, 3, 255}));
}

TEST(Gradient, StopsPaddingAndStraightInterpolation)
{
    Gradient g;
    g.count = 3;
    g.stops[0] = {0, {0, 0, 0, 0}};
    g.stops[1] = {50, {200, 100, 0, 255}};
    g.stops[2] = {100, {0, 100, 200, 255}};
    const Rgba8 first = gradient_colour(g, -5), last = gradient_colour(g, 140), middle = gradient_colour(g, 25);
    EXPECT_EQ((std::array{first.r, first.a, last.b, last.a}), (std::array<uint8_t, 4>{0, 0, 200, 255}));
    EXPECT_EQ((std::array{middle.r, middle.g, middle.a}), (std::array<uint8_t, 3>{100, 50, 128}));  // straight, not premultiplied
    const Rgba8 atStop = gradient_colour(g, 50);
    EXPECT_EQ((std::array{atStop.r, atStop.g}), (std::array<uint8_t, 2>{200, 100}));

    // Linear: pixel (x0, y0) takes the first stop, columns past (x1, y1) the last.
    Rgba p(40, 3);
    ASSERT_TRUE(draw_linear_gradient(p.view(), 10, 1, 30, 1, g, false));
    EXPECT_EQ(p.at(10, 0)[0], 0);
    EXPECT_EQ(p.at(0, 2)[0], 0);
    EXPECT_EQ(p.at(20, 1)[0], 200);
    EXPECT_EQ(p.at(39, 0)[2], 200);
    // Radial: the same colours by distance.
    Rgba r(41, 41);
    ASSERT_TRUE(draw_radial_gradient(r.view(), 20, 20, 10, g, false));
    EXPECT_EQ(r.at(20, 20)[3], 0);
    EXPECT_EQ(r.at(25, 20)[0], 200);
    EXPECT_EQ(r.at(20, 15)[0], 200);
    EXPECT_EQ(r.at(0, 0)[2], 200);
    // Zero length draws nothing.
    Rgba z(4, 4);
    EXPECT_FALSE(draw_linear_gradient(z.view(), 2, 2, 2, 2, g, false));
    EXPECT_FALSE(draw_radial_gradient(z.view(), 2, 2, 0, g, false));
    EXPECT_EQ(z.px, std::vector<uint8_t>(64, 0));
}

struct HsxReference {
    int r, g, b, dh, ds, dt, hsv[3], hsl[3];
};
const HsxReference kHsx[] = {
#include "hsx_adjust_reference.inc"
};

TEST(HueShift, HsvAndHslShiftsMatchColorsys)
{
    // colorsys reaches the same reals by other steps: where x x 255 sits on
    // a whole number, one of the two may land just below it and truncate one
    // lower (colorsys turns 51 into 50 with no shift at all).
    int exact = 0, total = 0;
    for (const HsxReference& c : kHsx) {
        for (int space = 0; space < 2; ++space) {
            uint8_t px[3] = {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)};
            if (space == 0) {
                adjust_hsv_pixel(px, {c.dh, c.ds, c.dt});
            } else {
                adjust_hsl_pixel(px, {c.dh, c.ds, c.dt});
            }
            const int* want = space == 0 ? c.hsv : c.hsl;
            for (int k = 0; k < 3; ++k) {
                ASSERT_LE(std::abs(px[k] - want[k]), 1) << (space ? "HSL " : "HSV ") << c.r << "," << c.g << "," << c.b
                                                        << " shift " << c.dh << "," << c.ds << "," << c.dt;
                exact += px[k] == want[k];
                ++total;
            }
        }
    }
    EXPECT_GE(exact, total * 97 / 100);
}

TEST(HueShift, GreysMoveOnlyInLightnessAndThreadsAgree)
{
    // A grey never picks up a tint, whatever the saturation shift.
    uint8_t grey[3] = {120, 120, 120};
    adjust_hsl_pixel(grey, {90, 100, 10});
    EXPECT_EQ(grey[0], grey[1]);
    EXPECT_EQ(grey[1], grey[2]);
    uint8_t greyV[3] = {120, 120, 120};
    adjust_hsv_pixel(greyV, {90, 100, 0});
    EXPECT_EQ((std::array{greyV[0], greyV[1], greyV[2]}), (std::array<uint8_t, 3>{120, 120, 120}));

    Rng rng(3);
    Rgba p(300, 257);
    for (uint8_t& v : p.px) v = uint8_t(pick(rng, 0, 255));
    Rgba q = p, r = p;
    omp_set_num_threads(1);
    adjust_hsv(q.view(), {77, -20, 15}, true);
    adjust_hsl(q.view(), {-40, 30, -5}, true);
    omp_set_num_threads(2);
    adjust_hsv(r.view(), {77, -20, 15}, true);
    adjust_hsl(r.view(), {-40, 30, -5}, true);
    omp_set_num_threads(omp_get_num_procs());
    EXPECT_EQ(q.px, r.px);
    for (std::size_t i = 3; i < p.px.size(); i += 4) ASSERT_EQ(q.px[i], p.px[i]);  // alpha kept
}

TEST(HueShift, HsvPicturesGiveThePerPixelBytesForEveryColour)
{
    // Every RGB colour once (rows of 4099 so that rows end at every offset
    // of a group of four), then a picture of short runs of one colour:
    // whichever loop does a picture, its bytes are the pixel function's.
    constexpr int32_t kWidth = 4099, kHeight = (1 << 24) / kWidth + 1;
    Rgba cube(kWidth, kHeight);
    Rng rng(11);
    for (uint32_t i = 0; i < uint32_t(kWidth) * kHeight; ++i) {
        const uint32_t c = i & 0xFFFFFF;
        cube.px[i * 4] = uint8_t(c >> 16);
        cube.px[i * 4 + 1] = uint8_t(c >> 8);
        cube.px[i * 4 + 2] = uint8_t(c);
        cube.px[i * 4 + 3] = uint8_t(i * 7);
    }
    Rgba runs(333, 97);
    for (std::size_t i = 0; i < runs.px.size();) {
        const uint8_t c[3] = {uint8_t(pick(rng, 0, 255)), uint8_t(pick(rng, 0, 255)), uint8_t(pick(rng, 0, 255))};
        for (int32_t n = pick(rng, 1, 9); n > 0 && i < runs.px.size(); --n, i += 4) {
            std::memcpy(&runs.px[i], c, 3);
            runs.px[i + 3] = uint8_t(pick(rng, 0, 255));
        }
    }
    const HueShift shifts[] = {{40, 10, -5}, {-725, 100, -100}, {359, -100, 100}, {0, 0, 0}, {181, -37, 23}};
    for (const HueShift shift : shifts) {
        for (Rgba* picture : {&cube, &runs}) {
            if (picture == &cube && shift.hue != 40 && shift.hue != -725 && shift.hue != 181) continue;
            Rgba want = *picture, got = *picture;
            for (std::size_t i = 0; i < want.px.size(); i += 4) adjust_hsv_pixel(&want.px[i], shift);
            adjust_hsv(got.view(), shift, true);
            for (std::size_t i = 0; i < want.px.size(); ++i)
                ASSERT_EQ(got.px[i], want.px[i]) << "byte " << i << " shift " << shift.hue << "," << shift.second << ","
                                                 << shift.third;
        }
    }
}

TEST(Text, SmoothGlyphsLayTheColourOverEveryPixelByItsCoverage)
{
    // On a clear picture a glyph's alpha is its coverage; over a noisy one
    // every byte must then be (colour x c + d x (255 - c)) / 255 rounded,
    // at every offset of the text against the picture's columns and edges.
    // The glyphs stand apart (spaces), so no pixel is covered twice.
    ASSERT_TRUE(platform::choose_font_by_name(1, "DejaVu Sans", 37, 400, false)) << "DejaVu Sans is not installed";
    const TextFont font{platform::font_record(1)->file, 0, 37, true};
    const char* text = "W @ g & Q % e";
    const Rgba8 colour{200, 30, 90, 255};
    Rng rng(5);
    for (int32_t x : {-6, 0, 1, 2, 3, 150}) {
        Rgba clear(171, 45), noisy(171, 45);
        for (uint8_t& v : noisy.px) v = uint8_t(pick(rng, 0, 255));
        const Rgba before = noisy;
        ASSERT_TRUE(draw_text(clear.view(), font, x, -3, text, colour));
        ASSERT_TRUE(draw_text(noisy.view(), font, x, -3, text, colour));
        int32_t partial = 0;
        for (std::size_t i = 0; i < noisy.px.size(); i += 4) {
            const int32_t c = clear.px[i + 3];
            partial += c > 0 && c < 255;
            const int32_t ink[4] = {colour.r, colour.g, colour.b, 255};
            for (int k = 0; k < 4; ++k) {
                const int32_t want = (ink[k] * c + before.px[i + k] * (255 - c) + 127) / 255;
                ASSERT_EQ(noisy.px[i + k], want) << "x " << x << " pixel " << i / 4 << " channel " << k;
            }
        }
        if (x != 150) {
            EXPECT_GT(partial, 100);
        }
    }
}

TEST(Adjustments, FlatPicturesStayFlat)
{
    Rgba p(17, 9);
    for (int32_t y = 0; y < p.h; ++y)
        for (int32_t x = 0; x < p.w; ++x) std::copy_n(std::array<uint8_t, 4>{90, 140, 30, 200}.data(), 4, p.at(x, y));
    Rgba sharp(17, 9);
    ASSERT_TRUE(sharpen_3x3(p.view(), sharp.view(), 5, false));
    EXPECT_EQ(sharp.px, p.px);
    Rgba sat = p;
    scale_saturation(sat.view(), 1, false);
    EXPECT_EQ(sat.px, p.px);
    // A grey plane that is flat moves nothing.
    std::vector<uint8_t> flat(std::size_t(p.w) * p.h, 77);
    Rgba moved(17, 9);
    ASSERT_TRUE(bump_displace(p.view(), ConstImageView(flat.data(), p.w, p.h, p.w, 1), moved.view(), 40, 0xFF0000FF));
    EXPECT_EQ(moved.px, p.px);
    Rgba blurred = p;
    ASSERT_TRUE(blur_with_strength(blurred.view(), 6, 100));
    EXPECT_EQ(blurred.px, p.px);
}

TEST(Adjustments, SaturationAndSharpenFollowTheirFormulas)
{
    Rgba p(1, 1);
    std::copy_n(std::array<uint8_t, 4>{200, 100, 50, 9}.data(), 4, p.at(0, 0));
    const double y = 0.299 * 200 + 0.587 * 100 + 0.114 * 50;
    Rgba twice = p, negative = p;
    scale_saturation(twice.view(), 2, false);
    scale_saturation(negative.view(), -1, false);
    EXPECT_EQ(twice.at(0, 0)[0], 255);  // clamped
    EXPECT_EQ(twice.at(0, 0)[1], uint8_t(std::lround(y + (100 - y) * 2)));
    EXPECT_EQ(negative.at(0, 0)[2], uint8_t(std::lround(y - (50 - y))));
    EXPECT_EQ(negative.at(0, 0)[3], 9);

    // One bright pixel on grey: c + 5 (c - m) / 4 at the centre; a corner,
    // whose repeated border shows the bright pixel once among its eight
    // neighbours, goes down by 5 x (40 / 8) / 4.
    Rgba q(3, 3);
    for (uint8_t& v : q.px) v = 100;
    q.at(1, 1)[0] = 140;
    Rgba out(3, 3);
    ASSERT_TRUE(sharpen_3x3(q.view(), out.view(), 5, false));
    EXPECT_EQ(out.at(1, 1)[0], 190);                              // 140 + 1.25 x 40
    EXPECT_EQ(out.at(0, 0)[0], 94);  // 93.75 rounded
}

TEST(Adjustments, BlurStrengthMixesTheGaussianIn)
{
    Rng rng(9);
    const int32_t w = 23, h = 19;
    std::vector<uint8_t> rgb(std::size_t(w) * h * 3);
    for (uint8_t& v : rgb) v = uint8_t(pick(rng, 0, 255));
    // The Gaussian alone, through RGBA32.
    std::vector<uint8_t> rgba(std::size_t(w) * h * 4, 255);
    for (std::size_t i = 0; i < std::size_t(w) * h; ++i) std::copy_n(&rgb[i * 3], 3, &rgba[i * 4]);
    const ImageView v = rgba32_view(rgba.data(), w, h, w * 4);
    ASSERT_TRUE(gaussian_blur(v, v, 2.0));
    for (const int strength : {0, 40, 100}) {
        std::vector<uint8_t> got = rgb;
        ASSERT_TRUE(blur_with_strength(rgb24_view(got.data(), w, h, w * 3), 4, strength));
        for (std::size_t i = 0; i < std::size_t(w) * h; ++i)
            for (int c = 0; c < 3; ++c) {
                const double want = rgb[i * 3 + c] + (rgba[i * 4 + c] - rgb[i * 3 + c]) * strength / 100.0;
                ASSERT_LE(std::abs(got[i * 3 + c] - want), 0.5 + 1e-9) << "strength " << strength;
            }
    }
}

}  // namespace
}  // namespace mur::imaging

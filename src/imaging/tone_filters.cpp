#include "imaging/tone_filters.h"

#include "imaging/color_spaces.h"
#include "imaging/effect_support.h"
#include "imaging/gaussian_blur.h"
#include "imaging/quantise.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mur::imaging {
namespace {

bool usable(const ImageView& v) noexcept
{
    return v.data && v.width > 0 && v.height > 0 && (v.bytesPerPixel == 3 || v.bytesPerPixel == 4);
}

// Calls f(pixel) for every pixel; rows shared among threads.
template <class F>
void each_pixel(const ImageView& image, F&& f)
{
    const int n = image.bytesPerPixel;
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* p = image.row(y);
        for (int32_t x = 0; x < image.width; ++x, p += n) f(p);
    }
}

bool apply_table(const ImageView& image, const uint8_t (&table)[3][256]) noexcept
{
    if (!usable(image)) return false;
    each_pixel(image, [&](uint8_t* p) {
        for (int c = 0; c < 3; ++c) p[c] = table[c][p[c]];
    });
    return true;
}

bool apply_curve(const ImageView& image, auto&& curve) noexcept
{
    uint8_t table[3][256];
    for (int v = 0; v < 256; ++v) table[0][v] = table[1][v] = table[2][v] = fx::clamp8(curve(double(v)));
    return apply_table(image, table);
}

void histograms(const ImageView& image, int64_t (&hist)[3][256]) noexcept
{
    std::fill(&hist[0][0], &hist[0][0] + 3 * 256, int64_t{0});
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* p = image.row(y);
        for (int32_t x = 0; x < image.width; ++x, p += image.bytesPerPixel)
            for (int c = 0; c < 3; ++c) ++hist[c][p[c]];
    }
}

// The histograms of red, green and blue, or (not `perChannel`) their sum in
// each of the three.
void histograms(const ImageView& image, bool perChannel, int64_t (&hist)[3][256]) noexcept
{
    histograms(image, hist);
    if (perChannel) return;
    for (int v = 0; v < 256; ++v) hist[0][v] = hist[1][v] = hist[2][v] = hist[0][v] + hist[1][v] + hist[2][v];
}

}  // namespace

bool brightness_contrast(const ImageView& image, double brightness, double contrast) noexcept
{
    const double b = std::clamp(brightness, -1.0, 1.0), c = std::clamp(contrast, -1.0, 0.99);
    const double slope = std::tan((c + 1) * std::numbers::pi / 4);
    return apply_curve(image, [&](double v) { return ((v / 255 - 0.5) * slope + 0.5 + b) * 255; });
}

bool levels(const ImageView& image, int32_t inLow, int32_t inHigh, double gamma, int32_t outLow, int32_t outHigh) noexcept
{
    const int lo = std::clamp(inLow, 0, 254), hi = std::clamp(inHigh, lo + 1, 255);
    const double g = std::isfinite(gamma) ? std::clamp(gamma, 0.01, 100.0) : 1.0;
    const double o0 = std::clamp(outLow, 0, 255), o1 = std::clamp(outHigh, 0, 255);
    return apply_curve(image, [&](double v) {
        const double t = std::clamp((v - lo) / (hi - lo), 0.0, 1.0);
        return o0 + (o1 - o0) * std::pow(t, 1 / g);
    });
}

bool gamma_correct(const ImageView& image, double gamma) noexcept
{
    const double g = std::isfinite(gamma) ? std::clamp(gamma, 0.01, 100.0) : 1.0;
    return apply_curve(image, [&](double v) { return 255 * std::pow(v / 255, 1 / g); });
}

bool histogram_equalize(const ImageView& image, bool perChannel) noexcept
{
    if (!usable(image)) return false;
    int64_t hist[3][256];
    histograms(image, perChannel, hist);
    uint8_t table[3][256];
    for (int c = 0; c < 3; ++c) {
        int64_t total = 0, below = 0, first = 0;
        for (int v = 0; v < 256; ++v) total += hist[c][v];
        for (int v = 0; v < 256 && !first; ++v) first = hist[c][v];
        for (int v = 0; v < 256; ++v) {
            below += hist[c][v];
            table[c][v] = total > first ? fx::clamp8(double(below - first) * 255 / double(total - first)) : uint8_t(v);
        }
    }
    return apply_table(image, table);
}

namespace {

// The levels below and above which a fraction `clip` of the histogram lies.
void clipped_range(const int64_t (&hist)[256], double clip, int& lo, int& hi) noexcept
{
    int64_t total = 0;
    for (int64_t count : hist) total += count;
    const double c = std::isfinite(clip) ? std::clamp(clip, 0.0, 0.5) : 0.0;
    const int64_t cut = static_cast<int64_t>(double(total) * c);
    int64_t below = 0;
    for (lo = 0; lo < 255 && below + hist[lo] <= cut; ++lo) below += hist[lo];
    int64_t above = 0;
    for (hi = 255; hi > lo && above + hist[hi] <= cut; --hi) above += hist[hi];
}

}  // namespace

bool histogram_stretch(const ImageView& image, bool perChannel, double clip) noexcept
{
    if (!usable(image)) return false;
    int64_t hist[3][256];
    histograms(image, perChannel, hist);
    uint8_t table[3][256];
    for (int c = 0; c < 3; ++c) {
        int lo = 0, hi = 255;
        clipped_range(hist[c], clip, lo, hi);
        for (int v = 0; v < 256; ++v)
            table[c][v] = hi > lo ? fx::clamp8(double(v - lo) * 255 / (hi - lo)) : uint8_t(v);
    }
    return apply_table(image, table);
}

bool lightness_stretch(const ImageView& image, double clip) noexcept
{
    if (!usable(image)) return false;
    int64_t hist[256] = {};
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* p = image.row(y);
        for (int32_t x = 0; x < image.width; ++x, p += image.bytesPerPixel)
            ++hist[(std::max({p[0], p[1], p[2]}) + std::min({p[0], p[1], p[2]})) / 2];
    }
    int lo = 0, hi = 255;
    clipped_range(hist, clip, lo, hi);
    if (hi <= lo) return true;
    each_pixel(image, [&](uint8_t* p) {
        color::Hsl hsl = color::rgb_to_hsl({p[0] / 255.0, p[1] / 255.0, p[2] / 255.0});
        hsl.l = std::clamp((hsl.l * 255 - lo) / (hi - lo), 0.0, 1.0);
        const color::Rgb c = color::hsl_to_rgb(hsl);
        p[0] = fx::clamp8(c.r * 255), p[1] = fx::clamp8(c.g * 255), p[2] = fx::clamp8(c.b * 255);
    });
    return true;
}

bool colour_balance(const ImageView& image, double red, double green, double blue) noexcept
{
    uint8_t table[3][256];
    const double shift[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            const double t = v / 255.0;
            table[c][v] = fx::clamp8(v + std::clamp(shift[c], -255.0, 255.0) * 4 * t * (1 - t));
        }
    return apply_table(image, table);
}

bool duotone(const ImageView& image, int32_t red, int32_t green, int32_t blue) noexcept
{
    if (!usable(image)) return false;
    const double tone[3] = {double(red & 0xFF), double(green & 0xFF), double(blue & 0xFF)};
    each_pixel(image, [&](uint8_t* p) {
        const double t = fx::luma(p) / 255;
        for (int c = 0; c < 3; ++c)
            p[c] = fx::clamp8(t < 0.5 ? tone[c] * 2 * t : tone[c] + (255 - tone[c]) * (2 * t - 1));
    });
    return true;
}

bool saturate(const ImageView& image, double factor) noexcept
{
    if (!usable(image)) return false;
    const double k = std::isfinite(factor) ? std::clamp(factor, -10.0, 10.0) : 1.0;
    each_pixel(image, [&](uint8_t* p) {
        const double l = fx::luma(p);
        for (int c = 0; c < 3; ++c) p[c] = fx::clamp8(l + (p[c] - l) * k);
    });
    return true;
}

bool tint(const ImageView& image, double degrees, double strength) noexcept
{
    if (!usable(image)) return false;
    const double a = std::isfinite(strength) ? std::clamp(strength, 0.0, 1.0) : 0.0;
    const color::Rgb pure =
        color::hsl_to_rgb({std::fmod(std::fmod(std::isfinite(degrees) ? degrees : 0.0, 360) + 360, 360), 1, 0.5});
    const double hue[3] = {pure.r, pure.g, pure.b};
    const double hueLuma = 0.299 * hue[0] + 0.587 * hue[1] + 0.114 * hue[2];
    each_pixel(image, [&](uint8_t* p) {
        const double l = fx::luma(p);
        for (int c = 0; c < 3; ++c) {
            const double toned = std::min(255.0, l * (0.5 + 0.5 * hue[c] / hueLuma));
            p[c] = fx::clamp8(p[c] + (toned - p[c]) * a);
        }
    });
    return true;
}

bool posterize(const ImageView& image, int32_t count) noexcept
{
    const int k = std::clamp(count, 2, 256) - 1;
    return apply_curve(image, [&](double v) { return std::round(v * k / 255) * 255 / k; });
}

bool solarize(const ImageView& image, int32_t threshold) noexcept
{
    const int t = std::clamp(threshold, 0, 255);
    return apply_curve(image, [&](double v) { return v > t ? 255 - v : v; });
}

bool local_contrast(const ImageView& image, double sigma, double amount, double saturation) noexcept
{
    if (!usable(image)) return false;
    const int n = image.bytesPerPixel;
    const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
    const mem::Owned<uint8_t> wide = fx::temporary<uint8_t>(pixels * 4);
    if (!wide) return false;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x) {
            uint8_t* w = wide.get() + (std::size_t(y) * image.width + x) * 4;
            const uint8_t* p = image.row(y) + x * n;
            w[0] = p[0], w[1] = p[1], w[2] = p[2], w[3] = 255;
        }
    const ImageView view = rgba32_view(wide.get(), image.width, image.height, std::ptrdiff_t{image.width} * 4);
    if (!gaussian_blur(view, view, std::isfinite(sigma) ? std::clamp(sigma, 0.5, 1000.0) : 1.0)) return false;
    const double k = std::isfinite(amount) ? std::clamp(amount, 0.0, 10.0) : 0.0;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x) {
            const uint8_t* w = wide.get() + (std::size_t(y) * image.width + x) * 4;
            uint8_t* p = image.row(y) + x * n;
            for (int c = 0; c < 3; ++c) p[c] = fx::clamp8(p[c] + (p[c] - w[c]) * k);
        }
    return saturate(image, saturation);
}

bool reduce_colours(const ImageView& image, int32_t colours) noexcept
{
    if (!usable(image)) return false;
    Palette palette;
    const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
    const mem::Owned<uint8_t> indices = fx::temporary<uint8_t>(pixels);
    if (!indices || !build_palette(image, std::clamp(colours, 2, 256), palette) ||
        !map_to_palette(image, palette, indices.get(), false))
        return false;
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* p = image.row(y);
        for (int32_t x = 0; x < image.width; ++x, p += image.bytesPerPixel) {
            const uint8_t* c = palette.rgb[indices.get()[std::size_t(y) * image.width + x]];
            p[0] = c[0], p[1] = c[1], p[2] = c[2];
        }
    }
    return true;
}

}  // namespace mur::imaging

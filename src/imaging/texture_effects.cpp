#include "imaging/texture_effects.h"

#include "imaging/effect_support.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mur::imaging {
namespace {

using fx::clamp_index;
using fx::colour_views;

// Calls f(x, y, source pixel, destination pixel), then copies alpha.
template <class F>
void each_pixel(const ConstImageView& src, const ImageView& dst, F&& f)
{
    const int n = src.bytesPerPixel;
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < dst.height; ++y)
        for (int32_t x = 0; x < dst.width; ++x) {
            const uint8_t* s = src.row(y) + x * n;
            uint8_t* d = dst.row(y) + x * n;
            f(x, y, s, d);
            if (n == 4) d[3] = s[3];
        }
}

// Smooth value noise in [0, 1) of lattice spacing 1.
double value_noise(double x, double y, uint32_t seed, uint32_t stream) noexcept
{
    const double fx0 = std::floor(x), fy0 = std::floor(y);
    const uint32_t ix = static_cast<uint32_t>(static_cast<int64_t>(fx0)), iy = static_cast<uint32_t>(static_cast<int64_t>(fy0));
    double tx = x - fx0, ty = y - fy0;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const double a = fx::unit(ix, iy, seed, stream), b = fx::unit(ix + 1, iy, seed, stream);
    const double c = fx::unit(ix, iy + 1, seed, stream), d = fx::unit(ix + 1, iy + 1, seed, stream);
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

// Gradient noise in about [-1, 1] of lattice spacing 1.
double gradient_noise(double x, double y, uint32_t seed, uint32_t stream) noexcept
{
    const double fx0 = std::floor(x), fy0 = std::floor(y);
    const int64_t ix = static_cast<int64_t>(fx0), iy = static_cast<int64_t>(fy0);
    const auto dot = [&](int64_t cx, int64_t cy) {
        const double angle = fx::unit(uint32_t(cx), uint32_t(cy), seed, stream) * 2 * std::numbers::pi;
        return std::cos(angle) * (x - double(cx)) + std::sin(angle) * (y - double(cy));
    };
    const double tx = x - fx0, ty = y - fy0;
    const double sx = tx * tx * tx * (tx * (tx * 6 - 15) + 10), sy = ty * ty * ty * (ty * (ty * 6 - 15) + 10);
    const double a = dot(ix, iy), b = dot(ix + 1, iy), c = dot(ix, iy + 1), d = dot(ix + 1, iy + 1);
    return ((a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy) * 1.4;
}

}  // namespace

bool stipple(const ConstImageView& src, const ImageView& dst, double density, uint32_t seed) noexcept
{
    if (!colour_views(src, dst)) return false;
    const double k = std::isfinite(density) ? std::clamp(density, 0.0, 4.0) : 1.0;
    each_pixel(src, dst, [&](int32_t x, int32_t y, const uint8_t* s, uint8_t* d) {
        const double dark = 1 - fx::luma(s) / 255;
        const bool dot = fx::unit(uint32_t(x), uint32_t(y), seed) < dark * k;
        for (int c = 0; c < 3; ++c) d[c] = dot ? static_cast<uint8_t>(s[c] * 0.6) : 255;
    });
    return true;
}

bool halftone(const ConstImageView& src, const ImageView& dst, int32_t cell) noexcept
{
    if (!colour_views(src, dst)) return false;
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
    const int side = std::clamp(cell, 2, std::max(2, std::max(W, H)));
    const int cw = (W + side - 1) / side, chh = (H + side - 1) / side;
    const mem::Owned<float> means = fx::temporary<float>(std::size_t(cw) * chh * 3);
    if (!means) return false;
    for (int cy = 0; cy < chh; ++cy)
        for (int cx = 0; cx < cw; ++cx) {
            double sum[3] = {};
            int count = 0;
            for (int32_t y = cy * side; y < std::min(H, (cy + 1) * side); ++y)
                for (int32_t x = cx * side; x < std::min(W, (cx + 1) * side); ++x, ++count)
                    for (int c = 0; c < 3; ++c) sum[c] += src.row(y)[x * n + c];
            for (int c = 0; c < 3; ++c) means.get()[(std::size_t(cy) * cw + cx) * 3 + c] = float(sum[c] / count / 255);
        }
    each_pixel(src, dst, [&](int32_t x, int32_t y, const uint8_t*, uint8_t* d) {
        const int cx = x / side, cy = y / side;
        const double dx = x + 0.5 - (cx + 0.5) * side, dy = y + 0.5 - (cy + 0.5) * side;
        const double dist = std::sqrt(dx * dx + dy * dy);
        for (int c = 0; c < 3; ++c) {
            const double radius = side * std::sqrt(means.get()[(std::size_t(cy) * cw + cx) * 3 + c] * 2 / std::numbers::pi) / 2 * 1.2;
            d[c] = dist < radius ? 255 : 0;
        }
    });
    return true;
}

bool add_noise(const ConstImageView& src, const ImageView& dst, double amount, int32_t grain, bool mono,
               uint32_t seed) noexcept
{
    if (!colour_views(src, dst)) return false;
    const double k = std::isfinite(amount) ? std::clamp(amount, 0.0, 255.0) : 0.0;
    const double g = std::clamp(grain, 1, 256);
    each_pixel(src, dst, [&](int32_t x, int32_t y, const uint8_t* s, uint8_t* d) {
        for (int c = 0; c < 3; ++c) {
            const uint32_t stream = mono ? 0 : uint32_t(c);
            const double v = g <= 1 ? fx::unit(uint32_t(x), uint32_t(y), seed, stream)
                                    : value_noise(x / g, y / g, seed, stream);
            d[c] = fx::clamp8(s[c] + (2 * v - 1) * k);
        }
    });
    return true;
}

bool perlin_noise(const ConstImageView& src, const ImageView& dst, double scale, double amount, uint32_t seed) noexcept
{
    if (!colour_views(src, dst)) return false;
    const double size = std::isfinite(scale) ? std::clamp(scale, 1.0, 1e5) : 16.0;
    const double k = std::isfinite(amount) ? std::clamp(amount, 0.0, 255.0) : 0.0;
    each_pixel(src, dst, [&](int32_t x, int32_t y, const uint8_t* s, uint8_t* d) {
        double v = 0, f = 1 / size, weight = 1;
        for (int octave = 0; octave < 4; ++octave, f *= 2, weight *= 0.5)
            v += weight * gradient_noise(x * f, y * f, seed, uint32_t(octave));
        for (int c = 0; c < 3; ++c) d[c] = fx::clamp8(s[c] + v / 1.875 * k);
    });
    return true;
}

bool crackle(const ConstImageView& src, const ImageView& dst, int32_t cell, double depth, uint32_t seed) noexcept
{
    if (!colour_views(src, dst)) return false;
    const double side = std::clamp(cell, 4, 4096);
    const double k = std::isfinite(depth) ? std::clamp(depth, 0.0, 1.0) : 0.5;
    each_pixel(src, dst, [&](int32_t x, int32_t y, const uint8_t* s, uint8_t* d) {
        // The nearest two of the jittered cell points around the pixel.
        const int cx = static_cast<int>(x / side), cy = static_cast<int>(y / side);
        double first = 1e30, second = 1e30;
        for (int j = cy - 1; j <= cy + 1; ++j)
            for (int i = cx - 1; i <= cx + 1; ++i) {
                const double px = (i + fx::unit(uint32_t(i), uint32_t(j), seed, 1)) * side;
                const double py = (j + fx::unit(uint32_t(i), uint32_t(j), seed, 2)) * side;
                const double dist = std::hypot(x - px, y - py);
                if (dist < first) second = first, first = dist;
                else if (dist < second) second = dist;
            }
        // Near the bisector of the two lies a crack, about two pixels wide.
        const double crack = std::clamp(1.5 - (second - first), 0.0, 1.0);
        for (int c = 0; c < 3; ++c) d[c] = fx::clamp8(s[c] * (1 - k * crack));
    });
    return true;
}

bool fingerprint(const ConstImageView& src, const ImageView& dst, double period, uint32_t seed) noexcept
{
    if (!colour_views(src, dst)) return false;
    const double p = std::isfinite(period) ? std::clamp(period, 2.0, 1e4) : 6.0;
    const double cx = src.width * (0.3 + 0.4 * fx::unit(1, 2, seed)), cy = src.height * (0.3 + 0.4 * fx::unit(3, 4, seed));
    const double swirl = std::max(src.width, src.height) / 4.0;
    each_pixel(src, dst, [&](int32_t x, int32_t y, const uint8_t* s, uint8_t* d) {
        const double warp = value_noise(x / swirl, y / swirl, seed, 5) * p * 3;
        const double ridge = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * (std::hypot(x - cx, (y - cy) * 1.3) + warp) / p);
        for (int c = 0; c < 3; ++c) d[c] = fx::clamp8(s[c] * (0.45 + 0.55 * ridge));
    });
    return true;
}

bool scribble(const ConstImageView& src, const ImageView& dst, int32_t spacing, uint32_t seed) noexcept
{
    if (!colour_views(src, dst)) return false;
    const double gap = std::clamp(spacing, 2, 1000);
    const double phase = fx::unit(7, 7, seed) * gap;
    each_pixel(src, dst, [&](int32_t x, int32_t y, const uint8_t* s, uint8_t* d) {
        const double dark = 1 - fx::luma(s) / 255;
        // Each direction's strokes wobble a little along their length.
        const auto on_stroke = [&](double across, double along, uint32_t stream) {
            const double wobble = (value_noise(along / (gap * 4), across / (gap * 8), seed, stream) - 0.5) * gap * 0.8;
            const double m = std::fmod(across + wobble + phase + 1e6 * gap, gap);
            return m < 1.2;
        };
        const bool stroke = (dark > 0.15 && on_stroke(x + y, x - y, 1)) || (dark > 0.4 && on_stroke(x - y, x + y, 2)) ||
                            (dark > 0.65 && on_stroke(y, x, 3));
        for (int c = 0; c < 3; ++c) d[c] = stroke ? static_cast<uint8_t>(s[c] * 0.5) : 255;
    });
    return true;
}

bool pointillism(const ConstImageView& src, const ImageView& dst, int32_t size, uint32_t seed) noexcept
{
    if (!colour_views(src, dst)) return false;
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
    const double radius = std::clamp(size, 2, 512) / 2.0;
    const double side = radius * 1.2;  // dots on a jittered grid, overlapping
    each_pixel(src, dst, [&](int32_t x, int32_t y, const uint8_t*, uint8_t* d) {
        const int cx = static_cast<int>(x / side), cy = static_cast<int>(y / side);
        uint32_t bestRank = 0;
        const uint8_t* colour = nullptr;
        for (int j = cy - 2; j <= cy + 2; ++j)
            for (int i = cx - 2; i <= cx + 2; ++i) {
                const double px = (i + fx::unit(uint32_t(i), uint32_t(j), seed, 1)) * side;
                const double py = (j + fx::unit(uint32_t(i), uint32_t(j), seed, 2)) * side;
                if (std::hypot(x - px, y - py) > radius) continue;
                const uint32_t rank = fx::hash(uint32_t(i), uint32_t(j), seed, 3) | 1;
                if (rank > bestRank) {
                    bestRank = rank;
                    colour = src.row(clamp_index(static_cast<int>(py), H)) + clamp_index(static_cast<int>(px), W) * n;
                }
            }
        for (int c = 0; c < 3; ++c) d[c] = colour ? colour[c] : 255;
    });
    return true;
}

}  // namespace mur::imaging

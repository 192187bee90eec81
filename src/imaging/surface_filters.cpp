#include "imaging/surface_filters.h"

#include "imaging/effect_support.h"
#include "imaging/gaussian_blur.h"
#include "imaging/window_filters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mur::imaging {
namespace {

using fx::clamp_index;
using fx::colour_views;

// Calls f(x, y, d) for every destination pixel; rows shared among threads.
template <class F>
void each_pixel(const ImageView& dst, F&& f)
{
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < dst.height; ++y) {
        uint8_t* d = dst.row(y);
        for (int32_t x = 0; x < dst.width; ++x) f(x, y, d + x * dst.bytesPerPixel);
    }
}

void copy_alpha(const ConstImageView& src, const uint8_t* s, uint8_t* d) noexcept
{
    if (src.bytesPerPixel == 4) d[3] = s[3];
}

// A grey plane of the picture's luma, as reals.
mem::Owned<float> luma_plane(const ConstImageView& src) noexcept
{
    mem::Owned<float> plane = fx::temporary<float>(static_cast<std::size_t>(src.width) * src.height);
    if (!plane) return plane;
    float* g = plane.get();
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < src.height; ++y)
        for (int32_t x = 0; x < src.width; ++x)
            g[std::size_t(y) * src.width + x] = static_cast<float>(fx::luma(src.row(y) + x * src.bytesPerPixel));
    return plane;
}

// Sobel gradient of a plane at (x, y).
void sobel(const float* g, int32_t w, int32_t h, int32_t x, int32_t y, float& gx, float& gy) noexcept
{
    const auto at = [&](int dx, int dy) { return g[std::size_t(clamp_index(y + dy, h)) * w + clamp_index(x + dx, w)]; };
    gx = (at(1, -1) + 2 * at(1, 0) + at(1, 1)) - (at(-1, -1) + 2 * at(-1, 0) + at(-1, 1));
    gy = (at(-1, 1) + 2 * at(0, 1) + at(1, 1)) - (at(-1, -1) + 2 * at(0, -1) + at(1, -1));
}

}  // namespace

mem::Owned<uint8_t> blurred_copy(const ConstImageView& src, double sigma) noexcept
{
    if (!src.data || src.width <= 0 || src.height <= 0 || src.bytesPerPixel < 3) return {};
    mem::Owned<uint8_t> copy = fx::temporary<uint8_t>(static_cast<std::size_t>(src.width) * src.height * 4);
    if (!copy) return copy;
    const int n = src.bytesPerPixel;
    for (int32_t y = 0; y < src.height; ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = copy.get() + std::size_t(y) * src.width * 4;
        for (int32_t x = 0; x < src.width; ++x, s += n, d += 4) {
            d[0] = s[0], d[1] = s[1], d[2] = s[2];
            d[3] = n == 4 ? s[3] : 255;
        }
    }
    const ImageView view = rgba32_view(copy.get(), src.width, src.height, std::ptrdiff_t{src.width} * 4);
    if (!gaussian_blur(view, view, std::isfinite(sigma) ? std::clamp(sigma, 0.1, 1000.0) : 1.0)) return {};
    return copy;
}

bool sharpen(const ConstImageView& src, const ImageView& dst, double amount, int32_t passes) noexcept
{
    if (!colour_views(src, dst)) return false;
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
    const int count = std::clamp(passes, 1, 10);
    const double k = std::isfinite(amount) ? std::clamp(amount, 0.0, 10.0) : 0.0;
    mem::Owned<uint8_t> spare;
    if (count > 1 && !(spare = fx::temporary<uint8_t>(fx::pixel_bytes(src)))) return false;
    const ImageView other{spare.get(), W, H, std::ptrdiff_t{W} * n, n};
    // Passes alternate so that the last one writes the destination.
    ConstImageView in = src;
    for (int pass = 0; pass < count; ++pass) {
        const ImageView out = (count - pass) % 2 == 1 ? dst : other;
        each_pixel(out, [&](int32_t x, int32_t y, uint8_t* d) {
            const uint8_t* c = in.row(y) + x * n;
            const uint8_t* l = in.row(y) + clamp_index(x - 1, W) * n;
            const uint8_t* r = in.row(y) + clamp_index(x + 1, W) * n;
            const uint8_t* u = in.row(clamp_index(y - 1, H)) + x * n;
            const uint8_t* b = in.row(clamp_index(y + 1, H)) + x * n;
            for (int ch = 0; ch < 3; ++ch) d[ch] = fx::clamp8(c[ch] + k * (4 * c[ch] - l[ch] - r[ch] - u[ch] - b[ch]));
            if (n == 4) d[3] = c[3];
        });
        in = out;
    }
    return true;
}

bool unsharp_mask(const ConstImageView& src, const ImageView& dst, double sigma, double amount, int32_t threshold,
                  int32_t channels) noexcept
{
    if (!colour_views(src, dst)) return false;
    const mem::Owned<uint8_t> blur = blurred_copy(src, sigma);
    if (!blur) return false;
    const int n = src.bytesPerPixel, ch = std::clamp(channels, 0, n);
    const double k = std::isfinite(amount) ? std::clamp(amount, 0.0, 100.0) : 0.0;
    each_pixel(dst, [&](int32_t x, int32_t y, uint8_t* d) {
        const uint8_t* s = src.row(y) + x * n;
        const uint8_t* b = blur.get() + (std::size_t(y) * src.width + x) * 4;
        for (int c = 0; c < n; ++c) {
            const int diff = s[c] - b[c];
            d[c] = c < ch && std::abs(diff) > threshold ? fx::clamp8(s[c] + k * diff) : s[c];
        }
    });
    return true;
}

bool adaptive_unsharp_mask(const ConstImageView& src, const ImageView& dst, double sigma, double amount,
                           int32_t channels) noexcept
{
    if (!colour_views(src, dst)) return false;
    const mem::Owned<uint8_t> blur = blurred_copy(src, sigma);
    const mem::Owned<float> grey = luma_plane(src);
    if (!blur || !grey) return false;
    const int n = src.bytesPerPixel, ch = std::clamp(channels, 0, n);
    const double k = std::isfinite(amount) ? std::clamp(amount, 0.0, 100.0) : 0.0;
    each_pixel(dst, [&](int32_t x, int32_t y, uint8_t* d) {
        float gx, gy;
        sobel(grey.get(), src.width, src.height, x, y, gx, gy);
        const double edge = std::min(1.0, std::sqrt(double(gx) * gx + double(gy) * gy) / 256);
        const uint8_t* s = src.row(y) + x * n;
        const uint8_t* b = blur.get() + (std::size_t(y) * src.width + x) * 4;
        for (int c = 0; c < n; ++c) d[c] = c < ch ? fx::clamp8(s[c] + k * edge * (s[c] - b[c])) : s[c];
    });
    return true;
}

bool high_pass(const ConstImageView& src, const ImageView& dst, double sigma) noexcept
{
    if (!colour_views(src, dst)) return false;
    const mem::Owned<uint8_t> blur = blurred_copy(src, sigma);
    if (!blur) return false;
    const int n = src.bytesPerPixel;
    each_pixel(dst, [&](int32_t x, int32_t y, uint8_t* d) {
        const uint8_t* s = src.row(y) + x * n;
        const uint8_t* b = blur.get() + (std::size_t(y) * src.width + x) * 4;
        for (int c = 0; c < 3; ++c) d[c] = fx::clamp8i(128 + s[c] - b[c]);
        copy_alpha(src, s, d);
    });
    return true;
}

bool emboss(const ConstImageView& src, const ImageView& dst, double azimuth, double elevation, double depth) noexcept
{
    if (!colour_views(src, dst)) return false;
    const mem::Owned<float> grey = luma_plane(src);
    if (!grey) return false;
    const double az = std::isfinite(azimuth) ? azimuth : 0.0, el = std::isfinite(elevation) ? elevation : 0.0;
    const double lx = std::cos(az) * std::cos(el), ly = -std::sin(az) * std::cos(el), lz = std::sin(el);
    const double scale = (std::isfinite(depth) ? std::clamp(depth, 0.0, 100.0) : 0.0) / 8;
    const int n = src.bytesPerPixel;
    each_pixel(dst, [&](int32_t x, int32_t y, uint8_t* d) {
        float gx, gy;
        sobel(grey.get(), src.width, src.height, x, y, gx, gy);
        // The surface normal of heights = grey x scale.
        const double nx = -gx * scale / 255 * 4, ny = -gy * scale / 255 * 4;
        const double shade = (nx * lx + ny * ly + lz) / std::sqrt(nx * nx + ny * ny + 1);
        d[0] = d[1] = d[2] = fx::clamp8(std::max(0.0, shade) * 255);
        copy_alpha(src, src.row(y) + x * n, d);
    });
    return true;
}

bool edges(const ConstImageView& src, const ImageView& dst, double gain) noexcept
{
    if (!colour_views(src, dst)) return false;
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
    const double k = std::isfinite(gain) ? std::clamp(gain, 0.0, 100.0) : 1.0;
    each_pixel(dst, [&](int32_t x, int32_t y, uint8_t* d) {
        const auto at = [&](int dx, int dy, int c) {
            return int(src.row(clamp_index(y + dy, H))[clamp_index(x + dx, W) * n + c]);
        };
        for (int c = 0; c < 3; ++c) {
            const int gx = at(1, -1, c) + 2 * at(1, 0, c) + at(1, 1, c) - at(-1, -1, c) - 2 * at(-1, 0, c) - at(-1, 1, c);
            const int gy = at(-1, 1, c) + 2 * at(0, 1, c) + at(1, 1, c) - at(-1, -1, c) - 2 * at(0, -1, c) - at(1, -1, c);
            d[c] = fx::clamp8(k * std::sqrt(double(gx) * gx + double(gy) * gy) / 4);
        }
        copy_alpha(src, src.row(y) + x * n, d);
    });
    return true;
}

bool bevel(const ConstImageView& src, const ImageView& dst, int32_t size, double strength) noexcept
{
    if (!colour_views(src, dst)) return false;
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
    const double side = std::clamp(size, 1, std::max(W, H));
    const double k = std::isfinite(strength) ? std::clamp(strength, 0.0, 1.0) : 0.0;
    each_pixel(dst, [&](int32_t x, int32_t y, uint8_t* d) {
        const uint8_t* s = src.row(y) + x * n;
        // The nearest edge decides: top and left lit, bottom and right shaded.
        const int32_t toEdge[4] = {x, y, W - 1 - x, H - 1 - y};
        const int nearest = int(std::min_element(toEdge, toEdge + 4) - toEdge);
        const double t = toEdge[nearest] < side ? k * (1 - toEdge[nearest] / side) : 0.0;
        for (int c = 0; c < 3; ++c) d[c] = fx::clamp8(nearest < 2 ? s[c] + (255 - s[c]) * t : s[c] * (1 - t));
        copy_alpha(src, s, d);
    });
    return true;
}

bool feather(const ConstImageView& src, const ImageView& dst, int32_t size) noexcept
{
    if (!colour_views(src, dst)) return false;
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
    const double side = std::clamp(size, 1, std::max(W, H));
    each_pixel(dst, [&](int32_t x, int32_t y, uint8_t* d) {
        const uint8_t* s = src.row(y) + x * n;
        const double t = std::clamp(std::min({x, y, W - 1 - x, H - 1 - y}) / side, 0.0, 1.0);
        const double keep = t * t * (3 - 2 * t);
        for (int c = 0; c < 3; ++c) d[c] = fx::clamp8(255 + (s[c] - 255) * keep);
        copy_alpha(src, s, d);
    });
    return true;
}

bool deinterlace(const ConstImageView& src, const ImageView& dst, bool keepOdd) noexcept
{
    if (!fx::same_shape(src, dst)) return false;
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
    const std::size_t rowBytes = std::size_t(W) * n;
    for (int32_t y = 0; y < H; ++y) {
        const bool replace = (y % 2 == 1) != keepOdd && H > 1;
        if (!replace) {
            std::memcpy(dst.row(y), src.row(y), rowBytes);
            continue;
        }
        const uint8_t* a = src.row(clamp_index(y - 1, H));
        const uint8_t* b = src.row(y + 1 < H ? y + 1 : y - 1);
        for (std::size_t i = 0; i < rowBytes; ++i) dst.row(y)[i] = static_cast<uint8_t>((a[i] + b[i] + 1) / 2);
        if (n == 4)
            for (int32_t x = 0; x < W; ++x) dst.row(y)[x * 4 + 3] = src.row(y)[x * 4 + 3];
    }
    return true;
}

bool dust_and_scratches(const ConstImageView& src, const ImageView& dst, int32_t radius, int32_t threshold,
                        double amount) noexcept
{
    if (!colour_views(src, dst)) return false;
    if (!window_statistic(src, dst, std::max(1, radius), 3, WindowStatistic::Median)) return false;
    const int n = src.bytesPerPixel;
    const double k = std::isfinite(amount) ? std::clamp(amount, 0.0, 1.0) : 0.0;
    each_pixel(dst, [&](int32_t x, int32_t y, uint8_t* d) {
        const uint8_t* s = src.row(y) + x * n;
        for (int c = 0; c < 3; ++c)
            d[c] = std::abs(s[c] - d[c]) > threshold ? fx::clamp8(s[c] + (d[c] - s[c]) * k) : s[c];
    });
    return true;
}

namespace {

// The alpha plane (or its complement) spread by a window mean of `size`.
mem::Owned<uint8_t> spread_alpha(const ConstImageView& src, int32_t size, bool complement) noexcept
{
    const std::size_t count = static_cast<std::size_t>(src.width) * src.height;
    mem::Owned<uint8_t> plane = fx::temporary<uint8_t>(count), blurred = fx::temporary<uint8_t>(count);
    if (!plane || !blurred) return {};
    for (int32_t y = 0; y < src.height; ++y)
        for (int32_t x = 0; x < src.width; ++x) {
            const uint8_t a = src.row(y)[x * 4 + 3];
            plane.get()[std::size_t(y) * src.width + x] = complement ? 255 - a : a;
        }
    const ConstImageView in = g8_view(plane.get(), src.width, src.height, src.width);
    if (!window_mean(in, g8_view(blurred.get(), src.width, src.height, src.width), std::max(1, size), 1,
                     WindowMean::Arithmetic))
        return {};
    return blurred;
}

}  // namespace

bool outer_glow(const ConstImageView& src, const ImageView& dst, const uint8_t (&colour)[3], int32_t size,
                double strength) noexcept
{
    if (!fx::same_shape(src, dst) || src.bytesPerPixel != 4) return false;
    const mem::Owned<uint8_t> glow = spread_alpha(src, size, false);
    if (!glow) return false;
    const double k = std::isfinite(strength) ? std::clamp(strength, 0.0, 1.0) : 0.0;
    each_pixel(dst, [&](int32_t x, int32_t y, uint8_t* d) {
        const uint8_t* s = src.row(y) + x * 4;
        // The picture over the glow.
        const double a = s[3] / 255.0, g = std::min(1.0, glow.get()[std::size_t(y) * src.width + x] / 255.0 * 2 * k);
        const double out = a + g * (1 - a);
        for (int c = 0; c < 3; ++c) d[c] = out > 0 ? fx::clamp8((s[c] * a + colour[c] * g * (1 - a)) / out) : s[c];
        d[3] = fx::clamp8(out * 255);
    });
    return true;
}

bool inner_glow(const ConstImageView& src, const ImageView& dst, const uint8_t (&colour)[3], int32_t size,
                double strength) noexcept
{
    if (!fx::same_shape(src, dst) || src.bytesPerPixel != 4) return false;
    const mem::Owned<uint8_t> glow = spread_alpha(src, size, true);
    if (!glow) return false;
    const double side = std::max(1, size);
    const double k = std::isfinite(strength) ? std::clamp(strength, 0.0, 1.0) : 0.0;
    each_pixel(dst, [&](int32_t x, int32_t y, uint8_t* d) {
        const uint8_t* s = src.row(y) + x * 4;
        // The page's edge bounds the shape too: a full layer glows inward from it.
        const int32_t toEdge = std::min({x, y, src.width - 1 - x, src.height - 1 - y});
        const double edge = std::max(0.0, 0.5 - toEdge / (2.0 * side));
        const double g = std::min(1.0, std::max(glow.get()[std::size_t(y) * src.width + x] / 255.0, edge) * 2 * k);
        for (int c = 0; c < 3; ++c) d[c] = fx::clamp8(s[c] + (colour[c] - s[c]) * g);
        d[3] = s[3];
    });
    return true;
}

}  // namespace mur::imaging

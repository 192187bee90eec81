// HSV and HSL shifts, the 3 x 3 sharpen, the saturation factor and the
// blur with a strength.
#include "imaging/colour_adjust.h"

#include "engine/memory.h"
#include "engine/parallel_rows.h"
#include "imaging/color_spaces.h"
#include "imaging/colour_adjust_avx2.h"
#include "imaging/gaussian_blur.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mur::imaging {
namespace {

inline uint8_t round_byte(double v) noexcept
{
    if (!(v > 0)) return 0;
    return v >= 254.5 ? 255 : static_cast<uint8_t>(v + 0.5);
}

// A hue 0..360 plus a shift already reduced into (-360, 360), wrapped into
// [0, 360): the sum lies in (-360, 720), where one step is exact.
inline double shifted_hue(double h, double reducedShift) noexcept
{
    const double v = h + reducedShift;
    return v >= 360 ? v - 360 : v < 0 ? v + 360 : v;
}

inline double reduced_shift(int32_t shift) noexcept { return double(shift % 360); }

inline double shifted_unit(double v, int32_t percent) noexcept
{
    return std::clamp(v + percent / 100.0, 0.0, 1.0);
}

inline void store(uint8_t* p, color::Rgb c) noexcept
{
    p[0] = color::to_byte(c.r);
    p[1] = color::to_byte(c.g);
    p[2] = color::to_byte(c.b);
}

inline color::Rgb load(const uint8_t* p) noexcept { return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0}; }

// Every pixel through `pixel`, remembering the last colour: pictures are
// full of runs of one colour, whose conversions need doing once.
template <class Pixel>
void each_rgba_pixel(const ImageView& rgba, bool threaded, Pixel pixel) noexcept
{
    if (!rgba.data || rgba.width <= 0 || rgba.height <= 0 || rgba.bytesPerPixel != 4) return;
    for_rows(0, rgba.height, threaded, [&](int64_t y) {
        uint8_t* p = rgba.row(static_cast<int32_t>(y));
        uint8_t lastIn[3] = {0, 0, 0}, lastOut[3];
        pixel(lastIn, lastOut);
        for (int32_t x = 0; x < rgba.width; ++x, p += 4) {
            if (p[0] != lastIn[0] || p[1] != lastIn[1] || p[2] != lastIn[2]) {
                std::memcpy(lastIn, p, 3);
                pixel(lastIn, lastOut);
            }
            std::memcpy(p, lastOut, 3);
        }
    });
}

}  // namespace

namespace {

// One pixel through a colour space with a hue (HSV or HSL): a grey keeps hue
// and saturation 0, the third component moves either way.
template <class Space, class ToSpace, class FromSpace>
void shift_pixel(uint8_t* rgb, HueShift shift, ToSpace to, FromSpace from, double Space::*third) noexcept
{
    Space c = to(load(rgb));
    if (rgb[0] == rgb[1] && rgb[1] == rgb[2]) {
        c.h = 0;
        c.s = 0;
    } else {
        c.h = shifted_hue(c.h, reduced_shift(shift.hue));
        c.s = shifted_unit(c.s, shift.second);
    }
    c.*third = shifted_unit(c.*third, shift.third);
    store(rgb, from(c));
}

}  // namespace

void adjust_hsv_pixel(uint8_t* rgb, HueShift shift) noexcept
{
    shift_pixel<color::Hsv>(rgb, shift, color::rgb_to_hsv, color::hsv_to_rgb, &color::Hsv::v);
}

void adjust_hsl_pixel(uint8_t* rgb, HueShift shift) noexcept
{
    shift_pixel<color::Hsl>(rgb, shift, color::rgb_to_hsl, color::hsl_to_rgb, &color::Hsl::l);
}

void adjust_hsv(const ImageView& rgba, HueShift shift, bool threaded) noexcept
{
    static const bool lanes = hsv_rows_avx2_available();
    if (lanes && rgba.data && rgba.width > 0 && rgba.height > 0 && rgba.bytesPerPixel == 4) {
        for_rows(0, rgba.height, threaded, [&](int64_t y) {
            uint8_t* p = rgba.row(static_cast<int32_t>(y));
            const int32_t done = adjust_hsv_row_avx2(p, rgba.width, shift);
            for (int32_t x = done; x < rgba.width; ++x) adjust_hsv_pixel(p + std::ptrdiff_t{x} * 4, shift);
        });
        return;
    }
    each_rgba_pixel(rgba, threaded, [=](const uint8_t* in, uint8_t* out) {
        std::memcpy(out, in, 3);
        adjust_hsv_pixel(out, shift);
    });
}

void adjust_hsl(const ImageView& rgba, HueShift shift, bool threaded) noexcept
{
    each_rgba_pixel(rgba, threaded, [=](const uint8_t* in, uint8_t* out) {
        std::memcpy(out, in, 3);
        adjust_hsl_pixel(out, shift);
    });
}

bool sharpen_3x3(const ConstImageView& src, const ImageView& dst, double strength, bool threaded) noexcept
{
    const int32_t bpp = src.bytesPerPixel;
    if (!src.data || !dst.data || (bpp != 3 && bpp != 4) || dst.bytesPerPixel != bpp || src.width != dst.width ||
        src.height != dst.height || src.width <= 0 || src.height <= 0 || !std::isfinite(strength))
        return false;
    const int32_t w = src.width, h = src.height;
    const double gain = strength / 4;
    for_rows(0, h, threaded, [&](int64_t yy) {
        const auto y = static_cast<int32_t>(yy);
        const uint8_t* rows[3] = {src.row(std::max(y - 1, 0)), src.row(y), src.row(std::min(y + 1, h - 1))};
        uint8_t* out = dst.row(y);
        for (int32_t x = 0; x < w; ++x) {
            const std::ptrdiff_t xs[3] = {std::ptrdiff_t{std::max(x - 1, 0)} * bpp, std::ptrdiff_t{x} * bpp,
                                          std::ptrdiff_t{std::min(x + 1, w - 1)} * bpp};
            uint8_t* o = out + std::ptrdiff_t{x} * bpp;
            for (int32_t c = 0; c < 3; ++c) {
                int32_t sum = 0;
                for (const uint8_t* r : rows) sum += r[xs[0] + c] + r[xs[1] + c] + r[xs[2] + c];
                const int32_t centre = rows[1][xs[1] + c];
                const double mean = (sum - centre) / 8.0;
                o[c] = round_byte(centre + gain * (centre - mean));
            }
            if (bpp == 4) o[3] = rows[1][xs[1] + 3];
        }
    });
    return true;
}

void scale_saturation(const ImageView& image, double factor, bool threaded) noexcept
{
    const int32_t bpp = image.bytesPerPixel;
    if (!image.data || (bpp != 3 && bpp != 4) || image.width <= 0 || image.height <= 0 || !std::isfinite(factor))
        return;
    for_rows(0, image.height, threaded, [&](int64_t y) {
        uint8_t* p = image.row(static_cast<int32_t>(y));
        for (int32_t x = 0; x < image.width; ++x, p += bpp) {
            if (p[0] == p[1] && p[1] == p[2]) continue;  // a grey is its own luma
            const double luma = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
            for (int32_t c = 0; c < 3; ++c) p[c] = round_byte(luma + (p[c] - luma) * factor);
        }
    });
}

bool blur_with_strength(const ImageView& image, double radius, int32_t strengthPercent) noexcept
{
    const int32_t bpp = image.bytesPerPixel;
    if (!image.data || (bpp != 3 && bpp != 4) || image.width <= 0 || image.height <= 0) return false;
    if (!(radius > 0) || !std::isfinite(radius)) return true;
    const int32_t strength = std::clamp(strengthPercent, 0, 100);
    if (strength == 0) return true;
    const std::size_t pixels = std::size_t(image.width) * std::size_t(image.height);
    // The Gaussian works on RGBA32: a packed copy, blurred in place.
    mem::Owned<uint8_t> copy(static_cast<uint8_t*>(mem::try_alloc_uninit(pixels * 4)));
    if (!copy) return false;
    const std::ptrdiff_t stride = std::ptrdiff_t{image.width} * 4;
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* s = image.row(y);
        uint8_t* d = copy.get() + y * stride;
        for (int32_t x = 0; x < image.width; ++x, s += bpp, d += 4) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = bpp == 4 ? s[3] : 255;
        }
    }
    const ImageView packed = rgba32_view(copy.get(), image.width, image.height, stride);
    if (!gaussian_blur(packed, packed, radius / 2)) return false;
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* p = image.row(y);
        const uint8_t* b = copy.get() + y * stride;
        for (int32_t x = 0; x < image.width; ++x, p += bpp, b += 4)
            for (int32_t c = 0; c < bpp; ++c) {
                const int32_t d = (b[c] - p[c]) * strength;
                p[c] = static_cast<uint8_t>(p[c] + (d >= 0 ? (d + 50) / 100 : -((-d + 50) / 100)));
            }
    }
    return true;
}

}  // namespace mur::imaging

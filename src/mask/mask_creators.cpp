// Making the mask from host images: every pixel that matches a rule takes
// the masking amount; the others keep their mask value.
#include "mask/mask.h"
#include "engine/fixed_point.h"
#include "engine/guard.h"
#include "engine/saturate.h"
#include "engine/state.h"
#include "imaging/color_spaces.h"
#include "mask/mask_rules.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace mur {
namespace {

// Writes `value` wherever matches(pixel) holds, over an image-sized picture
// of `bytesPerPixel` bytes a pixel.
template <class Matches>
void mask_where(const uint8_t* image, int bytesPerPixel, uint16_t value, Matches matches)
{
    uint16_t* m = engine.mask.plane;
    if (!image || !m) return;
    const std::size_t pixels = image_pixels();
    for (std::size_t i = 0; i < pixels; ++i)
        if (matches(image + i * bytesPerPixel)) m[i] = value;
}

// Percent tolerances of the byte rules: trunc(percent * 2.56).
int32_t byte_tolerance(int32_t percent) noexcept
{
    return static_cast<int32_t>(std::clamp<int64_t>(fx::percent_of_256(percent), INT32_MIN, INT32_MAX));
}

// The hue test: within `t` degrees on the hue circle (inclusive).
bool hue_within(double h, double h0, double t) noexcept
{
    return t >= std::abs(h - h0) || t >= std::abs(h - h0 + 360) || t >= std::abs(h - h0 - 360);
}

color::Rgb unit_rgb(const uint8_t* p) noexcept { return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0}; }
color::Rgb unit_rgb(int32_t r, int32_t g, int32_t b) noexcept
{
    return {(r & 0xFF) / 255.0, (g & 0xFF) / 255.0, (b & 0xFF) / 255.0};
}

}  // namespace

void mask::create_mask_from_rgba_image_color_range(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerance, int32_t a)
{
    const int32_t t = byte_tolerance(tolerance);
    mask_where(image, 4, mask::from_amount(a), [=](const uint8_t* p) {
        return std::abs(p[0] - int64_t{r}) <= t && std::abs(p[1] - int64_t{g}) <= t && std::abs(p[2] - int64_t{b}) <= t;
    });
}

void mask::create_mask_from_rgba_image_alpha_range(const uint8_t* image, int32_t alpha, int32_t tolerance, int32_t a)
{
    const int32_t t = byte_tolerance(tolerance);
    mask_where(image, 4, mask::from_amount(a), [=](const uint8_t* p) { return std::abs(p[3] - int64_t{alpha}) <= t; });
}

void mask::create_mask_from_rgba_image_luminance_range(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerance, int32_t a)
{
    const int32_t t = byte_tolerance(tolerance);
    const int64_t mean = (int64_t{r} + g + b) / 3;
    mask_where(image, 4, mask::from_amount(a),
               [=](const uint8_t* p) { return std::abs((p[0] + p[1] + p[2]) / 3 - mean) <= t; });
}

void mask::create_mask_from_rgba_image_hue_range(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerance, int32_t a)
{
    const double t = saturate_i32(tolerance * 1.8);
    const double h0 = color::rgb_to_hsv(unit_rgb(r, g, b)).h;
    mask_where(image, 4, mask::from_amount(a),
               [=](const uint8_t* p) { return hue_within(color::rgb_to_hsv(unit_rgb(p)).h, h0, t); });
}

void mask::create_mask_from_flood_mask(const uint8_t* plane, int32_t a)
{
    mask_where(plane, 1, mask::from_amount(a), [](const uint8_t* p) { return *p == 1; });
}

void mask::create_mask_from_rgba_image_hsl_range(const uint8_t* image, int32_t r, int32_t g, int32_t b, double hueTolerance, double saturationTolerance, double lightnessTolerance, int32_t a)
{
    const double t = hueTolerance * 180;
    const color::Hsl target = color::rgb_to_hsl(unit_rgb(r, g, b));
    mask_where(image, 4, mask::from_amount(a), [=](const uint8_t* p) {
        const color::Hsl c = color::rgb_to_hsl(unit_rgb(p));
        return hue_within(c.h, target.h, t) && std::abs(c.s - target.s) <= saturationTolerance &&
               std::abs(c.l - target.l) <= lightnessTolerance;
    });
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_CreateMaskFromRGBAImageColor(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t a)
{
    mur::guard("CreateMaskFromRGBAImageColor", [&] {
        mask_where(image, 4, mask::from_amount(a),
                   [=](const uint8_t* p) { return p[0] == (r & 0xFF) && p[1] == (g & 0xFF) && p[2] == (b & 0xFF); });
    });
}

MUR_API void MUR_CreateMaskFromRGB24ImageColor(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t a)
{
    mur::guard("CreateMaskFromRGB24ImageColor", [&] {
        mask_where(image, 3, mask::from_amount(a),
                   [=](const uint8_t* p) { return p[0] == (r & 0xFF) && p[1] == (g & 0xFF) && p[2] == (b & 0xFF); });
    });
}

MUR_API void MUR_CreateMaskFromRGBAImageColorRange(const uint8_t* image, int32_t r, int32_t g, int32_t b,
                                                   int32_t tolerance, int32_t a)
{
    mur::guard("CreateMaskFromRGBAImageColorRange", [&] {
        mask::create_mask_from_rgba_image_color_range(image, r, g, b, tolerance, a);
    });
}

MUR_API void MUR_CreateMaskFromRGBAImageAlphaRange(const uint8_t* image, int32_t alpha, int32_t tolerance, int32_t a)
{
    mur::guard("CreateMaskFromRGBAImageAlphaRange", [&] {
        mask::create_mask_from_rgba_image_alpha_range(image, alpha, tolerance, a);
    });
}

MUR_API void MUR_CreateMaskFromRGBAImageLuminanceRange(const uint8_t* image, int32_t r, int32_t g, int32_t b,
                                                       int32_t tolerance, int32_t a)
{
    mur::guard("CreateMaskFromRGBAImageLuminanceRange", [&] {
        mask::create_mask_from_rgba_image_luminance_range(image, r, g, b, tolerance, a);
    });
}

MUR_API void MUR_CreateMaskFromRGBAImageHueRange(const uint8_t* image, int32_t r, int32_t g, int32_t b,
                                                 int32_t tolerance, int32_t a)
{
    mur::guard("CreateMaskFromRGBAImageHueRange", [&] {
        mask::create_mask_from_rgba_image_hue_range(image, r, g, b, tolerance, a);
    });
}

MUR_API void MUR_CreateMaskFromRGBAImageHSLRange(const uint8_t* image, int32_t r, int32_t g, int32_t b,
                                                 double hueTolerance, double saturationTolerance,
                                                 double lightnessTolerance, int32_t a)
{
    mur::guard("CreateMaskFromRGBAImageHSLRange", [&] {
        mask::create_mask_from_rgba_image_hsl_range(image, r, g, b, hueTolerance, saturationTolerance, lightnessTolerance, a);
    });
}

MUR_API void MUR_CreateMaskFromFloodMask(const uint8_t* plane, int32_t a)
{
    mur::guard("CreateMaskFromFloodMask", [&] { mask::create_mask_from_flood_mask(plane, a); });
}

MUR_API void MUR_CreateMaskFromDiff_RGBA32(const uint8_t* first, const uint8_t* second, int32_t value)
{
    mur::guard("CreateMaskFromDiff_RGBA32", [&] {
        if (!second) return;
        const std::ptrdiff_t offset = second - first;
        mask_where(first, 4, static_cast<uint16_t>(value),
                   [offset](const uint8_t* p) { return std::memcmp(p, p + offset, 4) != 0; });
    });
}

}  // extern "C"

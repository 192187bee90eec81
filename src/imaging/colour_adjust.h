// Colour adjustments of 8-bit pictures: hue, saturation and value or
// lightness shifts, a 3 x 3 sharpen, a saturation factor, and a Gaussian
// blur mixed in by a strength.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// The shifts of an HSV or HSL adjustment: the hue in degrees (any value; the
// result wraps into 0..360), the other two in percent (added as /100, each
// result clamped to 0..1).
struct HueShift {
    int32_t hue = 0;
    int32_t second = 0;  // saturation
    int32_t third = 0;   // value or lightness
};

// Shifts every pixel of an RGBA32 view through the engine's conversions
// (imaging/color_spaces.h). A grey pixel (max = min) has no hue: hue and
// saturation become 0 and only the third component moves. Bytes are stored
// as trunc(x x 255); alpha stays. Rows are shared among threads when
// `threaded`; the result does not depend on their number.
void adjust_hsv(const ImageView& rgba, HueShift shift, bool threaded) noexcept;
void adjust_hsl(const ImageView& rgba, HueShift shift, bool threaded) noexcept;

// One pixel's HSV adjustment (what adjust_hsv does to every pixel).
void adjust_hsv_pixel(uint8_t* rgb, HueShift shift) noexcept;
void adjust_hsl_pixel(uint8_t* rgb, HueShift shift) noexcept;

// A 3 x 3 sharpen of the first three channels of an RGB24 or RGBA32 view
// into `dst` (same size and format, not overlapping; other channels copied):
// c' = c + strength x (c - m) / 4, m the mean of the eight neighbours
// (border pixels repeated), rounded and clamped. A flat picture stays flat.
bool sharpen_3x3(const ConstImageView& src, const ImageView& dst, double strength, bool threaded) noexcept;

// Scales each pixel's distance from its grey: c' = Y + (c - Y) x factor,
// Y = 0.299 R + 0.587 G + 0.114 B (Rec. 601), rounded and clamped; a
// negative factor turns colours through grey to their opposites. RGB24 or
// RGBA32, the first three channels.
void scale_saturation(const ImageView& image, double factor, bool threaded) noexcept;

// Blurs an RGB24 or RGBA32 view in place with a Gaussian of standard
// deviation radius / 2 and mixes the result in by `strengthPercent`
// (0..100, clamped): c' = c + (blurred - c) x strength / 100, rounded. A
// radius of 0 or less changes nothing. False when memory cannot be had (the
// picture then stays).
bool blur_with_strength(const ImageView& image, double radius, int32_t strengthPercent) noexcept;

}  // namespace mur::imaging

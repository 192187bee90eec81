// Conversions between RGB and HSV, HSL, CIE L*a*b* and CMYK, in double
// precision. Filters, colour adjustments, blend modes and scripts all call
// these, so a colour converted anywhere comes out the same.
//
// RGB channels are reals 0..1 (a byte divided by 255); hues are degrees.
#pragma once

namespace mur::color {

struct Rgb {
    double r = 0, g = 0, b = 0;
};
struct Hsv {
    double h = 0, s = 0, v = 0;  // h = -1 for a grey
};
struct Hsl {
    double h = 0, s = 0, l = 0;  // h = 0 for a grey
};
struct Lab {
    double l = 0, a = 0, b = 0;
};
struct Cmyk {
    double c = 0, m = 0, y = 0, k = 0;
};

Hsv rgb_to_hsv(Rgb c) noexcept;
Rgb hsv_to_rgb(Hsv c) noexcept;
Hsl rgb_to_hsl(Rgb c) noexcept;
Rgb hsl_to_rgb(Hsl c) noexcept;
Lab rgb_to_lab(Rgb c) noexcept;  // sRGB, D65
Rgb lab_to_rgb(Lab c) noexcept;  // unclamped
Cmyk rgb_to_cmyk(Rgb c) noexcept;
Rgb cmyk_to_rgb(Cmyk c) noexcept;

// A real channel stored as a byte: trunc(x * 255), clamped to 0..255; NaN
// gives 0. Inside (0, 255) the conversion to int truncates as trunc does.
inline unsigned char to_byte(double x) noexcept
{
    const double v = x * 255;
    if (!(v > 0)) return 0;
    return v >= 255 ? 255 : static_cast<unsigned char>(static_cast<int>(v));
}

}  // namespace mur::color

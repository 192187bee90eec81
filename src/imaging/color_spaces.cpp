#include "imaging/color_spaces.h"

#include <algorithm>
#include <cmath>

namespace mur::color {
namespace {

constexpr double kWhiteX = 95.047, kWhiteY = 100.0, kWhiteZ = 108.883;

double linearise(double c) { return c > 0.04045 ? std::pow((c + 0.055) / 1.055, 2.4) : c / 12.92; }
double compand(double c) { return c > 0.0031308 ? 1.055 * std::pow(c, 1.0 / 2.4) - 0.055 : 12.92 * c; }
double lab_f(double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; }
double lab_f_inverse(double f)
{
    const double cube = f * f * f;
    return cube > 0.008856 ? cube : (f - 16.0 / 116.0) / 7.787;
}

// One channel of HSL to RGB: hh is the channel's hue in degrees.
double hsl_channel(double lo, double hi, double hh)
{
    hh = std::fmod(hh, 360.0);
    if (hh < 0) hh += 360.0;
    if (hh < 60.0) return lo + (hi - lo) * hh / 60.0;
    if (hh < 180.0) return hi;
    if (hh < 240.0) return lo + (hi - lo) * (240.0 - hh) / 60.0;
    return lo;
}

}  // namespace

Hsv rgb_to_hsv(Rgb c) noexcept
{
    const double mx = std::max({c.r, c.g, c.b});
    const double mn = std::min({c.r, c.g, c.b});
    const double delta = mx - mn;
    Hsv out;
    out.v = mx;
    if (delta == 0) {
        out.h = -1;
        out.s = 0;
        return out;
    }
    out.s = delta / mx;
    double hue;
    if (c.r == mx)
        hue = (c.g - c.b) / delta;
    else if (c.g != mx)
        hue = (c.r - c.g) / delta + 4;
    else
        hue = (c.b - c.r) / delta + 2;
    out.h = hue * 60;
    if (out.h < 0) out.h += 360;
    return out;
}

Rgb hsv_to_rgb(Hsv c) noexcept
{
    if (c.s == 0) return {c.v, c.v, c.v};
    const double k = (c.h == 360 ? 0 : c.h) / 60;
    const double i = std::floor(k);
    const double f = k - i;
    const double p = c.v * (1 - c.s);
    const double q = c.v * (1 - c.s * f);
    const double t = c.v * (1 - c.s * (1 - f));
    switch (static_cast<int>(i)) {
    case 0: return {c.v, t, p};
    case 1: return {q, c.v, p};
    case 2: return {p, c.v, t};
    case 3: return {p, q, c.v};
    case 4: return {t, p, c.v};
    default: return {c.v, p, q};
    }
}

Hsl rgb_to_hsl(Rgb c) noexcept
{
    const double mx = std::max({c.r, c.g, c.b});
    const double mn = std::min({c.r, c.g, c.b});
    const double delta = mx - mn;
    Hsl out;
    out.l = (mx + mn) / 2;
    if (delta == 0) return out;
    out.s = out.l < 0.5 ? delta / (mx + mn) : delta / (2 - mx - mn);
    const double dR = ((mx - c.r) / 6 + delta / 2) / delta;
    const double dG = ((mx - c.g) / 6 + delta / 2) / delta;
    const double dB = ((mx - c.b) / 6 + delta / 2) / delta;
    double hue;
    if (c.r == mx)
        hue = dB - dG;
    else if (c.g == mx)
        hue = 1.0 / 3 + dR - dB;
    else
        hue = 2.0 / 3 + dG - dR;
    if (hue < 0) hue += 1;
    if (hue > 1) hue -= 1;
    out.h = hue * 360;
    return out;
}

Rgb hsl_to_rgb(Hsl c) noexcept
{
    if (c.s == 0) return {c.l, c.l, c.l};
    const double hi = c.l < 0.5 ? c.l * (1 + c.s) : c.l + c.s - c.s * c.l;
    const double lo = 2 * c.l - hi;
    return {hsl_channel(lo, hi, c.h + 120), hsl_channel(lo, hi, c.h), hsl_channel(lo, hi, c.h - 120)};
}

Lab rgb_to_lab(Rgb c) noexcept
{
    const double r = linearise(c.r) * 100, g = linearise(c.g) * 100, b = linearise(c.b) * 100;
    const double x = std::max(0.0, r * 0.4124 + g * 0.3576 + b * 0.1805);
    const double y = std::max(0.0, r * 0.2126 + g * 0.7152 + b * 0.0722);
    const double z = std::max(0.0, r * 0.0193 + g * 0.1192 + b * 0.9505);
    const double fx = lab_f(x / kWhiteX), fy = lab_f(y / kWhiteY), fz = lab_f(z / kWhiteZ);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

Rgb lab_to_rgb(Lab c) noexcept
{
    const double fy = (c.l + 16) / 116;
    const double fx = fy + c.a / 500;
    const double fz = fy - c.b / 200;
    const double x = lab_f_inverse(fx) * kWhiteX / 100;
    const double y = lab_f_inverse(fy) * kWhiteY / 100;
    const double z = lab_f_inverse(fz) * kWhiteZ / 100;
    return {compand(x * 3.2406 + y * -1.5372 + z * -0.4986), compand(x * -0.9689 + y * 1.8758 + z * 0.0415),
            compand(x * 0.0557 + y * -0.2040 + z * 1.0570)};
}

Cmyk rgb_to_cmyk(Rgb c) noexcept
{
    const double cc = 1 - c.r, mm = 1 - c.g, yy = 1 - c.b;
    const double k = std::min({cc, mm, yy, 1.0});
    if (k == 1) return {0, 0, 0, 1};
    return {(cc - k) / (1 - k), (mm - k) / (1 - k), (yy - k) / (1 - k), k};
}

Rgb cmyk_to_rgb(Cmyk c) noexcept
{
    const double cc = c.k + (1 - c.k) * c.c;
    const double mm = c.k + (1 - c.k) * c.m;
    const double yy = c.k + (1 - c.k) * c.y;
    return {1 - cc, 1 - mm, 1 - yy};
}

}  // namespace mur::color

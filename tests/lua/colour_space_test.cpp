// The colour functions of filter scripts against textbook conversions
// written here, independently of the engine's routines: every pixel of the
// page read in each space, and every pixel written from each space.
#include "lua/lua_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

namespace mur {
namespace {

using LuaColourSpaces = test::LuaFilterTest;

struct Four {
    double v[4] = {};
};

Four hsv_of(double r, double g, double b)
{
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b}), d = hi - lo;
    if (d == 0) return {{-1, 0, hi, 0}};
    double h = hi == r ? std::fmod((g - b) / d + 6, 6.0) : hi == g ? (b - r) / d + 2 : (r - g) / d + 4;
    return {{h * 60, d / hi, hi, 0}};
}

Four hsl_of(double r, double g, double b)
{
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b}), d = hi - lo, l = (hi + lo) / 2;
    if (d == 0) return {{0, 0, l, 0}};
    const double s = l < 0.5 ? d / (hi + lo) : d / (2 - hi - lo);
    return {{hsv_of(r, g, b).v[0], s, l, 0}};
}

constexpr double kWhite[3] = {95.047, 100, 108.883};

Four lab_of(double r, double g, double b)
{
    auto linear = [](double c) { return 100 * (c > 0.04045 ? std::pow((c + 0.055) / 1.055, 2.4) : c / 12.92); };
    const double R = linear(r), G = linear(g), B = linear(b);
    const double xyz[3] = {0.4124 * R + 0.3576 * G + 0.1805 * B, 0.2126 * R + 0.7152 * G + 0.0722 * B,
                           0.0193 * R + 0.1192 * G + 0.9505 * B};
    double f[3];
    for (int i = 0; i < 3; ++i) {
        const double t = std::max(xyz[i], 0.0) / kWhite[i];
        f[i] = t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116;
    }
    return {{116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2]), 0}};
}

Four cmyk_of(double r, double g, double b)
{
    const double k = 1 - std::max({r, g, b});
    if (k == 1) return {{0, 0, 0, 1}};
    return {{(1 - r - k) / (1 - k), (1 - g - k) / (1 - k), (1 - b - k) / (1 - k), k}};
}

Four rgb_of_hsv(double h, double s, double v)
{
    auto channel = [&](double n) {
        const double k = std::fmod(n + h / 60, 6.0);
        return v - v * s * std::max(0.0, std::min({k, 4 - k, 1.0}));
    };
    return {{channel(5), channel(3), channel(1), 0}};
}

Four rgb_of_hsl(double h, double s, double l)
{
    const double a = s * std::min(l, 1 - l);
    auto channel = [&](double n) {
        const double k = std::fmod(n + h / 30, 12.0);
        return l - a * std::max(-1.0, std::min({k - 3, 9 - k, 1.0}));
    };
    return {{channel(0), channel(8), channel(4), 0}};
}

Four rgb_of_lab(double L, double a, double b)
{
    const double fy = (L + 16) / 116, f[3] = {fy + a / 500, fy, fy - b / 200};
    double xyz[3];
    for (int i = 0; i < 3; ++i) {
        const double c = f[i] * f[i] * f[i];
        xyz[i] = (c > 0.008856 ? c : (f[i] - 16.0 / 116) / 7.787) * kWhite[i] / 100;
    }
    const double lin[3] = {3.2406 * xyz[0] - 1.5372 * xyz[1] - 0.4986 * xyz[2],
                           -0.9689 * xyz[0] + 1.8758 * xyz[1] + 0.0415 * xyz[2],
                           0.0557 * xyz[0] - 0.2040 * xyz[1] + 1.0570 * xyz[2]};
    Four out;
    for (int i = 0; i < 3; ++i)
        out.v[i] = lin[i] > 0.0031308 ? 1.055 * std::pow(lin[i], 1 / 2.4) - 0.055 : 12.92 * lin[i];
    return out;
}

Four rgb_of_cmyk(double c, double m, double y, double k) { return {{(1 - c) * (1 - k), (1 - m) * (1 - k), (1 - y) * (1 - k), 0}}; }

int byte_of(double x) { return int(std::clamp(std::trunc(x * 255), 0.0, 255.0)); }

struct Space {
    const char* name;
    int channels;
    Four (*read)(double, double, double);
};

TEST_F(LuaColourSpaces, EveryPixelReadsAsTheTextbookConversionGivesIt)
{
    const Space spaces[] = {{"hsv", 3, hsv_of}, {"hsl", 3, hsl_of}, {"lab", 3, lab_of}, {"cmyk", 4, cmyk_of}};
    std::string script = "local function out(a, b, c, d)\n"
                         "  output_debug_string(('%.17g %.17g %.17g %.17g'):format(a, b, c, d or 0))\n"
                         "end\n"
                         "for y = 0, height - 1 do for x = 0, width - 1 do\n";
    for (const Space& s : spaces) script += std::string("  out(get_") + s.name + "(x, y))\n";
    script += "end end\n";
    ASSERT_TRUE(run(script)) << messages.back();
    ASSERT_EQ(debug.size(), std::size_t(kWidth) * kHeight * 4);
    std::size_t line = 0;
    for (int32_t i = 0; i < kWidth * kHeight; ++i) {
        const uint8_t* p = engine.ipl.src32.data + i * 4;
        for (const Space& s : spaces) {
            const Four want = s.read(p[0] / 255.0, p[1] / 255.0, p[2] / 255.0);
            std::istringstream got(debug[line++]);
            for (int c = 0; c < s.channels; ++c) {
                double v = 0;
                got >> v;
                EXPECT_NEAR(v, want.v[c], 1e-9) << s.name << " channel " << c << " of pixel " << i;
            }
        }
    }
}

TEST_F(LuaColourSpaces, EveryPixelWrittenFromASpaceGetsTheTextbookBytes)
{
    // Values spread over each space from the pixel's position; the reference
    // applies the same clamps the functions document (hue to 0..359, HSV and
    // HSL fractions to 0..1) and keeps the alpha.
    struct Written {
        const char* call;
        Four (*value)(int x, int y);
        Four (*rgb)(const Four&);
    };
    const Written writes[] = {
        {"set_hsv(x, y, x * 61 - 30, (y + x) / 9 * 1.2, 1.1 - y / 5)",
         [](int x, int y) { return Four{{x * 61.0 - 30, (y + x) / 9.0 * 1.2, 1.1 - y / 5.0, 0}}; },
         [](const Four& v) {
             return rgb_of_hsv(std::clamp(v.v[0], 0.0, 359.0), std::clamp(v.v[1], 0.0, 1.0), std::clamp(v.v[2], 0.0, 1.0));
         }},
        {"set_hsl(x, y, x * 59 + y * 7, y / 4, (x + 1) / 8)",
         [](int x, int y) { return Four{{x * 59.0 + y * 7, y / 4.0, (x + 1) / 8.0, 0}}; },
         [](const Four& v) {
             return rgb_of_hsl(std::clamp(v.v[0], 0.0, 359.0), std::clamp(v.v[1], 0.0, 1.0), std::clamp(v.v[2], 0.0, 1.0));
         }},
        {"set_lab(x, y, x * 16, y * 30 - 60, 50 - x * 17)",
         [](int x, int y) { return Four{{x * 16.0, y * 30.0 - 60, 50.0 - x * 17, 0}}; },
         [](const Four& v) { return rgb_of_lab(v.v[0], v.v[1], v.v[2]); }},
        {"set_cmyk(x, y, x / 6, y / 4, (x + y) / 10, (6 - x) / 12)",
         [](int x, int y) { return Four{{x / 6.0, y / 4.0, (x + y) / 10.0, (6 - x) / 12.0}}; },
         [](const Four& v) { return rgb_of_cmyk(v.v[0], v.v[1], v.v[2], v.v[3]); }},
    };
    for (const Written& w : writes) {
        const std::vector<uint8_t> before = layer_bytes();
        ASSERT_TRUE(run(std::string("for y = 0, height - 1 do for x = 0, width - 1 do ") + w.call + " end end"))
            << messages.back();
        const std::vector<uint8_t> after = layer_bytes();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const std::size_t i = std::size_t(y * kWidth + x) * 4;
                const Four want = w.rgb(w.value(x, y));
                for (int c = 0; c < 3; ++c)
                    EXPECT_NEAR(after[i + c], byte_of(want.v[c]), 1) << w.call << " at " << x << ", " << y << " channel " << c;
                EXPECT_EQ(after[i + 3], before[i + 3]) << w.call << ": alpha kept";
            }
        MUR_IPLUpdateSrcBuffer32();
    }
}

}  // namespace
}  // namespace mur

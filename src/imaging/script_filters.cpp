// The colour and neighbourhood filters of the painting effects: Colorize,
// Edge, Bump, Emboss, Maximum and Minimum. Alpha passes unchanged.
#include "imaging/effect_support.h"
#include "imaging/script_library.h"

#include <cmath>
#include <cstring>

namespace mur::imaging::script {
namespace {

inline float luma(const uint8_t* p) noexcept { return 0.299f * p[kR] + 0.587f * p[kG] + 0.114f * p[kB]; }

// Each pixel's grey and a colour picked by `pick` from it.
template <class Pixel>
void per_pixel(const ConstImageView& src, const ImageView& dst, Pixel pixel) noexcept
{
    const int32_t w = src.width, h = src.height;
#pragma omp parallel for schedule(static) if (int64_t{w} * h >= 65536)
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* p = src.row(y);
        uint8_t* o = dst.row(y);
        for (int32_t x = 0; x < w; ++x, p += 4, o += 4) {
            pixel(p, o);
            o[kA] = p[kA];
        }
    }
}

double hue_channel(double p, double q, double t) noexcept
{
    t -= std::floor(t);
    if (t < 1.0 / 6.0) return p + (q - p) * 6.0 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3.0) return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
    return p;
}

void colorize(const Settings& s, const ConstImageView& src, const ImageView& dst) noexcept
{
    // The colour of every grey level: the dialog's hue and saturation at that lightness.
    const double hue = s.unit(0), saturation = s.unit(1), amount = s.unit(2);
    uint8_t table[256][3];
    for (int l = 0; l < 256; ++l) {
        const double L = l / 255.0;
        const double q = L < 0.5 ? L * (1 + saturation) : L + saturation - L * saturation, p = 2 * L - q;
        table[l][kR] = fx::clamp8(hue_channel(p, q, hue + 1.0 / 3.0) * 255.0);
        table[l][kG] = fx::clamp8(hue_channel(p, q, hue) * 255.0);
        table[l][kB] = fx::clamp8(hue_channel(p, q, hue - 1.0 / 3.0) * 255.0);
    }
    const uint32_t k = static_cast<uint32_t>(amount * 256.0 + 0.5);
    per_pixel(src, dst, [&](const uint8_t* p, uint8_t* o) {
        const uint8_t* c = table[static_cast<int>(luma(p) + 0.5f)];
        for (int i = 0; i < 3; ++i) o[i] = static_cast<uint8_t>((p[i] * (256 - k) + c[i] * k + 128) >> 8);
    });
}

// The 3 x 3 neighbourhood of (x, y) with the edge repeated, as a function
// of the pixel pointer at each offset.
struct Neighbours {
    const uint8_t* p[3][3];
};
inline Neighbours neighbours(const ConstImageView& src, int32_t x, int32_t y) noexcept
{
    Neighbours n;
    for (int j = -1; j <= 1; ++j) {
        const uint8_t* row = src.row(fx::clamp_index(y + j, src.height));
        for (int i = -1; i <= 1; ++i) n.p[j + 1][i + 1] = row + std::ptrdiff_t{fx::clamp_index(x + i, src.width)} * 4;
    }
    return n;
}

// Sobel gradients of a value read from each neighbour.
template <class Value>
inline void gradient(const Neighbours& n, Value v, float& gx, float& gy) noexcept
{
    gx = (v(n.p[0][2]) + 2 * v(n.p[1][2]) + v(n.p[2][2])) - (v(n.p[0][0]) + 2 * v(n.p[1][0]) + v(n.p[2][0]));
    gy = (v(n.p[2][0]) + 2 * v(n.p[2][1]) + v(n.p[2][2])) - (v(n.p[0][0]) + 2 * v(n.p[0][1]) + v(n.p[0][2]));
}

template <class Pixel>
void per_neighbourhood(const ConstImageView& src, const ImageView& dst, Pixel pixel) noexcept
{
    const int32_t w = src.width, h = src.height;
#pragma omp parallel for schedule(static) if (int64_t{w} * h >= 65536)
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* o = dst.row(y);
        for (int32_t x = 0; x < w; ++x, o += 4) {
            const Neighbours n = neighbours(src, x, y);
            pixel(n, o);
            o[kA] = n.p[1][1][kA];
        }
    }
}

// One pass of the window's extreme along rows (dx = 1) or columns.
template <bool Larger>
void extreme_pass(const ConstImageView& src, const ImageView& dst, int32_t radius, bool alongRows) noexcept
{
    const int32_t w = src.width, h = src.height;
#pragma omp parallel for schedule(static) if (int64_t{w} * h >= 65536)
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* o = dst.row(y);
        for (int32_t x = 0; x < w; ++x, o += 4) {
            uint8_t best[3];
            std::memcpy(best, src.row(y) + std::ptrdiff_t{x} * 4, 3);
            for (int32_t k = -radius; k <= radius; ++k) {
                const uint8_t* p = alongRows ? src.row(y) + std::ptrdiff_t{fx::clamp_index(x + k, w)} * 4
                                             : src.row(fx::clamp_index(y + k, h)) + std::ptrdiff_t{x} * 4;
                for (int c = 0; c < 3; ++c) best[c] = Larger ? std::max(best[c], p[c]) : std::min(best[c], p[c]);
            }
            std::memcpy(o, best, 3);
            o[kA] = src.row(y)[std::ptrdiff_t{x} * 4 + kA];
        }
    }
}

template <bool Larger>
bool extreme(const Settings& s, const ConstImageView& src, const ImageView& dst) noexcept
{
    const int32_t radius = s.steps(0, 1, 10);
    mem::Owned<uint8_t> rows = fx::temporary<uint8_t>(std::size_t(src.width) * src.height * 4);
    if (!rows) return false;
    const ImageView middle = rgba32_view(rows.get(), src.width, src.height, std::ptrdiff_t{src.width} * 4);
    extreme_pass<Larger>(src, middle, radius, true);
    extreme_pass<Larger>(middle, dst, radius, false);
    return true;
}

}  // namespace

bool run_filter(int32_t id, const Settings& s, const ConstImageView& src, const ImageView& dst) noexcept
{
    if (!same_bgra(src, dst)) return false;
    switch (id) {
    case kScriptColorize: colorize(s, src, dst); return true;
    case kScriptEdge: {
        const float strength = float(0.25 + 3.75 * s.unit(0));
        per_neighbourhood(src, dst, [&](const Neighbours& n, uint8_t* o) {
            for (int c = 0; c < 3; ++c) {
                float gx, gy;
                gradient(n, [c](const uint8_t* p) { return float(p[c]); }, gx, gy);
                o[c] = fx::clamp8(std::sqrt(gx * gx + gy * gy) * 0.25f * strength);
            }
        });
        return true;
    }
    case kScriptBump:
    case kScriptEmboss: {
        // Light from the dialog's direction and height onto the grey levels as a relief.
        const double azimuth = s.unit(0) * 2.0 * 3.14159265358979323846, elevation = (0.05 + 0.9 * s.unit(1)) * 1.5707963;
        const float depth = float(0.2 + 7.8 * s.unit(2));
        const float lx = float(std::cos(azimuth) * std::cos(elevation)), ly = float(std::sin(azimuth) * std::cos(elevation));
        const float lz = float(std::sin(elevation));
        const bool grey = id == kScriptEmboss;
        per_neighbourhood(src, dst, [&](const Neighbours& n, uint8_t* o) {
            float gx, gy;
            gradient(n, luma, gx, gy);
            gx *= depth * (1.0f / 255.0f), gy *= depth * (1.0f / 255.0f);
            const float shade = (-gx * lx - gy * ly + lz) / std::sqrt(gx * gx + gy * gy + 1.0f);
            if (grey) {
                const uint8_t v = fx::clamp8(128.0f + 127.0f * (shade - lz));
                o[0] = o[1] = o[2] = v;
            } else {
                const float k = std::max(0.0f, shade) / lz;
                for (int c = 0; c < 3; ++c) o[c] = fx::clamp8(n.p[1][1][c] * k);
            }
        });
        return true;
    }
    case kScriptMaximum: return extreme<true>(s, src, dst);
    case kScriptMinimum: return extreme<false>(s, src, dst);
    default: return false;
    }
}

}  // namespace mur::imaging::script

// The generators of the painting effects: a picture drawn from the seed
// (noise, plasmas, Perlin noise, blobs, patterns, or the shapes of
// script_shapes.cpp), laid over the source with the chosen blend at the
// dialog's opacity.
#include "imaging/effect_support.h"
#include "imaging/script_library.h"

#include <cmath>
#include <cstring>

namespace mur::imaging::script {
namespace {

constexpr double kPi = 3.14159265358979323846;

template <class Pixel>
void per_pixel(const ImageView& dst, Pixel pixel) noexcept
{
    const int32_t w = dst.width, h = dst.height;
#pragma omp parallel for schedule(static) if (int64_t{w} * h >= 65536)
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* o = dst.row(y);
        for (int32_t x = 0; x < w; ++x, o += 4) pixel(x, y, o);
    }
}

// A smooth palette of three cosine waves, its phases from the seed.
struct Palette {
    double phase[3];
    Palette(uint32_t seed, uint32_t stream) noexcept
    {
        for (int c = 0; c < 3; ++c) phase[c] = fx::unit(c, 7, seed, stream) * 2 * kPi;
    }
    void at(double t, uint8_t* o) const noexcept
    {
        o[kR] = fx::clamp8(127.5 + 127.5 * std::cos(2 * kPi * t + phase[0]));
        o[kG] = fx::clamp8(127.5 + 127.5 * std::cos(2 * kPi * t + phase[1]));
        o[kB] = fx::clamp8(127.5 + 127.5 * std::cos(2 * kPi * t + phase[2]));
    }
};

// Midpoint displacement over one channel plane (bytes 4 apart): every
// rectangle's edge midpoints from the edge's ends and its centre from the
// four corners, each moved by a draw that shrinks with the rectangle. An
// edge's midpoint depends on that edge alone, so rectangles that share it
// agree on it.
struct Plasma {
    const ImageView& image;
    int channel;
    uint32_t seed, stream;
    double roughness;

    uint8_t& at(int32_t x, int32_t y) const noexcept { return image.row(y)[std::ptrdiff_t{x} * 4 + channel]; }
    uint8_t moved(int32_t x, int32_t y, double mean, double span) const noexcept
    {
        return fx::clamp8(mean + (fx::unit(uint32_t(x), uint32_t(y), seed, stream) - 0.5) * span * roughness);
    }
    void edge(int32_t xa, int32_t ya, int32_t xb, int32_t yb) const noexcept
    {
        const int32_t xm = (xa + xb) / 2, ym = (ya + yb) / 2;
        if ((xm == xa && ym == ya) || (xm == xb && ym == yb)) return;
        at(xm, ym) = moved(xm, ym, (at(xa, ya) + at(xb, yb)) * 0.5, std::max(xb - xa, yb - ya));
    }
    void fill(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const noexcept
    {
        if (x1 - x0 < 2 && y1 - y0 < 2) return;
        const int32_t xm = (x0 + x1) / 2, ym = (y0 + y1) / 2;
        edge(x0, y0, x1, y0);
        edge(x0, y1, x1, y1);
        edge(x0, y0, x0, y1);
        edge(x1, y0, x1, y1);
        if (xm != x0 && ym != y0)
            at(xm, ym) = moved(xm, ym, (at(x0, y0) + at(x1, y0) + at(x0, y1) + at(x1, y1)) * 0.25,
                               std::max(x1 - x0, y1 - y0));
        // A side of one pixel or less is not split again: no rectangle twice.
        const bool acrossX = xm != x0, acrossY = ym != y0;
        if (acrossX && acrossY) {
            fill(x0, y0, xm, ym);
            fill(xm, y0, x1, ym);
            fill(x0, ym, xm, y1);
            fill(xm, ym, x1, y1);
        } else if (acrossX) {
            fill(x0, y0, xm, y1);
            fill(xm, y0, x1, y1);
        } else {
            fill(x0, y0, x1, ym);
            fill(x0, ym, x1, y1);
        }
    }
    void run() const noexcept
    {
        const int32_t w = image.width - 1, h = image.height - 1;
        for (int32_t y : {0, h})
            for (int32_t x : {0, w}) at(x, y) = static_cast<uint8_t>(fx::hash(uint32_t(x), uint32_t(y), seed, stream + 1));
        fill(0, 0, w, h);
    }
};

// Gradient noise on a lattice: a random unit gradient per corner.
inline double gradient_noise(double x, double y, uint32_t seed, uint32_t octave) noexcept
{
    const double fx0 = std::floor(x), fy0 = std::floor(y);
    const int32_t ix = static_cast<int32_t>(fx0), iy = static_cast<int32_t>(fy0);
    const double u = x - fx0, v = y - fy0;
    // 256 directions around the circle, one picked per corner.
    static const auto directions = [] {
        struct Table {
            double x[256], y[256];
        } t;
        for (int k = 0; k < 256; ++k) t.x[k] = std::cos(k * (2 * kPi / 256)), t.y[k] = std::sin(k * (2 * kPi / 256));
        return t;
    }();
    const auto dot = [&](int32_t i, int32_t j, double dx, double dy) {
        const uint32_t k = fx::hash(uint32_t(ix + i), uint32_t(iy + j), seed, octave) >> 24;
        return directions.x[k] * dx + directions.y[k] * dy;
    };
    const double su = u * u * u * (u * (u * 6 - 15) + 10), sv = v * v * v * (v * (v * 6 - 15) + 10);
    const double a = dot(0, 0, u, v), b = dot(1, 0, u - 1, v), c = dot(0, 1, u, v - 1), d = dot(1, 1, u - 1, v - 1);
    return (a + (b - a) * su) + ((c + (d - c) * su) - (a + (b - a) * su)) * sv;
}

void pattern(const Settings& s, const ImageView& dst) noexcept
{
    const uint32_t seed = s.seed();
    const int kind = static_cast<int>(fx::hash(1, 2, seed, 9) % 5);
    const double cell = std::max(2.0, (0.01 + 0.2 * s.unit(0)) * std::max(dst.width, dst.height));
    uint8_t first[4], second[4];
    Palette(seed, 10).at(0.0, first);
    Palette(seed, 10).at(0.5, second);
    per_pixel(dst, [&](int32_t x, int32_t y, uint8_t* o) {
        const double u = x / cell, v = y / cell;
        bool on = false;
        switch (kind) {
        case 0: on = static_cast<int64_t>(std::floor(u + v)) & 1; break;                    // diagonal stripes
        case 1: on = (static_cast<int64_t>(std::floor(u)) + static_cast<int64_t>(std::floor(v))) & 1; break;  // checks
        case 2: on = std::fabs(u - std::floor(u) - 0.5) + std::fabs(v - std::floor(v) - 0.5) < 0.35; break;  // diamonds
        case 3: on = std::hypot(u - std::floor(u) - 0.5, v - std::floor(v) - 0.5) < 0.3; break;          // dots
        default: on = std::fabs(std::sin(u * kPi) + std::sin(v * kPi)) < 0.4; break;                     // waves
        }
        const uint8_t* c = on ? first : second;
        o[kB] = c[kB], o[kG] = c[kG], o[kR] = c[kR], o[kA] = 255;
    });
}

void blobs(const Settings& s, const ImageView& dst) noexcept
{
    constexpr int kMost = 40;
    const uint32_t seed = s.seed();
    const int n = s.steps(0, 3, kMost);
    const double side = std::max(dst.width, dst.height), radius = (0.03 + 0.2 * s.unit(1)) * side;
    double bx[kMost], by[kMost], r2[kMost];
    uint8_t colour[kMost][4];
    for (int k = 0; k < n; ++k) {
        bx[k] = fx::unit(k, 0, seed, 11) * dst.width, by[k] = fx::unit(k, 1, seed, 11) * dst.height;
        const double r = radius * (0.4 + 0.6 * fx::unit(k, 2, seed, 11));
        r2[k] = r * r;
        Palette(seed, 12).at(fx::unit(k, 3, seed, 11), colour[k]);
    }
    per_pixel(dst, [&](int32_t x, int32_t y, uint8_t* o) {
        double field = 0, sum[3] = {0, 0, 0};
        for (int k = 0; k < n; ++k) {
            const double dx = x - bx[k], dy = y - by[k], f = r2[k] / (dx * dx + dy * dy + 1.0);
            field += f;
            for (int c = 0; c < 3; ++c) sum[c] += f * colour[k][c];
        }
        const double cover = std::clamp((field - 0.8) * 5.0, 0.0, 1.0);
        for (int c = 0; c < 3; ++c) o[c] = fx::clamp8(sum[c] / field);
        o[kA] = fx::clamp8(cover * 255.0);
    });
}

bool draw(int32_t id, const Settings& s, const ImageView& dst) noexcept
{
    const uint32_t seed = s.seed();
    const double side = std::max(dst.width, dst.height);
    switch (id) {
    case kScriptNoise: {
        const double density = 0.05 + 0.95 * s.unit(0);
        per_pixel(dst, [&](int32_t x, int32_t y, uint8_t* o) {
            const uint32_t r = fx::hash(uint32_t(x), uint32_t(y), seed, 20);
            const bool drawn = fx::unit(uint32_t(x), uint32_t(y), seed, 21) < density;
            o[kB] = uint8_t(r), o[kG] = uint8_t(r >> 8), o[kR] = uint8_t(r >> 16), o[kA] = drawn ? 255 : 0;
        });
        return true;
    }
    case kScriptPlasma:
    case kScriptFractalPlasma: {
        const bool fractal = id == kScriptFractalPlasma;
        const double roughness = (fractal ? 0.6 : 0.3) + 1.7 * s.unit(0);
        const int planes = fractal ? 1 : 3;
#pragma omp parallel for schedule(static, 1) if (int64_t{dst.width} * dst.height >= 65536)
        for (int c = 0; c < planes; ++c) Plasma{dst, c, seed, uint32_t(30 + 2 * c), roughness}.run();
        if (fractal) {
            const Palette palette(seed, 13);
            const double bands = 1.0 + 7.0 * s.unit(1);
            uint8_t table[256][4];
            for (int v = 0; v < 256; ++v) palette.at(v / 255.0 * bands, table[v]);
            per_pixel(dst, [&](int32_t, int32_t, uint8_t* o) { std::memcpy(o, table[o[0]], 3); });
        }
        per_pixel(dst, [](int32_t, int32_t, uint8_t* o) { o[kA] = 255; });
        return true;
    }
    case kScriptSinePlasma: {
        double f[4], p[4];
        for (int k = 0; k < 4; ++k) {
            f[k] = (0.5 + fx::unit(k, 0, seed, 14)) * 2 * kPi / ((0.05 + 0.6 * s.unit(0)) * side);
            p[k] = fx::unit(k, 1, seed, 14) * 2 * kPi;
        }
        // The palette over the sum's range -4..4 in 1024 steps.
        const Palette palette(seed, 15);
        static thread_local uint8_t colours[1025][4];
        for (int k = 0; k <= 1024; ++k) palette.at((k / 128.0 - 4.0) * 0.25, colours[k]);
        const double cx = fx::unit(4, 0, seed, 14) * dst.width, cy = fx::unit(4, 1, seed, 14) * dst.height;
        const auto& table = colours;
        per_pixel(dst, [&](int32_t x, int32_t y, uint8_t* o) {
            const double v = std::sin(x * f[0] + p[0]) + std::sin(y * f[1] + p[1]) + std::sin((x + y) * f[2] + p[2]) +
                             std::sin(std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) * f[3] + p[3]);
            std::memcpy(o, table[static_cast<int>((v + 4.0) * 128.0 + 0.5)], 3);
            o[kA] = 255;
        });
        return true;
    }
    case kScriptPerlinNoise: {
        const double cell = std::max(2.0, (0.01 + 0.4 * s.unit(0)) * side);
        const int octaves = s.steps(1, 1, 8);
        const double persistence = 0.3 + 0.4 * s.unit(2);
        per_pixel(dst, [&](int32_t x, int32_t y, uint8_t* o) {
            double v = 0, amplitude = 1, scale = 1 / cell, total = 0;
            for (int k = 0; k < octaves; ++k, amplitude *= persistence, scale *= 2) {
                v += gradient_noise(x * scale, y * scale, seed, uint32_t(k)) * amplitude;
                total += amplitude;
            }
            o[kB] = o[kG] = o[kR] = fx::clamp8(127.5 + v / total * 255.0);
            o[kA] = 255;
        });
        return true;
    }
    case kScriptBlobs: blobs(s, dst); return true;
    case kScriptPattern: pattern(s, dst); return true;
    default:
        for (int32_t y = 0; y < dst.height; ++y) std::memset(dst.row(y), 0, std::size_t(dst.width) * 4);
        return draw_shapes(id, s, dst);
    }
}

}  // namespace

bool run_generator(int32_t id, const Settings& s, const ConstImageView& source, const ImageView& target) noexcept
{
    if (!same_bgra(source, target) || id < kFirstGenerator || id > kLastGenerator) return false;
    if (!draw(id, s, target)) return false;
    // The dialog's opacity scales the drawn coverage.
    const uint32_t opacity = static_cast<uint32_t>(s.unit(6) * 256.0 + 0.5);
    if (opacity < 256)
        per_pixel(target, [&](int32_t, int32_t, uint8_t* o) { o[kA] = static_cast<uint8_t>((o[kA] * opacity) >> 8); });
    blend_over(s.blend(), source, target, target);
    return true;
}

}  // namespace mur::imaging::script

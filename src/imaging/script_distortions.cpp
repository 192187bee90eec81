// The distortions of the painting effects: each maps an output pixel to a
// source position, read by bilinear interpolation with one set of weights
// for all four channel planes, so alpha moves with its colour. Positions
// beyond the picture repeat its edge, wrap around or mirror, per effect.
#include "imaging/effect_support.h"
#include "imaging/script_library.h"

#include <cmath>
#include <cstring>

namespace mur::imaging::script {
namespace {

constexpr float kPi = 3.14159265358979f;

enum class Edge : uint8_t { Clamp, Wrap, Mirror };

inline int32_t resolve(int32_t i, int32_t n, Edge edge) noexcept
{
    if (i >= 0 && i < n) return i;
    switch (edge) {
    case Edge::Clamp: return i < 0 ? 0 : n - 1;
    case Edge::Wrap: return ((i % n) + n) % n;
    case Edge::Mirror: {
        const int64_t period = int64_t{n} * 2;
        const int64_t m = ((int64_t{i} % period) + period) % period;
        return static_cast<int32_t>(m < n ? m : period - 1 - m);
    }
    }
    return 0;
}

// The pixel at source position (sx, sy), pixel centres on whole numbers;
// weights in steps of 1/256 of a pixel.
inline void sample(const ConstImageView& src, float sx, float sy, Edge edge, uint8_t* out) noexcept
{
    constexpr float kFar = 1.0e7f;  // beyond this every edge rule gives the same pixel class
    sx = sx == sx ? std::clamp(sx, -kFar, kFar) : 0.0f;
    sy = sy == sy ? std::clamp(sy, -kFar, kFar) : 0.0f;
    const float fx0 = std::floor(sx), fy0 = std::floor(sy);
    int32_t x0 = static_cast<int32_t>(fx0), y0 = static_cast<int32_t>(fy0);
    uint32_t fx = static_cast<uint32_t>((sx - fx0) * 256.0f + 0.5f), fy = static_cast<uint32_t>((sy - fy0) * 256.0f + 0.5f);
    if (fx >= 256) fx = 0, ++x0;
    if (fy >= 256) fy = 0, ++y0;
    const int32_t w = src.width, h = src.height;
    int32_t xa = x0, xb = x0 + 1, ya = y0, yb = y0 + 1;
    if (x0 < 0 || x0 + 1 >= w) xa = resolve(x0, w, edge), xb = resolve(x0 + 1, w, edge);
    if (y0 < 0 || y0 + 1 >= h) ya = resolve(y0, h, edge), yb = resolve(y0 + 1, h, edge);
    const uint8_t* p00 = src.row(ya) + std::ptrdiff_t{xa} * 4;
    const uint8_t* p10 = src.row(ya) + std::ptrdiff_t{xb} * 4;
    const uint8_t* p01 = src.row(yb) + std::ptrdiff_t{xa} * 4;
    const uint8_t* p11 = src.row(yb) + std::ptrdiff_t{xb} * 4;
    const uint32_t w00 = (256 - fx) * (256 - fy), w10 = fx * (256 - fy), w01 = (256 - fx) * fy, w11 = fx * fy;
    for (int c = 0; c < 4; ++c)
        out[c] = static_cast<uint8_t>((p00[c] * w00 + p10[c] * w10 + p01[c] * w01 + p11[c] * w11 + 32768) >> 16);
}

// Every output pixel from the source position `map` gives for its centre.
template <class Map>
void warp(const ConstImageView& src, const ImageView& dst, Edge edge, Map map) noexcept
{
    const int32_t w = dst.width, h = dst.height;
#pragma omp parallel for schedule(dynamic, 16) if (int64_t{w} * h >= 65536)
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* out = dst.row(y);
        for (int32_t x = 0; x < w; ++x, out += 4) {
            float sx, sy;
            map(float(x), float(y), sx, sy);
            sample(src, sx, sy, edge, out);
        }
    }
}

// The page's centre moved by two settings (500 = the middle).
struct Centre {
    float x, y;
};
Centre centre(const Settings& s, int32_t w, int32_t h, int slotX, int slotY) noexcept
{
    return {float(s.unit(slotX) * w - 0.5), float(s.unit(slotY) * h - 0.5)};
}

// A repeat that turns back on itself: 0..1, 1..0, 0..1, ...
inline float fold(float u) noexcept
{
    const float k = std::floor(u);
    const float f = u - k;
    return (static_cast<int64_t>(k) & 1) ? 1.0f - f : f;
}

void seamless(const Settings& s, const ConstImageView& src, const ImageView& dst) noexcept
{
    const int32_t w = src.width, h = src.height;
    const float band = std::max(1.0f, float((0.05 + 0.45 * s.unit(0)) * std::min(w, h)));
#pragma omp parallel for schedule(static) if (int64_t{w} * h >= 65536)
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* a = src.row(y);
        const uint8_t* b = src.row((y + h / 2) % h);
        uint8_t* out = dst.row(y);
        const float wy = std::clamp(1.0f - std::min(y, h - 1 - y) / band, 0.0f, 1.0f);
        for (int32_t x = 0; x < w; ++x, out += 4) {
            const float wx = std::clamp(1.0f - std::min(x, w - 1 - x) / band, 0.0f, 1.0f);
            const float t = std::max(wx, wy);
            const uint32_t k = static_cast<uint32_t>(t * t * (3.0f - 2.0f * t) * 256.0f + 0.5f);
            const uint8_t* p = a + std::ptrdiff_t{x} * 4;
            const uint8_t* q = b + std::ptrdiff_t{(x + w / 2) % w} * 4;
            for (int c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>((p[c] * (256 - k) + q[c] * k + 128) >> 8);
        }
    }
}

}  // namespace

bool run_distortion(int32_t id, const Settings& s, const ConstImageView& src, const ImageView& dst) noexcept
{
    if (!same_bgra(src, dst)) return false;
    const int32_t w = src.width, h = src.height;
    const float side = float(std::max(w, h)), small = float(std::min(w, h));
    const uint32_t seed = s.seed();
    switch (id) {
    case kScriptTwirl: {
        const Centre c = centre(s, w, h, 2, 4);
        const float angle = float((s.unit(0) - 0.5) * 4.0 * kPi);
        const float radius = std::max(1.0f, float((0.05 + 0.95 * s.unit(1)) * 0.5 * std::hypot(w, h)));
        const float r2max = radius * radius, inverse = 1.0f / radius;
        warp(src, dst, Edge::Clamp, [&](float x, float y, float& sx, float& sy) {
            const float dx = x - c.x, dy = y - c.y, r2 = dx * dx + dy * dy;
            if (r2 >= r2max) {
                sx = x, sy = y;
                return;
            }
            const float t = 1.0f - std::sqrt(r2) * inverse, turn = angle * t * t;
            const float cs = std::cos(turn), sn = std::sin(turn);
            sx = c.x + dx * cs - dy * sn, sy = c.y + dx * sn + dy * cs;
        });
        return true;
    }
    case kScriptSineDistortion: {
        const float amplitude = float(s.unit(0) * 0.05 * side);
        const float k = 2.0f * kPi / float(std::max(2.0, (0.02 + 0.5 * s.unit(1)) * side));
        warp(src, dst, Edge::Mirror, [&](float x, float y, float& sx, float& sy) {
            sx = x + amplitude * std::sin(y * k), sy = y + amplitude * std::sin(x * k);
        });
        return true;
    }
    case kScriptKaleidoscope: {
        const Centre c = centre(s, w, h, 2, 4);
        const float wedge = 2.0f * kPi / float(s.steps(0, 2, 16)), turn = float(s.unit(1) * 2.0 * kPi);
        warp(src, dst, Edge::Mirror, [&](float x, float y, float& sx, float& sy) {
            const float dx = x - c.x, dy = y - c.y, r = std::sqrt(dx * dx + dy * dy);
            float a = std::atan2(dy, dx) - turn;
            a -= wedge * std::floor(a / wedge);
            if (a > wedge * 0.5f) a = wedge - a;
            sx = c.x + r * std::cos(a + turn), sy = c.y + r * std::sin(a + turn);
        });
        return true;
    }
    case kScriptPatternizer: {
        const int32_t tile = std::max(1, int32_t((0.05 + 0.45 * s.unit(0)) * small));
        const int32_t ox = int32_t(s.unit(2) * std::max(0, w - tile)), oy = int32_t(s.unit(4) * std::max(0, h - tile));
        warp(src, dst, Edge::Clamp, [&](float x, float y, float& sx, float& sy) {
            const int32_t u = int32_t(x) % (2 * tile), v = int32_t(y) % (2 * tile);
            sx = float(ox + (u < tile ? u : 2 * tile - 1 - u)), sy = float(oy + (v < tile ? v : 2 * tile - 1 - v));
        });
        return true;
    }
    case kScriptScratch: {
        const double density = 0.5 * s.unit(0), reach = 0.1 * s.unit(1) * w;
        warp(src, dst, Edge::Wrap, [&](float x, float y, float& sx, float& sy) {
            const uint32_t band = uint32_t(y) / 2;
            sx = x, sy = y;
            if (fx::unit(0, band, seed, 1) >= density) return;
            const double from = fx::unit(1, band, seed, 1) * w, length = fx::unit(2, band, seed, 1) * w * 0.6;
            if (x >= from && x < from + length) sx = x + float((fx::unit(3, band, seed, 1) - 0.5) * 2.0 * reach);
        });
        return true;
    }
    case kScriptWaves: {
        const Centre c = centre(s, w, h, 2, 4);
        const float amplitude = float(s.unit(0) * 0.03 * side);
        const float k = 2.0f * kPi / float(std::max(2.0, (0.01 + 0.2 * s.unit(1)) * side));
        warp(src, dst, Edge::Mirror, [&](float x, float y, float& sx, float& sy) {
            const float dx = x - c.x, dy = y - c.y, r = std::sqrt(dx * dx + dy * dy);
            if (r < 1e-3f) {
                sx = x, sy = y;
                return;
            }
            const float scale = (r + amplitude * std::sin(r * k)) / r;
            sx = c.x + dx * scale, sy = c.y + dy * scale;
        });
        return true;
    }
    case kScriptDivider: {
        const float n = float(s.steps(0, 2, 8));
        warp(src, dst, Edge::Clamp, [&](float x, float y, float& sx, float& sy) {
            sx = std::fmod((x + 0.5f) * n, float(w)) - 0.5f, sy = std::fmod((y + 0.5f) * n, float(h)) - 0.5f;
        });
        return true;
    }
    case kScriptCarpet: {
        const float n = float(s.steps(0, 1, 6));
        warp(src, dst, Edge::Clamp, [&](float x, float y, float& sx, float& sy) {
            sx = fold((x + 0.5f) / w * n) * w - 0.5f, sy = fold((y + 0.5f) / h * n) * h - 0.5f;
        });
        return true;
    }
    case kScriptGlass: {
        const float tile = std::max(2.0f, float((0.02 + 0.2 * s.unit(0)) * small));
        const float lens = float(0.8 * s.unit(1)), jitter = float(0.5 * s.unit(2));
        warp(src, dst, Edge::Mirror, [&](float x, float y, float& sx, float& sy) {
            const float tx = std::floor(x / tile), ty = std::floor(y / tile);
            const float cx = (tx + 0.5f) * tile, cy = (ty + 0.5f) * tile;
            const uint32_t ix = uint32_t(int32_t(tx)), iy = uint32_t(int32_t(ty));
            const float jx = float(fx::unit(ix, iy, seed, 2) - 0.5) * jitter * tile;
            const float jy = float(fx::unit(ix, iy, seed, 3) - 0.5) * jitter * tile;
            sx = cx + (x - cx) * (1.0f - lens) + jx, sy = cy + (y - cy) * (1.0f - lens) + jy;
        });
        return true;
    }
    case kScriptVoxel: {
        const float block = float(s.steps(0, 2, 64));
        warp(src, dst, Edge::Clamp, [&](float x, float y, float& sx, float& sy) {
            sx = (std::floor(x / block) + 0.5f) * block - 0.5f, sy = (std::floor(y / block) + 0.5f) * block - 0.5f;
        });
        return true;
    }
    case kScriptZoom: {
        const Centre c = centre(s, w, h, 2, 4);
        const float inverse = float(std::exp2(-(s.unit(0) - 0.5) * 4.0));
        warp(src, dst, Edge::Clamp, [&](float x, float y, float& sx, float& sy) {
            sx = c.x + (x - c.x) * inverse, sy = c.y + (y - c.y) * inverse;
        });
        return true;
    }
    case kScriptRotate: {
        const Centre c = centre(s, w, h, 2, 4);
        const double turn = s.unit(0) * 2.0 * 3.14159265358979323846;
        const float cs = float(std::cos(turn)), sn = float(std::sin(turn));
        warp(src, dst, Edge::Wrap, [&](float x, float y, float& sx, float& sy) {
            const float dx = x - c.x, dy = y - c.y;
            sx = c.x + dx * cs - dy * sn, sy = c.y + dx * sn + dy * cs;  // counter-clockwise on screen
        });
        return true;
    }
    case kScriptTilt: {
        const float k = float((s.unit(0) - 0.5) * 1.6), cx = w * 0.5f - 0.5f;
        warp(src, dst, Edge::Clamp, [&](float x, float y, float& sx, float& sy) {
            const float v = (y + 0.5f) / h - 0.5f;
            sx = cx + (x - cx) * (1.0f - 2.0f * k * v), sy = y;
        });
        return true;
    }
    case kScriptSeamless: seamless(s, src, dst); return true;
    default: return false;
    }
}

}  // namespace mur::imaging::script

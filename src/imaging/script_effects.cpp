#include "imaging/script_effects.h"

#include "engine/memory.h"
#include "imaging/script_library.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mur::imaging {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Sines and cosines of whole quarter turns come out exact, so such turns
// move pixels without blending them.
double snap(double v)
{
    if (std::fabs(v) < 1e-12) return 0.0;
    if (std::fabs(v - 1.0) < 1e-12) return 1.0;
    if (std::fabs(v + 1.0) < 1e-12) return -1.0;
    return v;
}

#if defined(__SSE2__)
// One pixel from four taps inside the picture, the four channels of a tap
// in the lanes of one vector. Every product and sum of the opaque case is
// below 2^24, so floats hold it exactly: it rounds as the integer formula,
// (sum + 32768) >> 16. Elsewhere the colours are divided by the weighted alpha.
inline __m128 tap_lanes(const uint8_t* p) noexcept
{
    int32_t bytes;
    std::memcpy(&bytes, p, 4);
    const __m128i zero = _mm_setzero_si128();
    const __m128i v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero), zero);
    return _mm_cvtepi32_ps(v);
}

inline void weighted_pixel_sse2(const uint8_t* const taps[4], const uint32_t weights[4], uint8_t* out) noexcept
{
    const bool opaque = (taps[0][3] & taps[1][3] & taps[2][3] & taps[3][3]) == 255;
    __m128 sum = _mm_setzero_ps();
    float alpha = 0.0f;
    for (int k = 0; k < 4; ++k) {
        const float weight = opaque ? float(weights[k]) : float(weights[k] * taps[k][3]);
        alpha += weight;
        sum = _mm_add_ps(sum, _mm_mul_ps(tap_lanes(taps[k]), _mm_set1_ps(weight)));
    }
    __m128 scaled;
    if (opaque) {
        scaled = _mm_mul_ps(_mm_add_ps(sum, _mm_set1_ps(32768.0f)), _mm_set1_ps(1.0f / 65536.0f));
    } else {
        scaled = _mm_add_ps(_mm_mul_ps(sum, _mm_set1_ps(1.0f / alpha)), _mm_set1_ps(0.5f));
    }
    __m128i v = _mm_cvttps_epi32(scaled);
    v = _mm_packus_epi16(_mm_packs_epi32(v, v), v);
    const int32_t bytes = _mm_cvtsi128_si32(v);
    std::memcpy(out, &bytes, 4);
    out[3] = opaque ? 255 : static_cast<uint8_t>((uint32_t(alpha) + 32768) >> 16);
}
#endif

// Columns x of [from, to) for which start + x * step lies in [0, limit),
// narrowed from what they were.
inline int64_t floor_div(int64_t a, int64_t b) noexcept { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

void inside_span(int64_t start, int64_t step, int64_t limit, int32_t& from, int32_t& to) noexcept
{
    int64_t lo = 0, hi = 0;  // x in [lo, hi)
    if (step == 0) {
        if (start < 0 || start >= limit) to = from;
        return;
    }
    if (step > 0) {
        lo = -floor_div(start, step);                    // ceil(-start / step)
        hi = -floor_div(start - limit, step);            // ceil((limit - start) / step)
    } else {
        hi = floor_div(start, -step) + 1;
        lo = floor_div(start - limit, -step) + 1;
    }
    from = static_cast<int32_t>(std::clamp<int64_t>(std::max<int64_t>(lo, from), 0, to));
    to = static_cast<int32_t>(std::clamp<int64_t>(std::min<int64_t>(hi, to), from, to));
}

// A pixel whose four taps may lie outside: those count as transparent.
void edge_pixel(const ConstImageView& source, int64_t sx, int64_t sy, uint8_t* out) noexcept
{
    const int32_t w = source.width, h = source.height;
    const int64_t x0 = sx >> 16, y0 = sy >> 16;
    if (x0 < -1 || y0 < -1 || x0 >= w || y0 >= h) {
        std::memset(out, 0, 4);
        return;
    }
    const uint32_t fx = uint32_t(sx >> 8) & 255, fy = uint32_t(sy >> 8) & 255;
    const uint32_t weights[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
    uint32_t alpha = 0, colour[3] = {0, 0, 0};
    for (int k = 0; k < 4; ++k) {
        const int64_t px = x0 + (k & 1), py = y0 + (k >> 1);
        if (px < 0 || py < 0 || px >= w || py >= h) continue;
        const uint8_t* tap = source.row(static_cast<int32_t>(py)) + px * 4;
        const uint32_t wa = weights[k] * tap[3];
        alpha += wa;
        colour[0] += wa * tap[0], colour[1] += wa * tap[1], colour[2] += wa * tap[2];
    }
    if (alpha == 0) {
        std::memset(out, 0, 4);
        return;
    }
    const double reciprocal = 1.0 / alpha;
    for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(colour[c] * reciprocal + 0.5);
    out[3] = static_cast<uint8_t>((alpha + 32768) >> 16);
}

// A pixel whose four taps all lie inside.
inline void inner_pixel(const ConstImageView& source, int64_t sx, int64_t sy, uint8_t* out) noexcept
{
    const uint32_t fx = uint32_t(sx >> 8) & 255, fy = uint32_t(sy >> 8) & 255;
    const uint32_t weights[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
    const uint8_t* taps[4];
    taps[0] = source.row(static_cast<int32_t>(sy >> 16)) + (sx >> 16) * 4;
    taps[1] = taps[0] + 4;
    taps[2] = taps[0] + source.stride;
    taps[3] = taps[2] + 4;
    if ((taps[0][3] | taps[1][3] | taps[2][3] | taps[3][3]) == 0) {
        std::memset(out, 0, 4);
        return;
    }
#if defined(__SSE2__)
    weighted_pixel_sse2(taps, weights, out);
#else
    uint32_t alpha = 0, colour[3] = {0, 0, 0};
    for (int k = 0; k < 4; ++k) {
        const uint32_t wa = weights[k] * taps[k][3];
        alpha += wa;
        colour[0] += wa * taps[k][0], colour[1] += wa * taps[k][1], colour[2] += wa * taps[k][2];
    }
    const double reciprocal = 1.0 / alpha;
    for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(colour[c] * reciprocal + 0.5);
    out[3] = static_cast<uint8_t>((alpha + 32768) >> 16);
#endif
}

}  // namespace

bool known_script_effect(int32_t number) noexcept
{
    return number == kRotateEffect || (number >= kScriptColorize && number <= kScriptMinimum) ||
           (number >= kFirstDistortion && number <= kLastDistortion) ||
           (number >= kFirstGenerator && number <= kLastGenerator);
}

bool add_script_effect(ScriptEffectList& list, int32_t number, int32_t flag) noexcept
{
    if (!known_script_effect(number) || list.count >= ScriptEffectList::kCapacity) return false;
    ScriptEffect& e = list.effects[list.count++];
    e = {};
    e.number = number;
    e.enabled = flag != 0;
    if (number == kRotateEffect) e.values[4] = 100.0;
    return true;
}

bool set_script_effect_value(ScriptEffectList& list, int32_t index, int32_t slot, double value) noexcept
{
    if (index < 0 || index >= list.count || slot < 0) return false;
    // The turn has eight value slots, the painting effects all of them.
    if (slot >= (list.effects[index].number == kRotateEffect ? 8 : kScriptValueSlots)) return false;
    list.effects[index].values[slot] = value;
    return true;
}

namespace {

// A painting effect from `source` into `image`.
bool run_painting(const ScriptEffect& e, const ConstImageView& source, const ImageView& image) noexcept
{
    const script::Settings settings{e.values};
    if (e.number >= kFirstGenerator && e.number <= kLastGenerator)
        return script::run_generator(e.number, settings, source, image);
    if (e.number >= kFirstDistortion && e.number <= kLastDistortion)
        return script::run_distortion(e.number, settings, source, image);
    return script::run_filter(e.number, settings, source, image);
}

bool run_effect(const ScriptEffect& e, const ConstImageView* source, const ImageView& image) noexcept
{
    if (e.number != kRotateEffect) {
        if (!image.data || image.width <= 0 || image.height <= 0 || image.bytesPerPixel != 4) return false;
        if (source) return script::same_bgra(*source, image) && run_painting(e, *source, image);
        const std::size_t rowBytes = std::size_t(image.width) * 4;
        mem::Owned<uint8_t> copy(static_cast<uint8_t*>(mem::try_alloc_uninit(rowBytes * std::size_t(image.height))));
        if (!copy) return false;
        for (int32_t y = 0; y < image.height; ++y) std::memcpy(copy.get() + y * rowBytes, image.row(y), rowBytes);
        const ConstImageView from(copy.get(), image.width, image.height, std::ptrdiff_t(rowBytes), 4);
        return run_painting(e, from, image);
    }
    if (e.values[5] != 0.0) {
        if (source) return rotate_rgba_weighted(*source, image, e.values[3], e.values[4]);
        if (!image.data || image.width <= 0 || image.height <= 0 || image.bytesPerPixel != 4) return false;
        const std::size_t rowBytes = std::size_t(image.width) * 4;
        mem::Owned<uint8_t> copy(static_cast<uint8_t*>(mem::try_alloc_uninit(rowBytes * std::size_t(image.height))));
        if (!copy) return false;
        for (int32_t y = 0; y < image.height; ++y) std::memcpy(copy.get() + y * rowBytes, image.row(y), rowBytes);
        const ConstImageView from(copy.get(), image.width, image.height, std::ptrdiff_t(rowBytes), 4);
        return rotate_rgba_weighted(from, image, e.values[3], e.values[4]);
    }
    if (source) {
        if (source->width != image.width || source->height != image.height || source->bytesPerPixel != 4) return false;
        for (int32_t y = 0; y < image.height; ++y) std::memcpy(image.row(y), source->row(y), std::size_t(image.width) * 4);
    }
    return rotate_about_centre(image, e.values[3], e.values[4]);
}

}  // namespace

bool run_script_effects(const ScriptEffectList& list, const ImageView& image) noexcept
{
    for (int32_t i = 0; i < list.count; ++i)
        if (list.effects[i].enabled && !run_effect(list.effects[i], nullptr, image)) return false;
    return true;
}

bool run_script_effects(const ScriptEffectList& list, const ConstImageView& source, const ImageView& image) noexcept
{
    const ConstImageView* from = &source;
    for (int32_t i = 0; i < list.count; ++i) {
        if (!list.effects[i].enabled) continue;
        if (!run_effect(list.effects[i], from, image)) return false;
        from = nullptr;
    }
    return true;
}

bool rotate_about_centre(const ImageView& image, double degrees, double zoomPercent) noexcept
{
    if (!image.data || image.bytesPerPixel != 4 || image.width <= 0 || image.height <= 0) return false;
    if (image.stride < std::ptrdiff_t{image.width} * 4 && image.stride > -std::ptrdiff_t{image.width} * 4) return false;
    if (!std::isfinite(degrees) || !std::isfinite(zoomPercent) || zoomPercent <= 0.0) return false;

    const int32_t w = image.width, h = image.height;
    const std::size_t rowBytes = std::size_t(w) * 4;
    mem::Owned<uint8_t> copy(static_cast<uint8_t*>(mem::try_alloc_uninit(rowBytes * std::size_t(h))));
    if (!copy) return false;
    for (int32_t y = 0; y < h; ++y) std::memcpy(copy.get() + y * rowBytes, image.row(y), rowBytes);
    const uint8_t* src = copy.get();

    // Each output pixel centre, taken back through the turn and the zoom,
    // lands on a source position; the centre of the picture stays put.
    const double turn = std::fmod(degrees, 360.0) * kPi / 180.0;
    const double cosA = snap(std::cos(turn)), sinA = snap(std::sin(turn));
    const double inverseZoom = 100.0 / zoomPercent;
    const double cx = w * 0.5, cy = h * 0.5;

#pragma omp parallel for schedule(static) if (int64_t{w} * h >= 65536)
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* out = image.row(y);
        const double dy = y + 0.5 - cy;
        for (int32_t x = 0; x < w; ++x, out += 4) {
            const double dx = x + 0.5 - cx;
            const double sx = (dx * cosA - dy * sinA) * inverseZoom + cx - 0.5;
            const double sy = (dx * sinA + dy * cosA) * inverseZoom + cy - 0.5;
            const double fx0 = std::floor(sx), fy0 = std::floor(sy);
            if (!(fx0 >= -1.0 && fy0 >= -1.0 && fx0 < w && fy0 < h)) {  // also when not a number
                std::memset(out, 0, 4);
                continue;
            }
            const auto x0 = static_cast<int32_t>(fx0), y0 = static_cast<int32_t>(fy0);
            const double fx = sx - fx0, fy = sy - fy0;
            const double weights[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
            double sum[4] = {0, 0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                const int32_t px = x0 + (k & 1), py = y0 + (k >> 1);
                if (px < 0 || py < 0 || px >= w || py >= h || weights[k] == 0.0) continue;
                const uint8_t* p = src + py * rowBytes + std::size_t(px) * 4;
                for (int c = 0; c < 4; ++c) sum[c] += weights[k] * p[c];
            }
            for (int c = 0; c < 4; ++c) out[c] = static_cast<uint8_t>(std::min(255.0, sum[c] + 0.5));
        }
    }
    return true;
}

bool rotate_rgba_weighted(const ConstImageView& source, const ImageView& image, double degrees,
                          double zoomPercent) noexcept
{
    if (!image.data || !source.data || image.bytesPerPixel != 4 || source.bytesPerPixel != 4) return false;
    if (image.width <= 0 || image.height <= 0 || source.width != image.width || source.height != image.height)
        return false;
    if (!std::isfinite(degrees) || !std::isfinite(zoomPercent) || zoomPercent <= 0.0) return false;
    const int32_t w = image.width, h = image.height;

    // Source positions in 16.16 fixed point: a start per row and a step per
    // column. Quarter turns have exact steps, and the start of each row
    // lies on half pixels, so they stay whole.
    const double turn = std::fmod(degrees, 360.0) * kPi / 180.0;
    const double inverseZoom = 100.0 / zoomPercent;
    const double cosA = snap(std::cos(turn)) * inverseZoom, sinA = snap(std::sin(turn)) * inverseZoom;
    const double cx = w * 0.5, cy = h * 0.5;
    if (std::fabs(cosA) * (w + h) > 1e6 || std::fabs(sinA) * (w + h) > 1e6) return false;
    const auto fixed = [](double v) { return static_cast<int64_t>(std::llround(v * 65536.0)); };
    const int64_t stepX = fixed(cosA), stepY = fixed(sinA);

    // Where all four taps lie inside: source positions in [0, w - 1) x [0, h - 1).
    const int64_t limitX = int64_t{w - 1} << 16, limitY = int64_t{h - 1} << 16;

#pragma omp parallel for schedule(static) if (int64_t{w} * h >= 65536)
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* out = image.row(y);
        const double dy = y + 0.5 - cy, dx = 0.5 - cx;
        const int64_t sx0 = fixed(dx * cosA - dy * sinA + cx - 0.5), sy0 = fixed(dx * sinA + dy * cosA + cy - 0.5);
        int32_t from = 0, to = w;  // the columns whose taps are all inside
        inside_span(sx0, stepX, limitX, from, to);
        inside_span(sy0, stepY, limitY, from, to);
        int64_t sx = sx0, sy = sy0;
        for (int32_t x = 0; x < w; ++x, out += 4, sx += stepX, sy += stepY) {
            if (x >= from && x < to) {
                for (; x < to; ++x, out += 4, sx += stepX, sy += stepY) inner_pixel(source, sx, sy, out);
                if (x == w) break;
            }
            edge_pixel(source, sx, sy, out);
        }
    }
    return true;
}

}  // namespace mur::imaging

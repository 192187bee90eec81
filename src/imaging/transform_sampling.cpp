#include "imaging/transform_sampling.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mur::imaging::sampling {
namespace {

// Positions beyond this distance are held at it: still off every picture
// the engine makes (sides below 2^18), and safe to turn into integers.
constexpr double kFar = 1 << 24;
constexpr int64_t kFarFixed = int64_t{1} << 32;  // kFar in 1/256 pixels

// A position in 1/256 pixels, rounded to the nearest; NaN counts as far off.
inline int64_t fixed_position(double v) noexcept
{
    if (!(v > -kFar)) v = -kFar;
    if (v > kFar) v = kFar;
    // Offset into the positive range, where truncation rounds down.
    return static_cast<int64_t>(v * 256.0 + (double(kFarFixed) + 0.5)) - kFarFixed;
}

#if defined(__SSE2__)
// Two neighbouring pixels (8 bytes) as 16-bit channels paired left with
// right: l0 r0 l1 r1 l2 r2 l3 r3.
inline __m128i paired(__m128i two) noexcept
{
    const __m128i wide = _mm_unpacklo_epi8(two, _mm_setzero_si128());
    return _mm_unpacklo_epi16(wide, _mm_srli_si128(wide, 8));
}

// Each channel a mix of its pair by the weights (256 - t, t) in 16-bit
// lanes, rounded to 8 bits.
inline __m128i mix_pairs(__m128i pairs, __m128i weights) noexcept
{
    return _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(pairs, weights), _mm_set1_epi32(128)), 8);
}

inline __m128i weights_of(uint32_t t) noexcept { return _mm_set1_epi32(static_cast<int32_t>((t << 16) | (256 - t))); }

// The top pair mixed by fx, the bottom pair likewise, then the two by fy;
// each step rounds to 8 bits.
inline uint32_t bilinear_pairs(__m128i top, __m128i bottom, uint32_t fx, uint32_t fy) noexcept
{
    const __m128i wx = weights_of(fx);
    const __m128i t = mix_pairs(paired(top), wx), b = mix_pairs(paired(bottom), wx);
    const __m128i tb = _mm_packs_epi32(t, b);  // t0..t3 b0..b3
    const __m128i v = mix_pairs(_mm_unpacklo_epi16(tb, _mm_srli_si128(tb, 8)), weights_of(fy));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(v, v), v)));
}

inline __m128i two_pixels(uint32_t a, uint32_t b) noexcept
{
    return _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int32_t>(a)), _mm_cvtsi32_si128(static_cast<int32_t>(b)));
}

inline uint32_t bilinear(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, uint32_t fx, uint32_t fy) noexcept
{
    return bilinear_pairs(two_pixels(p00, p01), two_pixels(p10, p11), fx, fy);
}
#else
// a + (b - a) t / 256 per byte, rounded; t in 0..256.
inline uint32_t lerp(uint32_t a, uint32_t b, uint32_t t) noexcept
{
    uint32_t out = 0;
    for (int s = 0; s < 32; s += 8)
        out |= ((((a >> s) & 255) * (256 - t) + ((b >> s) & 255) * t + 128) >> 8) << s;
    return out;
}

inline uint32_t bilinear(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, uint32_t fx, uint32_t fy) noexcept
{
    return lerp(lerp(p00, p01, fx), lerp(p10, p11, fx), fy);
}
#endif

inline uint32_t load(const uint8_t* p) noexcept
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline int64_t wrap(int64_t i, int64_t n) noexcept
{
    const int64_t r = i % n;
    return r < 0 ? r + n : r;
}

// One tap of a sample whose footprint leaves the source.
inline uint32_t edge_tap(const ConstImageView& src, int64_t x, int64_t y, EdgeMode edge, uint32_t fill) noexcept
{
    switch (edge) {
    case EdgeMode::Wrap:
        x = wrap(x, src.width);
        y = wrap(y, src.height);
        break;
    case EdgeMode::Repeat:
        x = x < 0 ? 0 : x >= src.width ? src.width - 1 : x;
        y = y < 0 ? 0 : y >= src.height ? src.height - 1 : y;
        break;
    default:
        if (x < 0 || y < 0 || x >= src.width || y >= src.height) return fill;
        break;
    }
    return load(src.data + y * src.stride + x * 4);
}

// x' = a x + b y + c, y' = d x + e y + f of `first` followed by `second`.
void compose(const double* first, const double* second, double* out) noexcept
{
    const double a = second[0] * first[0] + second[1] * first[3];
    const double b = second[0] * first[1] + second[1] * first[4];
    const double c = second[0] * first[2] + second[1] * first[5] + second[2];
    const double d = second[3] * first[0] + second[4] * first[3];
    const double e = second[3] * first[1] + second[4] * first[4];
    const double f = second[3] * first[2] + second[4] * first[5] + second[5];
    out[0] = a, out[1] = b, out[2] = c, out[3] = d, out[4] = e, out[5] = f;
}

}  // namespace

Chain merge_affine_maps(const TransformPipeline& pipeline) noexcept
{
    Chain chain;
    const int32_t n = pipeline.count < 0 ? 0 : pipeline.count > kMaxTransformMaps ? kMaxTransformMaps : pipeline.count;
    for (int32_t i = 0; i < n; ++i) {
        const TransformMap& map = pipeline.maps[i];
        if (!map.apply) continue;
        if (map.affine && chain.count > 0 && chain.stages[chain.count - 1].affine) {
            TransformMap& last = chain.stages[chain.count - 1];
            double merged[6];
            compose(last.value, map.value, merged);
            std::memcpy(last.value, merged, sizeof merged);
            continue;
        }
        chain.stages[chain.count++] = map;
    }
    return chain;
}

void source_positions(const Chain& chain, int32_t x0, int32_t y, int32_t count, double* x, double* y_) noexcept
{
    int32_t first = 0;
    if (chain.count > 0 && chain.stages[0].affine) {
        // The first affine stage straight from the pixel grid.
        const double* m = chain.stages[0].value;
        const double bx = m[0] * x0 + m[1] * y + m[2], by = m[3] * x0 + m[4] * y + m[5];
        for (int32_t i = 0; i < count; ++i) {
            x[i] = bx + m[0] * i;
            y_[i] = by + m[3] * i;
        }
        first = 1;
    } else {
        for (int32_t i = 0; i < count; ++i) {
            x[i] = double(x0 + i);
            y_[i] = double(y);
        }
    }
    for (int32_t s = first; s < chain.count; ++s) chain.stages[s].apply(chain.stages[s], x, y_, count);
}

namespace {

// The pixel sampled at (ix + fx / 256, iy + fy / 256).
inline uint32_t sample_at(const ConstImageView& src, int64_t ix, int64_t iy, uint32_t fx, uint32_t fy, EdgeMode edge,
                          uint32_t fill) noexcept
{
    if (uint64_t(ix) < uint64_t(src.width) - 1 && uint64_t(iy) < uint64_t(src.height) - 1) {
        // The whole footprint inside: the common case.
        const uint8_t* p = src.data + iy * src.stride + ix * 4;
        if ((fx | fy) == 0) return load(p);
#if defined(__SSE2__)
        return bilinear_pairs(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + src.stride)), fx, fy);
#else
        return bilinear(load(p), load(p + 4), load(p + src.stride), load(p + src.stride + 4), fx, fy);
#endif
    }
    const uint32_t p00 = edge_tap(src, ix, iy, edge, fill);
    if ((fx | fy) == 0) return p00;
    return bilinear(p00, edge_tap(src, ix + 1, iy, edge, fill), edge_tap(src, ix, iy + 1, edge, fill),
                    edge_tap(src, ix + 1, iy + 1, edge, fill), fx, fy);
}

// Positions in 1/2^32 pixels for the affine run; a 1/256 step is 2^24.
constexpr double kFine = 4294967296.0;

}  // namespace

void sample_run(const ConstImageView& src, const double* x, const double* y, int32_t count, EdgeMode edge,
                uint32_t fill, uint8_t* out) noexcept
{
    for (int32_t i = 0; i < count; ++i, out += 4) {
        const int64_t fxp = fixed_position(x[i]), fyp = fixed_position(y[i]);
        const uint32_t v = sample_at(src, fxp >> 8, fyp >> 8, static_cast<uint32_t>(fxp & 255),
                                     static_cast<uint32_t>(fyp & 255), edge, fill);
        std::memcpy(out, &v, 4);
    }
}

bool sample_affine_run(const ConstImageView& src, const double* m, int32_t x0, int32_t y, int32_t count, EdgeMode edge,
                       uint32_t fill, uint8_t* out) noexcept
{
    const double bx = m[0] * x0 + m[1] * y + m[2], by = m[3] * x0 + m[4] * y + m[5];
    const double ex = bx + m[0] * count, ey = by + m[3] * count;
    // Both ends within reach, so that the sums stay exact enough and in range.
    for (double v : {bx, by, ex, ey})
        if (!(std::fabs(v) < kFar)) return false;
    // Rounded to the nearest 1/256 by the half step added once.
    int64_t px = static_cast<int64_t>(std::llround(bx * kFine)) + (int64_t{1} << 23);
    int64_t py = static_cast<int64_t>(std::llround(by * kFine)) + (int64_t{1} << 23);
    const int64_t sx = std::llround(m[0] * kFine), sy = std::llround(m[3] * kFine);
    for (int32_t i = 0; i < count; ++i, out += 4, px += sx, py += sy) {
        const int64_t fxp = px >> 24, fyp = py >> 24;
        const uint32_t v = sample_at(src, fxp >> 8, fyp >> 8, static_cast<uint32_t>(fxp & 255),
                                     static_cast<uint32_t>(fyp & 255), edge, fill);
        std::memcpy(out, &v, 4);
    }
    return true;
}

bool usable_rgba32(const ConstImageView& v) noexcept
{
    return v.data && v.width > 0 && v.height > 0 && v.bytesPerPixel == 4 && v.stride >= std::ptrdiff_t{v.width} * 4;
}

}  // namespace mur::imaging::sampling

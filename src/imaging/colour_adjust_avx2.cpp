// The HSV shift four pixels at a time in double lanes. Every step is the
// scalar one (imaging/color_spaces.cpp, imaging/colour_adjust.cpp) done as
// a lane operation: divisions stay divisions, nothing is fused (this file is
// compiled with -ffp-contract=off), branches become selects.
#include "imaging/colour_adjust_avx2.h"

#if defined(__x86_64__)

#include <immintrin.h>

namespace mur::imaging {
namespace {

#define MUR_AVX2 __attribute__((target("avx2")))

// mask ? yes : no, lane by lane.
MUR_AVX2 inline __m256d select(__m256d mask, __m256d yes, __m256d no) { return _mm256_blendv_pd(no, yes, mask); }

// std::clamp(v, 0, 1): v < 0 ? 0 : 1 < v ? 1 : v.
MUR_AVX2 inline __m256d clamp_unit(__m256d v)
{
    const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
    return select(_mm256_cmp_pd(v, zero, _CMP_LT_OQ), zero, select(_mm256_cmp_pd(one, v, _CMP_LT_OQ), one, v));
}

// byte / 255 for every byte, looked up instead of divided.
struct Units {
    double v[256];
    Units() noexcept
    {
        for (int32_t i = 0; i < 256; ++i) v[i] = i / 255.0;
    }
};
const Units kUnits;

// One channel of four RGBA32 pixels as byte / 255.
MUR_AVX2 inline __m256d channel(__m128i px, int shift)
{
    const __m128i c = _mm_and_si128(_mm_srl_epi32(px, _mm_cvtsi32_si128(shift)), _mm_set1_epi32(0xff));
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), kUnits.v, c, all, 8);
}

// trunc(x x 255) clamped to 0..255, NaN to 0.
MUR_AVX2 inline __m128i to_bytes(__m256d x)
{
    const __m256d v = _mm256_mul_pd(x, _mm256_set1_pd(255.0));
    __m256d r = select(_mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_GT_OQ), v, _mm256_setzero_pd());
    r = select(_mm256_cmp_pd(v, _mm256_set1_pd(255.0), _CMP_GE_OQ), _mm256_set1_pd(255.0), r);
    return _mm256_cvttpd_epi32(r);
}

// Sector n's colour where floor(h / 60) = n.
MUR_AVX2 inline void sector(__m256d i, double n, __m256d r, __m256d g, __m256d b, __m256d& ro, __m256d& go,
                            __m256d& bo)
{
    const __m256d m = _mm256_cmp_pd(i, _mm256_set1_pd(n), _CMP_EQ_OQ);
    ro = select(m, r, ro);
    go = select(m, g, go);
    bo = select(m, b, bo);
}

MUR_AVX2 __m128i shift_four(__m128i px, __m256d hueShift, __m256d satShift, __m256d valueShift)
{
    const __m256d r = channel(px, 0), g = channel(px, 8), b = channel(px, 16);
    const __m256d zero = _mm256_setzero_pd();
    // RGB to HSV.
    const __m256d mx = _mm256_max_pd(_mm256_max_pd(r, g), b);
    const __m256d mn = _mm256_min_pd(_mm256_min_pd(r, g), b);
    const __m256d delta = _mm256_sub_pd(mx, mn);
    const __m256d grey = _mm256_cmp_pd(delta, zero, _CMP_EQ_OQ);
    // The hue's numerator and sector offset chosen first, then one division
    // (x / delta + 0 is x / delta: no numerator here gives -0).
    const __m256d rIsMax = _mm256_cmp_pd(r, mx, _CMP_EQ_OQ), gIsMax = _mm256_cmp_pd(g, mx, _CMP_EQ_OQ);
    __m256d num = select(gIsMax, _mm256_sub_pd(b, r), _mm256_sub_pd(r, g));
    __m256d offset = select(gIsMax, _mm256_set1_pd(2.0), _mm256_set1_pd(4.0));
    num = select(rIsMax, _mm256_sub_pd(g, b), num);
    offset = select(rIsMax, zero, offset);
    __m256d h = _mm256_add_pd(_mm256_div_pd(num, delta), offset);
    h = _mm256_mul_pd(h, _mm256_set1_pd(60.0));
    h = select(_mm256_cmp_pd(h, zero, _CMP_LT_OQ), _mm256_add_pd(h, _mm256_set1_pd(360.0)), h);
    // The shifts; a grey keeps hue and saturation 0.
    h = _mm256_add_pd(h, hueShift);
    h = select(_mm256_cmp_pd(h, _mm256_set1_pd(360.0), _CMP_GE_OQ), _mm256_sub_pd(h, _mm256_set1_pd(360.0)),
               select(_mm256_cmp_pd(h, zero, _CMP_LT_OQ), _mm256_add_pd(h, _mm256_set1_pd(360.0)), h));
    h = select(grey, zero, h);
    __m256d s = clamp_unit(_mm256_add_pd(_mm256_div_pd(delta, mx), satShift));
    s = select(grey, zero, s);
    const __m256d v = clamp_unit(_mm256_add_pd(mx, valueShift));
    // HSV to RGB.
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d k =
        _mm256_div_pd(select(_mm256_cmp_pd(h, _mm256_set1_pd(360.0), _CMP_EQ_OQ), zero, h), _mm256_set1_pd(60.0));
    const __m256d i = _mm256_floor_pd(k);
    const __m256d f = _mm256_sub_pd(k, i);
    const __m256d p = _mm256_mul_pd(v, _mm256_sub_pd(one, s));
    const __m256d q = _mm256_mul_pd(v, _mm256_sub_pd(one, _mm256_mul_pd(s, f)));
    const __m256d t = _mm256_mul_pd(v, _mm256_sub_pd(one, _mm256_mul_pd(s, _mm256_sub_pd(one, f))));
    __m256d ro = v, go = p, bo = q;  // sector 5 and anything else
    sector(i, 0, v, t, p, ro, go, bo);
    sector(i, 1, q, v, p, ro, go, bo);
    sector(i, 2, p, v, t, ro, go, bo);
    sector(i, 3, p, q, v, ro, go, bo);
    sector(i, 4, t, p, v, ro, go, bo);
    const __m256d flat = _mm256_cmp_pd(s, zero, _CMP_EQ_OQ);
    ro = select(flat, v, ro);
    go = select(flat, v, go);
    bo = select(flat, v, bo);
    const __m128i out = _mm_or_si128(_mm_or_si128(to_bytes(ro), _mm_slli_epi32(to_bytes(go), 8)),
                                     _mm_slli_epi32(to_bytes(bo), 16));
    return _mm_or_si128(out, _mm_and_si128(px, _mm_set1_epi32(int32_t(0xff000000u))));
}

}  // namespace

bool hsv_rows_avx2_available() noexcept { return __builtin_cpu_supports("avx2"); }

MUR_AVX2 int32_t adjust_hsv_row_avx2(uint8_t* rgba, int32_t width, HueShift shift) noexcept
{
    const __m256d hueShift = _mm256_set1_pd(double(shift.hue % 360));
    const __m256d satShift = _mm256_set1_pd(shift.second / 100.0);
    const __m256d valueShift = _mm256_set1_pd(shift.third / 100.0);
    const __m128i rgbMask = _mm_set1_epi32(0x00ffffff);
    // Runs of one colour: four pixels like the last four reuse their result.
    __m128i lastIn = _mm_set1_epi32(-1), lastOut = _mm_setzero_si128();
    const int32_t done = width / 4 * 4;
    for (int32_t x = 0; x < done; x += 4, rgba += 16) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgba));
        const __m128i in = _mm_and_si128(px, rgbMask);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(in, lastIn)) != 0xffff) {
            lastIn = in;
            lastOut = _mm_and_si128(shift_four(px, hueShift, satShift, valueShift), rgbMask);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rgba), _mm_or_si128(lastOut, _mm_andnot_si128(rgbMask, px)));
    }
    return done;
}

}  // namespace mur::imaging

#else

namespace mur::imaging {

bool hsv_rows_avx2_available() noexcept { return false; }
int32_t adjust_hsv_row_avx2(uint8_t*, int32_t, HueShift) noexcept { return 0; }

}  // namespace mur::imaging

#endif

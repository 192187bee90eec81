// A row of paint in a mode that composites as Normal without an alpha stage,
// over a row of layer pixels, four pixels a step with AVX2 in double
// precision. The lanes run the operations of the one-pixel code
// (merge_pixel.cpp) in the same order, without fused multiply-adds, so the
// pixels come out the same to the bit.
#include "layers/merge_pixel.h"

#include <immintrin.h>

namespace mur {
namespace {

#define MUR_AVX2 __attribute__((target("avx2")))

// Channel K of four RGBA64 pixels as doubles.
template <int K>
MUR_AVX2 inline __m256d channel(__m256i pixels)
{
    const __m256i values = _mm256_and_si256(_mm256_srli_epi64(pixels, 16 * K), _mm256_set1_epi64x(0xFFFF));
    const __m256i packed = _mm256_permutevar8x32_epi32(values, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
    return _mm256_cvtepi32_pd(_mm256_castsi256_si128(packed));
}

MUR_AVX2 inline __m256d select(__m256d mask, __m256d whenSet, __m256d otherwise)
{
    return _mm256_blendv_pd(otherwise, whenSet, mask);
}

// Four int32 lanes (the low 128 bits) as the low 16 bits of four 64-bit lanes.
MUR_AVX2 inline __m256i widen(__m128i v) { return _mm256_cvtepu32_epi64(v); }

}  // namespace

MUR_AVX2 int64_t merge_paint_row_normal_avx2(const PaintRow& r, bool copiesOpaque) noexcept
{
    const __m256d zero = _mm256_setzero_pd(), one = _mm256_set1_pd(1.0);
    const __m256d colourScale = _mm256_set1_pd(65280.0), alphaScale = _mm256_set1_pd(65535.0);
    const __m256i density = _mm256_set1_epi64x(r.density + 1), opacity = _mm256_set1_epi64x(r.opacity + 1);
    const __m256i low16 = _mm256_set1_epi64x(0xFFFF);
    const __m256i opaqueBelow = _mm256_set1_epi64x(copiesOpaque ? 65279 : 65535);
    int64_t i = 0;
    for (; i + 4 <= r.width; i += 4) {
        const __m256i paint = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.paint + i * 4));
        // amount = (alpha x (density + 1)) >> 8, then the opacity.
        __m256i u = _mm256_srli_epi64(_mm256_mul_epu32(_mm256_srli_epi64(paint, 48), density), 8);
        if (_mm256_testz_si256(u, u)) continue;  // no paint here
        const __m256i noPaint = _mm256_cmpeq_epi64(u, _mm256_setzero_si256());  // left as it is
        if (r.opacity < 255) u = _mm256_srli_epi64(_mm256_mul_epu32(u, opacity), 8);

        uint16_t* target = r.pixels + i * 4;
        const __m256i dest = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(target));
        const __m256i destAlphaInt = _mm256_srli_epi64(dest, 48);
        const __m256i destClear = _mm256_cmpeq_epi64(destAlphaInt, _mm256_setzero_si256());
        const __m256i uZero = _mm256_cmpeq_epi64(u, _mm256_setzero_si256());
        const __m256i opaque = _mm256_andnot_si256(destClear, _mm256_cmpgt_epi64(u, opaqueBelow));
        const __m256i copied = _mm256_or_si256(_mm256_andnot_si256(uZero, destClear), opaque);
        const __m256i clear = _mm256_and_si256(destClear, uZero);  // (lanes without paint are kept below)
        const __m256i keep = _mm256_or_si256(noPaint, _mm256_andnot_si256(destClear, uZero));
        const __m256i mixed = _mm256_andnot_si256(_mm256_or_si256(_mm256_or_si256(destClear, uZero), opaque),
                                                  _mm256_set1_epi64x(-1));

        // Copied pixels: the paint colour and u as they are.
        __m256i result = _mm256_or_si256(_mm256_andnot_si256(_mm256_set1_epi64x(int64_t(0xFFFF) << 48), paint),
                                         _mm256_slli_epi64(u, 48));
        result = _mm256_blendv_epi8(dest, result, copied);
        result = _mm256_andnot_si256(clear, result);
        if (!_mm256_testz_si256(mixed, mixed)) {
            const __m256i uPacked = _mm256_permutevar8x32_epi32(u, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
            const __m256d sa = _mm256_div_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(uPacked)), alphaScale);
            const __m256d da = _mm256_div_pd(channel<3>(dest), alphaScale);
            const __m256d ao = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(one, da), sa), da);
            __m256d a = select(_mm256_cmp_pd(one, ao, _CMP_LT_OQ), one, ao);
            a = select(_mm256_cmp_pd(ao, zero, _CMP_LT_OQ), zero, a);
            const __m256d uncovered = _mm256_sub_pd(one, sa);
            const __m256d source[3] = {channel<0>(paint), channel<1>(paint), channel<2>(paint)};
            const __m256d target3[3] = {channel<0>(dest), channel<1>(dest), channel<2>(dest)};
            __m256i blended = _mm256_slli_epi64(widen(_mm256_cvttpd_epi32(_mm256_mul_pd(a, alphaScale))), 48);
            for (int k = 0; k < 3; ++k) {
                const __m256d sca = _mm256_div_pd(_mm256_mul_pd(source[k], sa), colourScale);
                const __m256d dca = _mm256_div_pd(_mm256_mul_pd(target3[k], da), colourScale);
                const __m256d x = _mm256_div_pd(_mm256_add_pd(sca, _mm256_mul_pd(dca, uncovered)), a);
                const __m256d capped = select(_mm256_cmp_pd(one, x, _CMP_LT_OQ), one, x);
                const __m256d straight = select(_mm256_cmp_pd(x, zero, _CMP_GT_OQ), capped, zero);
                const __m256i value = widen(_mm256_cvttpd_epi32(_mm256_mul_pd(straight, colourScale)));
                blended = _mm256_or_si256(blended, _mm256_slli_epi64(_mm256_and_si256(value, low16), 16 * k));
            }
            result = _mm256_blendv_epi8(result, blended, mixed);
        }
        if (r.alphaLock) result = _mm256_blendv_epi8(result, dest, _mm256_set1_epi64x(int64_t(0xFFFF) << 48));
        result = _mm256_blendv_epi8(result, dest, keep);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target), result);
    }
    return i;
}

}  // namespace mur

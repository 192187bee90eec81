// Normal's layer pixels over the view's running composite, eight pixels a
// step with AVX2. The lanes run the very operations of the one-pixel frame
// in the same order (the functions carry the avx2 target only: no fused
// multiply-adds), so the composite is the same to the bit; view_compositing
// uses this kernel when the processor has AVX2 and its own loop otherwise.
#include "paint/view_normal_rows.h"

#include <immintrin.h>

#include <cstring>

namespace mur::view {
namespace {

#define MUR_AVX2 __attribute__((target("avx2")))

// Channel K of eight RGBA64 pixels (four in each register) as 32-bit lanes.
template <int K>
MUR_AVX2 inline __m256i channel(__m256i first, __m256i second)
{
    const __m256i low16 = _mm256_set1_epi64x(0xFFFF);
    const __m256i lo = _mm256_and_si256(_mm256_srli_epi64(first, 16 * K), low16);
    const __m256i hi = _mm256_and_si256(_mm256_srli_epi64(second, 16 * K), low16);
    const __m256i mixed = _mm256_blend_epi32(lo, _mm256_slli_epi64(hi, 32), 0xAA);  // 0 4 1 5 2 6 3 7
    return _mm256_permutevar8x32_epi32(mixed, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
}

MUR_AVX2 inline __m256 select(__m256 mask, __m256 whenSet, __m256 otherwise)
{
    return _mm256_blendv_ps(otherwise, whenSet, mask);
}

}  // namespace

MUR_AVX2 int composite_normal_avx2(const uint16_t* pixels, int n, int opaqueUpTo, int32_t opacity,
                                   bool copiesOpaque, Composite& acc) noexcept
{
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    const __m256 colourScale = _mm256_set1_ps(65280.0f), alphaScale = _mm256_set1_ps(65535.0f);
    const __m256i opacityFactor = _mm256_set1_epi32(opacity + 1);
    const __m256i opaqueBelow = _mm256_set1_epi32(copiesOpaque ? 65279 : 65535);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        _mm_prefetch(reinterpret_cast<const char*>(pixels + i * 4 + 256), _MM_HINT_T0);
        const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + i * 4));
        const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + i * 4 + 16));
        __m256i u = channel<3>(first, second);
        if (i < opaqueUpTo) {
            const __m256i forced = _mm256_cmpgt_epi32(_mm256_set1_epi32(opaqueUpTo - i), lanes);
            u = _mm256_blendv_epi8(u, _mm256_set1_epi32(65535), forced);
        }
        if (_mm256_testz_si256(u, u)) continue;  // no coverage: nothing changes
        if (opacity < 255) u = _mm256_srli_epi32(_mm256_mullo_epi32(u, opacityFactor), 8);

        const __m256 destAlpha = _mm256_loadu_ps(acc.a + i);
        const __m256 destClear = _mm256_cmp_ps(destAlpha, zero, _CMP_EQ_OQ);
        const __m256 uZero = _mm256_castsi256_ps(_mm256_cmpeq_epi32(u, _mm256_setzero_si256()));
        const __m256 opaque = _mm256_andnot_ps(destClear, _mm256_castsi256_ps(_mm256_cmpgt_epi32(u, opaqueBelow)));
        const __m256 clear = _mm256_and_ps(destClear, uZero);
        const __m256 replace = _mm256_andnot_ps(uZero, destClear);
        const __m256 copied = _mm256_or_ps(replace, opaque);
        const __m256 mixed = _mm256_andnot_ps(_mm256_or_ps(_mm256_or_ps(destClear, uZero), opaque), _mm256_castsi256_ps(_mm256_set1_epi32(-1)));

        // u / 65535 is exactly 1 where u is 65535 (the opaque case).
        const __m256i full = _mm256_set1_epi32(65535);
        const bool allFull = _mm256_testc_si256(_mm256_cmpeq_epi32(u, full), _mm256_set1_epi32(-1));
        const __m256 sa = allFull ? one : _mm256_div_ps(_mm256_cvtepi32_ps(u), alphaScale);
        __m256 alpha = select(clear, zero, destAlpha);
        alpha = select(replace, sa, alpha);
        alpha = select(opaque, one, alpha);

        const __m256 c[3] = {_mm256_cvtepi32_ps(channel<0>(first, second)),
                             _mm256_cvtepi32_ps(channel<1>(first, second)),
                             _mm256_cvtepi32_ps(channel<2>(first, second))};
        __m256 out[3];
        const bool anyCopied = !_mm256_testz_ps(copied, copied);
        for (int k = 0; k < 3; ++k) {
            const __m256 dest = _mm256_loadu_ps(acc.c[k] + i);
            out[k] = select(clear, zero, dest);
            if (anyCopied) out[k] = select(copied, _mm256_div_ps(c[k], colourScale), out[k]);
        }
        if (!_mm256_testz_ps(mixed, mixed)) {
            // Ao = (1 - Da) Sa + Da, clamped; X = (Sca + Dca (1 - Sa)) / Ao.
            const __m256 ao = _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(one, destAlpha), sa), destAlpha);
            __m256 a = select(_mm256_cmp_ps(one, ao, _CMP_LT_OQ), one, ao);
            a = select(_mm256_cmp_ps(ao, zero, _CMP_LT_OQ), zero, a);
            const __m256 uncovered = _mm256_sub_ps(one, sa);
            for (int k = 0; k < 3; ++k) {
                const __m256 dest = _mm256_loadu_ps(acc.c[k] + i);
                const __m256 sca = _mm256_div_ps(_mm256_mul_ps(c[k], sa), colourScale);
                const __m256 dca = _mm256_mul_ps(dest, destAlpha);
                const __m256 x = _mm256_div_ps(_mm256_add_ps(sca, _mm256_mul_ps(dca, uncovered)), a);
                const __m256 capped = select(_mm256_cmp_ps(one, x, _CMP_LT_OQ), one, x);
                const __m256 straight = select(_mm256_cmp_ps(x, zero, _CMP_GT_OQ), capped, zero);
                out[k] = select(mixed, straight, out[k]);
            }
            alpha = select(mixed, a, alpha);
        }
        for (int k = 0; k < 3; ++k) _mm256_storeu_ps(acc.c[k] + i, out[k]);
        _mm256_storeu_ps(acc.a + i, alpha);
    }
    return i;
}

MUR_AVX2 int finish_plain_avx2(const Composite& acc, int n, const int32_t* xs, int32_t y, uint8_t* bgr) noexcept
{
    const __m256 colourScale = _mm256_set1_ps(65280.0f), alphaScale = _mm256_set1_ps(65535.0f);
    const __m256i opaque = _mm256_set1_epi32(65535), cellRow = _mm256_set1_epi32(y >> 5);
    const __m256i odd = _mm256_set1_epi32(40959), one = _mm256_set1_epi32(1), low25 = _mm256_set1_epi32(0x1FFFFFF);
    // The three bytes of each of four pixel words, in the low 12 bytes of each half.
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i a = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_loadu_ps(acc.a + i), alphaScale));
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(xs + i));
        const __m256i oddCell = _mm256_cmpeq_epi32(
            _mm256_and_si256(_mm256_add_epi32(_mm256_srai_epi32(x, 5), cellRow), one), one);
        const __m256i background = _mm256_blendv_epi8(opaque, odd, oddCell);
        const __m256i under = _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(opaque, a), background), 8);
        const __m256i shows = _mm256_cmpgt_epi32(opaque, a);  // a < 65535: the checkerboard shows through
        __m256i channel[3];
        for (int k = 0; k < 3; ++k) {
            const __m256i c = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_loadu_ps(acc.c[k] + i), colourScale));
            const __m256i over = _mm256_srli_epi32(_mm256_mullo_epi32(c, a), 8);
            const __m256i mixed = _mm256_srli_epi32(_mm256_and_si256(_mm256_add_epi32(over, under), low25), 8);
            channel[k] = _mm256_and_si256(_mm256_srli_epi32(_mm256_blendv_epi8(c, mixed, shows), 8),
                                          _mm256_set1_epi32(0xFF));
        }
        // Pixel words blue | green << 8 | red << 16, then three bytes each.
        const __m256i words = _mm256_or_si256(
            channel[2], _mm256_or_si256(_mm256_slli_epi32(channel[1], 8), _mm256_slli_epi32(channel[0], 16)));
        const __m256i packed = _mm256_shuffle_epi8(words, pack);
        uint8_t* out = bgr + i * 3;
        const __m128i lo = _mm256_castsi256_si128(packed), hi = _mm256_extracti128_si256(packed, 1);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), lo);
        const int32_t loTail = _mm_extract_epi32(lo, 2);
        std::memcpy(out + 8, &loTail, 4);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 12), hi);
        const int32_t hiTail = _mm_extract_epi32(hi, 2);
        std::memcpy(out + 20, &hiTail, 4);
    }
    return i;
}

}  // namespace mur::view

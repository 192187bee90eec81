// The row kernels of the plain dab for processors with AVX2 and FMA: eight
// pixels a step, with the same results as the portable kernels.
//
// Every value of the plain dab's arithmetic stays within 16 bits once the
// coverage is (the alpha scale is at most 128, colours are 16-bit): the
// products that are shifted right by 16 are the high halves of 16-bit
// multiplies, and the two products of a channel, each with its low 16 bits
// cleared, are their high halves added (their sum stays below 65535). The
// eight pixels are therefore split into channel vectors of 16-bit lanes
// (red and blue in one register, green and alpha in another) and worked on
// together. The division of a channel by the result alpha is done in
// doubles, as `divide_exact` in plain_dab_rows.h; the quotient of a
// numerator P * 65536 is P times the reciprocal 65536 / n, the same product.
//
// The functions carry their target attribute instead of the file being
// compiled for AVX2: nothing here may be shared with code that runs on
// processors without it.
#include "paint/plain_dab_rows.h"

#if defined(__x86_64__)

#include <immintrin.h>

#include <algorithm>

// Vectors pass between the inline helpers only.
#pragma GCC diagnostic ignored "-Wpsabi"

#define MUR_AVX2 __attribute__((target("avx2,fma")))
#define MUR_AVX2_INLINE MUR_AVX2 inline __attribute__((always_inline))

namespace mur::plain_dab {
namespace {

// The values of a row, set once.
struct Constants {
    __m128i ones;          // every lane 65535
    __m128i scale;         // alphaScale << 9: (a * alphaScale) >> 7 as a high half
    __m128i density;
    __m128i alpha;         // S_A
    __m128i green;         // S_G
    __m256i redBlue;       // S_R | S_B
    __m256i greenAlpha;    // S_G | S_A
    __m256i iota;          // 0..7
    __m256d numerator;     // 65536
    __m256d bias;          // kQuotientBias
    __m256d largest;       // 65535
    bool scaled, solid, writeAlpha;
};

// Byte orders that turn two pixels (R0 G0 B0 A0 R1 G1 B1 A1) into channel
// pairs (R0 R1 G0 G1 B0 B1 A0 A1) and back, in each half of a register.
MUR_AVX2_INLINE __m256i to_pairs()
{
    return _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12,
                            13, 6, 7, 14, 15);
}
MUR_AVX2_INLINE __m256i from_pairs()
{
    return _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15, 0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6,
                            7, 10, 11, 14, 15);
}

// floor(P * 65536 / n), at most 65535, for eight 16-bit P; r0 and r1 hold
// 65536 / n of lanes 0..3 and 4..7.
MUR_AVX2_INLINE __m128i quotients(__m128i p, __m256d r0, __m256d r1, const Constants& c)
{
    const __m256d low = _mm256_cvtepi32_pd(_mm_cvtepu16_epi32(p));
    const __m256d high = _mm256_cvtepi32_pd(_mm_unpackhi_epi16(p, _mm_setzero_si128()));
    const __m128i q0 = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_fmadd_pd(low, r0, c.bias), c.largest));
    const __m128i q1 = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_fmadd_pd(high, r1, c.bias), c.largest));
    return _mm_packus_epi32(q0, q1);
}

// Eight pixels from x on. `steps` holds their eight shape columns; `texture`
// and `mask` are read at x. A tail step (fewer than eight pixels left) gets
// copies of its inputs padded to eight, x = 0 for them, and `valid` marks
// the pixels that exist: of the target, only those that are painted are read
// and written.
template <bool Grit, bool Texture, bool MaskCoverage, bool MaskCap, bool Tail>
MUR_AVX2_INLINE void paint_eight(const Constants& c, const int32_t* steps, const uint16_t* shape, const uint8_t* grit,
                                 const uint8_t* texture, const uint16_t* mask, int32_t x, uint16_t* dst,
                                 __m128i valid)
{
    const __m128i zero = _mm_setzero_si128();

    // Coverage, one 16-bit lane per pixel. Columns that follow one another
    // are read at once, others one by one.
    __m128i a, g = zero;
    const int32_t u0 = steps[0];
    const __m256i columns = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(steps));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(columns, _mm256_add_epi32(_mm256_set1_epi32(u0), c.iota))) == -1) {
        a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(shape + u0));
        if constexpr (Grit) g = _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(grit + u0)));
    } else {
        a = _mm_setr_epi16(static_cast<int16_t>(shape[steps[0]]), static_cast<int16_t>(shape[steps[1]]),
                           static_cast<int16_t>(shape[steps[2]]), static_cast<int16_t>(shape[steps[3]]),
                           static_cast<int16_t>(shape[steps[4]]), static_cast<int16_t>(shape[steps[5]]),
                           static_cast<int16_t>(shape[steps[6]]), static_cast<int16_t>(shape[steps[7]]));
        if constexpr (Grit)
            g = _mm_setr_epi16(grit[steps[0]], grit[steps[1]], grit[steps[2]], grit[steps[3]], grit[steps[4]],
                               grit[steps[5]], grit[steps[6]], grit[steps[7]]);
    }
    if (c.scaled) a = _mm_mulhi_epu16(a, c.scale);
    if constexpr (Texture) {
        const __m128i t = _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(texture + x)));
        const __m128i opaque = _mm_cmpeq_epi16(t, _mm_set1_epi16(255));
        a = _mm_blendv_epi8(_mm_mulhi_epu16(a, _mm_slli_epi16(t, 8)), a, opaque);
    }
    __m128i m = zero;
    if constexpr (MaskCoverage || MaskCap) {
        // Read here, not where the alpha cap needs it: the mask row is often
        // not cached yet, and the wait is shorter the sooner it starts.
        m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + x));
        asm("" : "+x"(m));
    }
    if constexpr (MaskCoverage) a = _mm_blendv_epi8(_mm_mulhi_epu16(a, m), a, _mm_cmpeq_epi16(m, c.ones));
    __m128i skip = _mm_cmpeq_epi16(a, zero);
    if constexpr (Grit) skip = _mm_or_si128(skip, _mm_cmpgt_epi16(g, c.density));
    const __m128i active = _mm_andnot_si128(skip, Tail ? valid : c.ones);
    if (_mm_testz_si128(active, active)) return;
    if (c.solid) a = c.ones;
    const __m128i sigma = _mm_mulhi_epu16(a, c.alpha);

    // The target as channel vectors: R | B and G | A, eight lanes each.
    const __m256i near = _mm256_cvtepi16_epi64(active);
    const __m256i far = _mm256_cvtepi16_epi64(_mm_unpackhi_epi64(active, active));
    __m256i d0, d1;
    if constexpr (Tail) {
        d0 = _mm256_maskload_epi64(reinterpret_cast<const long long*>(dst), near);
        d1 = _mm256_maskload_epi64(reinterpret_cast<const long long*>(dst + 16), far);
    } else {
        d0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst));
        d1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + 16));
    }
    const __m256i gather = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m256i t0 = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(d0, to_pairs()), gather);
    const __m256i t1 = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(d1, to_pairs()), gather);
    const __m256i rb = _mm256_unpacklo_epi64(t0, t1);
    const __m256i ga = _mm256_unpackhi_epi64(t0, t1);

    const __m128i da = _mm256_extracti128_si256(ga, 1);
    const __m128i clear = _mm_cmpeq_epi16(da, zero);
    // Result alpha over paint: ((65535 - D_A) * sigma) >> 16 + D_A; onto a
    // transparent pixel: sigma.
    const __m128i n = _mm_add_epi16(_mm_mulhi_epu16(_mm_xor_si128(da, c.ones), sigma), da);
    __m128i red = zero, green = zero, blue = zero;
    if (!_mm_testz_si128(_mm_andnot_si128(clear, active), c.ones)) {
        const __m256i alphas = _mm256_permute2x128_si256(ga, ga, 0x11);
        const __m256i sigmas = _mm256_broadcastsi128_si256(sigma);
        const __m256i keep = _mm256_xor_si256(sigmas, _mm256_set1_epi16(-1));
        // (P1 + P2) >> 16 per channel.
        const __m256i prb = _mm256_add_epi16(_mm256_mulhi_epu16(keep, _mm256_mulhi_epu16(rb, alphas)),
                                             _mm256_mulhi_epu16(sigmas, c.redBlue));
        const __m256i pga = _mm256_add_epi16(_mm256_mulhi_epu16(keep, _mm256_mulhi_epu16(ga, alphas)),
                                             _mm256_mulhi_epu16(sigmas, c.greenAlpha));
        // n is 0 only where nothing is divided.
        const __m128i divisor = _mm_max_epu16(n, _mm_set1_epi16(1));
        const __m256d r0 = _mm256_div_pd(c.numerator, _mm256_cvtepi32_pd(_mm_cvtepu16_epi32(divisor)));
        const __m256d r1 = _mm256_div_pd(c.numerator, _mm256_cvtepi32_pd(_mm_unpackhi_epi16(divisor, zero)));
        red = quotients(_mm256_castsi256_si128(prb), r0, r1, c);
        blue = quotients(_mm256_extracti128_si256(prb, 1), r0, r1, c);
        green = quotients(_mm256_castsi256_si128(pga), r0, r1, c);
    }
    __m128i alpha = da;
    if (c.writeAlpha) {
        alpha = _mm_blendv_epi8(n, sigma, clear);
        if constexpr (MaskCap) alpha = _mm_min_epu16(alpha, m);
    }
    const __m256i clears = _mm256_broadcastsi128_si256(clear);
    const __m256i actives = _mm256_broadcastsi128_si256(active);
    const __m256i newRB = _mm256_blendv_epi8(_mm256_set_m128i(blue, red), c.redBlue, clears);
    const __m256i newGA = _mm256_set_m128i(alpha, _mm_blendv_epi8(green, c.green, clear));
    const __m256i outRB = _mm256_blendv_epi8(rb, newRB, actives);
    const __m256i outGA = _mm256_blendv_epi8(ga, newGA, actives);

    // Back to pixels.
    const __m256i scatter = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    const __m256i p0 = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(_mm256_unpacklo_epi64(outRB, outGA), scatter),
                                           from_pairs());
    const __m256i p1 = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(_mm256_unpackhi_epi64(outRB, outGA), scatter),
                                           from_pairs());
    if constexpr (Tail) {
        _mm256_maskstore_epi64(reinterpret_cast<long long*>(dst), near, p0);
        _mm256_maskstore_epi64(reinterpret_cast<long long*>(dst + 16), far, p1);
    } else {
        // Pixels left out keep their values: the row is this thread's alone.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), p0);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 16), p1);
    }
}

template <bool Grit, bool Texture, bool MaskCoverage, bool MaskCap>
MUR_AVX2 void paint_row(const PlainRow& row) noexcept
{
    Constants c;
    c.ones = _mm_set1_epi16(-1);
    c.scale = _mm_set1_epi16(static_cast<int16_t>(std::min<uint32_t>(row.alphaScale, 127) << 9));
    c.density = _mm_set1_epi16(static_cast<int16_t>(row.density));
    c.alpha = _mm_set1_epi16(static_cast<int16_t>(row.colour[3]));
    c.green = _mm_set1_epi16(static_cast<int16_t>(row.colour[1]));
    c.redBlue = _mm256_set_m128i(_mm_set1_epi16(static_cast<int16_t>(row.colour[2])),
                                 _mm_set1_epi16(static_cast<int16_t>(row.colour[0])));
    c.greenAlpha = _mm256_set_m128i(c.alpha, c.green);
    c.iota = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    c.numerator = _mm256_set1_pd(65536.0);
    c.bias = _mm256_set1_pd(kQuotientBias);
    c.largest = _mm256_set1_pd(65535.0);
    c.scaled = row.alphaScale < 128;
    c.solid = row.solid;
    c.writeAlpha = row.writeAlpha;

    // The stores to the target may alias anything: the row's values are
    // kept in locals so that they are not read again.
    const int32_t left = row.left, count = row.right - row.left;
    uint16_t* const target = row.target;
    const int32_t* const columns = row.steps;
    const uint16_t* const shape = row.shape;
    const uint8_t* const grit = row.grit;
    const uint8_t* const texture = row.texture;
    const uint16_t* const mask = row.mask;
    int32_t k = 0;
    for (; k + 8 <= count; k += 8)
        paint_eight<Grit, Texture, MaskCoverage, MaskCap, false>(c, columns + k, shape, grit, texture, mask, left + k,
                                                                 target + int64_t(left + k) * 4, c.ones);
    if (k < count) {
        const int32_t rest = count - k;
        int32_t restColumns[8];
        uint8_t restTexture[8] = {};
        uint16_t restMask[8] = {};
        for (int32_t i = 0; i < 8; ++i) restColumns[i] = columns[k + std::min(i, rest - 1)];
        for (int32_t i = 0; i < rest; ++i) {
            if constexpr (Texture) restTexture[i] = texture[left + k + i];
            if constexpr (MaskCoverage || MaskCap) restMask[i] = mask[left + k + i];
        }
        const __m128i valid =
            _mm_cmpgt_epi16(_mm_set1_epi16(static_cast<int16_t>(rest)), _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7));
        paint_eight<Grit, Texture, MaskCoverage, MaskCap, true>(c, restColumns, shape, grit, restTexture, restMask, 0,
                                                                target + int64_t(left + k) * 4, valid);
    }
}

template <int Flags>
constexpr RowKernel kernel_for = paint_row<(Flags & kWithGrit) != 0, (Flags & kWithTexture) != 0,
                                           (Flags & kMaskOnCoverage) != 0, (Flags & kMaskCapsAlpha) != 0>;

constexpr RowKernels kAvx2{{
    kernel_for<0>,  kernel_for<1>,  kernel_for<2>,  kernel_for<3>,  kernel_for<4>,  kernel_for<5>,
    kernel_for<6>,  kernel_for<7>,  kernel_for<8>,  kernel_for<9>,  kernel_for<10>, kernel_for<11>,
    kernel_for<12>, kernel_for<13>, kernel_for<14>, kernel_for<15>,
}};

}  // namespace

const RowKernels& avx2_rows() noexcept { return kAvx2; }

}  // namespace mur::plain_dab

#else

namespace mur::plain_dab {

const RowKernels& avx2_rows() noexcept { return portable_rows(); }

}  // namespace mur::plain_dab

#endif

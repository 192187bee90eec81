// The row kernels of the common grit dab: a flat colour in mix mode 32
// without rotation, pick-up, variation, erasing, locks or an alpha level.
// Two implementations give the same bytes for every row they accept: the
// portable one (plain_dab_rows.cpp), which is also the reference, and one for
// processors with AVX2 and FMA (plain_dab_rows_avx2.cpp). `plain_rows()`
// picks the set the processor runs.
#pragma once

#include <cmath>
#include <cstdint>

namespace mur::plain_dab {

// Exact division of 32-bit values through a rounded-up reciprocal:
// floor(x / n) = (x * ceil(2^k / n)) >> k, taken as the high 64 bits of
// x * (ceil(2^k / n) << (64 - k)). Divisors of at most 16 bits use k = 48
// (n * r exceeds 2^48 by less than n <= 2^16, which keeps every 32-bit x
// exact) and need only a 64-bit division to set up; larger ones use k = 64.
// The reciprocal of the last divisor is kept: neighbouring pixels of a dab
// mostly share their result alpha.
struct Reciprocal {
    uint32_t n = 0;
    uint64_t r = 0;
    void set(uint32_t divisor) noexcept
    {
        if (divisor == n) return;
        n = divisor;
        if (divisor <= 1)
            r = 0;
        else if (divisor <= 65536)
            r = (((uint64_t{1} << 48) + divisor - 1) / divisor) << 16;
        else
            r = static_cast<uint64_t>((static_cast<unsigned __int128>(1) << 64) / divisor) + 1;
    }
    uint32_t divide(uint32_t x) const noexcept
    {
        return n == 1 ? x : static_cast<uint32_t>((static_cast<unsigned __int128>(x) * r) >> 64);
    }
};

// floor(p / n) in doubles, exact for p < 2^32 and 1 <= n <= 65536: the
// reciprocal 1 / n is rounded by less than 2^-53 relative, so p * (1 / n)
// lies within 2^-21 of p / n, and the fused add of 2^-18 is rounded by at
// most 2^-21 more. An integer quotient thus lands just above itself, and a
// fraction, which lies at least 1 / n >= 2^-16 below the next integer, stays
// below it: truncation gives the floor. The vector kernel divides this way,
// four lanes at a time (there p = P * 65536 and the reciprocal 65536 / n,
// the same product).
inline constexpr double kQuotientBias = 0x1p-18;
inline uint32_t divide_exact(uint32_t p, uint32_t n) noexcept
{
    return static_cast<uint32_t>(std::fma(static_cast<double>(p), 1.0 / n, kQuotientBias));
}

// One row of a plain dab. Pixel x of the row is painted from box column
// k = x - left, whose shape column is steps[k]; the grain, when there is
// one, is read at the same column.
struct PlainRow {
    uint16_t* target;         // the row's pixel 0, RGBA64
    const uint16_t* mask;     // the mask row (pixel 0), or null
    const uint8_t* texture;   // the texture row (pixel 0), or null
    const uint8_t* grit;      // the grain row at the shape row, or null
    const uint16_t* shape;    // the shape row
    const int32_t* steps;     // right - left shape columns
    int32_t left, right;      // the columns painted, right exclusive
    uint32_t colour[4];       // R, G, B, A, each 0..65535
    uint32_t alphaScale;      // coverage * alphaScale >> 7; 0..128, 128 leaves it
    int32_t density;          // grain bytes above it leave holes; -1..255
    bool maskOnCoverage;      // the mask weighs the coverage; else it caps the alpha
    bool solid;               // any coverage paints at full strength
    bool writeAlpha;          // the alpha may change
};

// The kernels by what the row has: grain, texture, mask on coverage, mask
// as alpha cap (bits 1, 2, 4, 8).
enum : int { kWithGrit = 1, kWithTexture = 2, kMaskOnCoverage = 4, kMaskCapsAlpha = 8 };
inline int kernel_index(const PlainRow& row) noexcept
{
    return (row.grit ? kWithGrit : 0) | (row.texture ? kWithTexture : 0) |
           (row.mask && row.maskOnCoverage ? kMaskOnCoverage : 0) | (row.mask && !row.maskOnCoverage ? kMaskCapsAlpha : 0);
}

using RowKernel = void (*)(const PlainRow&) noexcept;
struct RowKernels {
    RowKernel rows[16];
    void paint(const PlainRow& row) const noexcept { rows[kernel_index(row)](row); }
};

const RowKernels& portable_rows() noexcept;
// Only to be called when the processor has AVX2 and FMA.
const RowKernels& avx2_rows() noexcept;
bool avx2_available() noexcept;
// The best set this processor runs, chosen on the first call.
const RowKernels& plain_rows() noexcept;

}  // namespace mur::plain_dab

// The row kernels of the common grit dab: a flat colour in mix mode 32
// without rotation, pick-up, variation, erasing, locks or an alpha level.
// Two implementations give the same bytes for every row they accept: the
// portable one (plain_dab_rows.cpp), which is also the reference, and one for
// processors with AVX2 and FMA (plain_dab_rows_avx2.cpp). `plain_rows()`
// picks the set the processor runs.
#pragma once

#include "paint/dab_arithmetic.h"

#include <cstdint>

namespace mur::plain_dab {

using dab::divide_exact;
using dab::kQuotientBias;
using dab::Reciprocal;

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

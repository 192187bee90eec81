// The inner loops of the resampler: one output row of one pass at a time.
// They are compiled twice, for plain x86-64 and for processors with AVX2,
// from the same source (resample_rows.inc), and give the same results bit
// for bit either way; the resampler picks the set the processor runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur::imaging::rows {

// Where a pass reads and writes. Source8 and Source16 are the caller's
// straight RGBA32 and RGBA64 pixels; Work is the buffer between the passes:
// 16-bit channels, premultiplied when the picture has transparency, 8-bit
// levels scaled by 256.
enum Kind : int { Source8ToWork = 0, Source16ToWork = 1, WorkToFinal8 = 2, WorkToFinal16 = 3 };

// The weights of one axis.
struct TapsView {
    const int32_t* first;  // first source index of each output
    const int32_t* count;  // sources per output
    const float* weights;  // `stride` per output
    const float* wide;     // the same weights, each repeated four times (a pixel's worth)
    int32_t stride;
};

// One output row along the rows: `in` is a source row, `out` the output row
// of `outWidth` pixels.
using HorizontalRow = void (*)(const uint8_t* in, uint8_t* out, int32_t outWidth, const TapsView& taps);

// One output row along the columns: the weighted sum of `count` rows
// starting at `top`, `stride` bytes apart, over `values` channel values
// (width * 4).
using VerticalRow = void (*)(const uint8_t* top, std::ptrdiff_t stride, int32_t count, const float* weights,
                             uint8_t* out, int32_t values);

struct Kernels {
    HorizontalRow horizontal[4][2];  // [Kind][premultiplied]
    VerticalRow vertical[4][2];      // Source kinds only without premultiplication
};

const Kernels& baseline_kernels() noexcept;
// Only to be called when the processor has AVX2.
const Kernels& avx2_kernels() noexcept;

}  // namespace mur::imaging::rows

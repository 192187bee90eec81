// The resampler's row loops for any x86-64 processor (SSE2).
#include "imaging/resample_rows.h"

#define MUR_ROWS_AVX2 0
#define MUR_ROWS_TARGET
#include "imaging/resample_rows.inc"

namespace mur::imaging::rows {

const Kernels& baseline_kernels() noexcept { return kKernels; }

}  // namespace mur::imaging::rows

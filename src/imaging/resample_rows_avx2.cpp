// The resampler's row loops for processors with AVX2: eight channel values
// converted and weighed at a time.
#include "imaging/resample_rows.h"

#if defined(__x86_64__)

#define MUR_ROWS_AVX2 1
#define MUR_ROWS_TARGET __attribute__((target("avx2")))
#include "imaging/resample_rows.inc"

namespace mur::imaging::rows {

const Kernels& avx2_kernels() noexcept { return kKernels; }

}  // namespace mur::imaging::rows

#else

namespace mur::imaging::rows {

const Kernels& avx2_kernels() noexcept { return baseline_kernels(); }

}  // namespace mur::imaging::rows

#endif

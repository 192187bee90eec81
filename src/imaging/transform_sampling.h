// The inner workings of the transform pipeline, shared by its processing and
// the quad-to-quad warp: running the chain of maps over a run of positions
// and sampling the source bilinearly at them.
#pragma once

#include "imaging/transform_pipeline.h"

#include <cstdint>

namespace mur::imaging::sampling {

// Positions are handled this many at a time, in arrays on the stack.
inline constexpr int32_t kChunk = 256;

// The chain of a pipeline with its successive affine maps merged.
struct Chain {
    TransformMap stages[kMaxTransformMaps];
    int32_t count = 0;
};

Chain merge_affine_maps(const TransformPipeline& pipeline) noexcept;

// The source positions of the destination pixels (x0 .. x0 + count - 1, y),
// count at most kChunk.
void source_positions(const Chain& chain, int32_t x0, int32_t y, int32_t count, double* x, double* y_) noexcept;

// Samples `src` (RGBA32) at `count` positions into `out` (count pixels).
void sample_run(const ConstImageView& src, const double* x, const double* y, int32_t count, EdgeMode edge,
                uint32_t fill, uint8_t* out) noexcept;

// The same for the destination pixels (x0 .. x0 + count - 1, y) of a chain
// that is one affine map `m`, stepping along the row in fixed point. False
// (nothing written) when the run reaches too far for that; sample_run then
// does it.
bool sample_affine_run(const ConstImageView& src, const double* m, int32_t x0, int32_t y, int32_t count, EdgeMode edge,
                       uint32_t fill, uint8_t* out) noexcept;

bool usable_rgba32(const ConstImageView& v) noexcept;

}  // namespace mur::imaging::sampling

// The vector kernels of the view: layers that composite as Normal without an
// alpha stage (Normal, Reflect, Glow, Silhoulette, Alpha Normal), and the
// finish of a chunk into bytes, beside the portable loops of
// view_compositing.cpp that give the same bits.
#pragma once

#include "paint/view_compositing.h"

#include <cstdint>

namespace mur::view {

// Lays the first pixels of a chunk over the composite, eight at a time, and
// returns how many it did (a multiple of eight); pixels before `opaqueUpTo`
// count as opaque; `copiesOpaque` for Normal itself, whose opaque pixels
// make the composite opaque. Only on processors with AVX2.
int composite_normal_avx2(const uint16_t* pixels, int n, int opaqueUpTo, int32_t opacity, bool copiesOpaque,
                          Composite& acc) noexcept;

// Finishes the first pixels of a chunk, eight at a time, when neither the
// tracing image nor the mask tint is shown; returns how many it did.
int finish_plain_avx2(const Composite& acc, int n, const int32_t* xs, int32_t y, uint8_t* bgr) noexcept;

// Whether the vector kernels is used where the processor allows it; tests
// turn it off to compare the two.
void use_vector_kernels(bool on) noexcept;

}  // namespace mur::view

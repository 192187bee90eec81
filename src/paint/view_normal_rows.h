// The vector kernel for layers that composite as Normal without an alpha
// stage (Normal, Reflect, Glow, Silhoulette, Alpha Normal), beside the
// portable loop of view_compositing.cpp that gives the same bits.
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

// Whether the vector kernel is used where the processor allows it; tests
// turn it off to compare the two.
void use_vector_kernels(bool on) noexcept;

}  // namespace mur::view

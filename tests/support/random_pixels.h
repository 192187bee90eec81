// Random RGBA64 pixels for comparison tests: alphas and colours from the
// edges of the compositing rules as well as at random, laid in runs of one
// alpha class as paintings have them.
#pragma once

#include <cstdint>
#include <random>

namespace mur::test {

using Rng = std::mt19937;

inline int pick(Rng& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

uint16_t random_alpha(Rng& rng);
uint16_t random_colour(Rng& rng);

// `count` pixels; where `like` is given, some colour channels are copied
// from it (equal colours give exact results, an edge of the arithmetic).
void fill_random_pixels(uint16_t* pixels, int64_t count, Rng& rng, const uint16_t* like = nullptr);

}  // namespace mur::test

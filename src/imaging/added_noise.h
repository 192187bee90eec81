// Noise added to a picture's colour with a chosen distribution. Every draw
// comes from a counter-based generator keyed by the seed and the pixel, so
// the picture depends on the seed alone, never on the thread count.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// The shapes of added noise. Each is scaled to mean 0 and standard
// deviation 1 before `sigma` scales it: the distributions differ in shape,
// not in strength.
enum class NoiseShape : uint8_t {
    Gaussian = 0,             // the normal distribution
    NegativeExponential = 1,  // exponential, shifted to mean 0: mostly a little darker, now and then much lighter
    Rayleigh = 2,             // Rayleigh, shifted to mean 0
    Uniform = 3,              // flat over +-sqrt(3)
};
inline constexpr int kNoiseShapes = 4;

// The standardised quantile of probability p (0 < p < 1) of a shape.
double noise_quantile(NoiseShape shape, double p) noexcept;

// RGBA32 `src` into `dst` (same size, may be the same buffer): red, green
// and blue each get their own draw of `sigma` (levels, clamped to 0..255)
// times the shape, the sum rounded and clamped to 0..255; alpha is copied.
// False when the views do not match or memory cannot be had.
bool add_shaped_noise(const ConstImageView& src, const ImageView& dst, NoiseShape shape, double sigma,
                      uint32_t seed) noexcept;

}  // namespace mur::imaging

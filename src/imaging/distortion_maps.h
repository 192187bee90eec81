// Distortions as inverse maps of the transform pipeline: lenses and twirls
// about a centre, waves along the axes, and turbulence drawn from a seeded
// noise. Lengths are in pixels, angles in degrees, positions in the
// pipeline's pixel-centre coordinates. Each adder returns false (nothing
// added) for non-finite numbers or a full pipeline.
#pragma once

#include "imaging/transform_pipeline.h"

#include <cstdint>

namespace mur::imaging {

// A circle of the picture: centre and radius.
struct Circle {
    double x = 0, y = 0, radius = 0;
};

// Inside the circle, content drawn towards its centre (amount > 0) or pushed
// out of it (amount < 0); amount is a fraction, clamped to -1..1. A pixel at
// distance r comes from distance r / sin(pi r / 2R)^amount along the same
// ray, so the rim stays put and amount 0 moves nothing.
bool add_pinch_transform(TransformPipeline& pipeline, Circle circle, double amount) noexcept;

// A magnifying glass: inside the circle a pixel at distance r comes from
// r (1 - k + k r^2 / R^2); k (clamped to -0.95..0.95) above 0 magnifies the
// middle by 1 / (1 - k), below 0 shrinks it.
bool add_lens_transform(TransformPipeline& pipeline, Circle circle, double strength) noexcept;

// The picture squeezed into the ellipse inscribed in `width` x `height`
// (centred on the pixel grid's middle): each ray from the middle takes the
// part of the rectangle along it, scaled so that the rectangle's border
// lands on the ellipse; positions outside the ellipse come from outside the
// rectangle. `strength` 0..1 blends from no change to the whole squeeze.
bool add_elliptical_transform(TransformPipeline& pipeline, int32_t width, int32_t height, double strength) noexcept;

// A twirl: inside the circle the content turns by degrees x (1 - r / R)^2,
// most at the centre, nothing at the rim.
bool add_spin_transform(TransformPipeline& pipeline, Circle circle, double degrees) noexcept;

// Rings turned back and forth: inside the circle the turn is degrees x
// sin(2 pi r / wavelength) x (1 - r / R)^2.
bool add_spin_wave_transform(TransformPipeline& pipeline, Circle circle, double degrees, double wavelength) noexcept;

// Concentric ripples about (cx, cy): a pixel at distance r comes from
// r + amplitude x sin(2 pi r / wavelength) along its ray.
bool add_ripple_transform(TransformPipeline& pipeline, double cx, double cy, double amplitude,
                          double wavelength) noexcept;

// Columns shifted up and down along a sine: a pixel comes from y +
// amplitude x sin(2 pi x / wavelength + phase), phase in degrees.
bool add_wave_transform(TransformPipeline& pipeline, double amplitude, double wavelength, double phase) noexcept;

// Both axes waving: x + amplitude sin(2 pi y / wavelength), y + amplitude
// sin(2 pi x / wavelength).
bool add_wow_transform(TransformPipeline& pipeline, double amplitude, double wavelength) noexcept;

// Rows shifted sideways along a triangle wave of the row: a zig-zag whose
// teeth are `period` rows apart and `amplitude` pixels to each side.
bool add_zig_zag_transform(TransformPipeline& pipeline, double amplitude, double period) noexcept;

// Turbulence: every position moved by amplitude x (noise, noise) of a
// smooth lattice noise seeded by `seed`, lattice cells `scale` pixels wide,
// summed over `octaves` (1..6) of halving size and strength.
bool add_turbulence_transform(TransformPipeline& pipeline, double amplitude, double scale, int32_t octaves,
                              uint32_t seed) noexcept;

// The smooth lattice noise of the turbulence at (x, y) in lattice cells:
// -1..1, the lattice points' values hashed from their coordinates and seed.
double lattice_noise(double x, double y, uint32_t seed) noexcept;

}  // namespace mur::imaging

// Filled shapes and gradients drawn into RGBA32 pictures: the rectangle,
// the ellipse with an anti-aliased edge, and linear and radial gradients of
// up to four stops.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

struct Rgba8 {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

// Sets every pixel of the rectangle (clipped to the view) to the colour.
void fill_rect(const ImageView& rgba, Rect area, Rgba8 colour) noexcept;

// ---- The ellipse -------------------------------------------------------------

// The ellipse of radii rx, ry (> 0) centred on the middle of pixel (cx, cy):
// pixel (i, j) is the square [i, i + 1) x [j, j + 1), and its coverage is the
// part of that square inside the ellipse, 0..255 (rounded). The coverages
// of a whole ellipse add up to about 255 x pi x rx x ry.
struct EllipseGeometry {
    int32_t cx = 0, cy = 0;
    double rx = 0, ry = 0;
};

// Calls `row(y, x0, coverage, count)` for every row of the ellipse inside a
// width x height picture, with the coverages of columns x0 .. x0 + count - 1
// (zeros included). The work of one row is independent of the others.
// False (nothing called) for radii that are not positive and finite or so
// large that a row would not fit in memory.
bool ellipse_coverage_rows(const EllipseGeometry& e, int32_t width, int32_t height,
                           void (*row)(void* context, int32_t y, int32_t x0, const uint8_t* coverage, int32_t count),
                           void* context) noexcept;

// Draws the ellipse: every pixel it covers takes the colour's R, G, B and
// alpha x coverage / 255 (rounded); pixels it misses stay.
bool fill_ellipse(const ImageView& rgba, const EllipseGeometry& e, Rgba8 colour) noexcept;

// ---- Gradients ---------------------------------------------------------------

inline constexpr int32_t kMaxGradientStops = 4;

struct GradientStop {
    int32_t percent = 0;  // 0..100, ascending along the stops
    Rgba8 colour;
};

struct Gradient {
    GradientStop stops[kMaxGradientStops];
    int32_t count = 0;  // 1..kMaxGradientStops
};

// The colour at `percent` along the gradient: the first stop's before it,
// the last stop's beyond it, between two stops each byte interpolated
// straight (not premultiplied) in 1/256 steps, rounded.
Rgba8 gradient_colour(const Gradient& g, double percent) noexcept;

// Fills the whole picture. Linear: pixel (x, y) lies at the fraction of the
// way from (x0, y0) to (x1, y1) that its projection onto that line gives.
// Radial: at its distance from (x0, y0) over `radius`. Pixel (x0, y0)
// therefore takes the first stop. A zero length or radius (or a gradient
// without stops) draws nothing: false. Rows are shared among threads when
// `threaded`; the result does not depend on their number.
bool draw_linear_gradient(const ImageView& rgba, double x0, double y0, double x1, double y1, const Gradient& g,
                          bool threaded) noexcept;
bool draw_radial_gradient(const ImageView& rgba, double x0, double y0, double radius, const Gradient& g,
                          bool threaded) noexcept;

}  // namespace mur::imaging

// Smooth curves through given points.
#pragma once

#include <span>

namespace mur::imaging {

struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

// Samples a natural cubic spline through `points`, parameterised by chord
// length, at out.size() evenly spaced parameters: the first sample is the
// first point and the last sample the last point. Needs at least two points
// and two samples; false otherwise.
bool sample_spline_through_points(std::span<const Point2> points, std::span<Point2> out) noexcept;

}  // namespace mur::imaging

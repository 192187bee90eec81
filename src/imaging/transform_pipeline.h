// The transform pipeline: a picture remade by sampling another one at
// positions that a chain of inverse maps computes for every destination
// pixel.
//
// Positions are in pixels, pixel (i, j) centred on (i, j). A map is an
// inverse map: it takes a position in the picture being made and gives the
// position it comes from. The maps run in the order they were added, each on
// the position the one before gave: the first receives the destination
// pixel's centre, the last gives the position read in the source. Maps are
// plain records (a function and its numbers), so a new kind of map is one
// function and one adder; a displacement, for instance, reads a grey plane
// in `plane` and moves each position by the level under it:
//
//     void displace(const TransformMap& m, double* x, double* y, int32_t n) noexcept
//     { for (...) { const uint8_t level = <m.plane at (x[i], y[i])>; x[i] += m.value[0] * (level - 128); ... } }
//     bool add_displacement_transform(TransformPipeline& p, ConstImageView grey, double strength) noexcept
//     { TransformMap m; m.apply = displace; m.plane = grey; m.value[0] = strength; return add_transform(p, m); }
//
// Processing samples RGBA32 pixels bilinearly (weights in 1/256 steps, the
// four channels alike, so the source should be premultiplied by its alpha:
// then transparent pixels lend no colour to their neighbours). A position
// on a pixel centre reads that pixel exactly. Where the footprint of a
// sample reaches past the source, the edge mode says what lies there: the
// source repeated (wrap), its border pixels stretched outward (repeat), or
// one fill pixel (fill), which blends into the picture's border as any
// neighbour would. Rows are shared among OpenMP threads; the result does not
// depend on their number.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

inline constexpr int kMaxTransformMaps = 16;
inline constexpr int kTransformMapValues = 12;

struct TransformMap;

// Rewrites `count` positions in place, each becoming the position it comes
// from. Must accept any position, also far outside every picture.
using MapPositions = void (*)(const TransformMap& map, double* x, double* y, int32_t count) noexcept;

struct TransformMap {
    MapPositions apply = nullptr;
    // Affine maps keep (a, b, c, d, e, f) in value[0..5]: x' = a x + b y + c,
    // y' = d x + e y + f. Successive affine maps are merged into one.
    bool affine = false;
    double value[kTransformMapValues] = {};  // the map's numbers, as its adder says
    ConstImageView plane;                    // a picture the map reads, when it needs one
};

struct TransformPipeline {
    TransformMap maps[kMaxTransformMaps];
    int32_t count = 0;
};

enum class EdgeMode : int32_t {
    Fill = 0,    // one pixel, `fill`, all around the source
    Wrap = 1,    // the source tiled in every direction
    Repeat = 2,  // the border pixels repeated outward
};

// Removes every map: an empty pipeline copies the source.
void clear_transforms(TransformPipeline& pipeline) noexcept;

// Adds a map at the end of the chain; false (nothing added) when the map has
// no function or the chain holds kMaxTransformMaps maps already.
bool add_transform(TransformPipeline& pipeline, const TransformMap& map) noexcept;

// The picture moved by (dx, dy): the pixel at (x, y) comes from (x - dx, y - dy).
bool add_offset_transform(TransformPipeline& pipeline, double dx, double dy) noexcept;

// The affine inverse map given as its matrix (see TransformMap).
bool add_affine_transform(TransformPipeline& pipeline, const double matrix[6]) noexcept;

// The picture turned by `degrees` about (cx, cy); positive angles turn it
// clockwise as seen on a screen (y pointing down).
bool add_rotate_transform(TransformPipeline& pipeline, double degrees, double cx, double cy) noexcept;

// The projective inverse map of the 3 x 3 matrix h (rows): x' = (h0 x + h1 y
// + h2) / (h6 x + h7 y + h8), y' = (h3 x + h4 y + h5) / (...). Where the
// denominator vanishes the position leaves every picture.
bool add_projective_transform(TransformPipeline& pipeline, const double h[9]) noexcept;

// The push warp: the content at `from` lands on `to`, the pixels around `to`
// following with a smooth fall-off that reaches nothing at `radius` from
// `to`. The radius is raised to at least twice the distance pushed, which
// keeps the map free of folds. The same point twice moves nothing.
bool add_push_transform(TransformPipeline& pipeline, double fromX, double fromY, double toX, double toY,
                        double radius) noexcept;

// Remakes every pixel of `dst` from `src` through the pipeline; both RGBA32,
// not overlapping. `fill` is the fill pixel packed as red + green * 256 +
// blue * 65536 + alpha * 16777216 (the source's own form: premultiplied
// when the source is). False for unusable views; `dst` is then untouched.
bool process_transforms(const TransformPipeline& pipeline, const ConstImageView& src, const ImageView& dst,
                        EdgeMode edge, uint32_t fill) noexcept;

// The same for the destination pixels inside `area` only (clipped to `dst`);
// the others are left.
bool process_transforms(const TransformPipeline& pipeline, const ConstImageView& src, const ImageView& dst,
                        EdgeMode edge, uint32_t fill, Rect area) noexcept;

// ---- The quad-to-quad warp -----------------------------------------------------------

// A quadrilateral by its corners, in order around it.
struct Quad {
    double x[4];
    double y[4];
};

// The projective map (rows of a 3 x 3 matrix) that takes each corner of
// `from` onto the same corner of `to`. False when no such map exists (three
// corners of a quadrilateral on one line).
bool projective_between(const Quad& from, const Quad& to, double h[9]) noexcept;

// Warps the quadrilateral `from` of `src` onto the quadrilateral `to` of
// `dst` by the projective map between them. Only the destination pixels
// whose centres lie inside `to` (even-odd rule) are written; the others are
// left, so the caller clears `dst` first when it wants nothing else there.
// Samples whose footprint leaves `src` meet the edge mode. False when the
// quadrilaterals admit no projective map or a view is unusable.
bool polygon_warp(const ConstImageView& src, const Quad& from, const ImageView& dst, const Quad& to, EdgeMode edge,
                  uint32_t fill) noexcept;

}  // namespace mur::imaging

// Route 5: the rectangle around the layer's pixels (those with alpha in the
// refilled source) warped onto a quadrilateral the sliders shape; the rest
// of the destination is cleared. The driver premultiplies around the
// handler, un-premultiplies and stores. A layer without pixels, or sliders
// that fold the quadrilateral flat, leave the layer as it was.
//
// Sliders are clamped to 0..1000; "centred" values run -1..1 with 0 at 500.
// Corners go round from the top left: top left, top right, bottom right,
// bottom left.
#include "effects/effect_handlers.h"
#include "effects/effect_views.h"
#include "imaging/transform_pipeline.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mur::effects {

namespace {

using imaging::Quad;

constexpr int kTopLeft = 0, kTopRight = 1, kBottomRight = 2, kBottomLeft = 3;

double unit(const EffectContext& ctx, int i) noexcept { return std::clamp(slider(ctx, i), 0, 1000) * 0.001; }
double centred(const EffectContext& ctx, int i) noexcept { return unit(ctx, i) * 2.0 - 1.0; }

// The edges of the pixels with alpha, in pixel-centre coordinates (a pixel
// spans its centre +- 0.5); false when there are none.
bool data_extents(const EffectContext& ctx, Quad& quad) noexcept
{
    int32_t left = ctx.width, right = -1, top = -1, bottom = -1;
    for (int32_t y = 0; y < ctx.height; ++y) {
        const uint8_t* row = ctx.source + std::size_t(y) * ctx.width * 4;
        int32_t first = -1, last = -1;
        for (int32_t x = 0; x < ctx.width; ++x)
            if (row[x * 4 + 3] != 0) {
                if (first < 0) first = x;
                last = x;
            }
        if (first < 0) continue;
        if (top < 0) top = y;
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    if (top < 0) return false;
    const double x0 = left - 0.5, x1 = right + 0.5, y0 = top - 0.5, y1 = bottom + 0.5;
    quad = Quad{{x0, x1, x1, x0}, {y0, y0, y1, y1}};
    return true;
}

double width_of(const Quad& q) noexcept { return q.x[kTopRight] - q.x[kTopLeft]; }
double height_of(const Quad& q) noexcept { return q.y[kBottomLeft] - q.y[kTopLeft]; }
double middle_x(const Quad& q) noexcept { return (q.x[kTopLeft] + q.x[kTopRight]) * 0.5; }
double middle_y(const Quad& q) noexcept { return (q.y[kTopLeft] + q.y[kBottomLeft]) * 0.5; }

// Corner c moved by (sliders i, i + 1) centred, times half the width and
// half the height.
void move_corner(const EffectContext& ctx, Quad& q, const Quad& from, int c, int i) noexcept
{
    q.x[c] += centred(ctx, i) * width_of(from) * 0.5;
    q.y[c] += centred(ctx, i + 1) * height_of(from) * 0.5;
}

// The edge style 1 names: 0 the first of the list, 1.. the next ones round;
// values outside 0..3 are the first.
int edge_of(const EffectContext& ctx) noexcept
{
    const int32_t s = ctx.args->style1;
    return s >= 0 && s <= 3 ? s : 0;
}

// The source quad onto `to` into the cleared destination. Samples reaching
// past the page repeat its border: a magnified border row stays as solid
// as the source's instead of fading out over several rows.
bool warp(EffectContext& ctx, const Quad& from, const Quad& to)
{
    std::memset(ctx.destination, 0, pixel_count(ctx) * 4);
    return imaging::polygon_warp(source_view(ctx), from, destination_view(ctx), to, imaging::EdgeMode::Repeat, 0);
}

// The quad the handler's slider rule makes from the data extents, warped.
template <class Shape>
bool warp_extents(EffectContext& ctx, Shape shape)
{
    Quad from;
    if (!data_extents(ctx, from)) return false;
    Quad to = from;
    shape(from, to);
    return warp(ctx, from, to);
}

// A turn about the middle's vertical (or horizontal) axis by up to 80
// degrees, seen in perspective from `distance` times the larger side.
void pivot(const EffectContext& ctx, const Quad& from, Quad& to, bool vertical) noexcept
{
    constexpr double kPi = 3.14159265358979323846;
    const double angle = centred(ctx, 1) * 80.0 * kPi / 180.0;
    const double w = width_of(from), h = height_of(from), cx = middle_x(from), cy = middle_y(from);
    const double viewer = (0.75 + unit(ctx, 2) * 2.5) * std::max(w, h);
    for (int c = 0; c < 4; ++c) {
        const double px = from.x[c] - cx, py = from.y[c] - cy;
        const double along = vertical ? px : py;  // the coordinate the turn moves
        const double depth = along * std::sin(angle);
        const double s = viewer / (viewer + depth);
        const double turned = along * std::cos(angle) * s;
        to.x[c] = cx + (vertical ? turned : px * s);
        to.y[c] = cy + (vertical ? py * s : turned);
    }
}

}  // namespace

// S1: above 500 the top edge narrows, below the bottom edge; S2 likewise
// the left and the right edge; at the ends to a twentieth of their length.
bool perspective(EffectContext& ctx)
{
    return warp_extents(ctx, [&](const Quad& from, Quad& to) {
        const double across = centred(ctx, 1) * 0.95 * width_of(from) * 0.5;
        const int top[2] = {kTopLeft, kTopRight}, bottom[2] = {kBottomLeft, kBottomRight};
        const int* narrowed = across > 0 ? top : bottom;
        to.x[narrowed[0]] += std::fabs(across);
        to.x[narrowed[1]] -= std::fabs(across);
        const double down = centred(ctx, 2) * 0.95 * height_of(from) * 0.5;
        const int left[2] = {kTopLeft, kBottomLeft}, right[2] = {kTopRight, kBottomRight};
        const int* shortened = down > 0 ? left : right;
        to.y[shortened[0]] += std::fabs(down);
        to.y[shortened[1]] -= std::fabs(down);
    });
}

// Corners top left, top right and bottom right moved by sliders (1, 2),
// (3, 4), (5, 6), each up to half the width and height; the bottom left
// corner holds.
bool warp_corners(EffectContext& ctx)
{
    return warp_extents(ctx, [&](const Quad& from, Quad& to) {
        move_corner(ctx, to, from, kTopLeft, 1);
        move_corner(ctx, to, from, kTopRight, 3);
        move_corner(ctx, to, from, kBottomRight, 5);
    });
}

// The edge style 1 names (0 top, 1 right, 2 bottom, 3 left): its corners
// moved by sliders (1, 2) and (3, 4), in order round the quadrilateral.
bool warp_edge(EffectContext& ctx)
{
    return warp_extents(ctx, [&](const Quad& from, Quad& to) {
        const int first = edge_of(ctx);
        move_corner(ctx, to, from, first, 1);
        move_corner(ctx, to, from, (first + 1) % 4, 3);
    });
}

// Corners top left, top right and bottom left moved by sliders (1, 2),
// (3, 4), (5, 6); the bottom right follows, keeping a parallelogram.
bool warp_3_point(EffectContext& ctx)
{
    return warp_extents(ctx, [&](const Quad& from, Quad& to) {
        move_corner(ctx, to, from, kTopLeft, 1);
        move_corner(ctx, to, from, kTopRight, 3);
        move_corner(ctx, to, from, kBottomLeft, 5);
        to.x[kBottomRight] = to.x[kTopRight] + to.x[kBottomLeft] - to.x[kTopLeft];
        to.y[kBottomRight] = to.y[kTopRight] + to.y[kBottomLeft] - to.y[kTopLeft];
    });
}

// Width and height scaled by 1 + S1 and 1 + S2 centred (0..2 times) about
// the middle: both edges of an axis pulled alike.
bool stretch(EffectContext& ctx)
{
    return warp_extents(ctx, [&](const Quad& from, Quad& to) {
        const double sx = 1.0 + centred(ctx, 1), sy = 1.0 + centred(ctx, 2);
        for (int c = 0; c < 4; ++c) {
            to.x[c] = middle_x(from) + (from.x[c] - middle_x(from)) * sx;
            to.y[c] = middle_y(from) + (from.y[c] - middle_y(from)) * sy;
        }
    });
}

// The edge style 1 names (0 right, 1 bottom, 2 left, 3 top) pulled out (S1
// above 500) or in by up to the whole width or height.
bool stretch_edge(EffectContext& ctx)
{
    return warp_extents(ctx, [&](const Quad& from, Quad& to) {
        const double pull = centred(ctx, 1);
        switch (edge_of(ctx)) {
        case 0:
            to.x[kTopRight] = to.x[kBottomRight] = from.x[kTopRight] + pull * width_of(from);
            break;
        case 1:
            to.y[kBottomLeft] = to.y[kBottomRight] = from.y[kBottomLeft] + pull * height_of(from);
            break;
        case 2:
            to.x[kTopLeft] = to.x[kBottomLeft] = from.x[kTopLeft] - pull * width_of(from);
            break;
        default:
            to.y[kTopLeft] = to.y[kTopRight] = from.y[kTopLeft] - pull * height_of(from);
            break;
        }
    });
}

// S1 the turn (500 none, 0 and 1000 80 degrees either way), S2 the viewer's
// distance (0.75 to 3.25 times the larger side).
bool vertical_pivot(EffectContext& ctx)
{
    return warp_extents(ctx, [&](const Quad& from, Quad& to) { pivot(ctx, from, to, true); });
}

bool horizontal_pivot(EffectContext& ctx)
{
    return warp_extents(ctx, [&](const Quad& from, Quad& to) { pivot(ctx, from, to, false); });
}

// S1 shears the rows (the top edge to the right above 500, the bottom to
// the left), S2 the columns (the right edge down), each edge by up to a
// quarter of the width or height.
bool skew(EffectContext& ctx)
{
    return warp_extents(ctx, [&](const Quad& from, Quad& to) {
        const double sideways = centred(ctx, 1) * width_of(from) * 0.25;
        const double downways = centred(ctx, 2) * height_of(from) * 0.25;
        to.x[kTopLeft] += sideways, to.x[kTopRight] += sideways;
        to.x[kBottomLeft] -= sideways, to.x[kBottomRight] -= sideways;
        to.y[kTopRight] += downways, to.y[kBottomRight] += downways;
        to.y[kTopLeft] -= downways, to.y[kBottomLeft] -= downways;
    });
}

}  // namespace mur::effects

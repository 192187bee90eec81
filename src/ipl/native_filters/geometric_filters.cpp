// Filters that move or fade parts of the picture: "Reflection", "Mirror",
// "Gallery Wrap Mirror Auto", "Fader" and "Borderize".
#include "imaging/color_spaces.h"
#include "ipl/native_filters/filter_support.h"
#include "ipl/native_filters/filters.h"

#include <cstring>

namespace mur::ipl {
namespace {

void copy_pixel(uint8_t* to, const uint8_t* from) { std::memcpy(to, from, 4); }

// Index i folded into [first, last] by mirroring at both ends, the edge
// pixel repeated (first - 1 -> first, last + 1 -> last), as often as needed.
int32_t fold(int32_t i, int32_t first, int32_t last)
{
    const int64_t n = int64_t{last} - first + 1, period = 2 * n;
    const int64_t m = ((int64_t{i} - first) % period + period) % period;
    return static_cast<int32_t>(first + (m < n ? m : period - 1 - m));
}

// `top` composited over `under`, straight alpha, top's alpha scaled by `share`.
void over(const double top[4], double share, const uint8_t* under, uint8_t* out)
{
    const double ta = top[3] * share, ua = under[3] / 255.0;
    const double a = ta + ua * (1 - ta);
    for (int c = 0; c < 3; ++c) out[c] = clamp_byte(a > 0 ? (top[c] * ta + under[c] * ua * (1 - ta)) / a : under[c]);
    out[3] = clamp_byte(a * 255);
}

// The lowest row holding a pixel with alpha above 253, or -1.
int32_t lowest_opaque_row(const NativeFilterContext& ctx)
{
    uint8_t* in = ctx.input();
    for (int32_t y = ctx.height - 1; y >= 0; --y)
        for (int32_t x = 0; x < ctx.width; ++x)
            if (ctx.pixel(in, x, y)[3] > 253) return y;
    return -1;
}

// One mirror stage: with `vertical` the pixels on the receiving side of
// column `line` take the pixel mirrored across it, else the same for row
// `line`. The receiving side is the right (bottom) one, or with `flip` the
// left (top) one; pixels whose mirror lies off the picture keep theirs.
void mirror_stage(const NativeFilterContext& ctx, const uint8_t* from, bool vertical, int32_t line, bool flip)
{
    for (int32_t y = 0; y < ctx.height; ++y)
        for (int32_t x = 0; x < ctx.width; ++x) {
            const int32_t at = vertical ? x : y, size = vertical ? ctx.width : ctx.height;
            const bool receives = flip ? at < line : at > line;
            const int32_t mirrored = 2 * line - at;
            if (!receives || mirrored < 0 || mirrored >= size) continue;
            const uint8_t* p = vertical ? ctx.pixel(from, mirrored, y)
                                        : ctx.pixel(from, x, mirrored);
            copy_pixel(ctx.pixel(ctx.destination, x, y), p);
        }
}

// A factor running linearly from `first` at `lo` to `last` at `hi`.
double ramp(double first, double last, int32_t at, int32_t lo, int32_t hi)
{
    return hi == lo ? first : first + (last - first) * (at - lo) / double(hi - lo);
}

}  // namespace

namespace filters {

// Water below a horizon: each row under the horizon row shows the row as far
// above it, composited over what is there. slider2 is the reflection's
// opacity at the horizon, slider3 how far down it reaches before it has
// faded out (as a share of the rows below the horizon), slider4 how much
// darker it is than the picture (1000 = black).
void reflection(NativeFilterContext& ctx)
{
    const int32_t h = ctx.height;
    const int32_t horizon = ctx.flag[0] == 1 ? lowest_opaque_row(ctx)
                                             : static_cast<int32_t>((1 - std::clamp(ctx.slider[0], 0.0, 1.0)) * (h - 1));
    if (horizon < 0) return;
    const double opacity = std::clamp(ctx.slider[1], 0.0, 1.0);
    const double reach = std::max(1.0, std::clamp(ctx.slider[2], 0.0, 1.0) * (h - 1 - horizon));
    const double keep = 1 - std::clamp(ctx.slider[3], 0.0, 1.0);
    uint8_t* in = ctx.input();
    for (int32_t y = horizon + 1; y < h; ++y) {
        const int32_t distance = y - horizon, from = horizon - distance;
        const double share = opacity * std::max(0.0, 1 - distance / reach);
        if (from < 0 || share <= 0) break;
        for (int32_t x = 0; x < ctx.width; ++x) {
            const uint8_t* src = ctx.pixel(in, x, from);
            const double top[4] = {src[0] * keep, src[1] * keep, src[2] * keep, src[3] / 255.0};
            over(top, share, ctx.pixel(in, x, y), ctx.pixel(ctx.destination, x, y));
        }
    }
}

// style1 0 mirrors across the column at slider1 of the width (left side onto
// the right), 1 across the row at slider2 of the height (top onto bottom), 2
// both in turn (a four-way mirror); flag1 = 1 mirrors the other way. Each
// stage is stored to the current layer.
void mirror(NativeFilterContext& ctx)
{
    const bool flip = ctx.flag[0] == 1;
    const int32_t column = static_cast<int32_t>(std::clamp(ctx.slider[0], 0.0, 1.0) * (ctx.width - 1));
    const int32_t row = static_cast<int32_t>(std::clamp(ctx.slider[1], 0.0, 1.0) * (ctx.height - 1));
    const uint8_t* from = ctx.input();
    if (ctx.style1 != 1) {
        mirror_stage(ctx, from, true, column, flip);
        store_stage(ctx);
        from = ctx.destination;
    }
    if (ctx.style1 == 1 || ctx.style1 == 2) {
        mirror_stage(ctx, from, false, row, flip);
        store_stage(ctx);
    }
}

// A canvas wrap: the picture's data extents stay, everything outside them
// becomes the picture mirrored at its edges (the edge pixel repeated), first
// left and right of the extents, then above and below over the full width.
// Each stage is stored to the current layer.
void gallery_wrap_mirror_auto(NativeFilterContext& ctx)
{
    const Extents e = data_extents(ctx);
    if (e.x0 > e.x1 || e.y0 > e.y1) return;
    const uint8_t* in = ctx.input();
    for (int32_t y = e.y0; y <= e.y1; ++y)
        for (int32_t x = 0; x < ctx.width; ++x)
            if (x < e.x0 || x > e.x1)
                copy_pixel(ctx.pixel(ctx.destination, x, y), ctx.pixel(in, fold(x, e.x0, e.x1), y));
    store_stage(ctx);
    for (int32_t y = 0; y < ctx.height; ++y) {
        if (y >= e.y0 && y <= e.y1) continue;
        std::memcpy(ctx.pixel(ctx.destination, 0, y), ctx.pixel(ctx.destination, 0, fold(y, e.y0, e.y1)),
                    std::size_t(ctx.width) * 4);
    }
    store_stage(ctx);
}

void fader(NativeFilterContext& ctx)
{
    Extents region{0, 0, ctx.width - 1, ctx.height - 1};
    if (ctx.flag[0] == 1) region = data_extents(ctx);
    region.x0 = std::max(region.x0, 0);
    region.y0 = std::max(region.y0, 0);
    region.x1 = std::min(region.x1, ctx.width - 1);
    region.y1 = std::min(region.y1, ctx.height - 1);
    const bool saturation = ctx.flag[1] != 0, lightness = ctx.flag[2] != 0, alpha = ctx.flag[3] != 0;
    uint8_t* in = ctx.input();
    for (int32_t y = region.y0; y <= region.y1; ++y) {
        const double vertical = ramp(2 * ctx.slider[0], 2 * ctx.slider[1], y, region.y0, region.y1);
        for (int32_t x = region.x0; x <= region.x1; ++x) {
            const double k = ramp(2 * ctx.slider[2], 2 * ctx.slider[3], x, region.x0, region.x1) * vertical;
            const uint8_t* p = ctx.pixel(in, x, y);
            uint8_t* d = ctx.pixel(ctx.destination, x, y);
            uint8_t out[4] = {p[0], p[1], p[2], p[3]};
            if (saturation || lightness) {
                color::Hsl hsl = color::rgb_to_hsl({p[0] / 255.0, p[1] / 255.0, p[2] / 255.0});
                if (saturation) hsl.s *= k;
                if (lightness) hsl.l *= k;
                hsl.s = std::clamp(hsl.s, 0.0, 1.0);
                hsl.l = std::clamp(hsl.l, 0.0, 1.0);
                hsl.h = std::clamp(hsl.h, 0.0, 359.0);
                const color::Rgb rgb = color::hsl_to_rgb(hsl);
                out[0] = color::to_byte(rgb.r);
                out[1] = color::to_byte(rgb.g);
                out[2] = color::to_byte(rgb.b);
            }
            if (alpha) out[3] = clamp_byte(std::trunc(k * p[3]));
            copy_pixel(d, out);
        }
    }
}

void borderize(NativeFilterContext& ctx)
{
    const int32_t w = ctx.width, h = ctx.height;
    const double s1 = ctx.slider[0];
    const int32_t rings = static_cast<int32_t>(std::clamp(std::min(w, h) / 2 * ctx.slider[1], 0.0, std::min(w, h) / 2.0));
    uint8_t* in = ctx.input();
    for (int32_t k = 0; k < rings; ++k) {
        const int32_t left = k, top = k, right = w - 1 - k, bottom = h - 1 - k;
        // The sample point: on the ring's side, at the position along it that
        // slider1 gives for the whole picture, kept inside the picture only
        // (so an inner ring may take a pixel of an outer one).
        int32_t sx, sy;
        if (s1 < 0.25) {
            sx = static_cast<int32_t>(std::max(0.0, s1) * 4 * w), sy = top;
        } else if (s1 < 0.5) {
            sx = right, sy = static_cast<int32_t>((s1 - 0.25) * 4 * h);
        } else if (s1 < 0.75) {
            sx = static_cast<int32_t>(w - w * (s1 - 0.5) * 4), sy = bottom;
        } else {
            sx = left, sy = static_cast<int32_t>(h - h * (std::min(s1, 1.0) - 0.75) * 4);
        }
        sx = std::clamp(sx, 0, w - 1);
        sy = std::clamp(sy, 0, h - 1);
        const uint8_t* sample = ctx.pixel(in, sx, sy);
        const uint8_t colour[3] = {sample[0], sample[1], sample[2]};
        const auto paint = [&](int32_t x, int32_t y) { std::memcpy(ctx.pixel(ctx.destination, x, y), colour, 3); };
        for (int32_t x = left; x <= right; ++x) {
            paint(x, top);
            paint(x, bottom);
        }
        for (int32_t y = top; y <= bottom; ++y) {
            paint(left, y);
            paint(right, y);
        }
    }
}

}  // namespace filters
}  // namespace mur::ipl

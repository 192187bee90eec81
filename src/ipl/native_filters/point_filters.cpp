// Filters that change each pixel from its own value alone.
#include "imaging/color_spaces.h"
#include "ipl/native_filters/filter_support.h"
#include "ipl/native_filters/filters.h"

namespace mur::ipl {
namespace {

// Runs fn(in, out) for every pixel: `in` from the input, `out` the
// destination pixel (the same pixel in single-buffer mode).
template <class Fn>
void each_pixel(const NativeFilterContext& ctx, Fn fn)
{
    const uint8_t* in = ctx.input();
    uint8_t* out = ctx.destination;
    const std::size_t pixels = ctx.pixels();
    for (std::size_t i = 0; i < pixels; ++i) fn(in + i * 4, out + i * 4);
}

}  // namespace

namespace filters {

void grayscale(NativeFilterContext& ctx)
{
    each_pixel(ctx, [](const uint8_t* in, uint8_t* out) {
        const auto v = static_cast<uint8_t>(brightness(in));
        out[0] = out[1] = out[2] = v;
    });
}

void invert(NativeFilterContext& ctx)
{
    each_pixel(ctx, [](const uint8_t* in, uint8_t* out) {
        for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(255 - in[c]);
    });
}

void basic_threshold(NativeFilterContext& ctx)
{
    const int32_t t = slider_byte(ctx.slider[0]);
    each_pixel(ctx, [=](const uint8_t* in, uint8_t* out) {
        const uint8_t v = brightness(in) >= t ? 255 : 0;
        out[0] = out[1] = out[2] = v;
    });
}

void hyper_contrast(NativeFilterContext& ctx)
{
    int32_t b = slider_byte(1 - ctx.slider[0]);
    if (b == 0) b = 1;
    b = std::clamp(b, 1, 250);
    each_pixel(ctx, [=](const uint8_t* in, uint8_t* out) {
        const int32_t hi = std::max({in[0], in[1], in[2]}), lo = std::min({in[0], in[1], in[2]});
        const double o = (hi + lo) * (1.0 / 510);
        for (int c = 0; c < 3; ++c) {
            const int32_t v = in[c];
            const int32_t darkSide = 255 - (255 - v) * (255 - v) / b;
            const int32_t brightSide = v * v / b;
            out[c] = clamp_byte((1 - o) * darkSide + o * brightSide);
        }
    });
}

void adjust_rgba(NativeFilterContext& ctx)
{
    const double s[4] = {ctx.slider[0], ctx.slider[1], ctx.slider[2], ctx.slider[3]};
    each_pixel(ctx, [&](const uint8_t* in, uint8_t* out) {
        for (int c = 0; c < 4; ++c) {
            // A byte as a real 0..1: divided, so that a neutral slider keeps it.
            double v = in[c] / 255.0;
            v = s[c] < 0.5 ? v - (0.5 - s[c]) * v * 2 : v + (s[c] - 0.5) * (1 - v) * 2;
            out[c] = clamp_byte(std::clamp(v, 0.0, 1.0) * 255);
        }
    });
}

void clamp(NativeFilterContext& ctx)
{
    const double lo = ctx.slider[0] * 255, loValue = ctx.slider[1] * 255;
    const double hi = ctx.slider[2] * 255, hiValue = ctx.slider[3] * 255;
    const bool enabled[4] = {ctx.flag[0] != 0, ctx.flag[1] != 0, ctx.flag[2] != 0, ctx.flag[3] != 0};
    each_pixel(ctx, [&](const uint8_t* in, uint8_t* out) {
        for (int c = 0; c < 4; ++c) {
            if (!enabled[c]) continue;
            double v = in[c];
            if (v < lo) v = std::trunc(loValue);
            if (v > hi) v = std::trunc(hiValue);
            out[c] = clamp_byte(v);
        }
    });
}

void channel(NativeFilterContext& ctx)
{
    const bool keep[3] = {ctx.flag[0] == 1, ctx.flag[1] == 1, ctx.flag[2] == 1};
    each_pixel(ctx, [&](const uint8_t* in, uint8_t* out) {
        int32_t p[4] = {in[0], in[1], in[2], in[3]};
        for (int c = 0; c < 3; ++c) {
            if (!keep[c]) continue;
            const int32_t level = p[c];
            p[0] = p[1] = p[2] = p[3] = 0;
            if (level > 0) {
                p[c] = 255;
                p[3] = level;
            }
        }
        for (int c = 0; c < 4; ++c) out[c] = clamp_byte(int64_t{p[c]});
    });
}

void alpha_edge_color(NativeFilterContext& ctx)
{
    const int32_t a0 = slider_byte(ctx.slider[3]), a1 = slider_byte(ctx.slider[4]);
    const uint8_t colour[3] = {clamp_byte(ctx.slider[0] * 255), clamp_byte(ctx.slider[1] * 255),
                               clamp_byte(ctx.slider[2] * 255)};
    const bool opaque = ctx.flag[0] == 1;
    each_pixel(ctx, [&](const uint8_t* in, uint8_t* out) {
        const int32_t a = in[3];
        for (int c = 0; c < 4; ++c) out[c] = in[c];
        if (a <= a0) {
            out[3] = 0;
        } else if (a < a1) {
            for (int c = 0; c < 3; ++c) out[c] = colour[c];
            if (opaque) out[3] = 255;
        } else if (opaque) {
            out[3] = 255;
        }
    });
}

void adjust_lab(NativeFilterContext& ctx)
{
    const double dl = (ctx.slider[0] - 0.5) * 200, da = (ctx.slider[1] - 0.5) * 200, db = (ctx.slider[2] - 0.5) * 200;
    each_pixel(ctx, [=](const uint8_t* in, uint8_t* out) {
        color::Lab lab = color::rgb_to_lab({in[0] / 255.0, in[1] / 255.0, in[2] / 255.0});
        lab.l += dl;
        lab.a += da;
        lab.b += db;
        const color::Rgb rgb = color::lab_to_rgb(lab);
        out[0] = color::to_byte(rgb.r);
        out[1] = color::to_byte(rgb.g);
        out[2] = color::to_byte(rgb.b);
        out[3] = in[3];
    });
}

}  // namespace filters
}  // namespace mur::ipl

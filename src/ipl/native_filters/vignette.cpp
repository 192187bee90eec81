// "Vignette": a soft-edged rectangle or ellipse, blurred, decides how much of
// each pixel is kept and how much is tinted or made transparent.
#include "engine/memory.h"
#include "imaging/gaussian_blur.h"
#include "ipl/native_filters/filter_support.h"
#include "ipl/native_filters/filters.h"

#include <cstring>
#include <new>

namespace mur::ipl {
namespace {

// Fills the shape plane: the background level everywhere, the shape level
// inside the rectangle (flag4 = 1) or the ellipse.
void draw_shape(const NativeFilterContext& ctx, uint8_t* plane, uint8_t background, uint8_t shape)
{
    const int32_t w = ctx.width, h = ctx.height;
    std::memset(plane, background, ctx.pixels());
    // Shapes up to twice the picture's size; beyond that they cover it all the same.
    const double size = std::clamp(ctx.slider[4], 0.0, 2.0);
    int32_t a = (w - 2 * static_cast<int32_t>(size * w)) / 2;
    int32_t b = (h - 2 * static_cast<int32_t>(size * h)) / 2;
    if (ctx.flag[4] == 1) a = b = w >= h ? a : b;
    if (ctx.flag[3] == 1) {
        // (a, b) to (w - a - 1, h - b), kept on the picture.
        const int32_t x0 = std::max(a, 0), y0 = std::max(b, 0);
        const int32_t x1 = std::min(w - a - 1, w - 1), y1 = std::min(h - b, h - 1);
        for (int32_t y = y0; y <= y1; ++y)
            if (x1 >= x0) std::memset(plane + std::size_t(y) * w + x0, shape, std::size_t(x1 - x0 + 1));
        return;
    }
    const double cx = w / 2, cy = h / 2;
    const double rx = std::max(2, (w - 2 * a) / 2), ry = std::max(2, (h - 2 * b) / 2);
    for (int32_t y = 0; y < h; ++y) {
        const double dy = (y - cy) / ry;
        if (dy * dy > 1) continue;
        const double half = rx * std::sqrt(1 - dy * dy);
        const int32_t x0 = std::max(0, static_cast<int32_t>(std::ceil(cx - half)));
        const int32_t x1 = std::min(w - 1, static_cast<int32_t>(std::floor(cx + half)));
        if (x1 >= x0) std::memset(plane + std::size_t(y) * w + x0, shape, std::size_t(x1 - x0 + 1));
    }
}

}  // namespace

namespace filters {

void vignette(NativeFilterContext& ctx)
{
    const int32_t w = ctx.width, h = ctx.height;
    const std::size_t pixels = ctx.pixels();
    const mem::Owned<uint8_t> shape(static_cast<uint8_t*>(mem::try_alloc_uninit(pixels)));
    const mem::Owned<uint8_t> blurred(static_cast<uint8_t*>(mem::try_alloc_uninit(pixels)));
    if (!shape || !blurred) return;

    const bool inverted = ctx.flag[2] == 1;
    const uint8_t level = clamp_byte(std::trunc(ctx.slider[5] * 255));
    if (ctx.flag[2] == 0)
        draw_shape(ctx, shape.get(), static_cast<uint8_t>(255 - level), 255);
    else if (inverted)
        draw_shape(ctx, shape.get(), 0, level);
    else
        draw_shape(ctx, shape.get(), 0, 255);

    double radius = ctx.slider[3] * 0.1 * std::max(w, h);
    if (radius == 0) radius = 0.1;
    // The blur fails only when its memory cannot be had: a fault for the caller's guard.
    if (!imaging::gaussian_blur(imaging::g8_view(shape.get(), w, h, w), imaging::g8_view(blurred.get(), w, h, w), radius))
        throw std::bad_alloc();

    if (ctx.slider[0] == 0) ctx.slider[0] = 0.001;
    double tint[3] = {ctx.slider[0], ctx.slider[1], ctx.slider[2]};
    if (ctx.flag[5] == 1)
        for (int c = 0; c < 3; ++c) tint[c] = ctx.toolColour[c] * (1.0 / 65280);
    const bool tinted = ctx.flag[0] == 1, toTransparent = ctx.flag[1] == 1;
    const uint8_t* in = ctx.input();
    for (std::size_t i = 0; i < pixels; ++i) {
        double f = blurred[i] / 255.0;
        if (inverted) f = 1 - f;
        const double g = 1 - f;
        const uint8_t* p = in + i * 4;
        double rgba[4] = {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, p[3] / 255.0};
        if (tinted)
            for (int c = 0; c < 3; ++c) rgba[c] = rgba[3] != 0 ? g * tint[c] + f * rgba[c] : tint[c];
        rgba[3] = f * rgba[3] + (toTransparent ? 0 : g);
        uint8_t* d = ctx.destination + i * 4;
        for (int c = 0; c < 4; ++c) d[c] = clamp_byte(std::clamp(rgba[c], 0.0, 1.0) * 255);
    }
}

}  // namespace filters
}  // namespace mur::ipl

// Filters that look at a pixel's immediate neighbours: "Bas Relief", "Line
// Art Cleaner", "Detail Blur" and "Adaptive Blur".
#include "engine/memory.h"
#include "imaging/color_spaces.h"
#include "ipl/native_filters/filter_support.h"
#include "ipl/native_filters/filters.h"

#include <cstdlib>

namespace mur::ipl {
namespace {

color::Hsl hsl_of(const uint8_t* p) { return color::rgb_to_hsl({p[0] / 255.0, p[1] / 255.0, p[2] / 255.0}); }

// Moves v away from the neighbour's value by `amount`: toward 1 when above
// it, toward 0 when below.
double emboss(double v, double neighbour, double amount)
{
    if (v > neighbour) return v + (1 - v) * amount;
    if (v < neighbour) return v - v * amount;
    return v;
}

}  // namespace

namespace filters {

// Lightness and saturation are each pushed away from the neighbour's (by
// their own comparison), hue kept. The neighbour by style1: 1 the row above,
// 2 up and left, anything else the column to the left.
void bas_relief(NativeFilterContext& ctx)
{
    const int32_t dx = ctx.style1 == 1 ? 0 : -1, dy = ctx.style1 == 1 || ctx.style1 == 2 ? -1 : 0;
    const double amount = ctx.slider[0];
    uint8_t* in = ctx.input();
    for (int32_t y = 1; y < ctx.height - 1; ++y)
        for (int32_t x = 1; x < ctx.width - 1; ++x) {
            const uint8_t* p = ctx.pixel(in, x, y);
            const color::Hsl here = hsl_of(p), there = hsl_of(ctx.pixel(in, x + dx, y + dy));
            const color::Hsl out{here.h, emboss(here.s, there.s, amount), emboss(here.l, there.l, amount)};
            const color::Rgb rgb = color::hsl_to_rgb(out);
            uint8_t* d = ctx.pixel(ctx.destination, x, y);
            d[0] = color::to_byte(rgb.r);
            d[1] = color::to_byte(rgb.g);
            d[2] = color::to_byte(rgb.b);
            d[3] = p[3];
        }
}

// Stage 1 turns the picture into black and white at slider1 and stores it to
// the current layer. Stage 2 removes specks: a black pixel becomes white when
// the mean brightness of its 3 x 3 block (all nine weights 1, the sum divided
// by 9) reaches 255 - trunc(slider2 * 255) / 4. At slider2 0 nothing is
// cleared; at 500 single specks (mean 226) go; at 1000 also two-pixel specks
// and the last pixel of a thin line (mean 198), while a thin line itself
// (mean 170) stays. Stage 2 reads the stage-1 result, not its own output.
void line_art_cleaner(NativeFilterContext& ctx)
{
    const int32_t t = slider_byte(ctx.slider[0]);
    const uint8_t* in = ctx.input();
    for (std::size_t i = 0; i < ctx.pixels(); ++i) {
        const uint8_t v = brightness(in + i * 4) >= t ? 255 : 0;
        uint8_t* d = ctx.destination + i * 4;
        d[0] = d[1] = d[2] = v;
        d[3] = in[i * 4 + 3];
    }
    store_stage(ctx);

    const int32_t clearAt = 255 - std::clamp(slider_byte(ctx.slider[1]), 0, 255) / 4;
    const mem::Owned<uint8_t> levels(static_cast<uint8_t*>(mem::try_alloc_uninit(ctx.pixels())));
    if (!levels) return;
    for (std::size_t i = 0; i < ctx.pixels(); ++i) levels[i] = ctx.destination[i * 4];
    const int32_t w = ctx.width;
    for (int32_t y = 1; y < ctx.height - 1; ++y)
        for (int32_t x = 1; x < w - 1; ++x) {
            if (levels[std::size_t(y) * w + x] != 0) continue;
            int32_t sum = 0;
            for (int32_t j = -1; j <= 1; ++j)
                for (int32_t i = -1; i <= 1; ++i) sum += levels[std::size_t(y + j) * w + x + i];
            if (sum / 9 < clearAt) continue;
            uint8_t* d = ctx.pixel(ctx.destination, x, y);
            d[0] = d[1] = d[2] = 255;
        }
}

void detail_blur(NativeFilterContext& ctx)
{
    const int32_t t = slider_byte(ctx.slider[0]);
    uint8_t* in = ctx.input();
    for (int32_t y = 1; y < ctx.height - 1; ++y)
        for (int32_t x = 1; x < ctx.width - 1; ++x) {
            int32_t bright = 0, sums[4] = {};
            for (int32_t j = -1; j <= 1; ++j)
                for (int32_t i = -1; i <= 1; ++i) {
                    const uint8_t* p = ctx.pixel(in, x + i, y + j);
                    bright += brightness(p);
                    for (int c = 0; c < 4; ++c) sums[c] += p[c];
                }
            const int32_t mean = static_cast<int32_t>(bright * (1.0 / 9));
            if (std::abs(brightness(ctx.pixel(in, x, y)) - mean) <= t) continue;
            uint8_t* d = ctx.pixel(ctx.destination, x, y);
            for (int c = 0; c < 4; ++c) d[c] = clamp_byte(sums[c] * (1.0 / 9));
        }
}

// A pixel that differs from any of its four direct neighbours by more than
// (1 - slider1) * 255 in brightness is replaced by the plain mean of those
// four (each weight 1, the sum divided by 4): specks and hard steps soften
// while areas of gentle change are left exactly as they were.
void adaptive_blur(NativeFilterContext& ctx)
{
    const double t = (1 - ctx.slider[0]) * 255;
    uint8_t* in = ctx.input();
    for (int32_t y = 1; y < ctx.height - 1; ++y)
        for (int32_t x = 1; x < ctx.width - 1; ++x) {
            const uint8_t* around[4] = {ctx.pixel(in, x - 1, y), ctx.pixel(in, x + 1, y), ctx.pixel(in, x, y - 1),
                                        ctx.pixel(in, x, y + 1)};
            const int32_t b = brightness(ctx.pixel(in, x, y));
            bool differs = false;
            for (const uint8_t* n : around) differs = differs || std::abs(b - brightness(n)) > t;
            if (!differs) continue;
            uint8_t* d = ctx.pixel(ctx.destination, x, y);
            for (int c = 0; c < 4; ++c)
                d[c] = clamp_byte(int64_t{(around[0][c] + around[1][c] + around[2][c] + around[3][c]) / 4});
        }
}

}  // namespace filters
}  // namespace mur::ipl

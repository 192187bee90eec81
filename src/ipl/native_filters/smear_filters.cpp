// The directional smears: "Value Blur", "Noise Reduction", "Noise Reduction
// RGB" and "Anti Alias". Each works in place on the destination in eight
// passes; every pass pairs a pixel P with the next pixel Q in its scan
// direction and may change Q before Q becomes the current pixel, so values
// travel along the scan.
#include "ipl/native_filters/filter_support.h"
#include "ipl/native_filters/filters.h"

#include <cstdlib>

namespace mur::ipl {
namespace {

struct ScanRange {
    int32_t first, last, step;
};

// Runs pair(P, Q, D) over the eight passes, rows outer and columns inner.
// Passes 1-4 take Q one column further in the scan direction, passes 5-8 one
// row further; D is the pixel one step further in both scan directions.
template <class Pair>
void smear(NativeFilterContext& ctx, Pair pair)
{
    ctx.singleBuffer = true;
    uint8_t* buffer = ctx.destination;
    const int32_t w = ctx.width, h = ctx.height;
    const ScanRange columns[4] = {{0, w - 3, 1}, {w - 1, 2, -1}, {w - 1, 2, -1}, {0, w - 3, 1}};
    const ScanRange rows[4] = {{0, h - 3, 1}, {h - 1, 2, -1}, {1, h - 2, 1}, {h - 1, 2, -1}};
    const auto inside = [](int32_t v, const ScanRange& r) { return r.step > 0 ? v <= r.last : v >= r.last; };
    for (int pass = 0; pass < 8; ++pass) {
        const ScanRange& cols = columns[pass % 4];
        const ScanRange& rws = rows[pass % 4];
        const bool vertical = pass >= 4;
        for (int32_t y = rws.first; inside(y, rws); y += rws.step)
            for (int32_t x = cols.first; inside(x, cols); x += cols.step) {
                uint8_t* p = ctx.pixel(buffer, x, y);
                uint8_t* q = vertical ? ctx.pixel(buffer, x, y + rws.step) : ctx.pixel(buffer, x + cols.step, y);
                const uint8_t* d = ctx.pixel(buffer, x + cols.step, y + rws.step);
                pair(p, q, d);
            }
    }
}

// Q moved toward P: Q keeps the share k / 65536 and takes the rest from P,
// rounded. Two equal values blend to themselves, so no pass drifts: k = 65535
// keeps Q and k = 0 gives P exactly.
inline uint8_t blend_toward(uint32_t q, uint32_t p, uint32_t k) noexcept
{
    return static_cast<uint8_t>((k * q + (65536u - k) * p + 32768u) >> 16);
}

void value_blur_weights(NativeFilterContext& ctx, uint32_t brighterSpreads, uint32_t darkerSpreads)
{
    smear(ctx, [=](const uint8_t* p, uint8_t* q, const uint8_t*) {
        const int32_t bp = brightness(p), bq = brightness(q);
        if (bp == bq) return;
        const uint32_t k = bp > bq ? brighterSpreads : darkerSpreads;
        for (int c = 0; c < 4; ++c) q[c] = blend_toward(q[c], p[c], k);
    });
}

}  // namespace

void value_blur(uint8_t* rgba, int32_t width, int32_t height, int32_t slider1, int32_t slider2) noexcept
{
    if (!rgba || width <= 0 || height <= 0) return;
    NativeFilterContext ctx;
    ctx.source = ctx.destination = rgba;
    ctx.width = width;
    ctx.height = height;
    ctx.stride = width * 4;
    value_blur_weights(ctx, slider_weight(slider1 * 0.001), slider_weight(slider2 * 0.001));
}

namespace filters {

void value_blur(NativeFilterContext& ctx)
{
    value_blur_weights(ctx, slider_weight(ctx.slider[0]), slider_weight(ctx.slider[1]));
}

void noise_reduction(NativeFilterContext& ctx)
{
    ctx.slider[0] = 1 - ctx.slider[0] * 0.5;
    const uint32_t k = slider_weight(ctx.slider[0]);
    const int32_t threshold = slider_byte(ctx.slider[1]);
    smear(ctx, [=](const uint8_t* p, uint8_t* q, const uint8_t*) {
        if (std::abs(brightness(p) - brightness(q)) >= threshold) return;
        for (int c = 0; c < 4; ++c) q[c] = blend_toward(q[c], p[c], k);
    });
}

void noise_reduction_rgb(NativeFilterContext& ctx)
{
    uint32_t k[3];
    int32_t threshold[3];
    for (int c = 0; c < 3; ++c) {
        ctx.slider[2 * c] = 1 - ctx.slider[2 * c] * 0.5;
        k[c] = slider_weight(ctx.slider[2 * c]);
        threshold[c] = slider_byte(ctx.slider[2 * c + 1]);
    }
    smear(ctx, [&](const uint8_t* p, uint8_t* q, const uint8_t*) {
        for (int c = 0; c < 3; ++c)
            if (std::abs(p[c] - q[c]) < threshold[c]) q[c] = blend_toward(q[c], p[c], k[c]);
    });
}

// A step across the scan that the diagonal pixel beyond does not continue
// is a staircase edge. Q then moves toward P by half its slider (slider1 when
// Q is the darker side, slider3 when it is the brighter): at 1000 it becomes
// the mean of the two, the half-tone step that softens the stair.
void anti_alias(NativeFilterContext& ctx)
{
    const int32_t darkStep = slider_byte(1 - ctx.slider[1]);
    const int32_t brightStep = slider_byte(1 - ctx.slider[3]);
    const double darkShare = ctx.slider[0] * 0.5, brightShare = ctx.slider[2] * 0.5;
    smear(ctx, [=](const uint8_t* p, uint8_t* q, const uint8_t* d) {
        const int32_t bp = brightness(p), bq = brightness(q), bd = brightness(d);
        double share;
        if (bp - bq > darkStep && bd >= bp)
            share = darkShare;
        else if (bq - bp > brightStep && bd <= bp)
            share = brightShare;
        else
            return;
        for (int c = 0; c < 4; ++c) q[c] = clamp_byte((1 - share) * q[c] + share * p[c]);
    });
}

}  // namespace filters
}  // namespace mur::ipl

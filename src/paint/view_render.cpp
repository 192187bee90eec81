// Drawing a rectangle of the image into the host's 24-bit display buffer:
// the visible layers composited bottom to top with the stroke in progress,
// the tracing image, a checkerboard under transparency and the mask tint.
#include "engine/guard.h"
#include "engine/state.h"
#include "layers/blend_modes.h"
#include "layers/merge_modes.h"
#include "layers/merge_pixel.h"

#include <algorithm>
#include <cstring>

namespace mur {
namespace {

// One entry of the visible-layer list.
struct ViewLayer {
    const LayerRecord* layer;
    const LayerRecord* maskAbove;  // a "Layer Mask" layer right above it in the list
    bool background;               // slot 1: shown opaque
    bool carriesPaint;             // the current layer while a stroke is in progress
};

struct ViewList {
    ViewLayer entries[kLayerSlots];
    int count = 0;
};

ViewList visible_layers() noexcept
{
    ViewList list;
    const LayerRecord* current = engine.layers.currentRecord;
    const bool painting = engine.paintLayer.pixels != nullptr;
    for (int32_t slot = 1; slot < kLayerSlots; ++slot) {
        const LayerRecord& layer = engine.layers.slots[slot];
        if (!layer.pixels || !layer.visible || layer.mode == kModeTexturize3) continue;
        list.entries[list.count++] = {&layer, nullptr, slot == 1,
                                      painting && current && current->pixels == layer.pixels};
    }
    for (int k = 0; k + 1 < list.count; ++k)
        if (list.entries[k + 1].layer->mode == kModeLayerMask) list.entries[k].maskAbove = list.entries[k + 1].layer;
    return list;
}

// The pixel of a layer at an image position, or null beyond the layer.
const uint16_t* pixel_of(const LayerRecord& layer, int32_t x, int32_t y) noexcept
{
    if (x >= layer.width || y >= layer.height) return nullptr;
    return layer.pixels + int64_t{y} * layer.stride + int64_t{x} * 4;
}

// The running composite: straight colour and alpha, normalised.
struct Straight {
    float c[3];
    float a;
};

// Lays one layer pixel over the running composite by the paint compositing
// rules, keeping the composite in single precision; an opaque Normal pixel
// makes it fully opaque.
void composite_onto(Straight& acc, const int32_t rgb[3], int32_t amount, int32_t mode, int32_t opacity,
                    int32_t a0) noexcept
{
    merge::StagePixel p{{rgb[0], rgb[1], rgb[2]}, amount, mode, false};
    if (mode >= kModeAlphaFilter && mode <= kModeLuminanceAlphaInvert) merge::alpha_stage(mode, p, a0);
    if (opacity < 255) p.u = ((opacity + 1) * p.u) >> 8;
    if (acc.a == 0) {
        if (merge::keeps_clear_destination(p.colourMode) || p.u == 0) {
            acc = {{0, 0, 0}, 0};
        } else {
            acc = {{p.c[0] / 65280.0f, p.c[1] / 65280.0f, p.c[2] / 65280.0f}, p.u / 65535.0f};
        }
        return;
    }
    if (p.u == 0) return;
    if (p.u >= 65280 && p.colourMode == kModeNormal) {
        acc = {{p.c[0] / 65280.0f, p.c[1] / 65280.0f, p.c[2] / 65280.0f}, 1.0f};
        return;
    }
    merge::Blend<float> b{};
    b.sa = p.u / 65535.0f;
    b.da = acc.a;
    for (int i = 0; i < 3; ++i) {
        b.sc[i] = p.c[i] / 65280.0f;
        b.sca[i] = p.c[i] * b.sa / 65280.0f;
        b.dca[i] = acc.c[i] * b.da;
    }
    b.ao = (1 - b.da) * b.sa + b.da;
    b.screenAtHalf = true;
    merge::blend_colour(p.colourMode, b, 1.0f / 3.0f);
    const float a = std::clamp(b.ao, 0.0f, 1.0f);
    for (int i = 0; i < 3; ++i) {
        float x = a > 0 ? b.rc[i] / a : 0;
        acc.c[i] = x > 0 ? std::min(x, 1.0f) : 0.0f;  // also NaN
    }
    acc.a = a;
}

// The composite of image pixel (x, y) through the list, as 16-bit colour
// and alpha.
void composite_pixel(const ViewList& list, int32_t x, int32_t y, uint32_t out[4]) noexcept
{
    const LayerRecord& stroke = engine.paintLayer;
    const int32_t a0 = engine.layers.alphaLayerOpacity;
    Straight acc{{0, 0, 0}, 0};
    for (int k = 0; k < list.count; ++k) {
        const ViewLayer& entry = list.entries[k];
        const LayerRecord& layer = *entry.layer;
        const uint16_t* p = pixel_of(layer, x, y);
        int32_t rgb[3] = {0, 0, 0}, alpha = 0;
        if (p) {
            rgb[0] = p[0], rgb[1] = p[1], rgb[2] = p[2];
            alpha = entry.background ? 65535 : p[3];
        }
        if (alpha == 0 && layer.mode < kFirstAlphaMode && !entry.carriesPaint) continue;
        if (entry.carriesPaint) {
            if (const uint16_t* s = pixel_of(stroke, x, y)) {
                const uint32_t amount = (uint32_t{s[3]} * (stroke.density + 1u)) >> 8;
                merge_pixel(&rgb[0], &rgb[1], &rgb[2], &alpha, s[0], s[1], s[2], amount, stroke.mode, stroke.opacity,
                            layer.alphaLocked || engine.lockAlpha);
            }
        }
        if (entry.maskAbove) {
            const uint16_t* m = pixel_of(*entry.maskAbove, x, y);
            if (m && m[3] != 0)
                alpha = static_cast<int32_t>((uint32_t(alpha) * ((uint32_t{m[0]} + m[1] + m[2]) / 3)) >> 16);
            if (entry.background && p) alpha = 65535;
        }
        composite_onto(acc, rgb, alpha, layer.mode, layer.opacity, a0);
    }
    for (int i = 0; i < 3; ++i) out[i] = static_cast<uint32_t>(acc.c[i] * 65280.0f);
    out[3] = static_cast<uint32_t>(acc.a * 65535.0f);
}

bool on_odd_cell(int32_t x, int32_t y) noexcept { return (((x >> 5) + (y >> 5)) & 1) != 0; }

// Tracing, checkerboard and mask tint for image pixel (x, y), then the three
// output bytes: blue, green, red.
void finish_pixel(uint32_t c[4], int32_t x, int32_t y, uint8_t* out) noexcept
{
    const LayerRecord& trace = engine.layers.slots[0];
    if (engine.tracingMode && trace.pixels)
        if (const uint16_t* t = pixel_of(trace, x, y))
            for (int i = 0; i < 3; ++i) c[i] = (c[i] + t[i]) >> 1;
    const uint32_t a = c[3];
    if (a < 65535) {
        const uint32_t bg = on_odd_cell(x, y) ? 40959 : 65535;
        for (int i = 0; i < 3; ++i) c[i] = ((((c[i] * a) >> 8) + (((65535 - a) * bg) >> 8)) & 0x1FFFFFF) >> 8;
    }
    const MaskState& mask = engine.mask;
    if (mask.display && mask.enabled && mask.plane) {
        uint32_t v = mask.plane[std::size_t(y) * engine.width + x];
        if (v != 65535) {
            if (mask.tintFull == 0) v = (v >> 1) + 32767;
            const uint32_t w = 65535 - v;
            const int32_t* tint = on_odd_cell(x, y) ? mask.tint1 : mask.tint2;
            for (int i = 0; i < 3; ++i) {
                const uint32_t sum = ((c[i] * v) >> 8) + ((w * static_cast<uint32_t>(tint[i])) >> 8);
                out[2 - i] = static_cast<uint8_t>((sum & 0x1FFFFFF) >> 16);
            }
            return;
        }
    }
    out[0] = static_cast<uint8_t>(c[2] >> 8);
    out[1] = static_cast<uint8_t>(c[1] >> 8);
    out[2] = static_cast<uint8_t>(c[0] >> 8);
}

// The output size of a path, cut to the view size when one is set.
int32_t cut_to_view(int64_t extent, int32_t view) noexcept
{
    if (view > 0) extent = std::min<int64_t>(extent, view);
    return static_cast<int32_t>(std::clamp<int64_t>(extent, 0, INT32_MAX));
}

void render(uint8_t* dst, int32_t dstStride, int32_t x, int32_t y, int32_t w, int32_t h) noexcept
{
    x = std::max(x, 0);
    y = std::max(y, 0);
    if (int64_t{x} + w > engine.width) w = engine.width - x;
    if (int64_t{y} + h > engine.height) h = engine.height - y;
    if (w <= 0 || h <= 0) return;
    const ViewList list = visible_layers();
    const int32_t n = engine.viewScaleInt;
    const float s = engine.viewScale;
    uint32_t c[4];

    if (s == static_cast<float>(n)) {  // 1:1
        const int32_t cols = cut_to_view(w, engine.viewWidth), rows = cut_to_view(h, engine.viewHeight);
        for (int32_t j = 0; j < rows; ++j) {
            uint8_t* out = dst + int64_t{j} * dstStride;
            for (int32_t i = 0; i < cols; ++i, out += 3) {
                composite_pixel(list, x + i, y + j, c);
                finish_pixel(c, x + i, y + j, out);
            }
        }
    } else if (s > static_cast<float>(n)) {  // reduced: every s-th pixel, no averaging
        if (!(s > 0)) return;
        const int32_t cols = cut_to_view(static_cast<int64_t>(w / s), engine.viewWidth);
        const int32_t rows = cut_to_view(static_cast<int64_t>(h / s), engine.viewHeight);
        int32_t iy = y;
        float fy = 0;
        for (int32_t j = 0; j < rows; ++j) {
            uint8_t* out = dst + int64_t{j} * dstStride;
            int32_t ix = x;
            float fx = 0;
            for (int32_t i = 0; i < cols; ++i, out += 3) {
                const int32_t px = std::min(ix, engine.width - 1), py = std::min(iy, engine.height - 1);
                composite_pixel(list, px, py, c);
                finish_pixel(c, px, py, out);
                fx += s;
                const auto whole = static_cast<int32_t>(fx);
                ix += whole;
                fx -= static_cast<float>(whole);
            }
            fy += s;
            const auto whole = static_cast<int32_t>(fy);
            iy += whole;
            fy -= static_cast<float>(whole);
        }
    } else {  // magnified: each image pixel fills an n x n block
        if (n <= 0) return;
        const int32_t cols = cut_to_view(int64_t{n} * w, engine.viewWidth);
        const int32_t rows = cut_to_view(int64_t{n} * h, engine.viewHeight);
        for (int32_t j = 0; j < rows; ++j) {
            uint8_t* out = dst + int64_t{j} * dstStride;
            const int32_t py = y + j / n;
            int32_t shown = -1;
            uint8_t bgr[3] = {0, 0, 0};
            for (int32_t i = 0; i < cols; ++i, out += 3) {
                const int32_t px = x + i / n;
                if (px != shown) {
                    composite_pixel(list, px, py, c);
                    finish_pixel(c, px, py, bgr);
                    shown = px;
                }
                std::memcpy(out, bgr, 3);
            }
        }
    }
}

}  // namespace
}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_Render(uint8_t* dst, int32_t dstStride, int32_t x, int32_t y, int32_t w, int32_t h)
{
    return guard("Render", 0, [&]() -> int32_t {
        const LayerRecord* current = engine.layers.currentRecord;
        if (!current || !current->pixels || !dst) return 0;
        render(dst, dstStride, x, y, w, h);
        return 1;
    });
}

}  // extern "C"

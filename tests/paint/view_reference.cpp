// A plain per-pixel renderer of the view, written straight from the rules:
// for each output pixel, the visible layers are composited bottom to top
// (the stroke through the single-pixel paint compositing, a layer mask
// weighting the layer below it), then tracing, checkerboard and tint. The
// engine's renderer works by rows, chunks, vector lanes and threads; the
// tests require the same bytes from both.
#include "paint/view_reference.h"

#include "engine/state.h"
#include "layers/blend_colour.h"
#include "layers/blend_stage.h"
#include "layers/merge_pixel.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace mur::test {
namespace {

struct Entry {
    const LayerRecord* layer;
    const LayerRecord* maskAbove;
    bool background;
    bool carriesPaint;
};

std::vector<Entry> visible_layers()
{
    std::vector<Entry> list;
    const LayerRecord* current = engine.layers.currentRecord;
    const bool painting = engine.paintLayer.pixels != nullptr;
    for (int32_t slot = 1; slot < kLayerSlots; ++slot) {
        const LayerRecord& layer = engine.layers.slots[slot];
        if (!layer.pixels || !layer.visible || layer.mode == kModeTexturize3) continue;
        list.push_back({&layer, nullptr, slot == 1, painting && current && current->pixels == layer.pixels});
    }
    for (std::size_t k = 0; k + 1 < list.size(); ++k)
        if (list[k + 1].layer->mode == kModeLayerMask) list[k].maskAbove = list[k + 1].layer;
    return list;
}

const uint16_t* pixel_of(const LayerRecord& layer, int32_t x, int32_t y)
{
    if (x >= layer.width || y >= layer.height) return nullptr;
    return layer.pixels + int64_t{y} * layer.stride + int64_t{x} * 4;
}

struct Straight {
    float c[3];
    float a;
};

// One layer pixel over the composite, in single precision.
void composite_onto(Straight& acc, const int32_t rgb[3], int32_t amount, int32_t mode, int32_t opacity, int32_t a0)
{
    blend::StagePixel p{{rgb[0], rgb[1], rgb[2]}, amount, mode, false};
    if (mode >= kModeAlphaFilter && mode <= kModeLuminanceAlphaInvert) blend::alpha_stage(mode, p, a0);
    if (opacity < 255) p.u = ((opacity + 1) * p.u) >> 8;
    if (acc.a == 0) {
        if (keeps_clear_destination(p.colourMode) || p.u == 0)
            acc = {{0, 0, 0}, 0};
        else
            acc = {{p.c[0] / 65280.0f, p.c[1] / 65280.0f, p.c[2] / 65280.0f}, p.u / 65535.0f};
        return;
    }
    if (p.u == 0) return;
    if (p.u >= 65280 && p.colourMode == kModeNormal) {
        acc = {{p.c[0] / 65280.0f, p.c[1] / 65280.0f, p.c[2] / 65280.0f}, 1.0f};
        return;
    }
    blend::Blend<float> b{};
    b.sa = p.u / 65535.0f;
    b.da = acc.a;
    for (int i = 0; i < 3; ++i) {
        b.sc[i] = p.c[i] / 65280.0f;
        b.sca[i] = p.c[i] * b.sa / 65280.0f;
        b.dca[i] = acc.c[i] * b.da;
    }
    b.ao = (1 - b.da) * b.sa + b.da;
    b.third = 1.0f / 3.0f;
    b.screenAtHalf = true;
    blend::blend_colour(p.colourMode, b);
    const float a = std::clamp(b.ao, 0.0f, 1.0f);
    for (int i = 0; i < 3; ++i) {
        const float x = a > 0 ? b.rc[i] / a : 0;
        acc.c[i] = x > 0 ? std::min(x, 1.0f) : 0.0f;
    }
    acc.a = a;
}

void composite_pixel(const std::vector<Entry>& list, int32_t x, int32_t y, uint32_t out[4])
{
    const LayerRecord& stroke = engine.paintLayer;
    Straight acc{{0, 0, 0}, 0};
    for (const Entry& entry : list) {
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
        composite_onto(acc, rgb, alpha, layer.mode, layer.opacity, engine.layers.alphaLayerOpacity);
    }
    for (int i = 0; i < 3; ++i) out[i] = static_cast<uint32_t>(acc.c[i] * 65280.0f);
    out[3] = static_cast<uint32_t>(acc.a * 65535.0f);
}

bool on_odd_cell(int32_t x, int32_t y) { return (((x >> 5) + (y >> 5)) & 1) != 0; }

void finish_pixel(uint32_t c[4], int32_t x, int32_t y, uint8_t* out)
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

int32_t cut_to_view(int64_t extent, int32_t view)
{
    if (view > 0) extent = std::min<int64_t>(extent, view);
    return static_cast<int32_t>(std::clamp<int64_t>(extent, 0, INT32_MAX));
}

}  // namespace

int32_t reference_render(uint8_t* dst, int32_t dstStride, int32_t x, int32_t y, int32_t w, int32_t h)
{
    const LayerRecord* current = engine.layers.currentRecord;
    if (!current || !current->pixels || !dst) return 0;
    x = std::max(x, 0);
    y = std::max(y, 0);
    if (int64_t{x} + w > engine.width) w = engine.width - x;
    if (int64_t{y} + h > engine.height) h = engine.height - y;
    if (w <= 0 || h <= 0) return 1;
    const std::vector<Entry> list = visible_layers();
    const int32_t n = engine.viewScaleInt;
    const float s = engine.viewScale;
    uint32_t c[4];
    if (s == static_cast<float>(n)) {
        const int32_t cols = cut_to_view(w, engine.viewWidth), rows = cut_to_view(h, engine.viewHeight);
        for (int32_t j = 0; j < rows; ++j)
            for (int32_t i = 0; i < cols; ++i) {
                composite_pixel(list, x + i, y + j, c);
                finish_pixel(c, x + i, y + j, dst + int64_t{j} * dstStride + i * 3);
            }
    } else if (s > static_cast<float>(n)) {
        if (!(s > 0)) return 1;
        const int32_t cols = cut_to_view(static_cast<int64_t>(w / s), engine.viewWidth);
        const int32_t rows = cut_to_view(static_cast<int64_t>(h / s), engine.viewHeight);
        int32_t iy = y;
        float fy = 0;
        for (int32_t j = 0; j < rows; ++j) {
            int32_t ix = x;
            float fx = 0;
            for (int32_t i = 0; i < cols; ++i) {
                const int32_t px = std::min(ix, engine.width - 1), py = std::min(iy, engine.height - 1);
                composite_pixel(list, px, py, c);
                finish_pixel(c, px, py, dst + int64_t{j} * dstStride + i * 3);
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
    } else {
        if (n <= 0) return 1;
        const int32_t cols = cut_to_view(int64_t{n} * w, engine.viewWidth);
        const int32_t rows = cut_to_view(int64_t{n} * h, engine.viewHeight);
        for (int32_t j = 0; j < rows; ++j)
            for (int32_t i = 0; i < cols; ++i) {
                composite_pixel(list, x + i / n, y + j / n, c);
                finish_pixel(c, x + i / n, y + j / n, dst + int64_t{j} * dstStride + i * 3);
            }
    }
    return 1;
}

}  // namespace mur::test

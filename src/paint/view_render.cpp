// Drawing a rectangle of the image into the host's 24-bit display buffer:
// the visible layers composited bottom to top with the stroke in progress,
// the tracing image, a checkerboard under transparency and the mask tint.
//
// The work goes by chunks of output rows: for each chunk every visible layer
// is laid over a running composite (view_compositing.h), then the chunk is
// finished into bytes. Output rows are independent, so they are shared among
// the OpenMP threads; every pixel is computed the same way whatever the
// thread count.
#include "engine/guard.h"
#include "engine/state.h"
#include "layers/blend_modes.h"
#include "layers/merge_pixel.h"
#include "paint/view_compositing.h"

#include <omp.h>

#include <algorithm>
#include <cstring>

namespace mur {
namespace {

using view::Composite;
using view::kChunk;

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
        if (!layer.pixels || !layer.visible || (blend_mode_flags(layer.mode) & kNeverShown)) continue;
        list.entries[list.count++] = {&layer, nullptr, slot == 1,
                                      painting && current && current->pixels == layer.pixels};
    }
    for (int k = 0; k + 1 < list.count; ++k)
        if (list.entries[k + 1].layer->mode == kModeLayerMask) list.entries[k].maskAbove = list.entries[k + 1].layer;
    return list;
}

// The image columns of a chunk of an output row.
struct Columns {
    int32_t xs[kChunk];
    int n = 0;
    bool contiguous = false;  // xs[i] = xs[0] + i
};

// How many of the chunk's columns lie inside a buffer `width` wide (the
// columns never decrease along a row).
int inside(const Columns& cols, int32_t width) noexcept
{
    if (cols.contiguous) return static_cast<int>(std::clamp<int64_t>(int64_t{width} - cols.xs[0], 0, cols.n));
    int k = 0;
    while (k < cols.n && cols.xs[k] < width) ++k;
    return k;
}

// The chunk's pixels of a layer at image row y: the layer's own row when it
// covers the chunk, else gathered into `scratch` with transparent pixels
// beyond the layer. `covered` tells how many lead pixels lie inside it.
const uint16_t* layer_pixels(const LayerRecord& layer, const Columns& cols, int32_t y, uint16_t* scratch,
                             int& covered) noexcept
{
    covered = y < layer.height ? inside(cols, layer.width) : 0;
    const uint16_t* row = covered ? layer.pixels + int64_t{y} * layer.stride : nullptr;
    if (cols.contiguous && covered == cols.n) return row + int64_t{cols.xs[0]} * 4;
    for (int i = 0; i < covered; ++i) std::memcpy(scratch + i * 4, row + int64_t{cols.xs[i]} * 4, 8);
    std::memset(scratch + covered * 4, 0, std::size_t(cols.n - covered) * 8);
    return scratch;
}

// What the view reads, gathered once per call.
struct Scene {
    ViewList list;
    const LayerRecord* paint;  // the stroke in progress, or null
    bool paintAlphaLock;
    int32_t a0;
    view::Finish finish;
};

// Composites and finishes one chunk of an output row.
void draw_chunk(const Scene& scene, const Columns& cols, int32_t y, uint8_t* bgr) noexcept
{
    Composite acc;
    uint16_t own[kChunk * 4], edited[kChunk * 4], other[kChunk * 4];
    const int n = cols.n;
    view::clear(acc, n);
    for (int k = 0; k < scene.list.count; ++k) {
        const ViewLayer& entry = scene.list.entries[k];
        const LayerRecord& layer = *entry.layer;
        if (blend_mode_flags(layer.mode) & kAddsNothing) continue;
        int covered = 0;
        const uint16_t* pixels = layer_pixels(layer, cols, y, own, covered);
        const bool carries = entry.carriesPaint && scene.paint;
        int opaqueUpTo = 0;
        if (carries || entry.maskAbove) {
            // The layer's pixels as the list entry shows them: the
            // background opaque, the stroke laid in, weighted by a layer mask.
            std::memcpy(edited, pixels, std::size_t(n) * 8);
            pixels = edited;
            if (entry.background)
                for (int i = 0; i < covered; ++i) edited[i * 4 + 3] = 65535;
            if (carries) {
                int painted = 0;
                const uint16_t* paint = layer_pixels(*scene.paint, cols, y, other, painted);
                PaintRow row;
                row.paint = paint;
                row.pixels = edited;
                row.width = painted;
                row.mode = scene.paint->mode;
                row.opacity = scene.paint->opacity;
                row.density = scene.paint->density;
                row.a0 = scene.a0;
                row.alphaLock = layer.alphaLocked || scene.paintAlphaLock;
                merge_paint_row(row);
            }
            if (entry.maskAbove) {
                int masked = 0;
                const uint16_t* mask = layer_pixels(*entry.maskAbove, cols, y, other, masked);
                for (int i = 0; i < masked; ++i) {
                    const uint16_t* m = mask + i * 4;
                    if (m[3] != 0)
                        edited[i * 4 + 3] = static_cast<uint16_t>(
                            (uint32_t{edited[i * 4 + 3]} * ((uint32_t{m[0]} + m[1] + m[2]) / 3)) >> 16);
                }
                if (entry.background)
                    for (int i = 0; i < covered; ++i) edited[i * 4 + 3] = 65535;
            }
        } else if (entry.background) {
            opaqueUpTo = covered;
        }
        view::composite_layer(pixels, n, opaqueUpTo, layer.mode, layer.opacity, scene.a0, acc);
    }
    view::finish(acc, n, cols.xs, y, scene.finish, bgr);
}

// The output size of a path, cut to the view size when one is set.
int32_t cut_to_view(int64_t extent, int32_t view) noexcept
{
    if (view > 0) extent = std::min<int64_t>(extent, view);
    return static_cast<int32_t>(std::clamp<int64_t>(extent, 0, INT32_MAX));
}

// Runs body(first, last) over blocks of the output rows: one block per
// OpenMP thread when there is enough work, else one block on this thread
// (a parallel region costs a team set-up even when it is not needed).
template <class Body>
void for_row_blocks(int32_t rows, int64_t workPerRow, Body&& body)
{
    if (rows < 2 || int64_t{rows} * workPerRow < 65536) {
        body(0, rows);
        return;
    }
#pragma omp parallel
    {
        const int64_t t = omp_get_thread_num(), team = omp_get_num_threads();
        body(static_cast<int32_t>(rows * t / team), static_cast<int32_t>(rows * (t + 1) / team));
    }
}

// Position along an axis of the reduced path: an integer part and a
// single-precision fraction advanced by s per output pixel.
struct Stepper {
    int32_t whole;
    float fraction = 0;
    void step(float s) noexcept
    {
        fraction += s;
        const auto w = static_cast<int32_t>(fraction);
        whole += w;
        fraction -= static_cast<float>(w);
    }
};

void render(uint8_t* dst, int32_t dstStride, int32_t x, int32_t y, int32_t w, int32_t h) noexcept
{
    x = std::max(x, 0);
    y = std::max(y, 0);
    if (int64_t{x} + w > engine.width) w = engine.width - x;
    if (int64_t{y} + h > engine.height) h = engine.height - y;
    if (w <= 0 || h <= 0) return;

    Scene scene;
    scene.list = visible_layers();
    scene.paint = engine.paintLayer.pixels ? &engine.paintLayer : nullptr;
    scene.paintAlphaLock = engine.lockAlpha != 0;
    scene.a0 = engine.layers.alphaLayerOpacity;
    const LayerRecord& trace = engine.layers.slots[0];
    if (engine.tracingMode && trace.pixels) scene.finish.trace = &trace;
    const MaskState& mask = engine.mask;
    if (mask.display && mask.enabled && mask.plane) {
        scene.finish.mask = mask.plane;
        scene.finish.maskStride = engine.width;
        scene.finish.tintFull = mask.tintFull != 0;
        std::copy_n(mask.tint1, 3, scene.finish.tintOdd);
        std::copy_n(mask.tint2, 3, scene.finish.tintEven);
    }
    const int32_t n = engine.viewScaleInt;
    const float s = engine.viewScale;
    const int64_t work = scene.list.count + 1;

    if (s == static_cast<float>(n)) {  // 1:1
        const int32_t cols = cut_to_view(w, engine.viewWidth), rows = cut_to_view(h, engine.viewHeight);
        for_row_blocks(rows, int64_t{cols} * work, [&](int32_t firstRow, int32_t lastRow) {
            for (int32_t j = firstRow; j < lastRow; ++j) {
                uint8_t* out = dst + int64_t{j} * dstStride;
                for (int32_t first = 0; first < cols; first += kChunk) {
                    Columns chunk;
                    chunk.n = std::min(kChunk, cols - first);
                    chunk.contiguous = true;
                    for (int i = 0; i < chunk.n; ++i) chunk.xs[i] = x + first + i;
                    draw_chunk(scene, chunk, y + j, out + int64_t{first} * 3);
                }
            }
        });
    } else if (s > static_cast<float>(n)) {  // reduced: every s-th pixel, no averaging
        if (!(s > 0)) return;
        const int32_t cols = cut_to_view(static_cast<int64_t>(w / s), engine.viewWidth);
        const int32_t rows = cut_to_view(static_cast<int64_t>(h / s), engine.viewHeight);
        for_row_blocks(rows, int64_t{cols} * work, [&](int32_t firstRow, int32_t lastRow) {
            // Each block replays the row positions from the first row, so
            // they are the same whatever the thread count.
            Stepper rowAt{y};
            for (int32_t j = 0; j < firstRow; ++j) rowAt.step(s);
            for (int32_t j = firstRow; j < lastRow; ++j, rowAt.step(s)) {
                const int32_t py = std::min(rowAt.whole, engine.height - 1);
                uint8_t* out = dst + int64_t{j} * dstStride;
                Stepper colAt{x};
                for (int32_t first = 0; first < cols; first += kChunk) {
                    Columns chunk;
                    chunk.n = std::min(kChunk, cols - first);
                    for (int i = 0; i < chunk.n; ++i, colAt.step(s))
                        chunk.xs[i] = std::min(colAt.whole, engine.width - 1);
                    draw_chunk(scene, chunk, py, out + int64_t{first} * 3);
                }
            }
        });
    } else {  // magnified: each image pixel fills an n x n block
        if (n <= 0) return;
        const int32_t cols = cut_to_view(int64_t{n} * w, engine.viewWidth);
        const int32_t rows = cut_to_view(int64_t{n} * h, engine.viewHeight);
        if (cols == 0 || rows == 0) return;
        // One composite per image pixel: image row r feeds output rows
        // r * n .. r * n + n - 1, image column c output columns c * n ..
        const int32_t imageCols = (cols - 1) / n + 1, imageRows = (rows - 1) / n + 1;
        for_row_blocks(imageRows, int64_t{imageCols} * work, [&](int32_t firstRow, int32_t lastRow) {
            for (int32_t r = firstRow; r < lastRow; ++r) {
                uint8_t* out = dst + int64_t{r} * n * dstStride;
                uint8_t bgr[kChunk * 3];
                for (int32_t first = 0; first < imageCols; first += kChunk) {
                    Columns chunk;
                    chunk.n = std::min(kChunk, imageCols - first);
                    chunk.contiguous = true;
                    for (int i = 0; i < chunk.n; ++i) chunk.xs[i] = x + first + i;
                    draw_chunk(scene, chunk, y + r, bgr);
                    for (int i = 0; i < chunk.n; ++i) {
                        const int64_t left = (int64_t{first} + i) * n, right = std::min<int64_t>(left + n, cols);
                        for (int64_t c = left; c < right; ++c) std::memcpy(out + c * 3, bgr + i * 3, 3);
                    }
                }
                const int64_t copies = std::min<int64_t>(n, rows - int64_t{r} * n);
                for (int64_t k = 1; k < copies; ++k) std::memcpy(out + k * dstStride, out, std::size_t(cols) * 3);
            }
        });
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

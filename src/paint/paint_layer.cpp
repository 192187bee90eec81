// The paint layer: an image-sized layer outside the table that collects the
// dabs of one stroke (or a paste) before they are merged into a layer.
#include "paint/paint.h"
#include "engine/fixed_point.h"
#include "engine/fault.h"
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/gaussian_blur.h"
#include "layers/blend_modes.h"
#include "layers/layer_access.h"
#include "layers/layer_merge.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace mur {
namespace {

// The softening of the stroke's alpha edge, in pixels.
constexpr double kEdgeSoftening = 1.0;

LayerRecord& stroke_layer() noexcept { return engine.paintLayer; }

void set_empty_extents(LayerRecord& layer) noexcept
{
    layer.extentX0 = engine.width;
    layer.extentY0 = engine.height;
    layer.extentX1 = 0;
    layer.extentY1 = 0;
}

std::size_t paint_bytes(const LayerRecord& layer) noexcept { return layer_pixel_count(layer) * 8; }

int32_t clear_paint_layer() noexcept
{
    LayerRecord& layer = stroke_layer();
    if (!layer.pixels) return 0;
    std::memset(layer.pixels, 0, paint_bytes(layer));
    set_empty_extents(layer);
    return 1;
}

}  // namespace
int32_t paint::create_paint_layer(int32_t opacityPercent, int32_t alphaPercent, const char* modeName)
{
    LayerRecord& layer = stroke_layer();
    if (!layer.pixels) {
        // Without its pixels there is no paint layer: the failure is
        // reported, and the dabs would otherwise go into the layer itself
        // without the stroke's opacity and mode.
        uint16_t* pixels = x_NewShortUndoReduce(static_cast<int64_t>(image_pixels() * 4));
        if (!pixels) throw Fault("paint layer");
        layer.pixels = pixels;
        layer.width = engine.width;
        layer.height = engine.height;
        layer.stride = engine.width * 4;
        clear_paint_layer();
    }
    const char* name = modeName ? modeName : "Normal";
    const std::size_t length = strnlen(name, kModeNameCapacity);
    if (length < kModeNameCapacity) std::memcpy(layer.modeName, name, length + 1);
    layer.visible = 1;
    layer.alphaLocked = 0;
    layer.opacity = static_cast<uint16_t>(std::clamp(fx::percent_of_256(opacityPercent), int64_t{0}, int64_t{256}));
    layer.density = static_cast<uint16_t>(std::clamp(fx::percent_of_255(alphaPercent), int64_t{0}, int64_t{255}));
    layer.mode = blend_mode_id(name);
    return layer.mode;
}

void paint::merge_paint_layer(int32_t layer)
{
    LayerRecord& stroke = stroke_layer();
    LayerRecord* target = live_layer(layer);
    // Without a layer to take it, the stroke stays in the paint layer.
    if (!stroke.pixels || !target) return;
    const LayerRecord* current = engine.layers.currentRecord;
    MergeRequest r;
    r.source = stroke.pixels;
    r.sourceWidth = stroke.width;
    r.sourceHeight = stroke.height;
    r.sourceStride = stroke.stride;
    r.sourceX = r.destX = stroke.extentX0;
    r.sourceY = r.destY = stroke.extentY0;
    r.width = stroke.extentX1 - stroke.extentX0;
    r.height = stroke.extentY1 - stroke.extentY0;
    r.destination = target->pixels;
    r.destWidth = target->width;
    r.destHeight = target->height;
    r.destStride = target->stride;
    r.mode = stroke.mode;
    r.opacity = stroke.opacity;
    r.density = stroke.density;
    r.alphaLock = (current && current->alphaLocked) || engine.lockAlpha;
    merge_layer(r);
    clear_paint_layer();
}

void paint::blur_paint_layer_alpha()
{
    LayerRecord& layer = stroke_layer();
    if (!layer.pixels) return;
    const std::size_t pixels = layer_pixel_count(layer);
    const mem::Owned<uint8_t> alpha(x_NewCharUndoReduce(pixels));
    const mem::Owned<uint8_t> blurred(x_NewCharUndoReduce(pixels));
    if (!alpha || !blurred) return;
    for (std::size_t i = 0; i < pixels; ++i) alpha[i] = static_cast<uint8_t>(layer.pixels[i * 4 + 3] >> 8);
    const imaging::ConstImageView from(alpha.get(), layer.width, layer.height, layer.width, 1);
    // The blur fails only when its working memory cannot be had.
    if (!imaging::gaussian_blur(from, imaging::g8_view(blurred.get(), layer.width, layer.height, layer.width),
                                kEdgeSoftening))
        throw Fault("blur");
    for (std::size_t i = 0; i < pixels; ++i)
        layer.pixels[i * 4 + 3] = alpha[i] >= 240 ? 65535 : static_cast<uint16_t>(blurred[i] << 8);
}

void paint::clear_paint_layer_old()
{
    LayerRecord& layer = stroke_layer();
    if (!layer.pixels) return;
    std::memset(layer.pixels, 0xFF, paint_bytes(layer));
    const int32_t x0 = std::max(layer.extentX0, 0), x1 = std::min(layer.extentX1, layer.width);
    const int32_t y0 = std::max(layer.extentY0, 0), y1 = std::min(layer.extentY1, layer.height);
    for (int32_t y = y0; y < y1 && x1 > x0; ++y)
        std::memset(layer.pixels + std::size_t(y) * layer.stride + std::size_t(x0) * 4, 0, std::size_t(x1 - x0) * 8);
    set_empty_extents(layer);
}

void paint::set_paint_layer_extents(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    // Kept within the paint layer (or the image): the same pixels are
    // merged, and the merge's arithmetic on the extents stays in range.
    LayerRecord& layer = stroke_layer();
    const int32_t w = std::max({layer.width, engine.width, 0}), h = std::max({layer.height, engine.height, 0});
    layer.extentX0 = std::clamp(left, 0, w);
    layer.extentY0 = std::clamp(top, 0, h);
    layer.extentX1 = std::clamp(right, 0, w);
    layer.extentY1 = std::clamp(bottom, 0, h);
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_CreatePaintLayer(int32_t opacityPercent, int32_t alphaPercent, const char* modeName)
{
    return guard("CreatePaintLayer", 0, [&] { return paint::create_paint_layer(opacityPercent, alphaPercent, modeName); });
}

MUR_API int32_t MUR_ClearPaintLayer(void)
{
    return mur::guard<int32_t>("ClearPaintLayer", 0, [&] { return clear_paint_layer(); });
}

MUR_API void MUR_ClearPaintLayer_old(void)
{
    mur::guard("ClearPaintLayer_old", [&] { paint::clear_paint_layer_old(); });
}

MUR_API void MUR_SetPaintLayerExtents(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    mur::guard("SetPaintLayerExtents", [&] { paint::set_paint_layer_extents(left, top, right, bottom); });
}

MUR_API void MUR_MergePaintLayer(int32_t layer)
{
    guard("MergePaintLayer", [&] { paint::merge_paint_layer(layer); });
}

MUR_API void MUR_BlurPaintLayerAlpha(void)
{
    guard("BlurPaintLayerAlpha", [&] { paint::blur_paint_layer_alpha(); });
}

MUR_API void MUR_SwapPaintLayer(int32_t layer)
{
    guard("SwapPaintLayer", [&] {
        if (LayerRecord* record = slot_record(layer)) std::swap(*record, stroke_layer());
    });
}

MUR_API void MUR_DeletePaintLayer(void)
{
    guard("DeletePaintLayer", [&] { mem::release_and_null(stroke_layer().pixels); });
}

}  // extern "C"

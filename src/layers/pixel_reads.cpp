// Single-pixel reads from the named pixel sources: the current layer
// (Surface), a layer by slot, the undo back buffer (UnderLayer, History) and
// the trace image (slot 0).
#include "engine/guard.h"
#include "engine/state.h"
#include "layers/layer_access.h"
#include "layers/pixel_formats.h"
#include "undo/history.h"

#include <algorithm>

namespace mur {
namespace {

// An RGBA64 buffer with the size it may be read at.
struct PixelSource {
    const uint16_t* pixels;
    int32_t width;
    int32_t height;
    int32_t stride;  // 16-bit units
};

PixelSource image_sized(const uint16_t* pixels) noexcept
{
    return {pixels, engine.width, engine.height, engine.width * 4};
}

PixelSource of_layer(const LayerRecord* layer) noexcept
{
    if (!layer || !layer->pixels) return {nullptr, 0, 0, 0};
    return {layer->pixels, layer->width, layer->height, layer->stride};
}

PixelSource surface() noexcept { return of_layer(engine.layers.currentRecord); }
PixelSource under_layer() noexcept { return image_sized(engine.undo.backBuffer.colorPatch); }
PixelSource trace() noexcept { return of_layer(&engine.layers.slots[0]); }

// 0xRRGGBBAA of the pixel nearest (x, y) inside the source; 0 without pixels.
uint32_t rgba_at(const PixelSource& s, int32_t x, int32_t y) noexcept
{
    if (!s.pixels || s.width <= 0 || s.height <= 0) return 0;
    x = std::clamp(x, 0, s.width - 1);
    y = std::clamp(y, 0, s.height - 1);
    return px::pack_rgba(s.pixels + int64_t{y} * s.stride + int64_t{x} * 4);
}

// 0xAARRGGBB at (x, y); transparent white outside the source; 0 without pixels.
uint32_t color_at(const PixelSource& s, int32_t x, int32_t y) noexcept
{
    if (!s.pixels) return 0;
    if (x < 0 || y < 0 || x >= s.width || y >= s.height) return 0x00FFFFFF;
    return px::pack_argb(s.pixels + int64_t{y} * s.stride + int64_t{x} * 4);
}

// One channel of the current layer at (x, y); 0 outside.
int32_t surface_channel(int32_t x, int32_t y, int channel) noexcept
{
    const PixelSource s = surface();
    if (!s.pixels || x < 0 || y < 0 || x >= s.width || y >= s.height || x >= engine.width || y >= engine.height)
        return 0;
    return s.pixels[int64_t{y} * s.stride + int64_t{x} * 4 + channel];
}

}  // namespace
}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_GetRed64(int32_t x, int32_t y) { return surface_channel(x, y, 0); }
MUR_API int32_t MUR_GetGreen64(int32_t x, int32_t y) { return surface_channel(x, y, 1); }
MUR_API int32_t MUR_GetBlue64(int32_t x, int32_t y) { return surface_channel(x, y, 2); }
MUR_API int32_t MUR_GetAlpha64(int32_t x, int32_t y) { return surface_channel(x, y, 3); }

MUR_API uint32_t MUR_GetRGBAAt(int32_t x, int32_t y, const uint16_t* pixels)
{
    return rgba_at(image_sized(pixels), x, y);
}
MUR_API uint32_t MUR_GetRGBAAtSurface(int32_t x, int32_t y) { return rgba_at(surface(), x, y); }
MUR_API uint32_t MUR_GetRGBAAtUnderLayer(int32_t x, int32_t y) { return rgba_at(under_layer(), x, y); }
MUR_API uint32_t MUR_GetRGBAAtTrace(int32_t x, int32_t y) { return rgba_at(trace(), x, y); }
MUR_API uint32_t MUR_GetRGBAAtLayer(int32_t x, int32_t y, int32_t layer)
{
    return rgba_at(of_layer(live_layer(layer)), x, y);
}

MUR_API uint32_t MUR_GetColorAt(int32_t x, int32_t y, const uint16_t* pixels)
{
    return color_at(image_sized(pixels), x, y);
}
MUR_API uint32_t MUR_GetColorAtSurface(int32_t x, int32_t y) { return color_at(surface(), x, y); }
MUR_API uint32_t MUR_GetColorAtUnderLayer(int32_t x, int32_t y) { return color_at(under_layer(), x, y); }
MUR_API uint32_t MUR_GetColorAtTrace(int32_t x, int32_t y) { return color_at(trace(), x, y); }
MUR_API uint32_t MUR_GetColorAtLayer(int32_t x, int32_t y, int32_t layer)
{
    return color_at(of_layer(live_layer(layer)), x, y);
}

MUR_API uint32_t MUR_GetColorAtHistory(int32_t x, int32_t y)
{
    return undo::can_undo() ? color_at(under_layer(), x, y) : 0;
}

}  // extern "C"

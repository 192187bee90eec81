// Single-pixel reads from the named pixel sources: the current layer
// (Surface), a layer by slot, the undo back buffer (UnderLayer, History) and
// the trace image (slot 0).
#include "engine/guard.h"
#include "engine/state.h"
#include "layers/layer_access.h"
#include "layers/pixel_formats.h"
#include "layers/pixel_sources.h"
#include "layers/pixel_reads.h"

#include <algorithm>

namespace mur {
namespace {

using layers::PixelSource;

// 0xRRGGBBAA of the pixel nearest (x, y) inside the source; 0 without pixels.
uint32_t rgba_at(const PixelSource& s, int32_t x, int32_t y) noexcept
{
    if (!s.pixels || s.width <= 0 || s.height <= 0) return 0;
    x = std::clamp(x, 0, s.width - 1);
    y = std::clamp(y, 0, s.height - 1);
    return px::pack_rgba(s.pixels + int64_t{y} * s.stride + int64_t{x} * 4);
}

// One channel of the current layer at (x, y); 0 outside.
int32_t surface_channel(int32_t x, int32_t y, int channel) noexcept
{
    const PixelSource s = layers::surface();
    if (!s.pixels || x < 0 || y < 0 || x >= s.width || y >= s.height || x >= engine.width || y >= engine.height)
        return 0;
    return s.pixels[int64_t{y} * s.stride + int64_t{x} * 4 + channel];
}

}  // namespace

uint32_t layers::color_at(const PixelSource& s, int32_t x, int32_t y) noexcept
{
    if (!s.pixels) return 0;
    if (x < 0 || y < 0 || x >= s.width || y >= s.height) return 0x00FFFFFF;
    return px::pack_argb(s.pixels + int64_t{y} * s.stride + int64_t{x} * 4);
}

}  // namespace mur

using namespace mur;
using namespace mur::layers;

extern "C" {

MUR_API int32_t MUR_GetRed64(int32_t x, int32_t y)
{
    return mur::guard<int32_t>("GetRed64", 0, [&] { return surface_channel(x, y, 0); });
}
MUR_API int32_t MUR_GetGreen64(int32_t x, int32_t y)
{
    return mur::guard<int32_t>("GetGreen64", 0, [&] { return surface_channel(x, y, 1); });
}
MUR_API int32_t MUR_GetBlue64(int32_t x, int32_t y)
{
    return mur::guard<int32_t>("GetBlue64", 0, [&] { return surface_channel(x, y, 2); });
}
MUR_API int32_t MUR_GetAlpha64(int32_t x, int32_t y)
{
    return mur::guard<int32_t>("GetAlpha64", 0, [&] { return surface_channel(x, y, 3); });
}

MUR_API uint32_t MUR_GetRGBAAt(int32_t x, int32_t y, const uint16_t* pixels)
{
    return mur::guard<uint32_t>("GetRGBAAt", 0, [&] { return rgba_at(image_sized(pixels), x, y); });
}
MUR_API uint32_t MUR_GetRGBAAtSurface(int32_t x, int32_t y)
{
    return mur::guard<uint32_t>("GetRGBAAtSurface", 0, [&] { return rgba_at(surface(), x, y); });
}
MUR_API uint32_t MUR_GetRGBAAtUnderLayer(int32_t x, int32_t y)
{
    return mur::guard<uint32_t>("GetRGBAAtUnderLayer", 0, [&] { return rgba_at(under_layer(), x, y); });
}
MUR_API uint32_t MUR_GetRGBAAtTrace(int32_t x, int32_t y)
{
    return mur::guard<uint32_t>("GetRGBAAtTrace", 0, [&] { return rgba_at(trace(), x, y); });
}
MUR_API uint32_t MUR_GetRGBAAtLayer(int32_t x, int32_t y, int32_t layer)
{
    return mur::guard<uint32_t>("GetRGBAAtLayer", 0, [&] { return rgba_at(layer_source(layer), x, y); });
}

MUR_API uint32_t MUR_GetColorAt(int32_t x, int32_t y, const uint16_t* pixels)
{
    return mur::guard<uint32_t>("GetColorAt", 0, [&] { return color_at(image_sized(pixels), x, y); });
}
MUR_API uint32_t MUR_GetColorAtSurface(int32_t x, int32_t y)
{
    return mur::guard<uint32_t>("GetColorAtSurface", 0, [&] { return color_at(surface(), x, y); });
}
MUR_API uint32_t MUR_GetColorAtUnderLayer(int32_t x, int32_t y)
{
    return mur::guard<uint32_t>("GetColorAtUnderLayer", 0, [&] { return color_at(under_layer(), x, y); });
}
MUR_API uint32_t MUR_GetColorAtTrace(int32_t x, int32_t y)
{
    return mur::guard<uint32_t>("GetColorAtTrace", 0, [&] { return color_at(trace(), x, y); });
}
MUR_API uint32_t MUR_GetColorAtLayer(int32_t x, int32_t y, int32_t layer)
{
    return mur::guard<uint32_t>("GetColorAtLayer", 0, [&] { return color_at(layer_source(layer), x, y); });
}

}  // extern "C"

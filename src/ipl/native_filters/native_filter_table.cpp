// The name table of the native filters and the entry that runs them.
#include "engine/guard.h"
#include "engine/state.h"
#include "ipl/native_filters/filter_support.h"
#include "ipl/native_filters/filters.h"
#include "layers/layer_load.h"
#include "layers/layers.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace mur::ipl {
namespace {

// Dispatch order: every entry whose name matches runs (names are distinct).
constexpr NativeFilter kFilters[] = {
    {"Value Blur", filters::value_blur},
    {"Noise Reduction", filters::noise_reduction},
    {"Noise Reduction RGB", filters::noise_reduction_rgb},
    {"Anti Alias", filters::anti_alias},
    {"Grayscale", filters::grayscale},
    {"Invert", filters::invert},
    {"Basic Threshold", filters::basic_threshold},
    {"Hyper Contrast", filters::hyper_contrast},
    {"Adjust RGBA", filters::adjust_rgba},
    {"Clamp", filters::clamp},
    {"Channel", filters::channel},
    {"Alpha Edge Color", filters::alpha_edge_color},
    {"Adjust Lab", filters::adjust_lab},
    {"Box Blur", filters::box_blur},
    {"Bas Relief", filters::bas_relief},
    {"Line Art Cleaner", filters::line_art_cleaner},
    {"Reflection", filters::reflection},
    {"Mirror", filters::mirror},
    {"Gallery Wrap Mirror Auto", filters::gallery_wrap_mirror_auto},
    {"Fader", filters::fader},
    {"Borderize", filters::borderize},
    {"Vignette", filters::vignette},
    {"Detail Blur", filters::detail_blur},
    {"Adaptive Blur", filters::adaptive_blur},
    {"Mask High Low", filters::mask_high_low},
    {"Mask Detail", filters::mask_detail},
};

// The stage store and the extents of the current layer, for page-sized
// buffers.
void store_into_current_layer(const NativeFilterContext& ctx) noexcept
{
    LayerRecord* layer = engine.layers.currentRecord;
    if (!layer || !layer->pixels) return;
    load_rgba32_into_layer(ctx.destination, ctx.stride, *layer, 0, 0, std::min(layer->width, ctx.width),
                           std::min(layer->height, ctx.height), true);
}

Extents current_layer_extents() noexcept
{
    Extents e{engine.width, engine.height, 0, 0};
    if (const LayerRecord* layer = engine.layers.currentRecord; layer && layer->pixels)
        layers::find_data_extents(*layer, e.x0, e.y0, e.x1, e.y1);
    return e;
}

NativeFilterContext make_context(uint8_t* source, uint8_t* destination, int32_t width, int32_t height,
                                 bool singleBuffer, const NativeFilterParams& params)
{
    NativeFilterContext ctx;
    ctx.source = source;
    ctx.destination = destination;
    ctx.width = width;
    ctx.height = height;
    ctx.stride = width * 4;
    ctx.x1 = width - 1;
    ctx.y1 = height - 1;
    for (int i = 0; i < 6; ++i) {
        ctx.slider[i] = params.sliders[i] * 0.001;
        ctx.flag[i] = static_cast<uint8_t>(params.flags[i]);
    }
    ctx.intParam = params.intParam;
    ctx.style1 = params.style1;
    ctx.style2 = params.style2;
    ctx.red = params.red * (1.0 / 255);
    ctx.green = params.green * (1.0 / 255);
    ctx.blue = params.blue * (1.0 / 255);
    ctx.singleBuffer = singleBuffer;
    std::copy_n(engine.tool.color, 3, ctx.toolColour);
    // Filters reach the image only through buffers of its size.
    if (width == engine.width && height == engine.height && width > 0 && height > 0) {
        ctx.mask = engine.mask.plane;
        ctx.storeStage = store_into_current_layer;
        if (engine.layers.currentRecord && engine.layers.currentRecord->pixels) ctx.layerExtents = current_layer_extents;
    }
    return ctx;
}

// Copies the source into the destination unless in single-buffer mode, then
// runs every filter of that name. The number that ran.
int run_by_name(const char* name, NativeFilterContext& ctx)
{
    if (!ctx.singleBuffer && ctx.source != ctx.destination) std::memcpy(ctx.destination, ctx.source, ctx.pixels() * 4);
    int ran = 0;
    for (const NativeFilter& filter : kFilters) {
        if (std::strcmp(name, filter.name) != 0) continue;
        filter.run(ctx);
        ++ran;
    }
    return ran;
}

}  // namespace

std::span<const NativeFilter> native_filters() noexcept { return kFilters; }

int32_t run_native_filter_on_ipl_buffers(const char* name, bool singleBuffer, const NativeFilterParams& params)
{
    const std::size_t bytes = image_pixels() * 4;
    if (!engine.ipl.src32.data || !engine.ipl.dst32.data || bytes == 0) return 0;
    if (engine.ipl.src32.bytes != bytes || engine.ipl.dst32.bytes != bytes) return 0;
    if (!name) return 0;
    NativeFilterContext ctx = make_context(engine.ipl.src32.data, engine.ipl.dst32.data, engine.width, engine.height,
                                           singleBuffer, params);
    run_by_name(name, ctx);
    return 1;
}

bool run_native_filter(uint8_t* source, uint8_t* destination, int32_t width, int32_t height, const char* name,
                       bool singleBuffer, const NativeFilterParams& params)
{
    if (!source || !destination || !name || width <= 0 || height <= 0) return false;
    if (int64_t{width} * height > int64_t{1} << 28) return false;
    NativeFilterContext ctx = make_context(source, destination, width, height, singleBuffer, params);
    return run_by_name(name, ctx) > 0;
}

// ---- Helpers shared by the filters ------------------------------------------

Extents data_extents(const NativeFilterContext& ctx) noexcept
{
    if (ctx.layerExtents) return ctx.layerExtents();
    Extents e{ctx.width, ctx.height, 0, 0};
    const uint8_t* in = ctx.input();
    for (int32_t y = 0; y < ctx.height; ++y)
        for (int32_t x = 0; x < ctx.width; ++x) {
            if (ctx.pixel(in, x, y)[3] == 0) continue;
            e.x0 = std::min(e.x0, x);
            e.y0 = std::min(e.y0, y);
            e.x1 = std::max(e.x1, x);
            e.y1 = std::max(e.y1, y);
        }
    return e;
}

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API int32_t MUR_IPLNativeFilterRGBA32(uint8_t* source, uint8_t* destination, int32_t width, int32_t height,
                                          const char* name, int32_t singleBuffer, int32_t slider1, int32_t slider2,
                                          int32_t slider3, int32_t slider4, int32_t slider5, int32_t slider6,
                                          int32_t style1, int32_t style2, int32_t flag1, int32_t flag2, int32_t flag3,
                                          int32_t flag4, int32_t flag5, int32_t flag6, int32_t red, int32_t green,
                                          int32_t blue)
{
    return guard("IPLNativeFilterRGBA32", 0, [&]() -> int32_t {
        ipl::NativeFilterParams p;
        const int32_t sliders[6] = {slider1, slider2, slider3, slider4, slider5, slider6};
        const int32_t flags[6] = {flag1, flag2, flag3, flag4, flag5, flag6};
        std::copy(std::begin(sliders), std::end(sliders), p.sliders);
        std::copy(std::begin(flags), std::end(flags), p.flags);
        p.style1 = style1;
        p.style2 = style2;
        p.red = red & 0xFF;
        p.green = green & 0xFF;
        p.blue = blue & 0xFF;
        return ipl::run_native_filter(source, destination, width, height, name, (singleBuffer & 0xFF) != 0, p) ? 1 : 0;
    });
}

}  // extern "C"

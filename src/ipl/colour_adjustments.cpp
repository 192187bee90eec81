// The colour adjustments: HSV and HSL shifts of host buffers, "Photo Pop" on
// the current layer, and the blur of host RGB24 buffers.
#include "ipl/ipl.h"

#include "engine/guard.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/colour_adjust.h"
#include "ipl/native_filters/native_filter.h"
#include "ipl/tool_store.h"
#include "layers/layer_load.h"
#include "layers/layers.h"
#include "undo/history.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace mur::ipl {
namespace {

// Above this many pixels the rows are shared among threads.
constexpr int64_t kThreadedPixels = 65536;

bool valid_buffer(const uint8_t* data, int32_t width, int32_t height) noexcept
{
    return data && width > 0 && height > 0 && int64_t{width} * height <= (int64_t{1} << 30);
}

}  // namespace

void hsv_adjust(uint8_t* data, int32_t width, int32_t height, int32_t hue, int32_t saturation, int32_t value)
{
    if (!valid_buffer(data, width, height)) return;
    imaging::adjust_hsv(imaging::rgba32_view(data, width, height, std::ptrdiff_t{width} * 4), {hue, saturation, value},
                        int64_t{width} * height > kThreadedPixels);
}

void hsl_adjust(uint8_t* data, int32_t width, int32_t height, int32_t hue, int32_t saturation, int32_t lightness)
{
    if (!valid_buffer(data, width, height)) return;
    imaging::adjust_hsl(imaging::rgba32_view(data, width, height, std::ptrdiff_t{width} * 4),
                        {hue, saturation, lightness}, int64_t{width} * height > kThreadedPixels);
}

double photo_pop_saturation(double amount) noexcept
{
    return amount > 50 ? (amount - 50) * 0.02 * 2 + 1 : amount * 0.02 * 3 - 2;
}

void photo_pop(double contrast, double saturation, int32_t extraContrast)
{
    LayerRecord* layer = current_layer_with_pixels();
    const std::size_t pixels = image_pixels();
    if (!layer || pixels == 0 || !std::isfinite(contrast) || !std::isfinite(saturation)) return;
    const int32_t width = engine.width, height = engine.height;
    const std::ptrdiff_t stride = std::ptrdiff_t{width} * 4;
    mem::Owned<uint8_t> page(static_cast<uint8_t*>(mem::try_alloc(pixels * 4)));
    mem::Owned<uint8_t> sharpened(static_cast<uint8_t*>(mem::try_alloc_uninit(pixels * 4)));
    if (!page || !sharpened) return;
    layers::read_rgba32(engine.layers.currentLayer, page.get(), static_cast<int32_t>(stride));
    const bool threaded = int64_t(pixels) > kThreadedPixels;
    const imaging::ImageView in = imaging::rgba32_view(page.get(), width, height, stride);
    const imaging::ImageView out = imaging::rgba32_view(sharpened.get(), width, height, stride);
    if (!imaging::sharpen_3x3(in, out, 5, threaded)) return;
    // "Hyper Contrast" with the slider at its lowest first when asked, then
    // at the contrast amount (both in place).
    NativeFilterParams params;
    if (extraContrast == 1) {
        params.sliders[0] = 1;
        run_native_filter(sharpened.get(), sharpened.get(), width, height, "Hyper Contrast", true, params);
    }
    params.sliders[0] = static_cast<int32_t>(std::clamp(contrast, 0.0, 1000.0));
    run_native_filter(sharpened.get(), sharpened.get(), width, height, "Hyper Contrast", true, params);
    imaging::scale_saturation(out, photo_pop_saturation(std::clamp(saturation, 0.0, 100.0)), threaded);
    store_changed_pixels(sharpened.get(), *layer);
    undo::mark_page_dirty();
}

void blur_more_rgb24(uint8_t* data, int32_t width, int32_t height, int32_t size, int32_t strengthPercent)
{
    if (!valid_buffer(data, width, height) || size < 5) return;
    // The view is valid: only memory can fail it.
    if (!imaging::blur_with_strength(imaging::rgb24_view(data, width, height, std::ptrdiff_t{width} * 3), size / 5,
                                     strengthPercent))
        throw std::bad_alloc();
}

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_ProcessBuffer_HSLAdjust(uint8_t* data, int32_t width, int32_t height, int32_t hueShift,
                                         int32_t saturationShift, int32_t lightnessShift)
{
    guard("ProcessBuffer_HSLAdjust",
          [&] { ipl::hsl_adjust(data, width, height, hueShift, saturationShift, lightnessShift); });
}

MUR_API void MUR_ProcessBuffer_HSVAdjust(uint8_t* data, int32_t width, int32_t height, int32_t hueShift,
                                         int32_t saturationShift, int32_t valueShift)
{
    guard("ProcessBuffer_HSVAdjust", [&] { ipl::hsv_adjust(data, width, height, hueShift, saturationShift, valueShift); });
}

MUR_API void MUR_IPLPhotoPop(double contrast, double saturation, int32_t extraContrast)
{
    guard("IPLPhotoPop", [&] { ipl::photo_pop(contrast, saturation, extraContrast); });
}

MUR_API void MUR_BlurMoreBufferRGB24(uint8_t* data, int32_t width, int32_t height, int32_t size, int32_t strengthPercent)
{
    guard("BlurMoreBuffer", [&] { ipl::blur_more_rgb24(data, width, height, size, strengthPercent); });
}

}  // extern "C"

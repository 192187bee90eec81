#include "ipl/ipl.h"
#include "ipl/filter_framing.h"

#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "layers/merge_pixel.h"
#include "layers/pixel_formats.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace mur::ipl {
namespace {

constexpr double kInv255 = 1.0 / 255;
constexpr double kInv65535 = 1.0 / 65535;

// Loops over more than this many pixels share their rows among threads.
constexpr int64_t kParallelPixels = 1000;

bool valid(const void* data, int32_t width, int32_t height) noexcept { return data && width > 0 && height > 0; }

// 1 / (a * 1/255) for every alpha byte, computed exactly as the per-pixel
// formula would, so the table changes nothing but the speed.
const std::array<double, 256>& divisors8()
{
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int a = 1; a < 256; ++a) t[a] = 1 / (a * kInv255);
        return t;
    }();
    return table;
}

inline uint8_t divide_out(uint8_t c, double divisor) noexcept
{
    const double v = c * divisor;
    return v >= 255 ? 255 : static_cast<uint8_t>(v);
}

// Calls `pixel` with every four-value pixel of a width x height buffer;
// rows are shared among threads for large buffers.
template <class T, class Pixel>
void for_each_pixel(T* data, int32_t width, int32_t height, Pixel pixel) noexcept
{
    if (!valid(data, width, height)) return;
    const int64_t rowValues = int64_t{width} * 4;
#pragma omp parallel for schedule(static) if (int64_t{width} * height > kParallelPixels)
    for (int32_t y = 0; y < height; ++y) {
        T* p = data + y * rowValues;
        for (int32_t x = 0; x < width; ++x, p += 4) pixel(p);
    }
}

}  // namespace

void premultiply_rgba32(uint8_t* data, int32_t width, int32_t height) noexcept
{
    for_each_pixel(data, width, height, [](uint8_t* p) {
        const uint8_t a = p[3];
        if (a == 0 || a == 255) return;
        const double f = a * kInv255;
        for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>((p[c] + 1) * f);
    });
}

void unpremultiply_rgba32(uint8_t* data, int32_t width, int32_t height) noexcept
{
    const std::array<double, 256>& divisors = divisors8();
    for_each_pixel(data, width, height, [&](uint8_t* p) {
        const uint8_t a = p[3];
        if (a == 0 || a == 255) return;
        // An edge alpha of 254 is a rounding loss of the filter: the pixel ends opaque.
        if (a == 254) p[3] = 255;
        const double d = divisors[a];
        for (int c = 0; c < 3; ++c) p[c] = divide_out(p[c], d);
    });
}

void premultiply_rgba64(uint16_t* data, int32_t width, int32_t height) noexcept
{
    for_each_pixel(data, width, height, [](uint16_t* p) {
        if (p[3] == 0) return;
        const double f = p[3] * kInv65535;
        for (int c = 0; c < 3; ++c) p[c] = static_cast<uint16_t>(p[c] * f);
    });
}

void unpremultiply_rgba64(uint16_t* data, int32_t width, int32_t height) noexcept
{
    for_each_pixel(data, width, height, [](uint16_t* p) {
        if (p[3] == 0) return;
        const double d = 1 / (p[3] * kInv65535);
        for (int c = 0; c < 3; ++c) {
            const double v = p[c] * d;
            p[c] = v >= 65535 ? 65535 : static_cast<uint16_t>(v);
        }
    });
}

void unpremultiply_for_alpha_comp(uint8_t* data, int32_t width, int32_t height) noexcept
{
    const std::array<double, 256>& divisors = divisors8();
    for_each_pixel(data, width, height, [&](uint8_t* p) {
        if (p[3] == 0) return;
        const double d = divisors[p[3]];
        for (int c = 0; c < 3; ++c) p[c] = divide_out(p[c], d);
    });
}

void SetBufferAlpha32(uint8_t* data, int32_t width, int32_t height, uint8_t alpha) noexcept
{
    if (!valid(data, width, height)) return;
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    for (std::size_t i = 0; i < pixels; ++i) data[i * 4 + 3] = alpha;
}

bool MergeResultIntoLayer(const uint8_t* image, LayerRecord& layer, int32_t mode, int32_t opacity,
                          bool alphaLocked) noexcept
{
    if (!image || !layer.pixels) return true;
    const std::size_t values = image_pixels() * 4;
    if (values == 0) return true;
    const mem::Owned<uint16_t> wide(x_NewShortUndoReduce(static_cast<int64_t>(values)));
    if (!wide) return false;
    for (std::size_t i = 0; i < values; ++i) wide[i] = px::widen(image[i]);
    const px::Overlap area = px::image_overlap(layer);
    const int64_t pageWidth = engine.width;
#pragma omp parallel for schedule(static) if (int64_t{area.width} * area.height > kParallelPixels)
    for (int32_t y = 0; y < area.height; ++y) {
        const uint16_t* s = wide.get() + y * pageWidth * 4;
        uint16_t* d = px::layer_row(layer, y);
        for (int32_t x = 0; x < area.width; ++x, s += 4, d += 4) {
            int32_t r = d[0], g = d[1], b = d[2], a = d[3];
            merge_pixel(&r, &g, &b, &a, s[0], s[1], s[2], s[3], mode, opacity, alphaLocked);
            d[0] = static_cast<uint16_t>(std::clamp(r, 0, 65535));
            d[1] = static_cast<uint16_t>(std::clamp(g, 0, 65535));
            d[2] = static_cast<uint16_t>(std::clamp(b, 0, 65535));
            d[3] = static_cast<uint16_t>(std::clamp(a, 0, 65535));
        }
    }
    return true;
}

void set_color_rgba_buf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b)
{
    if (!data || width <= 0 || height <= 0) return;
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    for (std::size_t i = 0; i < pixels; ++i) {
        data[i * 4] = static_cast<uint8_t>(r);
        data[i * 4 + 1] = static_cast<uint8_t>(g);
        data[i * 4 + 2] = static_cast<uint8_t>(b);
    }
}

void set_color_alpha_rgba_buf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b)
{
    if (!data || width <= 0 || height <= 0) return;
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    for (std::size_t i = 0; i < pixels; ++i) {
        if (data[i * 4 + 3] != 0) continue;
        data[i * 4] = static_cast<uint8_t>(r);
        data[i * 4 + 1] = static_cast<uint8_t>(g);
        data[i * 4 + 2] = static_cast<uint8_t>(b);
    }
}

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_AdjustRGBA32PreFilter(uint8_t* data, int32_t width, int32_t height)
{
    guard("AdjustRGBA32PreFilter", [&] { ipl::premultiply_rgba32(data, width, height); });
}

MUR_API void MUR_AdjustRGBA32PostFilter(uint8_t* data, int32_t width, int32_t height)
{
    guard("AdjustRGBA32PostFilter", [&] { ipl::unpremultiply_rgba32(data, width, height); });
}

MUR_API void MUR_AdjustRGBA64PreFilter(uint16_t* data, int32_t width, int32_t height)
{
    guard("AdjustRGBA64PreFilter", [&] { ipl::premultiply_rgba64(data, width, height); });
}

MUR_API void MUR_AdjustRGBA64PostFilter(uint16_t* data, int32_t width, int32_t height)
{
    guard("AdjustRGBA64PostFilter", [&] { ipl::unpremultiply_rgba64(data, width, height); });
}

MUR_API void MUR_AdjustRGBA32ForAlphaComp(int32_t flag, uint8_t* image)
{
    guard("AdjustRGBA32ForAlphaComp", [&] {
        if (flag) ipl::unpremultiply_for_alpha_comp(image, engine.width, engine.height);
    });
}

MUR_API void MUR_SetColorRGBABuf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b)
{
    guard("SetColorRGBABuf", [&] { ipl::set_color_rgba_buf(data, width, height, r, g, b); });
}

MUR_API void MUR_SetColorAlphaRGBABuf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b)
{
    guard("SetColorAlphaRGBABuf", [&] { ipl::set_color_alpha_rgba_buf(data, width, height, r, g, b); });
}

}  // extern "C"

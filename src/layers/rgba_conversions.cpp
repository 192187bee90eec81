// Stand-alone conversions of RGBA64 rectangles to RGBA32 and RGB24 bytes.
#include "engine/state.h"
#include "layers/pixel_formats.h"

#include <algorithm>

namespace mur {
namespace {

// Copies rows x cols pixels of RGBA64 (row stride in bytes) to `Channels`
// high bytes per pixel (row stride in bytes).
template <int Channels>
void narrow_rect(const uint16_t* src, int64_t srcStride, uint8_t* dst, int64_t dstStride, int64_t cols,
                 int64_t rows) noexcept
{
    for (int64_t row = 0; row < rows; ++row) {
        const auto* s = reinterpret_cast<const uint16_t*>(reinterpret_cast<const uint8_t*>(src) + row * srcStride);
        uint8_t* d = dst + row * dstStride;
        for (int64_t col = 0; col < cols; ++col, s += 4, d += Channels)
            for (int c = 0; c < Channels; ++c) d[c] = px::narrow(s[c]);
    }
}

// The clipping of the rectangle conversions: a negative corner moves to 0
// and the size is cut where the rectangle passes the image.
bool clip_to_image(int32_t& x, int32_t& y, int32_t& w, int32_t& h) noexcept
{
    x = std::max(x, 0);
    y = std::max(y, 0);
    if (int64_t{x} + w > engine.width) w = engine.width - x;
    if (int64_t{y} + h > engine.height) h = engine.height - y;
    return w > 0 && h > 0;
}

template <int Channels>
void rect_to_packed(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t stridePixels,
                    uint8_t* dst) noexcept
{
    if (!src || !dst || !clip_to_image(x, y, w, h)) return;
    const uint16_t* first = src + (int64_t{y} * stridePixels + x) * 4;
    narrow_rect<Channels>(first, int64_t{stridePixels} * 8, dst, int64_t{w} * Channels, w, h);
}

}  // namespace
}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_RGBA64RectToRGBA32(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h,
                                    int32_t stridePixels, int32_t, uint8_t* dst)
{
    rect_to_packed<4>(src, x, y, w, h, stridePixels, dst);
}

MUR_API void MUR_RGBA64RectToRGBA24(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h,
                                    int32_t stridePixels, int32_t, uint8_t* dst)
{
    rect_to_packed<3>(src, x, y, w, h, stridePixels, dst);
}

MUR_API int32_t MUR_GetRGBA32FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride,
                                            int32_t, int32_t, int32_t w, int32_t h)
{
    if (!dst || !src) return 0;
    narrow_rect<4>(src, srcStride, dst, dstStride, std::max(w, 0), std::max(h, 0));
    return 1;
}

MUR_API int32_t MUR_GetRGB24FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride,
                                           int32_t, int32_t, int32_t w, int32_t h)
{
    if (!dst || !src) return 0;
    narrow_rect<3>(src, srcStride, dst, dstStride, std::max(w, 0), std::max(h, 0));
    return 1;
}

MUR_API int32_t MUR_GetRGBA32FromRGBA64(uint8_t* dst, int32_t dstStride, int32_t w, int32_t h, const uint16_t* src,
                                        int32_t srcStride)
{
    return MUR_GetRGBA32FromRGBA64Rect(dst, dstStride, src, srcStride, 0, 0, w, h);
}

MUR_API int32_t MUR_GetRGB24FromRGBA64(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride)
{
    return MUR_GetRGB24FromRGBA64Rect(dst, dstStride, src, srcStride, 0, 0, engine.width, engine.height);
}

}  // extern "C"

// Stand-alone conversions of RGBA64 rectangles to RGBA32 and RGB24 bytes.
#include "engine/guard.h"
#include "engine/state.h"
#include "imaging/rect_clip.h"
#include "layers/pixel_formats.h"

#include <algorithm>

namespace mur {
namespace {

// Copies rows x cols pixels of RGBA64 to `Channels` high bytes per pixel.
template <int Channels>
void narrow_rect(imaging::CallerRows<const uint16_t> src, imaging::CallerRows<uint8_t> dst, int64_t cols,
                 int64_t rows) noexcept
{
    if (!src.usable() || !dst.usable() || cols <= 0) return;  // empty rows: nothing to walk
    for (int64_t row = 0; row < rows; ++row) {
        const uint16_t* s = src.at(row);
        uint8_t* d = dst.at(row);
        for (int64_t col = 0; col < cols; ++col, s += 4, d += Channels)
            for (int c = 0; c < Channels; ++c) d[c] = px::narrow(s[c]);
    }
}

// The rectangle conversions: a negative corner moves to 0 and the size is
// cut where the rectangle passes the image; dst is packed.
template <int Channels>
void rect_to_packed(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t stridePixels,
                    uint8_t* dst) noexcept
{
    const imaging::CallerRows<const uint16_t> from = imaging::caller_rows(src, int64_t{stridePixels} * 8);
    const imaging::Span cols = imaging::cut_span(x, w, engine.width), rows = imaging::cut_span(y, h, engine.height);
    if (!from.usable() || !dst || cols.empty() || rows.empty()) return;
    const imaging::CallerRows<const uint16_t> first{from.at(rows.begin, cols.begin * 8), from.stride};
    narrow_rect<Channels>(first, imaging::caller_rows(dst, cols.length() * Channels), cols.length(), rows.length());
}

}  // namespace
}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_RGBA64RectToRGBA32(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h,
                                    int32_t stridePixels, int32_t, uint8_t* dst)
{
    mur::guard("RGBA64RectToRGBA32", [&] { rect_to_packed<4>(src, x, y, w, h, stridePixels, dst); });
}

MUR_API void MUR_RGBA64RectToRGBA24(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h,
                                    int32_t stridePixels, int32_t, uint8_t* dst)
{
    mur::guard("RGBA64RectToRGBA24", [&] { rect_to_packed<3>(src, x, y, w, h, stridePixels, dst); });
}

MUR_API int32_t MUR_GetRGBA32FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride,
                                            int32_t, int32_t, int32_t w, int32_t h)
{
    return mur::guard<int32_t>("GetRGBA32FromRGBA64Rect", 0, [&]() -> int32_t {
        const imaging::CallerRows<const uint16_t> from = imaging::caller_rows(src, srcStride);
        const imaging::CallerRows<uint8_t> to = imaging::caller_rows(dst, dstStride);
        if (!from.usable() || !to.usable()) return 0;
        narrow_rect<4>(from, to, std::max(w, 0), std::max(h, 0));
        return 1;
    });
}

MUR_API int32_t MUR_GetRGB24FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride,
                                           int32_t, int32_t, int32_t w, int32_t h)
{
    return mur::guard<int32_t>("GetRGB24FromRGBA64Rect", 0, [&]() -> int32_t {
        const imaging::CallerRows<const uint16_t> from = imaging::caller_rows(src, srcStride);
        const imaging::CallerRows<uint8_t> to = imaging::caller_rows(dst, dstStride);
        if (!from.usable() || !to.usable()) return 0;
        narrow_rect<3>(from, to, std::max(w, 0), std::max(h, 0));
        return 1;
    });
}

MUR_API int32_t MUR_GetRGBA32FromRGBA64(uint8_t* dst, int32_t dstStride, int32_t w, int32_t h, const uint16_t* src,
                                        int32_t srcStride)
{
    return mur::guard<int32_t>("GetRGBA32FromRGBA64", 0, [&]() -> int32_t {
        return MUR_GetRGBA32FromRGBA64Rect(dst, dstStride, src, srcStride, 0, 0, w, h);
    });
}

MUR_API int32_t MUR_GetRGB24FromRGBA64(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride)
{
    return mur::guard<int32_t>("GetRGB24FromRGBA64", 0, [&]() -> int32_t {
        return MUR_GetRGB24FromRGBA64Rect(dst, dstStride, src, srcStride, 0, 0, engine.width, engine.height);
    });
}

}  // extern "C"

#include "imaging/rect_copy.h"

#include <algorithm>
#include <cstring>

namespace mur::imaging {

bool copy_rect(const ConstImageView& src, Rect from, const ImageView& dst, int32_t toX, int32_t toY) noexcept
{
    if (!src.data || !dst.data || src.bytesPerPixel != dst.bytesPerPixel || src.bytesPerPixel <= 0) return false;
    // Work in 64 bits: the corners of a rectangle given by a host can be
    // anywhere in the 32-bit range.
    int64_t sx = from.x, sy = from.y, dx = toX, dy = toY;
    int64_t w = from.width, h = from.height;
    auto clip = [&](int64_t& a, int64_t& b, int64_t& extent, int64_t limitA, int64_t limitB) {
        // a: start in the first buffer, b: start in the second
        if (a < 0) { b -= a; extent += a; a = 0; }
        if (b < 0) { a -= b; extent += b; b = 0; }
        extent = std::min({extent, limitA - a, limitB - b});
    };
    clip(sx, dx, w, src.width, dst.width);
    clip(sy, dy, h, src.height, dst.height);
    if (w <= 0 || h <= 0) return true;

    const std::size_t rowBytes = static_cast<std::size_t>(w) * src.bytesPerPixel;
    const uint8_t* in = src.data + sy * src.stride + sx * src.bytesPerPixel;
    uint8_t* out = dst.data + dy * dst.stride + dx * dst.bytesPerPixel;
    if (rowBytes == static_cast<std::size_t>(src.stride) && src.stride == dst.stride) {
        std::memmove(out, in, rowBytes * static_cast<std::size_t>(h));
        return true;
    }
    for (int64_t r = 0; r < h; ++r) std::memmove(out + r * dst.stride, in + r * src.stride, rowBytes);
    return true;
}

bool paste_opaque(const ConstImageView& src, const ImageView& dst, int32_t x, int32_t y) noexcept
{
    return copy_rect(src, Rect{0, 0, src.width, src.height}, dst, x, y);
}

}  // namespace mur::imaging

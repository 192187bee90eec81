#include "imaging/pixel_moves.h"

#include "imaging/rect_clip.h"

#include <algorithm>
#include <cstring>

namespace mur::imaging {
namespace {

// Quarter turns work tile by tile, so that the columns read from the source
// stay in the cache while a tile's rows are written.
constexpr int32_t kTile = 32;

// Pictures with fewer pixels than this are moved on the calling thread.
constexpr int64_t kParallelPixels = 1 << 15;

bool usable(const ConstImageView& v) noexcept
{
    if (!v.data || v.width <= 0 || v.height <= 0 || v.bytesPerPixel <= 0) return false;
    return v.stride >= std::ptrdiff_t{v.width} * v.bytesPerPixel;
}

bool turnable(const ConstImageView& v) noexcept { return usable(v) && (v.bytesPerPixel == 4 || v.bytesPerPixel == 8); }

template <class Pixel>
const Pixel* pixel_row(const ConstImageView& v, int64_t y) noexcept
{
    return reinterpret_cast<const Pixel*>(v.data + y * v.stride);
}

template <class Pixel>
Pixel* pixel_row(const ImageView& v, int64_t y) noexcept
{
    return reinterpret_cast<Pixel*>(v.data + y * v.stride);
}

// Destination pixel (x, y) of a turn reads source column `column(y)` of row
// `row(x)`: clockwise, column y of row height - 1 - x; counter-clockwise,
// column width - 1 - y of row x.
template <class Pixel, bool Clockwise>
void turn(const ConstImageView& src, const ImageView& dst) noexcept
{
    const int32_t outWidth = dst.width, outHeight = dst.height;
    const int32_t tilesDown = (outHeight + kTile - 1) / kTile;
    const bool worth = int64_t{outWidth} * outHeight >= kParallelPixels;
#pragma omp parallel for schedule(static) if (worth)
    for (int32_t tileRow = 0; tileRow < tilesDown; ++tileRow) {
        const int32_t y0 = tileRow * kTile, y1 = std::min(y0 + kTile, outHeight);
        for (int32_t x0 = 0; x0 < outWidth; x0 += kTile) {
            const int32_t x1 = std::min(x0 + kTile, outWidth);
            for (int32_t y = y0; y < y1; ++y) {
                Pixel* out = pixel_row<Pixel>(dst, y);
                const int32_t column = Clockwise ? y : src.width - 1 - y;
                for (int32_t x = x0; x < x1; ++x) {
                    const int32_t row = Clockwise ? src.height - 1 - x : x;
                    out[x] = pixel_row<Pixel>(src, row)[column];
                }
            }
        }
    }
}

template <bool Clockwise>
bool turn_any(const ConstImageView& src, const ImageView& dst) noexcept
{
    if (!turnable(src) || !turnable(dst) || src.bytesPerPixel != dst.bytesPerPixel) return false;
    if (dst.width != src.height || dst.height != src.width) return false;
    if (src.bytesPerPixel == 4) turn<uint32_t, Clockwise>(src, dst);
    else turn<uint64_t, Clockwise>(src, dst);
    return true;
}

template <class Pixel>
void mirror_rows(const ImageView& picture) noexcept
{
    const bool worth = int64_t{picture.width} * picture.height >= kParallelPixels;
#pragma omp parallel for schedule(static) if (worth)
    for (int32_t y = 0; y < picture.height; ++y) {
        Pixel* row = pixel_row<Pixel>(picture, y);
        std::reverse(row, row + picture.width);
    }
}

// `count` copies of one pixel of `bytes` bytes.
void fill_run(uint8_t* at, int64_t count, const uint8_t* pixel, int32_t bytes) noexcept
{
    if (count <= 0) return;
    std::memcpy(at, pixel, static_cast<std::size_t>(bytes));
    // Doubling copies: the filled part is copied onto what follows it.
    int64_t done = 1;
    while (done < count) {
        const int64_t n = std::min(done, count - done);
        std::memcpy(at + done * bytes, at, static_cast<std::size_t>(n * bytes));
        done += n;
    }
}

}  // namespace

bool flip_horizontal(const ImageView& picture) noexcept
{
    if (!usable(picture)) return false;
    switch (picture.bytesPerPixel) {
    case 4: mirror_rows<uint32_t>(picture); return true;
    case 8: mirror_rows<uint64_t>(picture); return true;
    default: return false;
    }
}

bool flip_vertical(const ImageView& picture) noexcept
{
    if (!usable(picture)) return false;
    const std::size_t rowBytes = std::size_t(picture.width) * std::size_t(picture.bytesPerPixel);
    const int32_t pairs = picture.height / 2;
    const bool worth = int64_t{picture.width} * picture.height >= kParallelPixels;
#pragma omp parallel for schedule(static) if (worth)
    for (int32_t y = 0; y < pairs; ++y)
        std::swap_ranges(picture.row(y), picture.row(y) + rowBytes, picture.row(picture.height - 1 - y));
    return true;
}

bool rotate_counter_clockwise(const ConstImageView& src, const ImageView& dst) noexcept
{
    return turn_any<false>(src, dst);
}

bool rotate_clockwise(const ConstImageView& src, const ImageView& dst) noexcept { return turn_any<true>(src, dst); }

bool place_on_canvas(const ConstImageView& src, const ImageView& dst, int32_t x, int32_t y, const void* fill) noexcept
{
    if (!usable(src) || !usable(dst) || !fill || src.bytesPerPixel != dst.bytesPerPixel) return false;
    const int32_t bpp = dst.bytesPerPixel;
    // The part of the canvas that the picture covers.
    const Span columns = clip_span(x, src.width, dst.width);
    const Span rows = clip_span(y, src.height, dst.height);
    const auto* pixel = static_cast<const uint8_t*>(fill);
    const bool worth = int64_t{dst.width} * dst.height >= kParallelPixels;
#pragma omp parallel for schedule(static) if (worth)
    for (int32_t row = 0; row < dst.height; ++row) {
        uint8_t* out = dst.row(row);
        if (columns.empty() || row < rows.begin || row >= rows.end) {
            fill_run(out, dst.width, pixel, bpp);
            continue;
        }
        fill_run(out, columns.begin, pixel, bpp);
        const uint8_t* in = src.row(static_cast<int32_t>(int64_t{row} - y)) + (columns.begin - x) * bpp;
        std::memcpy(out + columns.begin * bpp, in, static_cast<std::size_t>(columns.length() * bpp));
        fill_run(out + columns.end * bpp, dst.width - columns.end, pixel, bpp);
    }
    return true;
}

}  // namespace mur::imaging

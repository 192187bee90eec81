#include "imaging/pixel_convert.h"

namespace mur::imaging {
namespace {

// Rows of at least this many pixels in total are shared among threads.
constexpr int64_t kParallelPixels = 1 << 16;

bool valid(const ConstImageView& v, int32_t bytesPerPixel) noexcept
{
    return v.data && v.width > 0 && v.height > 0 && v.bytesPerPixel == bytesPerPixel &&
           (v.stride >= std::ptrdiff_t{v.width} * bytesPerPixel || v.stride <= -std::ptrdiff_t{v.width} * bytesPerPixel);
}

}  // namespace

bool rgba32_to_gray8(const ConstImageView& src, const ImageView& dst) noexcept
{
    if (!valid(src, 4) || !valid(dst, 1) || src.width != dst.width || src.height != dst.height) return false;
    const int32_t width = src.width;
#pragma omp parallel for schedule(static) if (int64_t{src.width} * src.height >= kParallelPixels)
    for (int32_t y = 0; y < src.height; ++y) {
        const uint8_t* in = src.row(y);
        uint8_t* out = dst.row(y);
        for (int32_t x = 0; x < width; ++x, in += 4) out[x] = gray_of(in[0], in[1], in[2]);
    }
    return true;
}

bool swap_red_blue(const ImageView& image) noexcept
{
    if (!valid(image, 4)) return false;
    const int32_t width = image.width;
#pragma omp parallel for schedule(static) if (int64_t{image.width} * image.height >= kParallelPixels)
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* p = image.row(y);
        for (int32_t x = 0; x < width; ++x, p += 4) {
            const uint8_t r = p[0];
            p[0] = p[2];
            p[2] = r;
        }
    }
    return true;
}

}  // namespace mur::imaging

#include "imaging/seam_carving.h"

#include "engine/memory.h"

#include <lqr.h>

#include <cstring>
#include <memory>

namespace mur::imaging {
namespace {

// The carver and every carver attached to it go together.
struct DestroyCarver {
    void operator()(LqrCarver* carver) const noexcept { lqr_carver_destroy(carver); }
};
using CarverPtr = std::unique_ptr<LqrCarver, DestroyCarver>;

// A carver over a picture the caller keeps: the carver reads it and never
// frees or writes it (it copies before it changes anything).
LqrCarver* carver_over(const void* pixels, int32_t width, int32_t height, LqrColDepth depth) noexcept
{
    LqrCarver* carver = lqr_carver_new_ext(const_cast<void*>(pixels), width, height, 4, depth);
    if (!carver) return nullptr;
    lqr_carver_set_preserve_input_image(carver);
    if (lqr_carver_set_image_type(carver, LQR_RGBA_IMAGE) != LQR_OK) {
        lqr_carver_destroy(carver);
        return nullptr;
    }
    return carver;
}

bool packed(const ConstImageView& v, int32_t bytesPerPixel, int32_t width, int32_t height) noexcept
{
    return v.data && v.bytesPerPixel == bytesPerPixel && v.width == width && v.height == height &&
           v.stride == std::ptrdiff_t{width} * bytesPerPixel;
}

// Every pixel the carver holds into `out`, newWidth x newHeight.
bool read_out(LqrCarver* carver, const ImageView& out) noexcept
{
    if (lqr_carver_get_width(carver) != out.width || lqr_carver_get_height(carver) != out.height) return false;
    lqr_carver_scan_reset(carver);
    int x = 0, y = 0;
    void* values = nullptr;
    while (lqr_carver_scan_ext(carver, &x, &y, &values)) {
        if (x < 0 || y < 0 || x >= out.width || y >= out.height) continue;
        std::memcpy(out.row(y) + std::ptrdiff_t{x} * 8, values, 8);
    }
    return true;
}

// The keep plane as the carver's bias: strong enough that a seam through a
// fully kept pixel costs more than any seam around it (the carver divides
// the bias by the width and a seam crosses at most `height` pixels whose
// energy is below 1; it also halves what it is given).
bool add_bias(LqrCarver* carver, const ConstImageView& keep, int32_t width, int32_t height) noexcept
{
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    mem::Owned<double> bias(mem::try_alloc_array<double>(pixels));
    if (!bias) return false;
    const double scale = 4.0 * double(width) * double(height) / 65535.0;
    bool any = false;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = keep.row(y);
        for (int32_t x = 0; x < width; ++x) {
            uint16_t v;
            std::memcpy(&v, row + std::ptrdiff_t{x} * 2, 2);
            bias[std::size_t(y) * width + x] = v * scale;
            any |= v != 0;
        }
    }
    return !any || lqr_carver_bias_add(carver, bias.get(), 1) == LQR_OK;
}

}  // namespace

bool seam_carve(const ConstImageView& guide, const ConstImageView& keep, const ConstImageView* sources,
                const ImageView* results, int32_t count, int32_t newWidth, int32_t newHeight) noexcept
{
    const int32_t width = guide.width, height = guide.height;
    if (!packed(guide, 4, width, height) || newWidth < 1 || newHeight < 1) return false;
    // The library fails on pictures one pixel across and on carving down to
    // a single pixel.
    if (width < 2 || height < 2 || (newWidth == 1 && newHeight == 1)) return false;
    if (keep.data && (keep.bytesPerPixel != 2 || keep.width != width || keep.height != height)) return false;
    if (count < 0 || (count > 0 && (!sources || !results))) return false;
    for (int32_t i = 0; i < count; ++i) {
        if (!packed(sources[i], 8, width, height)) return false;
        const ImageView& r = results[i];
        if (!r.data || r.bytesPerPixel != 8 || r.width != newWidth || r.height != newHeight ||
            r.stride < std::ptrdiff_t{newWidth} * 8)
            return false;
    }

    CarverPtr root(carver_over(guide.data, width, height, LQR_COLDEPTH_8I));
    if (!root) return false;
    // Attached before the carver starts, as the library asks; from then on
    // the root owns them.
    for (int32_t i = 0; i < count; ++i) {
        LqrCarver* layer = carver_over(sources[i].data, width, height, LQR_COLDEPTH_16I);
        if (!layer) return false;
        if (lqr_carver_attach(root.get(), layer) != LQR_OK) {
            lqr_carver_destroy(layer);
            return false;
        }
    }
    if (lqr_carver_init(root.get(), 1, 0.0f) != LQR_OK) return false;
    if (keep.data && !add_bias(root.get(), keep, width, height)) return false;
    // Nor can it turn to the other direction once the picture is one pixel
    // wide, so a width of 1 is carved last.
    lqr_carver_set_resize_order(root.get(), newWidth == 1 ? LQR_RES_ORDER_VERT : LQR_RES_ORDER_HOR);
    if (lqr_carver_resize(root.get(), newWidth, newHeight) != LQR_OK) return false;

    // The attached carvers in the order they were attached.
    LqrCarverList* list = lqr_carver_list_start(root.get());
    for (int32_t i = 0; i < count; ++i, list = lqr_carver_list_next(list)) {
        LqrCarver* layer = list ? lqr_carver_list_current(list) : nullptr;
        if (!layer || !read_out(layer, results[i])) return false;
    }
    return true;
}

}  // namespace mur::imaging

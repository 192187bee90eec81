#include "imaging/raw_reader.h"

#include "imaging/picture_reader.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace mur::imaging {
namespace {

char kEmbeddedProfile[] = "embed";

// The development settings of the engine's raw reading, one value each as
// the host's raw decoder takes them in order: 1.0, 3, -1, "embed", 0, 0, 3,
// 224, after the bit depth (24-bit RGB).
void set_development(libraw_output_params_t& p)
{
    p.output_bps = 8;                    // 24-bit RGB: 8 bits a channel
    p.bright = 1.0f;                     // 1.0: brightness scale left as it is
    p.user_qual = 3;                     // 3: AHD demosaicing
    p.user_flip = -1;                    // -1: the orientation the file records
    p.camera_profile = kEmbeddedProfile; // "embed": the colour profile inside the file, when there is one
    p.half_size = 0;                     // 0: full size, not the half-size preview
    p.four_color_rgb = 0;                // 0: the usual three-colour interpolation
    p.use_camera_matrix = 3;             // 3: always the camera's own colour matrix when the file has one
    p.gamm[0] = 1.0 / 2.24;              // 224: output gamma curve of power 2.24 ...
    p.gamm[1] = 4.5;                     // ... with the usual toe slope
}

bool within(const PictureLimits& limits, int64_t w, int64_t h) { return limits.allows(w, h); }

}  // namespace

bool read_raw_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                          const PictureLimits& limits, bool* outOfMemory) noexcept
{
    picture = {};
    if (outOfMemory) *outOfMemory = false;
    if (!data || size < 16 || size > kMaxPictureFileBytes) return false;
    // LibRaw catches its own failed allocations and reports them as codes.
    auto short_of_memory = [outOfMemory](int code) {
        if (outOfMemory && (code == LIBRAW_UNSUFFICIENT_MEMORY || code == ENOMEM)) *outOfMemory = true;
        return code;
    };
    libraw_data_t* raw = libraw_init(0);
    if (!raw) {
        if (outOfMemory) *outOfMemory = true;
        return false;
    }
    set_development(raw->params);
    // LibRaw's working buffers for the largest raw picture the limits allow.
    const uint64_t pixels = std::min<uint64_t>(limits.maxPixels, kMaxPicturePixels);
    raw->params.max_raw_memory_mb = unsigned(std::clamp<uint64_t>(pixels * 8 >> 20, 16, 8192));
    bool ok = false;
    if (short_of_memory(libraw_open_buffer(raw, const_cast<uint8_t*>(data), size)) == LIBRAW_SUCCESS &&
        within(limits, raw->sizes.raw_width, raw->sizes.raw_height) &&
        within(limits, raw->sizes.width, raw->sizes.height) && short_of_memory(libraw_unpack(raw)) == LIBRAW_SUCCESS &&
        short_of_memory(libraw_dcraw_process(raw)) == LIBRAW_SUCCESS) {
        int error = 0;
        libraw_processed_image_t* image = libraw_dcraw_make_mem_image(raw, &error);
        short_of_memory(error);
        if (image && image->type == LIBRAW_IMAGE_BITMAP && image->colors == 3 && image->bits == 8 &&
            within(limits, image->width, image->height) &&
            image->data_size >= std::size_t(image->width) * image->height * 3 &&
            allocate_picture(picture, image->width, image->height)) {
            const std::size_t count = std::size_t(image->width) * image->height;
            for (std::size_t i = 0; i < count; ++i) {
                std::memcpy(picture.pixels + i * 4, image->data + i * 3, 3);
                picture.pixels[i * 4 + 3] = 255;
            }
            ok = true;
        }
        if (image) libraw_dcraw_clear_mem(image);
    }
    libraw_close(raw);
    return ok;
}

bool read_raw(const char* path, Rgba32Picture& picture, const PictureLimits& limits, bool* outOfMemory) noexcept
{
    picture = {};
    if (outOfMemory) *outOfMemory = false;
    ByteBlock file;
    if (!read_file_bytes(path, file)) return false;
    const bool ok = read_raw_from_memory(file.data, file.size, picture, limits, outOfMemory);
    release_block(file);
    return ok;
}

}  // namespace mur::imaging

// Windows metafiles through libwmf's gd device. The records are walked first
// (each within the file, the file ending in its end record), so the library
// only ever sees a well-formed record list.
#include "imaging/metafile.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>

#include <cstring>

namespace mur::imaging {
namespace {

uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableBytes = 22;
// More records than any drawing needs; a file past it is refused.
constexpr uint32_t kMaxRecords = 1u << 20;

std::size_t header_start(const uint8_t* d, std::size_t n)
{
    return n >= kPlaceableBytes && le32(d) == kPlaceableKey ? kPlaceableBytes : 0;
}

bool records_well_formed(const uint8_t* d, std::size_t n)
{
    std::size_t at = header_start(d, n);
    if (n - at < 18) return false;
    const uint32_t headerWords = le16(d + at + 2);
    if (headerWords != 9) return false;
    at += 18;
    for (uint32_t count = 0; count < kMaxRecords; ++count) {
        if (n - at < 6) return false;
        const uint64_t bytes = uint64_t(le32(d + at)) * 2;
        const uint32_t function = le16(d + at + 4);
        if (bytes < 6 || bytes > n - at) return false;
        if (function == 0) return true;  // META_EOF
        at += std::size_t(bytes);
    }
    return false;
}

}  // namespace

bool looks_like_wmf(const uint8_t* d, std::size_t n) noexcept
{
    if (!d) return false;
    const std::size_t at = header_start(d, n);
    if (n < at + 18) return false;
    const uint32_t type = le16(d + at), words = le16(d + at + 2), version = le16(d + at + 4);
    return (type == 1 || type == 2) && words == 9 && (version == 0x0300 || version == 0x0100);
}

bool draw_wmf(const uint8_t* d, std::size_t n, int32_t width, int32_t height, uint32_t background,
              Rgba32Picture& picture, const PictureLimits& limits) noexcept
{
    picture = {};
    if (!looks_like_wmf(d, n) || !limits.allows(width, height) || n > 0x7FFFFFFF || !records_well_formed(d, n))
        return false;
    wmfAPI* api = nullptr;
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_gd_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api) wmf_api_destroy(api);
        return false;
    }
    bool ok = false;
    wmf_gd_t* gd = WMF_GD_GetData(api);
    gd->type = wmf_gd_image;
    wmfD_Rect bounds;
    if (wmf_mem_open(api, const_cast<unsigned char*>(d), long(n)) == wmf_E_None &&
        wmf_scan(api, 0, &bounds) == wmf_E_None && bounds.BR.x > bounds.TL.x && bounds.BR.y > bounds.TL.y) {
        gd->bbox = bounds;
        gd->width = unsigned(width);
        gd->height = unsigned(height);
        if (wmf_play(api, 0, &bounds) == wmf_E_None && gd->gd_image && allocate_picture(picture, width, height)) {
            const int* pixels = wmf_gd_image_pixels(gd->gd_image);
            const uint32_t bg[3] = {background & 0xFF, (background >> 8) & 0xFF, (background >> 16) & 0xFF};
            for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i) {
                // gd's true colour: alpha 0 (opaque) .. 127 (clear), then R, G, B.
                const uint32_t p = uint32_t(pixels[i]), clear = (p >> 24) & 0x7F;
                const uint32_t c[3] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
                uint8_t* out = picture.pixels + i * 4;
                for (int k = 0; k < 3; ++k) out[k] = uint8_t((c[k] * (127 - clear) + bg[k] * clear + 63) / 127);
                out[3] = 255;
            }
            ok = true;
        }
    }
    wmf_mem_close(api);
    wmf_api_destroy(api);
    return ok;
}

}  // namespace mur::imaging

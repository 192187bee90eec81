#include "imaging/pcx_format.h"

#include <cstring>

namespace mur::imaging {
namespace {

uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

// The run-length stream of the pixel data, read across row ends as some
// writers code it.
struct RunReader {
    const uint8_t* data;
    std::size_t size;
    std::size_t offset;
    uint32_t runLeft;
    uint8_t runValue;

    bool next(uint8_t& out)
    {
        if (runLeft == 0) {
            if (offset >= size) return false;
            const uint8_t b = data[offset++];
            if ((b & 0xC0) == 0xC0) {
                if (offset >= size) return false;
                runLeft = b & 0x3F;
                runValue = data[offset++];
                if (runLeft == 0) return next(out);
            } else {
                runLeft = 1;
                runValue = b;
            }
        }
        --runLeft;
        out = runValue;
        return true;
    }
};

}  // namespace

bool looks_like_pcx(const uint8_t* data, std::size_t size) noexcept
{
    if (!data || size < std::size_t(kPcxHeaderBytes)) return false;
    return data[0] == 10 && data[1] <= 5 && data[2] == 1 && data[64] == 0 &&
           (data[3] == 1 || data[3] == 2 || data[3] == 4 || data[3] == 8);
}

bool read_pcx_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                          const PictureLimits& limits) noexcept
{
    picture = {};
    if (!looks_like_pcx(data, size)) return false;
    const uint32_t bits = data[3], planes = data[65];
    const int64_t width = int64_t(le16(data + 8)) - int64_t(le16(data + 4)) + 1;
    const int64_t height = int64_t(le16(data + 10)) - int64_t(le16(data + 6)) + 1;
    const uint32_t perLine = le16(data + 66);
    if (bits != 8 || (planes != 1 && planes != 3 && planes != 4)) return false;
    if (!limits.allows(width, height) || perLine < width) return false;
    // Every coded byte yields at most 63 pixels' bytes: a file too short for
    // its size is refused before anything is allocated.
    const uint64_t need = uint64_t(perLine) * planes * uint64_t(height);
    if (need > uint64_t(size - kPcxHeaderBytes) * 63) return false;
    const uint8_t* palette = nullptr;
    if (planes == 1) {
        if (size < std::size_t(kPcxHeaderBytes) + 769 || data[size - 769] != 12) return false;
        palette = data + size - 768;
    }
    if (!allocate_picture(picture, int32_t(width), int32_t(height))) return false;
    RunReader runs{data + kPcxHeaderBytes, size - kPcxHeaderBytes - (palette ? 769 : 0), 0, 0, 0};
    for (int64_t y = 0; y < height; ++y) {
        uint8_t* row = picture.pixels + std::size_t(y) * std::size_t(width) * 4;
        for (uint32_t plane = 0; plane < planes; ++plane)
            for (uint32_t x = 0; x < perLine; ++x) {
                uint8_t v;
                if (!runs.next(v)) {
                    release_picture(picture);
                    return false;
                }
                if (x >= width) continue;
                uint8_t* px = row + std::size_t(x) * 4;
                if (palette) {
                    std::memcpy(px, palette + std::size_t(v) * 3, 3);
                    px[3] = 255;
                } else {
                    px[plane] = v;
                    if (planes == 3) px[3] = 255;
                }
            }
    }
    return true;
}

}  // namespace mur::imaging

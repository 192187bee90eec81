#include "imaging/bmp_reader.h"

#include <cstring>

namespace mur::imaging {
namespace {

enum : uint32_t {
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kBiBitfields = 3,
    kBiAlphaBitfields = 6,
};

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// One channel of a bit-field pixel: where its bits are and how to widen
// them to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;  // the largest value after the shift; 0 = no channel

    static Channel from_mask(uint32_t mask)
    {
        Channel c;
        c.mask = mask;
        if (!mask) return c;
        c.shift = __builtin_ctz(mask);
        c.max = mask >> c.shift;
        return c;
    }
    uint8_t read(uint32_t pixel) const
    {
        const uint64_t v = (pixel & mask) >> shift;
        return static_cast<uint8_t>((v * 255 + max / 2) / max);
    }
};

struct Header {
    int32_t width = 0;
    int32_t height = 0;  // rows in the file, always positive
    bool topDown = false;
    int bitsPerPixel = 0;
    uint32_t compression = kBiRgb;
    std::size_t pixelOffset = 0;
    std::size_t paletteOffset = 0;
    int paletteEntrySize = 4;
    uint32_t paletteCount = 0;
    uint32_t masks[4] = {};  // red, green, blue, alpha
    bool hasMasks = false;
};

bool parse_header(const uint8_t* data, std::size_t size, Header& h)
{
    if (size < 26 || data[0] != 'B' || data[1] != 'M') return false;
    h.pixelOffset = le32(data + 10);
    const uint32_t headerSize = le32(data + 14);
    if (headerSize > size - 14) return false;
    const uint8_t* info = data + 14;
    if (headerSize == 12) {
        h.width = le16(info + 4);
        h.height = le16(info + 6);
        h.bitsPerPixel = le16(info + 10);
        h.paletteEntrySize = 3;
        h.paletteOffset = 14 + 12;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
        const auto width = static_cast<int32_t>(le32(info + 4));
        const auto height = static_cast<int32_t>(le32(info + 8));
        if (width <= 0 || height == 0 || height == INT32_MIN) return false;
        h.width = width;
        h.topDown = height < 0;
        h.height = height < 0 ? -height : height;
        h.bitsPerPixel = le16(info + 14);
        h.compression = le32(info + 16);
        h.paletteCount = le32(info + 32);
        h.paletteOffset = 14 + std::size_t{headerSize};
        if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
            // Version 2 and later headers hold the masks (version 2 only
            // three); the plain info header is followed by them.
            int count = h.compression == kBiAlphaBitfields || headerSize >= 56 ? 4 : 3;
            const uint8_t* at = info + 40;
            if (headerSize == 40) {
                const std::size_t bytes = std::size_t(count) * 4;
                if (size < h.paletteOffset + bytes) return false;
                h.paletteOffset += bytes;
            } else if (count > int(headerSize - 40) / 4) {
                count = int(headerSize - 40) / 4;
            }
            for (int i = 0; i < count; ++i) h.masks[i] = le32(at + 4 * i);
            h.hasMasks = true;
        }
    } else {
        return false;
    }

    switch (h.bitsPerPixel) {
    case 1:
    case 2:
    case 4:
    case 8:
        if (h.compression == kBiRle8 && h.bitsPerPixel != 8) return false;
        if (h.compression == kBiRle4 && h.bitsPerPixel != 4) return false;
        if (h.compression != kBiRgb && h.compression != kBiRle8 && h.compression != kBiRle4) return false;
        break;
    case 16:
    case 32:
        if (h.compression != kBiRgb && h.compression != kBiBitfields && h.compression != kBiAlphaBitfields)
            return false;
        break;
    case 24:
        if (h.compression != kBiRgb) return false;
        break;
    default:
        return false;
    }
    if ((h.compression == kBiRle8 || h.compression == kBiRle4) && h.topDown) return false;
    if (!h.hasMasks) {
        if (h.bitsPerPixel == 16) {
            h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
        } else if (h.bitsPerPixel == 32) {
            h.masks[0] = 0x00FF0000, h.masks[1] = 0x0000FF00, h.masks[2] = 0x000000FF, h.masks[3] = 0xFF000000;
        }
    }
    if (h.bitsPerPixel == 16) h.masks[3] &= 0xFFFF;
    return true;
}

// Colours of a palette picture: 256 entries, those the file lacks opaque
// black. Some writers store fewer entries than the depth allows without
// saying so; the palette then ends where the pixels begin.
bool read_palette(const uint8_t* data, std::size_t size, const Header& h, uint8_t (*palette)[4])
{
    for (int i = 0; i < 256; ++i) palette[i][0] = palette[i][1] = palette[i][2] = 0, palette[i][3] = 255;
    const uint32_t most = 1u << h.bitsPerPixel;
    uint32_t count = (h.paletteCount == 0 || h.paletteCount > most) ? most : h.paletteCount;
    if (h.pixelOffset >= h.paletteOffset) {
        const std::size_t room = (h.pixelOffset - h.paletteOffset) / h.paletteEntrySize;
        if (room < count) count = static_cast<uint32_t>(room);
    }
    const std::size_t bytes = std::size_t(count) * h.paletteEntrySize;
    if (h.paletteOffset > size || bytes > size - h.paletteOffset) return false;
    const uint8_t* p = data + h.paletteOffset;
    for (uint32_t i = 0; i < count; ++i, p += h.paletteEntrySize) {
        palette[i][0] = p[2];
        palette[i][1] = p[1];
        palette[i][2] = p[0];
    }
    return true;
}

uint8_t* output_row(const Rgba32Picture& picture, const Header& h, int32_t fileRow)
{
    const int32_t y = h.topDown ? fileRow : h.height - 1 - fileRow;
    return picture.pixels + std::size_t(y) * std::size_t(h.width) * 4;
}

void decode_palette_rows(const uint8_t* data, std::size_t stride, const Header& h, const uint8_t (*palette)[4],
                         const Rgba32Picture& picture)
{
    const int bits = h.bitsPerPixel;
    const int perByte = 8 / bits;
    const unsigned valueMask = (1u << bits) - 1;
    for (int32_t r = 0; r < h.height; ++r) {
        const uint8_t* in = data + std::size_t(r) * stride;
        uint8_t* out = output_row(picture, h, r);
        for (int32_t x = 0; x < h.width; ++x) {
            const int slot = x % perByte;
            const unsigned index = (in[x / perByte] >> (8 - bits * (slot + 1))) & valueMask;
            std::memcpy(out + 4 * std::size_t(x), palette[index], 4);
        }
    }
}

void decode_direct_rows(const uint8_t* data, std::size_t stride, const Header& h, const Rgba32Picture& picture)
{
    const Channel red = Channel::from_mask(h.masks[0]);
    const Channel green = Channel::from_mask(h.masks[1]);
    const Channel blue = Channel::from_mask(h.masks[2]);
    const Channel alpha = Channel::from_mask(h.masks[3]);
    const int bytes = h.bitsPerPixel / 8;
    bool anyAlpha = false;
    for (int32_t r = 0; r < h.height; ++r) {
        const uint8_t* in = data + std::size_t(r) * stride;
        uint8_t* out = output_row(picture, h, r);
        for (int32_t x = 0; x < h.width; ++x, in += bytes, out += 4) {
            if (bytes == 3) {
                out[0] = in[2], out[1] = in[1], out[2] = in[0], out[3] = 255;
                continue;
            }
            const uint32_t v = bytes == 2 ? le16(in) : le32(in);
            out[0] = red.max ? red.read(v) : 0;
            out[1] = green.max ? green.read(v) : 0;
            out[2] = blue.max ? blue.read(v) : 0;
            out[3] = alpha.max ? alpha.read(v) : 255;
            anyAlpha |= out[3] != 0;
        }
    }
    if (alpha.max && !anyAlpha) {
        const std::size_t pixels = std::size_t(h.width) * std::size_t(h.height);
        for (std::size_t i = 0; i < pixels; ++i) picture.pixels[i * 4 + 3] = 255;
    }
}

// RLE8 and RLE4 streams. Runs past the row end are cut; a stream that ends
// before the last row without its end marker is damaged.
bool decode_rle(const uint8_t* data, std::size_t size, const Header& h, const uint8_t (*palette)[4],
                const Rgba32Picture& picture)
{
    const bool four = h.compression == kBiRle4;
    std::size_t at = 0;
    int32_t x = 0;
    int32_t row = 0;  // counted from the bottom, as the file stores them
    auto put = [&](unsigned index) {
        if (x >= h.width) return;  // cut at the row end
        if (row < h.height) std::memcpy(output_row(picture, h, row) + 4 * std::size_t(x), palette[index], 4);
        ++x;
    };
    while (row < h.height) {
        if (size - at < 2) return false;
        const unsigned count = data[at];
        const unsigned value = data[at + 1];
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i) put(four ? ((i & 1) ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++row;
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // move right and up
            if (size - at < 2) return false;
            x = x + data[at] < h.width ? x + data[at] : h.width;
            row += data[at + 1];
            at += 2;
        } else {  // a literal run of `value` pixels, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            const std::size_t padded = (bytes + 1) & ~std::size_t{1};
            if (size - at < bytes) return false;
            for (unsigned i = 0; i < value; ++i) {
                const uint8_t b = data[at + (four ? i / 2 : i)];
                put(four ? ((i & 1) ? b & 15 : b >> 4) : b);
            }
            at += padded <= size - at ? padded : bytes;
        }
    }
    return true;
}

}  // namespace

bool read_bmp_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                          const PictureLimits& limits) noexcept
{
    picture = {};
    if (!data) return false;
    Header h;
    if (!parse_header(data, size, h)) return false;
    if (!limits.allows(h.width, h.height)) return false;
    if (h.pixelOffset >= size) return false;

    uint8_t palette[256][4];
    if (h.bitsPerPixel <= 8 && !read_palette(data, size, h, palette)) return false;

    const uint8_t* pixels = data + h.pixelOffset;
    const std::size_t available = size - h.pixelOffset;
    const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
    const uint64_t rowBits = uint64_t(h.width) * uint64_t(h.bitsPerPixel);
    const uint64_t stride = ((rowBits + 31) / 32) * 4;
    if (!rle) {
        // The last row may lack its padding; everything before it must be there.
        const uint64_t needed = stride * uint64_t(h.height - 1) + (rowBits + 7) / 8;
        if (needed > available) return false;
    }

    if (!allocate_picture(picture, h.width, h.height)) return false;
    if (rle) {
        if (!decode_rle(pixels, available, h, palette, picture)) {
            release_picture(picture);
            return false;
        }
    } else if (h.bitsPerPixel <= 8) {
        decode_palette_rows(pixels, stride, h, palette, picture);
    } else {
        decode_direct_rows(pixels, stride, h, picture);
    }
    return true;
}

}  // namespace mur::imaging

#include "imaging/tga_reader.h"

#include <cstring>

namespace mur::imaging {
namespace {

enum : uint8_t { kMapped = 1, kTrueColor = 2, kGray = 3, kRle = 8 };

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

struct Header {
    int type = 0;  // kMapped, kTrueColor or kGray
    bool rle = false;
    int mapFirst = 0;
    int mapLength = 0;
    int mapEntryBits = 0;
    int32_t width = 0;
    int32_t height = 0;
    int depth = 0;
    bool rightToLeft = false;
    bool topDown = false;
    std::size_t mapOffset = 0;
    std::size_t pixelOffset = 0;
};

bool parse_header(const uint8_t* d, std::size_t size, Header& h)
{
    if (size < 18) return false;
    const int mapType = d[1];
    const int imageType = d[2];
    if (mapType > 1) return false;
    h.rle = (imageType & kRle) != 0;
    h.type = imageType & ~kRle;
    if (imageType & ~(kRle | 3) || h.type == 0) return false;
    h.mapFirst = le16(d + 3);
    h.mapLength = le16(d + 5);
    h.mapEntryBits = d[7];
    h.width = le16(d + 12);
    h.height = le16(d + 14);
    h.depth = d[16];
    const int descriptor = d[17];
    if (descriptor & 0xC0) return false;  // interleaved rows: long obsolete
    h.rightToLeft = (descriptor & 0x10) != 0;
    h.topDown = (descriptor & 0x20) != 0;
    if (h.width == 0 || h.height == 0) return false;

    switch (h.type) {
    case kMapped:
        if (mapType != 1 || h.depth != 8 || h.mapLength == 0) return false;
        break;
    case kTrueColor:
        if (h.depth != 15 && h.depth != 16 && h.depth != 24 && h.depth != 32) return false;
        break;
    case kGray:
        if (h.depth != 8 && h.depth != 16) return false;
        break;
    default:
        return false;
    }
    if (mapType == 1) {
        if (h.mapEntryBits != 15 && h.mapEntryBits != 16 && h.mapEntryBits != 24 && h.mapEntryBits != 32) return false;
    }
    h.mapOffset = 18 + std::size_t{d[0]};
    const std::size_t mapBytes = mapType == 1 ? std::size_t(h.mapLength) * ((h.mapEntryBits + 7) / 8) : 0;
    h.pixelOffset = h.mapOffset + mapBytes;
    return h.pixelOffset <= size;
}

// One stored value (1 to 4 bytes, little-endian, B G R A order) as RGBA.
void to_rgba(const uint8_t* p, int bits, bool gray, uint8_t* out)
{
    if (gray) {
        out[0] = out[1] = out[2] = p[0];
        out[3] = bits == 16 ? p[1] : 255;
        return;
    }
    switch (bits) {
    case 15:
    case 16: {
        const unsigned v = le16(p);
        out[0] = static_cast<uint8_t>((((v >> 10) & 31) * 255 + 15) / 31);
        out[1] = static_cast<uint8_t>((((v >> 5) & 31) * 255 + 15) / 31);
        out[2] = static_cast<uint8_t>(((v & 31) * 255 + 15) / 31);
        out[3] = (bits == 16 && (v & 0x8000)) ? 255 : (bits == 16 ? 0 : 255);
        break;
    }
    case 24:
        out[0] = p[2], out[1] = p[1], out[2] = p[0], out[3] = 255;
        break;
    default:
        out[0] = p[2], out[1] = p[1], out[2] = p[0], out[3] = p[3];
        break;
    }
}

struct Decoder {
    const Header& h;
    uint8_t (*map)[4];  // 256 entries for mapped pictures, else null
    const Rgba32Picture& picture;
    std::size_t total;  // pixels of the picture
    std::size_t next = 0;
    int32_t column = 0;
    int32_t row = 0;  // in file order

    // The value of one stored pixel as RGBA.
    void convert(const uint8_t* p, uint8_t* rgba) const
    {
        if (map) std::memcpy(rgba, map[p[0]], 4);
        else to_rgba(p, h.depth, h.type == kGray, rgba);
    }
    void put(const uint8_t* rgba)
    {
        const int32_t x = h.rightToLeft ? h.width - 1 - column : column;
        const int32_t y = h.topDown ? row : h.height - 1 - row;
        std::memcpy(picture.pixels + (std::size_t(y) * std::size_t(h.width) + std::size_t(x)) * 4, rgba, 4);
        ++next;
        if (++column == h.width) column = 0, ++row;
    }
};

}  // namespace

bool looks_like_tga(const uint8_t* data, std::size_t size) noexcept
{
    Header h;
    return data && parse_header(data, size, h);
}

bool read_tga_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                          const PictureLimits& limits) noexcept
{
    picture = {};
    Header h;
    if (!data || !parse_header(data, size, h)) return false;
    if (!limits.allows(h.width, h.height)) return false;

    // Indices reach the map through its first index; others stay opaque black.
    uint8_t map[256][4];
    if (h.type == kMapped) {
        for (auto& entry : map) entry[0] = entry[1] = entry[2] = 0, entry[3] = 255;
        const int entryBytes = (h.mapEntryBits + 7) / 8;
        for (int i = 0; i < h.mapLength; ++i) {
            const int index = h.mapFirst + i;
            if (index > 255) break;
            to_rgba(data + h.mapOffset + std::size_t(i) * entryBytes, h.mapEntryBits, false, map[index]);
        }
    }

    const int bytes = (h.depth + 7) / 8;
    const std::size_t total = std::size_t(h.width) * std::size_t(h.height);
    const uint8_t* in = data + h.pixelOffset;
    const std::size_t available = size - h.pixelOffset;
    if (!h.rle && total * bytes > available) return false;

    if (!allocate_picture(picture, h.width, h.height)) return false;
    Decoder dec{h, h.type == kMapped ? map : nullptr, picture, total};
    uint8_t rgba[4];
    if (!h.rle) {
        for (std::size_t i = 0; i < total; ++i) {
            dec.convert(in + i * bytes, rgba);
            dec.put(rgba);
        }
    } else {
        std::size_t at = 0;
        while (dec.next < total) {
            if (at >= available) {  // the stream ends before the picture does
                release_picture(picture);
                return false;
            }
            const unsigned packet = in[at++];
            const std::size_t count = (packet & 0x7F) + 1;
            const std::size_t stored = packet & 0x80 ? 1 : count;
            if (available - at < stored * bytes) {
                release_picture(picture);
                return false;
            }
            for (std::size_t i = 0; i < count && dec.next < total; ++i) {
                if (i < stored) dec.convert(in + at + i * bytes, rgba);
                dec.put(rgba);
            }
            at += stored * bytes;
        }
    }

    // An alpha channel with nothing in it was not meant as one.
    const bool hasAlpha = (h.type == kTrueColor && (h.depth == 32 || h.depth == 16)) ||
                          (h.type == kGray && h.depth == 16) || (h.type == kMapped && (h.mapEntryBits == 32 || h.mapEntryBits == 16));
    if (hasAlpha) {
        bool any = false;
        for (std::size_t i = 0; i < total && !any; ++i) any = picture.pixels[i * 4 + 3] != 0;
        if (!any)
            for (std::size_t i = 0; i < total; ++i) picture.pixels[i * 4 + 3] = 255;
    }
    return true;
}

}  // namespace mur::imaging

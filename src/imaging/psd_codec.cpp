#include "imaging/psd_format.h"

#include "engine/memory.h"
#include "imaging/line_codecs.h"
#include "imaging/replacing_file.h"

#include <cstring>

namespace mur::imaging {
namespace {

uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t be32(const uint8_t* p) { return be16(p) << 16 | be16(p + 2); }
void putbe16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
void putbe32(uint8_t* p, uint32_t v) { putbe16(p, v >> 16); putbe16(p + 2, v & 0xFFFF); }

// A bounds-checked walk over the sections that precede the image data.
bool skip_section(const uint8_t* d, std::size_t n, std::size_t& at)
{
    if (at > n || n - at < 4) return false;
    const uint64_t length = be32(d + at);
    if (length > n - at - 4) return false;
    at += 4 + std::size_t(length);
    return true;
}

// Unpacks one PackBits row of `out` bytes from `in`; false when the row's
// code is short or runs past the row.
bool unpack_bits(const uint8_t* in, std::size_t inBytes, uint8_t* out, std::size_t outBytes)
{
    std::size_t i = 0, o = 0;
    while (o < outBytes) {
        if (i >= inBytes) return false;
        const int8_t code = int8_t(in[i++]);
        if (code >= 0) {
            const std::size_t count = std::size_t(code) + 1;
            if (count > inBytes - i || count > outBytes - o) return false;
            std::memcpy(out + o, in + i, count);
            i += count;
            o += count;
        } else if (code != -128) {
            const std::size_t count = std::size_t(1 - code);
            if (i >= inBytes || count > outBytes - o) return false;
            std::memset(out + o, in[i++], count);
            o += count;
        }
    }
    return true;
}

}  // namespace

bool read_psd_from_memory(const uint8_t* d, std::size_t n, Rgba32Picture& picture, const PictureLimits& limits) noexcept
{
    picture = {};
    if (!d || n < 26 || std::memcmp(d, "8BPS", 4) != 0 || be16(d + 4) != 1) return false;
    const uint32_t channels = be16(d + 12), height = be32(d + 14), width = be32(d + 18);
    const uint32_t depth = be16(d + 22), mode = be16(d + 24);
    if (channels < 1 || channels > 56 || (depth != 8 && depth != 16)) return false;
    if (mode != 3 && mode != 1) return false;  // RGB, grayscale
    if (mode == 3 && channels < 3) return false;
    if (width > uint32_t(kMaxPsdSide) || height > uint32_t(kMaxPsdSide) || !limits.allows(width, height)) return false;
    std::size_t at = 26;
    if (!skip_section(d, n, at) || !skip_section(d, n, at) || !skip_section(d, n, at)) return false;
    if (n - at < 2) return false;
    const uint32_t compression = be16(d + at);
    at += 2;
    const uint32_t used = mode == 3 ? (channels >= 4 ? 4 : 3) : (channels >= 2 ? 2 : 1);
    const std::size_t bytesPerSample = depth / 8;
    const std::size_t rowBytes = std::size_t(width) * bytesPerSample;
    const uint64_t planeBytes = uint64_t(rowBytes) * height;
    const uint8_t* counts = nullptr;
    if (compression == 0) {
        if (planeBytes * used > n - at) return false;
    } else if (compression == 1) {
        const uint64_t table = uint64_t(channels) * height * 2;
        if (table > n - at) return false;
        counts = d + at;
        at += std::size_t(table);
        // PackBits expands two bytes into at most 128.
        if (planeBytes * used > uint64_t(n - at) * 64 + 128) return false;
    } else {
        return false;
    }
    if (!allocate_picture(picture, int32_t(width), int32_t(height))) return false;
    const mem::Owned<uint8_t> row(static_cast<uint8_t*>(mem::try_alloc_uninit(rowBytes)));
    if (!row) {
        release_picture(picture);
        return false;
    }
    std::size_t coded = at;
    for (uint32_t c = 0; c < used; ++c) {
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* samples;
            if (compression == 0) {
                samples = d + at + std::size_t(c) * std::size_t(planeBytes) + std::size_t(y) * rowBytes;
            } else {
                const std::size_t length = be16(counts + (std::size_t(c) * height + y) * 2);
                if (length > n - coded || !unpack_bits(d + coded, length, row.get(), rowBytes)) {
                    release_picture(picture);
                    return false;
                }
                coded += length;
                samples = row.get();
            }
            uint8_t* out = picture.pixels + std::size_t(y) * width * 4;
            for (uint32_t x = 0; x < width; ++x, out += 4) {
                const uint8_t v = samples[std::size_t(x) * bytesPerSample];  // 16 bits: big-endian high byte
                if (mode == 3) {
                    out[c] = v;
                } else if (c == 0) {
                    out[0] = out[1] = out[2] = v;
                } else {
                    out[3] = v;
                }
            }
        }
    }
    if (used == 3 || used == 1)
        for (std::size_t i = 0; i < std::size_t(width) * height; ++i) picture.pixels[i * 4 + 3] = 255;
    return true;
}

bool write_psd(const char* path, const ConstImageView& image, int32_t dpi) noexcept
{
    if (!image.data || image.bytesPerPixel != 3 || image.width <= 0 || image.height <= 0 ||
        image.width > kMaxPsdSide || image.height > kMaxPsdSide)
        return false;
    const mem::Owned<uint8_t> plane(static_cast<uint8_t*>(mem::try_alloc_uninit(std::size_t(image.width))));
    if (!plane) return false;
    ReplacingFile file;
    if (!open_replacing(file, path)) return false;
    uint8_t head[26 + 4 + 4 + 28 + 4 + 2] = {'8', 'B', 'P', 'S'};
    putbe16(head + 4, 1);
    putbe16(head + 12, 3);
    putbe32(head + 14, uint32_t(image.height));
    putbe32(head + 18, uint32_t(image.width));
    putbe16(head + 22, 8);
    putbe16(head + 24, 3);  // RGB
    std::size_t at = 30;    // after an empty colour-mode section
    if (dpi > 0) {
        putbe32(head + at, 28);
        uint8_t* r = head + at + 4;
        std::memcpy(r, "8BIM", 4);
        putbe16(r + 4, 0x03ED);  // ResolutionInfo; r[6..7]: empty name
        putbe32(r + 8, 16);
        const uint32_t fixed = uint32_t(dpi > 32767 ? 32767 : dpi) << 16;
        putbe32(r + 12, fixed);
        putbe16(r + 16, 1);  // pixels per inch
        putbe16(r + 18, 1);  // width shown in inches
        putbe32(r + 20, fixed);
        putbe16(r + 24, 1);
        putbe16(r + 26, 1);
        at += 4 + 28;
    } else {
        at += 4;  // empty resource section
    }
    at += 4;      // empty layer section
    at += 2;      // raw image data
    bool ok = std::fwrite(head, 1, at, file.file) == at;
    for (int c = 0; c < 3 && ok; ++c)
        for (int32_t y = 0; y < image.height && ok; ++y) {
            const uint8_t* src = image.row(y) + c;
            for (int32_t x = 0; x < image.width; ++x) plane.get()[x] = src[std::size_t(x) * 3];
            ok = std::fwrite(plane.get(), 1, std::size_t(image.width), file.file) == std::size_t(image.width);
        }
    if (!ok) {
        abandon_replacing(file);
        return false;
    }
    return commit_replacing(file);
}

}  // namespace mur::imaging

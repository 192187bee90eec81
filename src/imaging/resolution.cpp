#include "imaging/resolution.h"

#include "engine/memory.h"
#include "imaging/replacing_file.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace mur::imaging {
namespace {

enum class Unit { Inch, Centimetre, Metre, None };

uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t be32(const uint8_t* p) { return be16(p) << 16 | be16(p + 2); }
uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

int32_t to_dpi(double value, Unit unit)
{
    double dpi = 0;
    switch (unit) {
    case Unit::Inch: dpi = value; break;
    case Unit::Centimetre: dpi = value * 2.5400000025908; break;
    case Unit::Metre: dpi = value * 0.025400000025908; break;
    case Unit::None: return kDefaultDpi;
    }
    dpi = std::trunc(dpi);
    if (!(dpi >= 0.0) || dpi > 2147483647.0) return kDefaultDpi;
    return int32_t(dpi);
}

int32_t bmp_dpi(const uint8_t* d, std::size_t n)
{
    if (n < 14 + 40 || le32(d + 14) < 40) return kDefaultDpi;
    return to_dpi(double(int32_t(le32(d + 38))), Unit::Metre);
}

int32_t jpeg_dpi(const uint8_t* d, std::size_t n)
{
    std::size_t at = 2;
    while (at + 4 <= n) {
        if (d[at] != 0xFF) return kDefaultDpi;
        const uint8_t marker = d[at + 1];
        if (marker == 0xFF) { ++at; continue; }
        if (marker == 0xDA || marker == 0xD9) break;  // image data: no JFIF header before it
        const std::size_t length = be16(d + at + 2);
        if (length < 2 || at + 2 + length > n) break;
        if (marker == 0xE0 && length >= 16 && std::memcmp(d + at + 4, "JFIF\0", 5) == 0) {
            const uint8_t units = d[at + 11];
            const uint32_t x = be16(d + at + 12);
            return to_dpi(x, units == 1 ? Unit::Inch : units == 2 ? Unit::Centimetre : Unit::None);
        }
        at += 2 + length;
    }
    return kDefaultDpi;
}

int32_t png_dpi(const uint8_t* d, std::size_t n)
{
    std::size_t at = 8;
    while (at + 12 <= n) {
        const uint32_t length = be32(d + at);
        const uint8_t* type = d + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) break;
        if (length > n - at - 12) break;
        if (std::memcmp(type, "pHYs", 4) == 0 && length >= 9)
            return to_dpi(be32(d + at + 8), d[at + 16] == 1 ? Unit::Metre : Unit::None);
        at += 12 + std::size_t(length);
    }
    return kDefaultDpi;
}

int32_t tiff_dpi(const uint8_t* d, std::size_t n)
{
    const bool little = d[0] == 'I';
    auto u16 = [&](std::size_t at) { return little ? le16(d + at) : be16(d + at); };
    auto u32 = [&](std::size_t at) { return little ? le32(d + at) : be32(d + at); };
    if (n < 8 || u16(2) != 42) return kDefaultDpi;
    const std::size_t ifd = u32(4);
    if (ifd > n - 2) return kDefaultDpi;
    const uint32_t entries = u16(ifd);
    double x = -1;
    Unit unit = Unit::Inch;  // the unit when the tag is absent
    for (uint32_t i = 0; i < entries; ++i) {
        const std::size_t e = ifd + 2 + std::size_t(i) * 12;
        if (e + 12 > n) break;
        const uint32_t tag = u16(e), type = u16(e + 2);
        if (tag == 282 && type == 5) {  // XResolution, RATIONAL
            const std::size_t at = u32(e + 8);
            if (at > n - 8) return kDefaultDpi;
            const uint32_t num = u32(at), den = u32(at + 4);
            if (den == 0) return kDefaultDpi;
            x = double(num) / double(den);
        } else if (tag == 296 && type == 3) {  // ResolutionUnit, SHORT
            const uint32_t v = u16(e + 8);
            unit = v == 2 ? Unit::Inch : v == 3 ? Unit::Centimetre : Unit::None;
        }
    }
    return x < 0 ? kDefaultDpi : to_dpi(x, unit);
}

int32_t psd_dpi(const uint8_t* d, std::size_t n)
{
    std::size_t at = 26;
    if (n < at + 4) return kDefaultDpi;
    const uint64_t colourModeBytes = be32(d + at);
    if (colourModeBytes > n - at - 4) return kDefaultDpi;
    at += 4 + std::size_t(colourModeBytes);
    if (at + 4 > n) return kDefaultDpi;
    const uint64_t resourceBytes = be32(d + at);
    at += 4;
    if (resourceBytes > n - at) return kDefaultDpi;
    const std::size_t end = at + std::size_t(resourceBytes);
    while (at + 8 <= end) {
        if (std::memcmp(d + at, "8BIM", 4) != 0) break;
        const uint32_t id = be16(d + at + 4);
        std::size_t p = at + 6;
        const std::size_t nameBytes = (std::size_t(d[p]) + 2) & ~std::size_t{1};  // length byte, padded to even
        p += nameBytes;
        if (p + 4 > end) break;
        const uint64_t dataBytes = be32(d + p);
        p += 4;
        if (dataBytes > end - p) break;
        if (id == 0x03ED && dataBytes >= 16) {
            // The value is always pixels per inch; the unit that follows
            // only says how the document shows it (1 per inch, 2 per
            // centimetre).
            const uint32_t fixed = be32(d + p), unit = be16(d + p + 4);
            return unit == 1 || unit == 2 ? to_dpi(double(fixed >> 16), Unit::Inch) : kDefaultDpi;
        }
        at = p + ((std::size_t(dataBytes) + 1) & ~std::size_t{1});
    }
    return kDefaultDpi;
}

int32_t pcx_dpi(const uint8_t* d, std::size_t n)
{
    if (n < 128) return kDefaultDpi;
    return to_dpi(le16(d + 12), Unit::Inch);
}

bool starts(const uint8_t* d, std::size_t n, const char* magic, std::size_t length)
{
    return n >= length && std::memcmp(d, magic, length) == 0;
}

}  // namespace

int32_t read_dpi_from_memory(const uint8_t* d, std::size_t n) noexcept
{
    if (!d) return kDefaultDpi;
    if (starts(d, n, "BM", 2)) return bmp_dpi(d, n);
    if (starts(d, n, "\xFF\xD8", 2)) return jpeg_dpi(d, n);
    if (starts(d, n, "\x89PNG\r\n\x1a\n", 8)) return png_dpi(d, n);
    if (starts(d, n, "II*\0", 4) || starts(d, n, "MM\0*", 4)) return tiff_dpi(d, n);
    if (starts(d, n, "8BPS", 4)) return psd_dpi(d, n);
    if (n >= 128 && d[0] == 10 && d[2] == 1) return pcx_dpi(d, n);
    return kDefaultDpi;
}

int32_t snap_dpi(int32_t dpi) noexcept
{
    static constexpr int32_t kCommon[] = {96, 150, 200, 300, 450, 600};
    for (int32_t common : kCommon)
        if (dpi >= common - 1 && dpi <= common + 1) return common;
    return kDefaultDpi;
}

int32_t read_dpi(const char* path) noexcept
{
    if (!path || !*path || strnlen(path, kMaxPathBytes + 1) > std::size_t(kMaxPathBytes)) return kDefaultDpi;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return kDefaultDpi;
    // Headers sit at the start; a megabyte holds any JPEG's or PNG's
    // leading segments and a TIFF's first directory in practice.
    static constexpr std::size_t kHeaderBytes = std::size_t{1} << 20;
    const mem::Owned<uint8_t> head(static_cast<uint8_t*>(mem::try_alloc_uninit(kHeaderBytes)));
    const std::size_t n = head ? std::fread(head.get(), 1, kHeaderBytes, file) : 0;
    std::fclose(file);
    return head ? snap_dpi(read_dpi_from_memory(head.get(), n)) : kDefaultDpi;
}

}  // namespace mur::imaging

#include "io/pipl.h"

#include <cstring>

namespace mur::io {
namespace {

constexpr uint32_t code(const char (&c)[5]) noexcept
{
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 |
           uint32_t(uint8_t(c[3]));
}

inline constexpr uint32_t kVendor = code("8BIM");
inline constexpr uint32_t kKindKey = code("kind");
inline constexpr uint32_t kNameKey = code("name");
inline constexpr uint32_t kCategoryKey = code("catg");
inline constexpr uint32_t kFilterKind = code("8BFM");
inline constexpr char kHiddenCategory[] = "**Hidden**";

inline constexpr std::size_t kHeaderBytes = 10;
inline constexpr std::size_t kPropertyHeaderBytes = 16;

uint32_t u32(const uint8_t* p) noexcept
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// 0x80..0x9F of Windows-1252.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A Pascal string filling at most the property's data; false when its
// length byte claims more.
bool pascal_text(const uint8_t* data, uint32_t length, char* out) noexcept
{
    if (length < 1 || std::size_t(data[0]) + 1 > length) return false;
    windows1252_to_utf8(data + 1, data[0], out);
    return true;
}

}  // namespace

void windows1252_to_utf8(const uint8_t* text, std::size_t length, char* out) noexcept
{
    std::size_t o = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const uint8_t b = text[i];
        const uint32_t c = b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : b;
        if (c < 0x80) {
            out[o++] = char(c);
        } else if (c < 0x800) {
            out[o++] = char(0xC0 | c >> 6);
            out[o++] = char(0x80 | (c & 0x3F));
        } else {
            out[o++] = char(0xE0 | c >> 12);
            out[o++] = char(0x80 | (c >> 6 & 0x3F));
            out[o++] = char(0x80 | (c & 0x3F));
        }
    }
    out[o] = 0;
}

bool read_pipl_filter(const uint8_t* data, std::size_t size, PiplFilter& filter) noexcept
{
    if (!data || size < kHeaderBytes || data[0] != 1 || data[1] != 0 || u32(data + 2) != 0) return false;
    const uint32_t count = u32(data + 6);
    if (count > uint32_t(kMaxPiplProperties)) return false;

    bool filterKind = false, named = false;
    filter.category[0] = 0;
    filter.name[0] = 0;
    std::size_t at = kHeaderBytes;
    for (uint32_t i = 0; i < count; ++i) {
        if (size - at < kPropertyHeaderBytes) return false;
        const uint8_t* p = data + at;
        const uint32_t vendor = u32(p), key = u32(p + 4), length = u32(p + 12);
        at += kPropertyHeaderBytes;
        if (length > size - at) return false;
        const uint8_t* value = data + at;
        if (vendor == kVendor) {
            if (key == kKindKey && length >= 4) {
                filterKind = u32(value) == kFilterKind;
            } else if (key == kNameKey) {
                if (!pascal_text(value, length, filter.name)) return false;
                named = filter.name[0] != 0;
            } else if (key == kCategoryKey) {
                if (!pascal_text(value, length, filter.category)) return false;
            }
        }
        // The last property's padding may be missing.
        const std::size_t padded = (std::size_t(length) + 3) & ~std::size_t(3);
        at = padded <= size - at ? at + padded : size;
    }
    return filterKind && named && std::strcmp(filter.category, kHiddenCategory) != 0;
}

}  // namespace mur::io

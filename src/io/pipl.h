// A plug-in's property list (a "PiPL" resource): what kind of plug-in it is,
// its name and its menu category.
//
// Layout, little-endian: int16 1, int32 version 0, int32 count, then count
// properties of vendor, key, id, length and data padded to 4 bytes. Four-
// character codes are 32-bit numbers, so the vendor '8BIM' is stored as the
// bytes "MIB8".
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur::io {

inline constexpr int kMaxPiplProperties = 1024;
// A Pascal string of Windows-1252 characters, at most three UTF-8 bytes each.
inline constexpr std::size_t kPiplTextCapacity = 255 * 3 + 1;

struct PiplFilter {
    char category[kPiplTextCapacity];  // UTF-8; empty when the list has none
    char name[kPiplTextCapacity];      // UTF-8
};

// True when the property list describes a filter to list: kind '8BFM', a
// non-empty name, a category other than "**Hidden**". Lists whose header or
// properties overrun the data, or with more than kMaxPiplProperties
// properties, describe nothing.
bool read_pipl_filter(const uint8_t* data, std::size_t size, PiplFilter& filter) noexcept;

// Windows-1252 bytes as UTF-8 into `out` (capacity at least 3 * length + 1,
// terminated). The five unassigned bytes become the control characters of
// the same number, as Windows converts them.
void windows1252_to_utf8(const uint8_t* text, std::size_t length, char* out) noexcept;

}  // namespace mur::io

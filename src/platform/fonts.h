// The fonts the text tool and the text brush draw with: two records (family,
// pixel height, weight, slant) and the font files fontconfig finds for them.
#pragma once

#include <cstdint>

namespace mur::platform {

inline constexpr int32_t kTextToolFont = 0;
inline constexpr int32_t kTextBrushFont = 1;
inline constexpr int32_t kFontRecords = 2;
inline constexpr int32_t kMaxFontPixelHeight = 2048;

struct FontRecord {
    char family[128] = "sans-serif";
    int32_t pixelHeight = 16;  // the em size in pixels, 1 .. kMaxFontPixelHeight
    int32_t weight = 400;      // 1 .. 1000: 400 regular, 700 bold
    bool italic = false;
    // The file fontconfig matched to the record, and the face inside it;
    // empty until the record is first used or chosen. Whoever changes the
    // family, weight or slant empties it, and the next use finds the file.
    char file[1024] = "";
    int32_t faceIndex = 0;
};

// Record `which` (kTextToolFont or kTextBrushFont); null for another number.
FontRecord* font_record(int32_t which) noexcept;

// Chooses a font for record `which` by family name through fontconfig
// (started on first use): true when an installed font has that family (or
// the name is a generic family such as "sans-serif", "serif" or
// "monospace"), and the record then holds it at the given height (clamped
// to 1 .. kMaxFontPixelHeight), weight (0 = 400, else clamped to 1 .. 1000)
// and slant. False, with the record unchanged, for no such family, a null
// or empty name, or another record number.
bool choose_font_by_name(int32_t which, const char* family, int32_t pixelHeight, int32_t weight, bool italic) noexcept;

// The record's font file, resolved through fontconfig when not yet done;
// false when no font file can be found (no fonts installed at all).
bool resolve_font_file(FontRecord& record) noexcept;

// The font chooser without a desktop dialog: confirms record `which` at
// once, an empty family taken as "sans-serif", a height of 0 as 16 pixels
// and a weight of 0 as 400, resolved through fontconfig, and the family of
// the face found written back. 0 when confirmed, kFontErrorNoFonts when no
// font can be found at all (or for another record number).
inline constexpr int32_t kFontErrorNoFonts = 0x2001;
int32_t confirm_font_choice(int32_t which) noexcept;

// Record `which` emptied: no family, height 0, weight 0.
void clear_font_record(int32_t which) noexcept;

// Both records back to "sans-serif" at 16 pixels.
void reset_font_records() noexcept;

}  // namespace mur::platform

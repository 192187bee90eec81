// Text drawn with FreeType: UTF-8 lines into RGBA32 pictures, smooth (8-bit
// coverage) or plain (monochrome glyphs), with kerning and cached glyphs.
#pragma once

#include "imaging/image_view.h"
#include "imaging/shapes.h"

#include <cstdint>

namespace mur::imaging {

// A font face at a size: the file, the face inside it, the em size in
// pixels (1 .. 2048) and whether glyphs are smooth or monochrome.
struct TextFont {
    const char* file = nullptr;
    int32_t faceIndex = 0;
    int32_t pixelHeight = 16;
    bool smooth = true;
};

// The box of a text: its size in pixels (the widest line's advance, lines
// times the line height) and the line height and ascender it was laid out
// with.
struct TextExtent {
    int32_t width = 0;
    int32_t height = 0;
    int32_t lineHeight = 0;
    int32_t ascender = 0;
};

// Draws `text` with its first line box's top-left corner at (x, y): each
// line's baseline lies the font's ascender below the line's top, and "\n"
// starts the next line one line height lower at x. Bytes that are no UTF-8
// count as Latin-1 characters. Smooth: each glyph's coverage c (0..255)
// lays the colour (R, G, B, 255) over the picture, which must be
// premultiplied: d' = (colour x c + d x (255 - c)) / 255 on all four bytes,
// rounded. Plain: the pixels a glyph covers take the colour's four bytes
// exactly, others stay. Pixels off the picture are skipped, and so is the
// layout of what lies wholly past its right or bottom edge. False when the
// font cannot be loaded (nothing drawn). The cache's blocks come from the
// engine's heap: when one cannot be had, std::bad_alloc is thrown (the
// picture may then hold part of the text).
bool draw_text(const ImageView& rgba, const TextFont& font, int32_t x, int32_t y, const char* text, Rgba8 colour);

// The box `draw_text` would lay out; false when the font cannot be loaded.
// Throws std::bad_alloc as draw_text does.
bool measure_text(const TextFont& font, const char* text, TextExtent& extent);

// Forgets every cached face and glyph, giving their blocks back.
void clear_text_cache() noexcept;

}  // namespace mur::imaging

// FreeType text: faces and rendered glyphs cached per font and size, lines
// laid out with kerning, glyphs laid over the picture.
#include "imaging/text_render.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include "engine/heap_allocator.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mur::imaging {
namespace {

struct CachedGlyph {
    uint32_t index = 0;                 // the face's glyph index, for kerning
    int32_t left = 0, top = 0;          // bitmap origin from the pen, y up
    int32_t width = 0, rows = 0;
    int64_t advance = 0;                // 26.6 pixels
    std::vector<uint8_t, mem::HeapAllocator<uint8_t>> coverage;  // width x rows, 0..255 (0 or 255 when plain)
};

constexpr uint32_t kDirectGlyphs = 1024;  // code points found by index, the rest by hash
constexpr uint32_t kKerningSlots = 4096;

struct KerningSlot {
    uint32_t pair = UINT32_MAX;  // left glyph << 16 | right glyph
    int32_t delta = 0;           // 26.6
};

template <class T>
using HeapVector = std::vector<T, mem::HeapAllocator<T>>;

struct CachedFace {
    char file[1024] = "";
    int32_t index = 0, height = 0;
    bool smooth = true;
    FT_Face face = nullptr;
    uint64_t lastUse = 0;
    HeapVector<CachedGlyph> glyphs;
    HeapVector<int32_t> direct;  // kDirectGlyphs places in `glyphs`, -1 = not yet
    // The same for higher code points.
    std::unordered_map<uint32_t, int32_t, std::hash<uint32_t>, std::equal_to<uint32_t>,
                       mem::HeapAllocator<std::pair<const uint32_t, int32_t>>>
        others;
    HeapVector<KerningSlot> kerning;  // direct-mapped by the pair
};

constexpr int kCachedFaces = 4;
constexpr std::size_t kGlyphsPerFace = 4096;

FT_Library g_library = nullptr;
CachedFace g_faces[kCachedFaces];
uint64_t g_clock = 0;

void drop(CachedFace& f) noexcept
{
    if (f.face) FT_Done_Face(f.face);
    f.face = nullptr;
    f.file[0] = '\0';
    // Swapped with empty ones, so that the blocks go back to the heap.
    HeapVector<CachedGlyph>().swap(f.glyphs);
    HeapVector<int32_t>().swap(f.direct);
    decltype(f.others)().swap(f.others);
    HeapVector<KerningSlot>().swap(f.kerning);
}

// The cached face for the font, loading it into the least recently used
// slot when needed; null when it cannot be loaded.
CachedFace* face_for(const TextFont& font)
{
    if (!font.file || !*font.file || std::strlen(font.file) >= sizeof(CachedFace::file) || font.pixelHeight < 1 ||
        font.pixelHeight > 2048)
        return nullptr;
    if (!g_library && FT_Init_FreeType(&g_library) != 0) {
        g_library = nullptr;
        return nullptr;
    }
    CachedFace* oldest = &g_faces[0];
    for (CachedFace& f : g_faces) {
        if (f.face && std::strcmp(f.file, font.file) == 0 && f.index == font.faceIndex && f.height == font.pixelHeight &&
            f.smooth == font.smooth) {
            f.lastUse = ++g_clock;
            return &f;
        }
        if (f.lastUse < oldest->lastUse) oldest = &f;
    }
    CachedFace& f = *oldest;
    drop(f);
    FT_Face face = nullptr;
    if (FT_New_Face(g_library, font.file, font.faceIndex, &face) != 0) return nullptr;
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(font.pixelHeight)) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    f.face = face;
    std::strcpy(f.file, font.file);
    f.index = font.faceIndex;
    f.height = font.pixelHeight;
    f.smooth = font.smooth;
    f.lastUse = ++g_clock;
    try {
        f.direct.assign(kDirectGlyphs, -1);
        f.kerning.assign(FT_HAS_KERNING(face) ? kKerningSlots : 0, KerningSlot{});
    } catch (...) {
        drop(f);
        throw;
    }
    return &f;
}

// The kerning between two glyphs in 26.6, through the face's cache.
int32_t kerning_of(CachedFace& f, uint32_t left, uint32_t right)
{
    if (f.kerning.empty() || !left || !right) return 0;
    if (left > 0xFFFF || right > 0xFFFF) {
        FT_Vector delta{0, 0};
        return FT_Get_Kerning(f.face, left, right, FT_KERNING_DEFAULT, &delta) == 0 ? static_cast<int32_t>(delta.x) : 0;
    }
    const uint32_t pair = left << 16 | right;
    KerningSlot& slot = f.kerning[(pair * 2654435761u) >> 20];
    if (slot.pair != pair) {
        FT_Vector delta{0, 0};
        slot.pair = pair;
        slot.delta = FT_Get_Kerning(f.face, left, right, FT_KERNING_DEFAULT, &delta) == 0 ? static_cast<int32_t>(delta.x) : 0;
    }
    return slot.delta;
}

// The rendered glyph of a character (a blank one when the face cannot
// render it).
const CachedGlyph& glyph_for(CachedFace& f, uint32_t character)
{
    if (character < kDirectGlyphs) {
        if (const int32_t at = f.direct[character]; at >= 0) return f.glyphs[std::size_t(at)];
    } else if (auto it = f.others.find(character); it != f.others.end()) {
        return f.glyphs[std::size_t(it->second)];
    }
    if (f.glyphs.size() >= kGlyphsPerFace) {
        f.glyphs.clear();
        f.direct.assign(kDirectGlyphs, -1);
        f.others.clear();
    }
    CachedGlyph g;
    g.index = FT_Get_Char_Index(f.face, character);
    const FT_Int32 load = f.smooth ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
    if (FT_Load_Glyph(f.face, g.index, load) == 0 &&
        FT_Render_Glyph(f.face->glyph, f.smooth ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) == 0) {
        const FT_GlyphSlot slot = f.face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.advance = slot->advance.x;
        g.width = static_cast<int32_t>(bm.width);
        g.rows = static_cast<int32_t>(bm.rows);
        g.coverage.assign(std::size_t(g.width) * std::size_t(g.rows), 0);
        for (int32_t r = 0; r < g.rows; ++r) {
            const uint8_t* src = bm.buffer + std::ptrdiff_t{r} * bm.pitch;
            uint8_t* dst = g.coverage.data() + std::size_t(r) * std::size_t(g.width);
            for (int32_t c = 0; c < g.width; ++c) {
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                    dst[c] = (src[c >> 3] >> (7 - (c & 7))) & 1 ? 255 : 0;
                else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                    dst[c] = bm.num_grays == 256 ? src[c] : static_cast<uint8_t>(src[c] * 255 / std::max(1, bm.num_grays - 1));
            }
        }
    }
    const auto at = static_cast<int32_t>(f.glyphs.size());
    f.glyphs.push_back(std::move(g));
    if (character < kDirectGlyphs) f.direct[character] = at;
    else f.others.emplace(character, at);
    return f.glyphs.back();
}

// The next character of UTF-8 text; a byte that starts no valid sequence
// is a Latin-1 character on its own.
uint32_t next_character(const unsigned char*& p) noexcept
{
    const unsigned char b = *p;
    const int extra = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : 0;
    if (extra == 0) {
        ++p;
        return b;
    }
    uint32_t c = b & (0x3Fu >> extra);
    // A continuation byte is never 0, so the text's end stops the loop.
    for (int i = 1; i <= extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            ++p;
            return b;
        }
        c = (c << 6) | (p[i] & 0x3Fu);
    }
    // Overlong forms and surrogates are no characters either.
    const bool valid = extra == 1 || (extra == 2 && c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) ||
                       (extra == 3 && c >= 0x10000 && c <= 0x10FFFF);
    if (!valid) {
        ++p;
        return b;
    }
    p += extra + 1;
    return c;
}

// x / 255 rounded to nearest, for x up to 255 x 255.
inline uint8_t div255(uint32_t x) noexcept
{
    const uint32_t t = x + 128;
    return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

#if defined(__SSE2__)
// Four pixels' coverage laid over them: the colour (r, g, b, 255) in 16-bit
// lanes weighed by a, the pixel by 255 - a, divided by 255 as div255 does
// (every sum fits in 16 bits). Coverage 0 and 255 give the pixel and the
// colour, so runs of either are only skipped or filled.
inline void blend_four(uint8_t* d, const uint8_t* cov, __m128i ink, uint32_t opaque) noexcept
{
    uint32_t a4;
    std::memcpy(&a4, cov, 4);
    if (a4 == 0) return;
    if (a4 == 0xFFFFFFFFu) {
        for (int k = 0; k < 4; ++k) std::memcpy(d + k * 4, &opaque, 4);
        return;
    }
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255), half = _mm_set1_epi16(128);
    const __m128i a16 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(a4)), zero);
    const __m128i a32 = _mm_unpacklo_epi16(a16, a16);
    const __m128i aLo = _mm_unpacklo_epi32(a32, a32), aHi = _mm_unpackhi_epi32(a32, a32);
    const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const auto mix = [&](__m128i p, __m128i a) {
        const __m128i x = _mm_add_epi16(_mm_mullo_epi16(ink, a), _mm_mullo_epi16(p, _mm_sub_epi16(full, a)));
        const __m128i t = _mm_add_epi16(x, half);
        return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
    };
    const __m128i lo = mix(_mm_unpacklo_epi8(px, zero), aLo), hi = mix(_mm_unpackhi_epi8(px, zero), aHi);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(lo, hi));
}
#endif

struct LineMetrics {
    int32_t ascender, lineHeight;
};

LineMetrics metrics(const CachedFace& f) noexcept
{
    const FT_Size_Metrics& m = f.face->size->metrics;
    return {static_cast<int32_t>((m.ascender + 63) >> 6), static_cast<int32_t>(std::max<FT_Pos>((m.height + 63) >> 6, 1))};
}

// Where a layout may stop looking: glyphs whose pen lies beyond `right` or
// whose line starts below `bottom` cannot reach a picture that ends there
// (a glyph reaches back from its pen by less than its em).
struct LayoutClip {
    int64_t right = INT64_MAX;
    int64_t bottom = INT64_MAX;
};

// Lays the text out and calls `place(glyph, left, top)` for every glyph
// with the position of its bitmap's top-left pixel; returns the widest line
// in 26.6 and the number of lines (both only up to the clip).
template <class Place>
void lay_out(CachedFace& f, const char* text, int64_t x, int64_t y, Place place, int64_t& widest, int64_t& lines,
             LayoutClip clip = {})
{
    const LineMetrics lm = metrics(f);
    int64_t pen = 0, lineTop = y;
    uint32_t previous = 0;
    widest = 0;
    lines = 1;
    for (auto p = reinterpret_cast<const unsigned char*>(text); *p;) {
        const uint32_t c = next_character(p);
        if (c == '\n') {
            widest = std::max(widest, pen);
            pen = 0;
            lineTop += lm.lineHeight;
            ++lines;
            previous = 0;
            if (lineTop > clip.bottom) break;
            continue;
        }
        if (clip.right != INT64_MAX && x + (pen >> 6) - f.height > clip.right) {
            // The rest of the line is past the picture: on to the next one.
            const char* next = std::strchr(reinterpret_cast<const char*>(p), '\n');
            if (!next) break;
            p = reinterpret_cast<const unsigned char*>(next);
            continue;
        }
        const CachedGlyph& g = glyph_for(f, c);
        pen += kerning_of(f, previous, g.index);
        place(g, x + ((pen + 32) >> 6) + g.left, lineTop + lm.ascender - g.top);
        pen += g.advance;
        previous = g.index;
    }
    widest = std::max(widest, pen);
}

}  // namespace

bool draw_text(const ImageView& rgba, const TextFont& font, int32_t x, int32_t y, const char* text, Rgba8 colour)
{
    if (!rgba.data || rgba.bytesPerPixel != 4 || !text) return false;
    {
        CachedFace* f = face_for(font);
        if (!f) return false;
        const bool smooth = font.smooth;
        const uint8_t solid[4] = {colour.r, colour.g, colour.b, colour.a};
        const uint8_t opaque[4] = {colour.r, colour.g, colour.b, 255};
#if defined(__SSE2__)
        const __m128i ink = _mm_setr_epi16(colour.r, colour.g, colour.b, 255, colour.r, colour.g, colour.b, 255);
        uint32_t opaqueWord;
        std::memcpy(&opaqueWord, opaque, 4);
#endif
        int64_t widest = 0, lines = 0;
        lay_out(
            *f, text, x, y,
            [&](const CachedGlyph& g, int64_t left, int64_t top) {
                const int64_t c0 = std::max<int64_t>(0, -left), c1 = std::min<int64_t>(g.width, rgba.width - left);
                const int64_t r0 = std::max<int64_t>(0, -top), r1 = std::min<int64_t>(g.rows, rgba.height - top);
                for (int64_t r = r0; r < r1; ++r) {
                    const uint8_t* cov = g.coverage.data() + r * g.width;
                    uint8_t* d = rgba.row(static_cast<int32_t>(top + r)) + (left + c0) * 4;
                    if (!smooth) {
                        for (int64_t c = c0; c < c1; ++c, d += 4)
                            if (cov[c]) std::memcpy(d, solid, 4);
                        continue;
                    }
                    int64_t c = c0;
#if defined(__SSE2__)
                    for (; c + 4 <= c1; c += 4, d += 16) blend_four(d, cov + c, ink, opaqueWord);
#endif
                    for (; c < c1; ++c, d += 4) {
                        const uint32_t a = cov[c];
                        if (a == 0) continue;
                        if (a == 255) {
                            // A run of whole coverage, the inside of a stroke, at once.
                            int64_t end = c + 1;
                            while (end < c1 && cov[end] == 255) ++end;
                            for (int64_t k = 0; k < end - c; ++k) std::memcpy(d + k * 4, opaque, 4);
                            d += (end - c - 1) * 4;
                            c = end - 1;
                            continue;
                        }
                        const uint32_t keep = 255 - a;
                        d[0] = div255(colour.r * a + d[0] * keep);
                        d[1] = div255(colour.g * a + d[1] * keep);
                        d[2] = div255(colour.b * a + d[2] * keep);
                        d[3] = div255(255 * a + d[3] * keep);
                    }
                }
            },
            widest, lines, LayoutClip{rgba.width, rgba.height});
        return true;
    }
}

bool measure_text(const TextFont& font, const char* text, TextExtent& extent)
{
    extent = {};
    if (!text) return false;
    {
        CachedFace* f = face_for(font);
        if (!f) return false;
        int64_t widest = 0, lines = 0;
        lay_out(*f, text, 0, 0, [](const CachedGlyph&, int64_t, int64_t) {}, widest, lines);
        const LineMetrics lm = metrics(*f);
        extent.lineHeight = lm.lineHeight;
        extent.ascender = lm.ascender;
        extent.width = static_cast<int32_t>(std::min<int64_t>((widest + 63) >> 6, INT32_MAX));
        extent.height = static_cast<int32_t>(std::min<int64_t>(lines * lm.lineHeight, INT32_MAX));
        return true;
    }
}

void clear_text_cache() noexcept
{
    for (CachedFace& f : g_faces) {
        drop(f);
        f.lastUse = 0;
    }
}

}  // namespace mur::imaging

// Text-brush clips: each character of a text drawn in the text brush font
// into its own PNG file. And the choice of the two fonts without a desktop
// font dialog.
#include "io/io.h"

#include "engine/error_text.h"
#include "engine/guard.h"
#include "engine/memory.h"
#include "imaging/text_render.h"
#include "ipl/filter_framing.h"
#include "platform/fonts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace mur::io {
namespace {

// Windows-1252 characters of the bytes 0x80 .. 0x9F (0 where it has none:
// the byte then stands for the control character of that number).
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

void append_utf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6), out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12), out += char(0x80 | (c >> 6 & 0x3F)), out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18), out += char(0x80 | (c >> 12 & 0x3F)), out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace

uint32_t next_character(const char* text, std::size_t& at) noexcept
{
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    const unsigned char b = s[at];
    int extra = 0;
    uint32_t c = 0, least = 0;
    if (b >= 0xC2 && b <= 0xDF) extra = 1, c = b & 0x1F, least = 0x80;
    else if (b >= 0xE0 && b <= 0xEF) extra = 2, c = b & 0x0F, least = 0x800;
    else if (b >= 0xF0 && b <= 0xF4) extra = 3, c = b & 0x07, least = 0x10000;
    bool valid = extra > 0;
    for (int i = 1; valid && i <= extra; ++i) {
        valid = (s[at + i] & 0xC0) == 0x80;  // a terminating zero ends the run too
        if (valid) c = c << 6 | (s[at + i] & 0x3F);
    }
    if (valid && c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF)) {
        at += std::size_t(extra) + 1;
        return c;
    }
    ++at;
    if (b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80]) return kCp1252High[b - 0x80];
    return b;
}

const char* font_error_text(int32_t code) noexcept
{
    switch (code) {
    case 2: return "Font Err: CDERR_INITIALIZATION";
    case 5: return "Font Err: CDERR_LOADSTRFAILURE";
    case 6: return "Font Err: CDERR_FINDRESFAILURE";
    case 7: return "Font Err: CDERR_LOADRESFAILURE";
    case 8: return "Font Err: CDERR_LOCKRESFAILURE";
    case 9: return "Font Err: CDERR_MEMALLOCFAILURE";
    case 10: return "Font Err: CDERR_MEMLOCKFAILURE";
    case 0x2001: return "Font Err: CFERR_NOFONTS";
    case 0x2002: return "Font Err: CFERR_MAXLESSTHANMIN";
    case 0xFFFF: return "Font Err: CDERR_DIALOGFAILURE";
    default: return "Font Err: Other Error";
    }
}

int32_t choose_font(int32_t which)
{
    const int32_t code = platform::confirm_font_choice(which);
    if (code == 0) return 1;
    // The record as given could not be had: say why, start from an empty
    // record and try once more.
    set_error_text(font_error_text(code));
    platform::clear_font_record(which);
    return platform::confirm_font_choice(which) == 0 ? 1 : 0;
}

int32_t build_text_brush_clips(int32_t r, int32_t g, int32_t b, const char* text, const char* folder)
{
    if (!text || !*text || !folder || !*folder) return 0;
    platform::FontRecord* record = platform::font_record(platform::kTextBrushFont);
    if (!record || !platform::resolve_font_file(*record)) return 0;
    imaging::TextFont font;
    font.file = record->file;
    font.faceIndex = record->faceIndex;
    font.pixelHeight = record->pixelHeight;
    font.smooth = true;
    const imaging::Rgba8 colour{uint8_t(std::clamp(r, 0, 255)), uint8_t(std::clamp(g, 0, 255)),
                               uint8_t(std::clamp(b, 0, 255)), 255};

    imaging::TextExtent extent;
    if (!imaging::measure_text(font, "W", extent)) return 0;
    const int32_t startWidth = extent.width + extent.width / 2;
    int32_t written = 0;
    std::size_t at = 0;
    for (int32_t i = 0; text[at]; ++i) {
        std::string character;
        append_utf8(character, next_character(text, at));
        if (!imaging::measure_text(font, character.c_str(), extent)) return written;
        // A character without an advance of its own (a combining mark) keeps
        // the width "W" gives.
        const int32_t width = extent.width > 0 ? extent.width : startWidth;
        const int32_t height = extent.height > 0 ? extent.height : 1;
        imaging::Rgba32Picture canvas;
        if (!imaging::allocate_picture(canvas, width, height)) return written;
        const imaging::ImageView view = imaging::rgba32_view(canvas.pixels, width, height, std::ptrdiff_t{width} * 4);
        imaging::draw_text(view, font, 0, 0, character.c_str(), colour);
        ipl::unpremultiply_for_alpha_comp(canvas.pixels, width, height);
        char path[4096];
        const int n = std::snprintf(path, sizeof path, "%s/clip%i.png", folder, i);
        const bool ok = n > 0 && std::size_t(n) < sizeof path &&
                        write_to_file(canvas.pixels, width, height, path, ".png", 100, 4) == 1;
        imaging::release_picture(canvas);
        if (!ok) return written;
        ++written;
    }
    return written;
}

}  // namespace mur::io

using namespace mur;

extern "C" {

MUR_API int32_t MUR_ChooseTextBrushFont(void)
{
    return guard("ChooseTextBrushFont", int32_t{0}, [] { return io::choose_font(platform::kTextBrushFont); });
}

MUR_API int32_t MUR_ChooseFont(void)
{
    return guard("ChooseFont", int32_t{0}, [] { return io::choose_font(platform::kTextToolFont); });
}

MUR_API int32_t MUR_BuildTextBrushClips(int32_t r, int32_t g, int32_t b, const char* text, const char* folder)
{
    return guard("BuildTextBrushClips", int32_t{0}, [&] { return io::build_text_brush_clips(r, g, b, text, folder); });
}

}  // extern "C"

// The painting functions of a filter script: paint_open, the 45 record
// writers and paint_close. They do not paint; each appends one record of a
// drawing script, one token per line, to <start dir>scripts/luapaint.srp,
// for the host to replay with its own tools.
//
// Every record is a template of lines: a literal line, "$" for the next
// argument as text (numbers in Lua 5.1's "%.14g" form, written by the host
// so that both Lua builds write the same bytes) or "#" for the next argument
// as a colour component trunc(v x 255). Every argument is checked before
// the first line is written, so a bad argument raises the Lua error and
// leaves no half record.
#include "engine/state.h"
#include "lua/filter_run.h"

#include <lua.hpp>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace mur::lua {
namespace {

struct PaintRecord {
    const char* name;      // the Lua global
    const char* lines;     // the record's lines, separated by '\n'
};

#define MUR_A2 "$\n$"
#define MUR_A4 MUR_A2 "\n" MUR_A2
#define MUR_A8 MUR_A4 "\n" MUR_A4

// In registration order, after paint_open.
constexpr PaintRecord kRecords[] = {
    {"paint_stroke_start", "DrawStart\n$\n$\n-1\nSmoothPlot2\n0\n0\n0\n1\n0"},
    {"paint_stroke_pos", "SmoothPlot2\n$\n$\n$\n0\n0"},
    {"paint_stroke_stop", "SmoothPlot2\n0\n0\n0\n0\n1\nDrawStop\n1"},
    {"paint_select_brush", "SelectBrush\n$\n$\n$"},
    {"paint_brush_size", "SetBrushSize\n$"},
    {"paint_brush_density", "SetBrushDensity\n$"},
    {"paint_brush_opacity", "SetBrushOpacity\n$"},
    {"paint_brush_color", "SetColor\n#\n#\n#"},
    {"paint_set_color_banks", "SetColorBanks\n$\n#\n#\n#\n#\n#\n#\n#\n#\n#\n#\n#\n#"},
    {"paint_line", "Line2\n" MUR_A4},
    {"paint_spline", "Spline\n" MUR_A8},
    {"paint_dab", "Dab\n$\n$\n$"},
    {"paint_filter", "Filter\n" MUR_A8 "\n" MUR_A8 "\n" MUR_A4},
    {"paint_buffer_from_layer", "BufferFromLayer\n$"},
    {"paint_buffer_to_layer", "BufferToLayer\n$"},
    {"paint_buffer_copy", "BufferCopy\n" MUR_A2},
    {"paint_buffer_clear", "BufferClear\n$"},
    {"paint_buffer_merge_layer", "BufferMergeLayer\n$\n$\n$"},
    {"paint_buffer_from_mask", "BufferFromMask\n$"},
    {"paint_buffer_to_mask", "BufferToMask\n$"},
    {"paint_flip_horizontal", "ImageFlipHorizontal"},
    {"paint_flip_vertical", "ImageFlipVertical"},
    {"paint_clear_page", "ClearPage"},
    {"paint_fill_page", "FillPage"},
    {"paint_set_page", "SetPage\n" MUR_A4},
    {"paint_mask_on", "MaskOn\n$"},
    {"paint_mask_clear", "MaskClear"},
    {"paint_mask_invert", "MaskInvert"},
    {"paint_create_from_mask", "ImageCreateFromMask"},
    {"paint_alpha_create_from_mask", "AlphaCreateFromMask"},
    {"paint_mask_create_from_image", "MaskCreateFromImage"},
    {"paint_mask_create_from_image_luma", "MaskCreateFromImageLuma"},
    {"paint_mask_create_from_alpha", "MaskCreateFromAlpha"},
    {"paint_flood_fill", "Flood Fill\n" MUR_A4 "\n$\n$\n$"},
    {"paint_rectangle", "Rectangle\n" MUR_A8},
    {"paint_ellipse", "Ellipse\n" MUR_A8},
    {"paint_text", "Text\n" MUR_A8 "\n" MUR_A2},
    {"paint_gradient", "Gradient\n" MUR_A8 "\n" MUR_A8 "\n" MUR_A2},
    {"paint_mask_ellipse", "MaskEllipse\n" MUR_A4 "\n$"},
    {"paint_mask_rectangle", "MaskRectangle\n" MUR_A4 "\n$"},
    {"paint_mask_wand", "MaskWand\n" MUR_A4 "\n$"},
    {"paint_copy", "CopyTool\n" MUR_A4},
    {"paint_paste", "PasteTool2\n" MUR_A4 "\n$"},
    {"paint_warp", "Warp\n" MUR_A4 "\n" MUR_A2},
    {"paint_rotate_brush", "RotateBrush\n" MUR_A4},
};

#undef MUR_A2
#undef MUR_A4
#undef MUR_A8

static_assert(sizeof kRecords / sizeof kRecords[0] == 45, "paint_open, 45 records, paint_close");

constexpr char kScriptFile[] = "scripts/luapaint.srp";

void put_line(std::FILE* f, const char* text, std::size_t length) noexcept
{
    std::fwrite(text, 1, length, f);
    std::fputc('\n', f);
}

// A number as Lua 5.1 writes it ("%.14g"), whatever the locale; every NaN
// is "nan".
void put_number(std::FILE* f, double v) noexcept
{
    if (std::isnan(v)) return put_line(f, "nan", 3);
    char text[40];
    const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 14).ptr;
    put_line(f, text, std::size_t(end - text));
}

// A text value; a line end (or a NUL) inside it becomes a blank, so one
// token per line holds.
void put_text(std::FILE* f, const char* text, std::size_t length) noexcept
{
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i];
        std::fputc(c == '\n' || c == '\r' || c == '\0' ? ' ' : c, f);
    }
    std::fputc('\n', f);
}

// trunc(v x 255) as a decimal integer, not clamped; NaN writes 0 and values
// beyond the 32-bit range the nearest end.
void put_colour(std::FILE* f, double v) noexcept
{
    const double scaled = v * 255.0;
    int32_t whole = 0;
    if (scaled != scaled)
        whole = 0;
    else if (scaled <= -2147483648.0)
        whole = INT32_MIN;
    else if (scaled >= 2147483647.0)
        whole = INT32_MAX;
    else
        whole = static_cast<int32_t>(scaled);
    char text[16];
    const auto end = std::to_chars(text, text + sizeof text, whole).ptr;
    put_line(f, text, std::size_t(end - text));
}

// Raises the Lua error for an argument of the wrong kind; nothing is written.
void check_arguments(lua_State* L, const char* lines)
{
    int index = 0;
    for (const char* p = lines; *p; ++p) {
        if (*p == '$') {
            ++index;
            const int type = lua_type(L, index);
            if (type != LUA_TNUMBER && type != LUA_TSTRING) luaL_typerror(L, index, "string or number");
        } else if (*p == '#') {
            ++index;
            if (!lua_isnumber(L, index)) luaL_typerror(L, index, "number");
        }
    }
}

// Writes the record; the arguments were checked, nothing here raises.
void write_record(lua_State* L, std::FILE* f, const char* lines) noexcept
{
    int index = 0;
    const char* line = lines;
    while (true) {
        const char* end = std::strchr(line, '\n');
        const std::size_t length = end ? std::size_t(end - line) : std::strlen(line);
        if (length == 1 && *line == '$') {
            ++index;
            if (lua_type(L, index) == LUA_TNUMBER) {
                put_number(f, lua_tonumber(L, index));
            } else {
                std::size_t size = 0;
                const char* text = lua_tolstring(L, index, &size);  // a string: no conversion
                put_text(f, text, size);
            }
        } else if (length == 1 && *line == '#') {
            put_colour(f, lua_tonumber(L, ++index));
        } else {
            put_line(f, line, length);
        }
        if (!end) break;
        line = end + 1;
    }
}

int paint_record(lua_State* L)
{
    const auto* record = static_cast<const PaintRecord*>(lua_touserdata(L, lua_upvalueindex(1)));
    if (!g_run.drawingScript) return 0;
    check_arguments(L, record->lines);
    write_record(L, g_run.drawingScript, record->lines);
    return 0;
}

// The file under the start directory; an empty start directory is the
// current one, and a missing separator is added.
bool script_path(char (&out)[kStartDirCapacity + sizeof kScriptFile + 1]) noexcept
{
    const std::size_t length = strnlen(engine.startDir, kStartDirCapacity);
    if (length >= kStartDirCapacity) return false;
    const bool separator = length == 0 || engine.startDir[length - 1] == '/';
    std::snprintf(out, sizeof out, "%.*s%s%s", int(length), engine.startDir, separator ? "" : "/", kScriptFile);
    return true;
}

// paint_open(seed): closes a file still open, creates or truncates the
// script file and writes the header. When the file cannot be created,
// nothing is written and the records that follow are dropped.
int paint_open(lua_State* L)
{
    static constexpr char kHeader[] = "1554\nDescription\n1\n \nRandomSeed\n$";
    check_arguments(L, kHeader);
    close_drawing_script();
    char path[kStartDirCapacity + sizeof kScriptFile + 1];
    if (!script_path(path)) return 0;
    g_run.drawingScript = std::fopen(path, "w");
    if (g_run.drawingScript) write_record(L, g_run.drawingScript, kHeader);
    return 0;
}

// paint_close(): the trailer, then the file is closed.
int paint_close(lua_State*)
{
    if (g_run.drawingScript) put_line(g_run.drawingScript, "ScriptEnd", 9);
    close_drawing_script();
    return 0;
}

void set_function(lua_State* L, const char* name, lua_CFunction function)
{
    lua_pushcfunction(L, function);
    lua_setfield(L, LUA_GLOBALSINDEX, name);
}

}  // namespace

void close_drawing_script() noexcept
{
    if (g_run.drawingScript) std::fclose(g_run.drawingScript);
    g_run.drawingScript = nullptr;
}

void register_paint_functions(lua_State* L)
{
    set_function(L, "paint_open", paint_open);
    for (const PaintRecord& record : kRecords) {
        lua_pushlightuserdata(L, const_cast<PaintRecord*>(&record));
        lua_pushcclosure(L, paint_record, 1);
        lua_setfield(L, LUA_GLOBALSINDEX, record.name);
    }
    set_function(L, "paint_close", paint_close);
}

}  // namespace mur::lua

// The per-pixel host functions as C functions: what scripts call under Lua
// 5.1 (under LuaJIT the prelude of jit_prelude.cpp replaces them with the same
// arithmetic over FFI views).
//
// Channels go out as byte / 255 and come back as trunc(v x 255) clamped to
// 0..255 (NaN stores 0); off-page reads give zeros, off-page writes nothing.
#include "engine/state.h"
#include "imaging/color_spaces.h"
#include "lua/colour_calls.h"
#include "lua/filter_run.h"

#include <lua.hpp>

#include <algorithm>

namespace mur::lua {
namespace {

// luaL_checknumber's rule (numbers and numeric strings) with a message that
// names the function as registered, the same in both builds.
double number_arg(lua_State* L, int index, const char* name)
{
    if (lua_isnumber(L, index)) return lua_tonumber(L, index);
    const int type = lua_type(L, index);
    luaL_error(L, "bad argument #%d to '%s' (number expected, got %s)", index, name,
               lua_typename(L, type == LUA_TNONE ? LUA_TNIL : type));
    return 0;
}

// NaN becomes the lower bound.
double clamp_real(double v, double lo, double hi) noexcept
{
    if (!(v >= lo)) return lo;
    return v > hi ? hi : v;
}

// The pixel to read at the first two arguments, or null off the page.
const uint8_t* read_pixel(lua_State* L, const char* name)
{
    const double x = number_arg(L, 1, name), y = number_arg(L, 2, name);
    std::size_t offset = 0;
    if (!pixel_offset(x, y, offset)) return nullptr;
    return (g_run.singleBuffer ? g_run.dst : g_run.src) + offset;
}

// The pixel to write at the first two arguments, or null off the page; the
// `values` further arguments are read into `v` first, so that argument errors
// come before the page test, as in the prelude.
uint8_t* write_pixel(lua_State* L, const char* name, int values, double* v)
{
    const double x = number_arg(L, 1, name), y = number_arg(L, 2, name);
    for (int i = 0; i < values; ++i) v[i] = number_arg(L, 3 + i, name);
    std::size_t offset = 0;
    if (!pixel_offset(x, y, offset)) return nullptr;
    return g_run.dst + offset;
}

int push_reals(lua_State* L, const double* v, int count)
{
    for (int i = 0; i < count; ++i) lua_pushnumber(L, v[i]);
    return count;
}

int push_zeros(lua_State* L, int count)
{
    for (int i = 0; i < count; ++i) lua_pushnumber(L, 0);
    return count;
}

int get_value(lua_State* L)
{
    const uint8_t* p = read_pixel(L, "get_value");
    if (!p) return push_zeros(L, 1);
    lua_pushnumber(L, (p[0] / 255.0 + p[1] / 255.0 + p[2] / 255.0) * (1.0 / 3.0));
    return 1;
}

int set_value(lua_State* L)
{
    double v[1];
    if (uint8_t* p = write_pixel(L, "set_value", 1, v)) p[0] = p[1] = p[2] = color::to_byte(v[0]);
    return 0;
}

// get_rgb, get_alpha and get_rgba: `first` and `count` channels.
template <int First, int Count>
int get_channels(lua_State* L)
{
    static constexpr const char* kNames[] = {"get_rgb", "get_alpha", "get_rgba"};
    const char* name = kNames[First == 3 ? 1 : Count == 3 ? 0 : 2];
    const uint8_t* p = read_pixel(L, name);
    if (!p) return push_zeros(L, Count);
    for (int c = First; c < First + Count; ++c) lua_pushnumber(L, p[c] / 255.0);
    return Count;
}

template <int First, int Count>
int set_channels(lua_State* L)
{
    static constexpr const char* kNames[] = {"set_rgb", "set_alpha", "set_rgba"};
    const char* name = kNames[First == 3 ? 1 : Count == 3 ? 0 : 2];
    double v[4];
    if (uint8_t* p = write_pixel(L, name, Count, v))
        for (int c = 0; c < Count; ++c) p[First + c] = color::to_byte(v[c]);
    return 0;
}

// A colour space: its functions' names, its channel count, its conversions
// and the ranges its writes clamp to (none for L*a*b* and CMYK).
struct ColourSpace {
    const char* getName;
    const char* setName;
    int channels;
    ColourCall toSpace;
    ColourCall toRgb;
    bool clamps;
    double lo[3];
    double hi[3];
};

constexpr ColourSpace kSpaces[] = {
    {"get_hsv", "set_hsv", 3, rgb_to_hsv_io, hsv_to_rgb_io, true, {0, 0, 0}, {359, 1, 1}},
    {"get_hsl", "set_hsl", 3, rgb_to_hsl_io, hsl_to_rgb_io, true, {0, 0, 0}, {359, 1, 1}},
    {"get_lab", "set_lab", 3, rgb_to_lab_io, lab_to_rgb_io, false, {}, {}},
    {"get_cmyk", "set_cmyk", 4, rgb_to_cmyk_io, cmyk_to_rgb_io, false, {}, {}},
};

template <int Space>
int get_space(lua_State* L)
{
    const ColourSpace& s = kSpaces[Space];
    const uint8_t* p = read_pixel(L, s.getName);
    if (!p) return push_zeros(L, s.channels);
    double io[4] = {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, 0};
    s.toSpace(io);
    return push_reals(L, io, s.channels);
}

template <int Space>
int set_space(lua_State* L)
{
    const ColourSpace& s = kSpaces[Space];
    double io[4];
    uint8_t* p = write_pixel(L, s.setName, s.channels, io);
    if (!p) return 0;
    if (s.clamps)
        for (int c = 0; c < 3; ++c) io[c] = clamp_real(io[c], s.lo[c], s.hi[c]);
    s.toRgb(io);
    for (int c = 0; c < 3; ++c) p[c] = color::to_byte(io[c]);
    return 0;
}

int get_mask(lua_State* L)
{
    const double x = number_arg(L, 1, "get_mask"), y = number_arg(L, 2, "get_mask");
    std::size_t offset = 0;
    if (!engine.mask.plane || !pixel_offset(x, y, offset)) return push_zeros(L, 1);
    lua_pushnumber(L, engine.mask.plane[offset / 4] / 65535.0);
    return 1;
}

int set_mask(lua_State* L)
{
    const double x = number_arg(L, 1, "set_mask"), y = number_arg(L, 2, "set_mask");
    const double m = number_arg(L, 3, "set_mask") * 65535;
    std::size_t offset = 0;
    if (!engine.mask.plane || !pixel_offset(x, y, offset)) return 0;
    engine.mask.plane[offset / 4] = m >= 65535 ? 65535 : m >= 1 ? static_cast<uint16_t>(m) : 0;
    return 0;
}

// get_color (bank 0 = the brush colour) and get_color1..4: high bytes / 255.
template <int Bank>
int get_color(lua_State* L)
{
    const ToolSettings& t = engine.tool;
    const uint16_t rgb[3] = {Bank == 0 ? t.color[0] : t.colorBankR[Bank - 1],
                             Bank == 0 ? t.color[1] : t.colorBankG[Bank - 1],
                             Bank == 0 ? t.color[2] : t.colorBankB[Bank - 1]};
    for (uint16_t c : rgb) lua_pushnumber(L, (c >> 8) / 255.0);
    return 3;
}

}  // namespace

void register_pixel_functions(lua_State* L)
{
    static const luaL_Reg kFunctions[] = {
        {"get_value", get_value},           {"set_value", set_value},
        {"get_rgb", get_channels<0, 3>},    {"set_rgb", set_channels<0, 3>},
        {"get_alpha", get_channels<3, 1>},  {"set_alpha", set_channels<3, 1>},
        {"get_rgba", get_channels<0, 4>},   {"set_rgba", set_channels<0, 4>},
        {"get_hsv", get_space<0>},          {"set_hsv", set_space<0>},
        {"get_hsl", get_space<1>},          {"set_hsl", set_space<1>},
        {"get_lab", get_space<2>},          {"set_lab", set_space<2>},
        {"get_cmyk", get_space<3>},         {"set_cmyk", set_space<3>},
        {"get_mask", get_mask},             {"set_mask", set_mask},
        {"get_color", get_color<0>},        {"get_color1", get_color<1>},
        {"get_color2", get_color<2>},       {"get_color3", get_color<3>},
        {"get_color4", get_color<4>},
    };
    for (const luaL_Reg& f : kFunctions) {
        lua_pushcfunction(L, f.func);
        lua_setfield(L, LUA_GLOBALSINDEX, f.name);
    }
}

}  // namespace mur::lua

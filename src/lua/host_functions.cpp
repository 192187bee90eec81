// The host functions that are not per pixel (flush, merge, the buffer flag,
// the user, the bit operations) and the globals of a filter script.
#include "engine/state.h"
#include "imaging/lua_sandbox.h"
#include "ipl/filter_framing.h"
#include "layers/blend_modes.h"
#include "layers/layers.h"
#include "lua/filter_run.h"
#include "lua/lua.h"
#include "platform/script_sinks.h"

#include <lua.hpp>

#include <cmath>
#include <cstring>
#include <cstdio>

namespace mur::lua {
namespace {

std::size_t page_bytes() noexcept { return std::size_t(g_run.width) * std::size_t(g_run.height) * 4; }

// flush: the destination into the current layer through mask and texture,
// then into the source. The store covers the part of the layer the page
// covers (the buffer holds no more).
int flush(lua_State* L)
{
    imaging::check_script_stop(L);
    layers::load_rgba32(g_run.dst, g_run.width * 4, 1);
    std::memcpy(g_run.src, g_run.dst, page_bytes());
    return 0;
}

// A real argument as an integer, truncated; NaN gives 0, beyond the 32-bit
// range the nearest end.
int32_t whole(double v) noexcept
{
    if (!(v == v)) return 0;
    if (v <= -2147483648.0) return INT32_MIN;
    if (v >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(v);
}

// merge(mode, amount): the destination's alpha scaled by the filter weight
// (in place), composited into the current layer in the mode at opacity
// trunc(amount) x 255, then the source refilled from the layer. Ids outside
// 0..53 merge as Normal.
int merge(lua_State* L)
{
    int32_t mode = whole(luaL_checknumber(L, 1));
    const int32_t amount = whole(luaL_checknumber(L, 2));
    imaging::check_script_stop(L);
    if (!known_blend_mode_id(mode)) mode = 0;
    const int32_t opacity = amount >= 1 ? 255 : 0;  // trunc(amount) x 255, clamped
    layers::weigh_by_texture_and_mask(g_run.dst, 0, 0, g_run.width, g_run.height);
    if (LayerRecord* layer = engine.layers.currentRecord) {
        ipl::MergeResultIntoLayer(g_run.dst, *layer, mode, opacity, layer->alphaLocked != 0);
        layers::read_rgba32(engine.layers.currentLayer, g_run.src, g_run.width * 4);
    }
    return 0;
}

int single_buffer(lua_State* L)
{
    g_run.singleBuffer = lua_toboolean(L, 1) != 0;
    return 0;
}

int progress(lua_State*) { return 0; }

int message_box(lua_State* L)
{
    platform::show_message_box(luaL_optstring(L, 1, ""), luaL_optstring(L, 2, ""));
    return 0;
}

int is_escape(lua_State* L)
{
    lua_pushnumber(L, platform::escape_pressed() ? 1 : 0);
    return 1;
}

int32_t int_arg(lua_State* L, int index) { return imaging::script_int32(luaL_checknumber(L, index)); }

int bit_not(lua_State* L)
{
    lua_pushnumber(L, ~int_arg(L, 1));
    return 1;
}
int bit_and(lua_State* L)
{
    lua_pushnumber(L, int_arg(L, 1) & int_arg(L, 2));
    return 1;
}
int bit_or(lua_State* L)
{
    lua_pushnumber(L, int_arg(L, 1) | int_arg(L, 2));
    return 1;
}
int bit_xor(lua_State* L)
{
    lua_pushnumber(L, int_arg(L, 1) ^ int_arg(L, 2));
    return 1;
}
int bit_shfr(lua_State* L)  // arithmetic: the sign propagates
{
    lua_pushnumber(L, int_arg(L, 1) >> (int_arg(L, 2) & 31));
    return 1;
}
int bit_shfl(lua_State* L)
{
    const auto bits = static_cast<uint32_t>(int_arg(L, 1)) << (int_arg(L, 2) & 31);
    lua_pushnumber(L, static_cast<int32_t>(bits));
    return 1;
}

int output_debug_string(lua_State* L)
{
    platform::output_debug_string(luaL_optstring(L, 1, ""));
    return 0;
}

void set_number(lua_State* L, const char* name, double value)
{
    lua_pushnumber(L, value);
    lua_setfield(L, LUA_GLOBALSINDEX, name);
}

// "<stem><index>": no C++ object may live across a call that can raise.
const char* indexed_name(char (&out)[32], const char* stem, int index) noexcept
{
    std::snprintf(out, sizeof out, "%s%d", stem, index);
    return out;
}

}  // namespace

void register_host(lua_State* L, const FilterValues& values)
{
    register_pixel_functions(L);
    static const luaL_Reg kFunctions[] = {
        {"flush", flush},       {"merge", merge},     {"single_buffer", single_buffer}, {"progress", progress},
        {"message_box", message_box}, {"is_escape", is_escape}, {"bit_not", bit_not}, {"bit_and", bit_and},
        {"bit_or", bit_or},     {"bit_xor", bit_xor}, {"bit_shfr", bit_shfr},           {"bit_shfl", bit_shfl},
    };
    for (const luaL_Reg& f : kFunctions) {
        lua_pushcfunction(L, f.func);
        lua_setfield(L, LUA_GLOBALSINDEX, f.name);
    }
    register_paint_functions(L);
    lua_pushcfunction(L, output_debug_string);
    lua_setfield(L, LUA_GLOBALSINDEX, "output_debug_string");

    set_number(L, "width", g_run.width);
    set_number(L, "height", g_run.height);
    set_number(L, "bound_x0", 0);
    set_number(L, "bound_y0", 0);
    set_number(L, "bound_x1", g_run.width - 1);
    set_number(L, "bound_y1", g_run.height - 1);
    set_number(L, "variantVal", values.variant);
    char name[32];
    for (int i = 0; i < 6; ++i) set_number(L, indexed_name(name, "sliderVal", i + 1), values.sliders[i] * 0.001);
    for (int i = 0; i < 6; ++i) {
        lua_pushboolean(L, (values.flags[i] & 0xFF) != 0);
        lua_setfield(L, LUA_GLOBALSINDEX, indexed_name(name, "flagVal", i + 1));
    }
    set_number(L, "styleVal1", double(values.style1) + 1);
    set_number(L, "styleVal2", double(values.style2) + 1);
    for (const BlendModeInfo& mode : kBlendModes) {
        if (mode.luaConstant.empty()) continue;
        lua_pushnumber(L, mode.id);
        lua_setfield(L, LUA_GLOBALSINDEX, mode.luaConstant.data());  // the list's literals end in a NUL
    }

    install_jit_prelude(L);
}

}  // namespace mur::lua

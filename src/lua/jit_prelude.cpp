// Under LuaJIT the per-pixel host functions are Lua code over FFI views of the
// IPL buffers, the mask and the brush colours, which the compiler inlines into
// a script's loops; calls into C would stop its traces. The colour spaces are
// the engine's own routines, called through FFI function pointers. The
// arithmetic is that of pixel_functions.cpp, step for step, so that both
// builds write the same bytes.
//
// The FFI library reaches the prelude as an argument, never as a global; the
// views live in its upvalues, so no cdata reaches a script. Coordinates are
// tested against the page as doubles before any index is made, and arguments
// are checked as luaL_checknumber does.
#include "engine/state.h"
#include "imaging/lua_sandbox.h"
#include "lua/colour_calls.h"
#include "lua/filter_run.h"

#include <lua.hpp>

namespace mur::lua {

#if MUR_LUAJIT
namespace {

const char kPrelude[] = R"lua(
local ffi, src_p, dst_p, mask_p, W, H, colour_p, bank_r, bank_g, bank_b, set_single,
      to_hsv_p, from_hsv_p, to_hsl_p, from_hsl_p, to_lab_p, from_lab_p, to_cmyk_p, from_cmyk_p = ...
local floor, type, tonumber, error, format = math.floor, type, tonumber, error, string.format
local u8p, u16p = ffi.typeof("uint8_t*"), ffi.typeof("uint16_t*")
local call_t = ffi.typeof("void (*)(double*)")
local src, dst = ffi.cast(u8p, src_p), ffi.cast(u8p, dst_p)
local mask = mask_p and ffi.cast(u16p, mask_p)
local colour = ffi.cast(u16p, colour_p)
local banks = {ffi.cast(u16p, bank_r), ffi.cast(u16p, bank_g), ffi.cast(u16p, bank_b)}
local io = ffi.new("double[4]")
-- byte / 255 of every byte: a channel read is a load, not a division
local by255 = ffi.new("double[256]")
for k = 0, 255 do by255[k] = k / 255 end
local rd = src

local function num(v, i, name)
  local n = tonumber(v)
  if n == nil then
    local t = type(v)
    error(format("bad argument #%d to '%s' (number expected, got %s)", i, name, t), 3)
  end
  return n
end

-- The byte offset of page pixel (x, y), truncated toward zero; nil off the page.
local function at(x, y)
  if x > -1 and x < W and y > -1 and y < H then
    if x < 0 then x = 0 end
    if y < 0 then y = 0 end
    return (floor(y) * W + floor(x)) * 4
  end
end

-- trunc(v x 255) clamped to 0..255; NaN gives 0.
local function byte(v)
  v = v * 255
  if v >= 255 then return 255 elseif v >= 1 then return floor(v) end
  return 0
end

local function clamp(v, lo, hi)
  if not (v >= lo) then return lo elseif v > hi then return hi end
  return v
end

function get_value(x, y)
  if type(x) ~= "number" then x = num(x, 1, "get_value") end
  if type(y) ~= "number" then y = num(y, 2, "get_value") end
  local i = at(x, y)
  if i then local p = rd return (by255[p[i]] + by255[p[i + 1]] + by255[p[i + 2]]) * (1 / 3) end
  return 0
end

function set_value(x, y, v)
  if type(x) ~= "number" then x = num(x, 1, "set_value") end
  if type(y) ~= "number" then y = num(y, 2, "set_value") end
  if type(v) ~= "number" then v = num(v, 3, "set_value") end
  local i = at(x, y)
  if i then v = byte(v) dst[i] = v dst[i + 1] = v dst[i + 2] = v end
end

function get_rgb(x, y)
  if type(x) ~= "number" then x = num(x, 1, "get_rgb") end
  if type(y) ~= "number" then y = num(y, 2, "get_rgb") end
  if x > -1 and x < W and y > -1 and y < H then  -- at(x, y), written out
    if x < 0 then x = 0 end
    if y < 0 then y = 0 end
    local i, p = (floor(y) * W + floor(x)) * 4, rd
    return by255[p[i]], by255[p[i + 1]], by255[p[i + 2]]
  end
  return 0, 0, 0
end

function set_rgb(x, y, r, g, b)
  if type(x) ~= "number" then x = num(x, 1, "set_rgb") end
  if type(y) ~= "number" then y = num(y, 2, "set_rgb") end
  if type(r) ~= "number" then r = num(r, 3, "set_rgb") end
  if type(g) ~= "number" then g = num(g, 4, "set_rgb") end
  if type(b) ~= "number" then b = num(b, 5, "set_rgb") end
  if x > -1 and x < W and y > -1 and y < H then  -- at(x, y) and byte(v), written out
    if x < 0 then x = 0 end
    if y < 0 then y = 0 end
    local i = (floor(y) * W + floor(x)) * 4
    r, g, b = r * 255, g * 255, b * 255
    if r >= 255 then r = 255 elseif r >= 1 then r = floor(r) else r = 0 end
    if g >= 255 then g = 255 elseif g >= 1 then g = floor(g) else g = 0 end
    if b >= 255 then b = 255 elseif b >= 1 then b = floor(b) else b = 0 end
    dst[i] = r dst[i + 1] = g dst[i + 2] = b
  end
end

function get_alpha(x, y)
  if type(x) ~= "number" then x = num(x, 1, "get_alpha") end
  if type(y) ~= "number" then y = num(y, 2, "get_alpha") end
  local i = at(x, y)
  if i then return by255[rd[i + 3]] end
  return 0
end

function set_alpha(x, y, a)
  if type(x) ~= "number" then x = num(x, 1, "set_alpha") end
  if type(y) ~= "number" then y = num(y, 2, "set_alpha") end
  if type(a) ~= "number" then a = num(a, 3, "set_alpha") end
  local i = at(x, y)
  if i then dst[i + 3] = byte(a) end
end

function get_rgba(x, y)
  if type(x) ~= "number" then x = num(x, 1, "get_rgba") end
  if type(y) ~= "number" then y = num(y, 2, "get_rgba") end
  local i = at(x, y)
  if i then local p = rd return by255[p[i]], by255[p[i + 1]], by255[p[i + 2]], by255[p[i + 3]] end
  return 0, 0, 0, 0
end

function set_rgba(x, y, r, g, b, a)
  if type(x) ~= "number" then x = num(x, 1, "set_rgba") end
  if type(y) ~= "number" then y = num(y, 2, "set_rgba") end
  if type(r) ~= "number" then r = num(r, 3, "set_rgba") end
  if type(g) ~= "number" then g = num(g, 4, "set_rgba") end
  if type(b) ~= "number" then b = num(b, 5, "set_rgba") end
  if type(a) ~= "number" then a = num(a, 6, "set_rgba") end
  local i = at(x, y)
  if i then dst[i] = byte(r) dst[i + 1] = byte(g) dst[i + 2] = byte(b) dst[i + 3] = byte(a) end
end

-- A colour space's pair: get converts the pixel's bytes / 255, set converts
-- back (after clamping where the space clamps) and stores bytes; alpha stays.
local function space(get_name, set_name, to_p, from_p, n, hi)
  local to_space, to_rgb = ffi.cast(call_t, to_p), ffi.cast(call_t, from_p)
  local get = function(x, y)
    if type(x) ~= "number" then x = num(x, 1, get_name) end
    if type(y) ~= "number" then y = num(y, 2, get_name) end
    local i = at(x, y)
    if i then
      local p = rd
      io[0] = by255[p[i]] io[1] = by255[p[i + 1]] io[2] = by255[p[i + 2]] io[3] = 0
      to_space(io)
      if n == 4 then return io[0], io[1], io[2], io[3] end
      return io[0], io[1], io[2]
    end
    if n == 4 then return 0, 0, 0, 0 end
    return 0, 0, 0
  end
  local set = function(x, y, a, b, c, d)
    if type(x) ~= "number" then x = num(x, 1, set_name) end
    if type(y) ~= "number" then y = num(y, 2, set_name) end
    if type(a) ~= "number" then a = num(a, 3, set_name) end
    if type(b) ~= "number" then b = num(b, 4, set_name) end
    if type(c) ~= "number" then c = num(c, 5, set_name) end
    if n == 4 and type(d) ~= "number" then d = num(d, 6, set_name) end
    local i = at(x, y)
    if i then
      if hi then a = clamp(a, 0, hi) b = clamp(b, 0, 1) c = clamp(c, 0, 1) end
      io[0] = a io[1] = b io[2] = c io[3] = n == 4 and d or 0
      to_rgb(io)
      dst[i] = byte(io[0]) dst[i + 1] = byte(io[1]) dst[i + 2] = byte(io[2])
    end
  end
  return get, set
end

get_hsv, set_hsv = space("get_hsv", "set_hsv", to_hsv_p, from_hsv_p, 3, 359)
get_hsl, set_hsl = space("get_hsl", "set_hsl", to_hsl_p, from_hsl_p, 3, 359)
get_lab, set_lab = space("get_lab", "set_lab", to_lab_p, from_lab_p, 3, nil)
get_cmyk, set_cmyk = space("get_cmyk", "set_cmyk", to_cmyk_p, from_cmyk_p, 4, nil)

function get_mask(x, y)
  if type(x) ~= "number" then x = num(x, 1, "get_mask") end
  if type(y) ~= "number" then y = num(y, 2, "get_mask") end
  local i = mask and at(x, y)
  if i then return mask[i / 4] / 65535 end
  return 0
end

function set_mask(x, y, m)
  if type(x) ~= "number" then x = num(x, 1, "set_mask") end
  if type(y) ~= "number" then y = num(y, 2, "set_mask") end
  if type(m) ~= "number" then m = num(m, 3, "set_mask") end
  m = m * 65535
  local i = mask and at(x, y)
  if i then
    if m >= 65535 then m = 65535 elseif m >= 1 then m = floor(m) else m = 0 end
    mask[i / 4] = m
  end
end

local function colour_of(bank)
  return function()
    if bank == 0 then
      return floor(colour[0] / 256) / 255, floor(colour[1] / 256) / 255, floor(colour[2] / 256) / 255
    end
    local k = bank - 1
    return floor(banks[1][k] / 256) / 255, floor(banks[2][k] / 256) / 255, floor(banks[3][k] / 256) / 255
  end
end
get_color, get_color1, get_color2, get_color3, get_color4 =
  colour_of(0), colour_of(1), colour_of(2), colour_of(3), colour_of(4)

function single_buffer(flag)
  set_single(flag)
  if flag then rd = dst else rd = src end
end
)lua";

// Protected: compiles the prelude and runs it with the views' addresses.
void run_prelude(lua_State* L)
{
    if (luaL_loadbuffer(L, kPrelude, sizeof kPrelude - 1, "=prelude") != 0) lua_error(L);
    imaging::push_ffi_library(L);
    lua_pushlightuserdata(L, g_run.src);
    lua_pushlightuserdata(L, g_run.dst);
    if (engine.mask.plane)
        lua_pushlightuserdata(L, engine.mask.plane);
    else
        lua_pushnil(L);
    lua_pushnumber(L, g_run.width);
    lua_pushnumber(L, g_run.height);
    lua_pushlightuserdata(L, engine.tool.color);
    lua_pushlightuserdata(L, engine.tool.colorBankR);
    lua_pushlightuserdata(L, engine.tool.colorBankG);
    lua_pushlightuserdata(L, engine.tool.colorBankB);
    lua_getfield(L, LUA_GLOBALSINDEX, "single_buffer");  // the C function records the flag
    const ColourCall calls[] = {rgb_to_hsv_io, hsv_to_rgb_io, rgb_to_hsl_io, hsl_to_rgb_io,
                                rgb_to_lab_io, lab_to_rgb_io, rgb_to_cmyk_io, cmyk_to_rgb_io};
    for (ColourCall call : calls) lua_pushlightuserdata(L, reinterpret_cast<void*>(call));
    lua_call(L, 19, 0);
}

}  // namespace

void install_jit_prelude(lua_State* L) { run_prelude(L); }

#else

void install_jit_prelude(lua_State*) {}

#endif

}  // namespace mur::lua

// Texture scripts: small Lua 5.1 programs that paint a tile.
//
// A texture script sets the globals `width` and `height` (the tile size, whole
// numbers) and defines `texel(x, y)`, called for every column x = 0..width-1
// and row y = 0..height-1 of the tile, which returns red, green, blue and
// optionally alpha, each 0..1 (values outside are clamped; no alpha means
// opaque). Example:
//
//     width, height = 64, 64
//     function texel(x, y)
//         local v = 0.5 + 0.5 * math.sin(x / 4) * math.cos(y / 4)
//         return v, v, v
//     end
//
// Each script runs in the engine's sandbox (imaging/lua_sandbox.h): the
// base, math, string and table libraries without what reaches files, other
// code or the process, under the engine's time and memory limits, stopped
// even if it catches the error. A script that fails in any way gives no tile:
// the caller's buffer is cleared.
//
// The calling sequence: `load_texture_script` (false when the file is no
// script: not Lua, or without the globals; the path may then be a picture),
// `texture_script_header` for the tile size, `run_texture_script` into a
// buffer of that size, and `finish_texture_script`, which must follow every
// load, successful or not.
#pragma once

#include "imaging/image_view.h"
#include "imaging/lua_sandbox.h"
#include "imaging/picture.h"

#include <cstddef>
#include <cstdint>

struct lua_State;

namespace mur::imaging {

struct TextureScriptLimits {
    ScriptLimits run = script_limits();              // time and memory over the script's life
    std::size_t sourceBytes = std::size_t{1} << 20;  // larger files are not scripts
};

struct TextureScript {
    lua_State* state = nullptr;
    Sandbox box;
    int32_t width = 0;
    int32_t height = 0;
};

bool load_texture_script(const char* path, TextureScript& script, const TextureScriptLimits& limits = {}) noexcept;
bool load_texture_script_from_memory(const char* source, std::size_t size, TextureScript& script,
                                     const TextureScriptLimits& limits = {}) noexcept;

// The tile size of a loaded script; false when none is loaded.
bool texture_script_header(const TextureScript& script, int32_t& width, int32_t& height) noexcept;

// Runs a loaded script into an RGBA32 view of exactly its tile size. On
// failure (a script error, a value that is not a number, the instruction or
// memory budget spent) the view is cleared to 0 and the result is false.
bool run_texture_script(TextureScript& script, const ImageView& tile) noexcept;

// Closes the script's state; the script is empty afterwards.
void finish_texture_script(TextureScript& script) noexcept;

// Load, run into a new picture of the tile size, finish.
bool render_texture_script(const char* path, Rgba32Picture& picture, const TextureScriptLimits& limits = {}) noexcept;

}  // namespace mur::imaging

// The state of the filter run in progress, shared by the host functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct lua_State;

namespace mur::lua {

struct FilterRun {
    uint8_t* src = nullptr;          // the IPL source buffer, RGBA32
    uint8_t* dst = nullptr;          // the IPL destination buffer
    int32_t width = 0;
    int32_t height = 0;
    bool singleBuffer = false;       // reads come from the destination
    std::FILE* drawingScript = nullptr;  // a drawing script the painting functions opened
    bool active = false;
};

// Engine-global, reset at every run.
extern FilterRun g_run;

// The byte offset of the page pixel at script coordinates (x, y), truncated
// toward zero; false off the page (NaN included).
inline bool pixel_offset(double x, double y, std::size_t& offset) noexcept
{
    if (!(x > -1.0 && x < double(g_run.width) && y > -1.0 && y < double(g_run.height))) return false;
    offset = (std::size_t(int32_t(y)) * std::size_t(g_run.width) + std::size_t(int32_t(x))) * 4;
    return true;
}

// Registers the host functions and then the globals, in their documented
// order; under LuaJIT the per-pixel functions are then replaced by the FFI
// prelude. Protected mode only.
void register_host(lua_State* L, const struct FilterValues& values);

// The per-pixel functions as C functions (every build), and the LuaJIT
// prelude that replaces them (a no-op under Lua 5.1).
void register_pixel_functions(lua_State* L);

// paint_open, paint_close and the record writers of a drawing script
// (paint_functions.cpp), which append to g_run.drawingScript.
void register_paint_functions(lua_State* L);

// Closes the drawing script if one is open, without its trailer (the run's
// end does this).
void close_drawing_script() noexcept;
void install_jit_prelude(lua_State* L);

}  // namespace mur::lua

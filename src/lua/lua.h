// What the Lua filter host offers the other modules and its own exports: its
// internal interface.
//
// A filter script reads the IPL source buffer and writes the IPL destination
// buffer through host functions (get_rgb, set_rgb, ...), sees the page size
// and the effect dialog's values as globals, and runs once in the engine's
// sandbox (imaging/lua_sandbox.h). Its result is stored into the current
// layer through the mask and the texture; an error is shown in a message box
// captioned "Lua Script Error" and leaves the layer as the script's flushes
// and merges left it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur::lua {

// The effect dialog's values as the host passes them.
struct FilterValues {
    int32_t variant = 0;
    int32_t sliders[6] = {};
    int32_t style1 = 0;
    int32_t style2 = 0;
    int32_t flags[6] = {};     // only the low byte counts
};

// Runs the script file at `path` on the IPL buffers; nothing happens when
// either is absent or a script already runs. True when the script ran to its
// end and its result was stored.
bool run_filter(const char* path, const FilterValues& values);

// Script files larger than this are refused.
inline constexpr std::size_t kMaxScriptBytes = std::size_t{4} << 20;

}  // namespace mur::lua

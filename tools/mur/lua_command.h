// mur lua: runs a filter script on a PNG picture and writes the result.
#pragma once

#include <cstdint>

namespace mur_tool {

// Slider values 0..1000 each. 0 on success, 1 when the picture cannot be read
// or written or the script fails (its error printed), also on Ctrl-C.
int lua_command(const char* script, const char* inPath, const char* outPath, const int32_t sliders[6]);

}  // namespace mur_tool

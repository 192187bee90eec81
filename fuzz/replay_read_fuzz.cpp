// `mur replay` on arbitrary bytes: the reader and every record's handler on
// pages of at most 64 pixels a side. A run ends with status 0, 1 (with the
// line it stopped at) or 3 (with the records it skipped), never a fault.
#include "murcore.h"
#include "replay.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mur_tool::ReplayOptions options;
    options.maxSide = 64;
    options.log = nullptr;
    const mur_tool::ReplayOutcome out =
        mur_tool::replay_script(std::string_view(reinterpret_cast<const char*>(data), size), options);
    if (out.status == 1 && out.error.empty()) __builtin_trap();
    if (out.status == 3 && out.skipped == 0) __builtin_trap();
    if (out.status == 0 && out.skipped != 0) __builtin_trap();
    if (out.status != 0 && out.status != 1 && out.status != 3) __builtin_trap();
    if (out.width > 64 || out.height > 64) __builtin_trap();
    MUR_DeleteImage();
    return 0;
}

// Texture-script source on arbitrary bytes, under a small time and memory
// budget: loading and running must end within the budget, never
// fault, and a run that fails leaves the tile cleared.
#include "engine/memory.h"
#include "imaging/texture_script.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mur::imaging::TextureScriptLimits limits;
    limits.run.seconds = 0.05;  // endless and C-heavy loops end here instead of slowing the fuzzer
    limits.run.memoryBytes = std::size_t{8} << 20;
    limits.sourceBytes = 1 << 16;
    const std::size_t liveBefore = mur::mem::live_blocks();
    mur::imaging::TextureScript script;
    if (mur::imaging::load_texture_script_from_memory(reinterpret_cast<const char*>(data), size, script, limits)) {
        int32_t width = 0, height = 0;
        if (!mur::imaging::texture_script_header(script, width, height) || width <= 0 || height <= 0)
            __builtin_trap();
        // Large tiles are legal; the budget ends them, but a small tile keeps
        // each input quick.
        if (int64_t{width} * height <= 4096) {
            std::vector<uint8_t> tile(std::size_t(width) * height * 4, 0xA5);
            const mur::imaging::ImageView view = mur::imaging::rgba32_view(tile.data(), width, height,
                                                                            std::ptrdiff_t{width} * 4);
            if (!mur::imaging::run_texture_script(script, view))
                for (uint8_t byte : tile)
                    if (byte != 0) __builtin_trap();
        }
    }
    mur::imaging::finish_texture_script(script);
    if (mur::mem::live_blocks() != liveBefore) __builtin_trap();
    return 0;
}

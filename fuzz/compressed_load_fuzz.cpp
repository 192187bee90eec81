// The compressed layer load on arbitrary streams: a stream that does not
// inflate to exactly the layer's size must leave the layer as it was.
#include "engine/state.h"
#include "murcore.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = false;
    if (!ready) {
        MUR_CreateImage(nullptr, 16, 12, 8, 0);
        ready = true;
    }
    if (size < 2) return 0;
    // The layer's size comes from the first two bytes, so that valid streams
    // of the seeds' sizes are reached.
    const int32_t w = 1 + data[0] % 24, h = 1 + data[1] % 24;
    if (!MUR_CreateLayer(2, w, h)) return 0;
    mur::LayerRecord& layer = mur::engine.layers.slots[2];
    for (int32_t i = 0; i < w * h * 4; ++i) layer.pixels[i] = 0x1111;
    MUR_LoadRGBA32LayerCompressed(data + 2, 0, static_cast<int32_t>(size - 2), 2);
    // Either every pixel was loaded (alpha from the stream) or none was.
    bool touched = false, untouched = false;
    for (int32_t i = 0; i < w * h * 4; ++i) (layer.pixels[i] == 0x1111 ? untouched : touched) = true;
    if (touched && untouched && w * h > 1) {
        // A loaded pixel can still hold 0x1111 only if the stream said 0x11
        // with a low byte of 0x00 - impossible, loads write byte << 8.
        __builtin_trap();
    }
    return 0;
}

#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"

#include <algorithm>

using namespace mur;

extern "C" {

MUR_API void MUR_SetBlendBufferCount(int32_t count)
{
    guard("SetBlendBufferCount", [&] {
        BlendBufferState& blend = engine.blend;
        count = std::clamp(count, 0, kBlendBufferMax);
        if (count != blend.count) {
            for (LayerRecord& buffer : blend.buffers) mem::release_and_null(buffer.pixels);
            const int32_t side = std::max(engine.maxBrushSize, 0);
            const int64_t values = int64_t{side} * side * 4;
            for (int32_t i = 0; i < count; ++i) {
                LayerRecord& buffer = blend.buffers[i];
                buffer.pixels = x_NewShortUndoReduce(values);
                buffer.width = side;
                buffer.height = side;
                buffer.stride = side * 4;
            }
            blend.count = count;
        }
        blend.selected = &blend.buffers[0];
    });
}

}  // extern "C"

// The effect "Adobe Compatible Plug-ins": a listed filter plug-in run by the
// plug-in host library over the IPL buffers, its result stored into the
// current layer through the texture and the mask.
#include "engine/error_text.h"
#include "engine/state.h"
#include "imaging/pixel_convert.h"
#include "io/apih.h"
#include "io/io.h"
#include "io/plugin_files.h"
#include "layers/layers.h"
#include "platform/plugin_host.h"

#include <algorithm>
#include <cstring>

namespace mur {
namespace {

inline constexpr char kNoHost[] = "Plug-in host not available";

int32_t keep_going(int32_t, int32_t) { return 0; }
void stay_idle() {}

bool page_sized(const IplBuffer& buffer) noexcept
{
    return buffer.data && buffer.bytes != 0 && buffer.bytes == image_pixels() * 4;
}

void swap_page_red_blue(uint8_t* pixels) noexcept
{
    imaging::swap_red_blue(imaging::rgba32_view(pixels, engine.width, engine.height, std::ptrdiff_t(engine.width) * 4));
}

// Keeps the layer's transparency lock on for as long as it lives, when asked.
struct ForcedLock {
    LayerRecord& layer;
    uint8_t saved;
    ForcedLock(LayerRecord& l, bool force) noexcept : layer(l), saved(l.alphaLocked)
    {
        if (force) layer.alphaLocked = 1;
    }
    ~ForcedLock() { layer.alphaLocked = saved; }
};

}  // namespace

bool io::run_plugin_effect(const char* path, bool otherMode)
{
    LayerRecord* layer = engine.layers.currentRecord;
    uint8_t* src = engine.ipl.src32.data;
    uint8_t* dst = engine.ipl.dst32.data;
    if (!layer || !layer->pixels || !page_sized(engine.ipl.src32) || !page_sized(engine.ipl.dst32)) return false;
    char file[kPluginPathCapacity];
    if (!find_listed_filter(path, file)) return false;
    const auto invoke = reinterpret_cast<InvokePSPluginProc>(platform::plugin_host_invoke());
    if (!invoke) {
        set_error_text(kNoHost);
        return false;
    }

    const int32_t slot = engine.layers.currentLayer;
    layers::read_rgba32(slot, src, engine.width * 4);
    swap_page_red_blue(src);
    std::memcpy(dst, src, image_pixels() * 4);
    const ApihImage source{engine.width, engine.height, src, engine.width};
    ApihImage destination{engine.width, engine.height, dst, engine.width};
    const int32_t result = invoke(&source, &destination, path, keep_going, stay_idle, engine.hostWindow, 0, -1, 0, 0,
                                  otherMode ? APIH_RUN_REPEAT : APIH_RUN_WITH_DIALOG, 0, 0, 0, 0, 0);
    swap_page_red_blue(src);
    if (result != 0) return false;

    swap_page_red_blue(dst);
    const ForcedLock lock(*layer, otherMode);
    // The buffer is page-sized: a larger layer gets the page's part.
    layers::load_rgba32_layer(dst, engine.width * 4, slot, 0, 0, std::min(layer->width, engine.width),
                              std::min(layer->height, engine.height), true);
    return true;
}

}  // namespace mur

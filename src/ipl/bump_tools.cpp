// The displacement bumps: the IPL source pushed along the slopes of a grey
// plane made from a texture script's tile or from a host picture.
#include "ipl/ipl.h"

#include "engine/guard.h"
#include "engine/memory.h"
#include "engine/random.h"
#include "engine/state.h"
#include "imaging/bump_displacement.h"
#include "imaging/picture.h"
#include "imaging/texture_script.h"
#include "ipl/filter_framing.h"
#include "ipl/ipl_buffers.h"
#include "ipl/tool_store.h"
#include "undo/history.h"

#include <cmath>

namespace mur::ipl {
namespace {

// Displaces the (premultiplied) IPL source into the IPL destination along
// the grey plane, un-premultiplies the result and stores it.
void displace_and_store(const uint8_t* grey, double k, int32_t edge)
{
    LayerRecord* layer = current_layer_with_pixels();
    if (!layer) return;
    const int32_t width = engine.width, height = engine.height;
    const std::ptrdiff_t stride = std::ptrdiff_t{width} * 4;
    const imaging::ConstImageView src(engine.ipl.src32.data, width, height, stride, 4);
    const imaging::ConstImageView plane(grey, width, height, width, 1);
    const imaging::ImageView dst = imaging::rgba32_view(engine.ipl.dst32.data, width, height, stride);
    if (!imaging::bump_displace(src, plane, dst, k, static_cast<uint32_t>(edge))) return;
    unpremultiply_rgba32(dst.data, width, height);
    store_changed_pixels(dst.data, *layer);
    undo::mark_page_dirty();
}

bool buffers_ready() noexcept { return holds_page(engine.ipl.src32, 4) && holds_page(engine.ipl.dst32, 4); }

}  // namespace

void displacement_bump_script(const char* path, double strength, int32_t randomOffset, int32_t edge,
                              uint32_t offsetSeed)
{
    if (!path || !std::isfinite(strength) || !buffers_ready() || !current_layer_with_pixels()) return;
    imaging::Rgba32Picture tile;
    if (!imaging::render_texture_script(path, tile)) return;
    struct Release {
        imaging::Rgba32Picture& picture;
        ~Release() { imaging::release_picture(picture); }
    } release{tile};
    if (tile.width <= 0 || tile.height <= 0) return;
    int32_t ox = 0, oy = 0;
    if (randomOffset == 1) {
        rng_seed(offsetSeed);
        ox = rng_next() % tile.width;
        oy = rng_next() % tile.height;
    }
    const int32_t width = engine.width, height = engine.height;
    mem::Owned<uint8_t> grey(static_cast<uint8_t*>(mem::try_alloc_uninit(image_pixels())));
    if (!grey) return;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = tile.pixels + std::size_t((y + oy) % tile.height) * tile.width * 4;
        uint8_t* g = grey.get() + std::size_t(y) * width;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + std::size_t((x + ox) % tile.width) * 4;
            g[x] = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
        }
    }
    displace_and_store(grey.get(), strength, edge);
}

void displacement_bump_rgba(const uint8_t* image, double strength, int32_t edge)
{
    if (!image || !std::isfinite(strength) || !buffers_ready() || !current_layer_with_pixels()) return;
    mem::Owned<uint8_t> grey(static_cast<uint8_t*>(mem::try_alloc_uninit(image_pixels())));
    if (!grey) return;
    const int32_t width = engine.width, height = engine.height;
    imaging::grey_plane_from_rgba(imaging::ConstImageView(image, width, height, std::ptrdiff_t{width} * 4, 4),
                                  imaging::ImageView{grey.get(), width, height, width, 1});
    displace_and_store(grey.get(), strength * 5, edge);
}

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_IPLDisplacementBumpISLFile(const char* scriptPath, double strength, int32_t randomOffset,
                                            int32_t edge)
{
    guard("IPLDisplacementBumpISLFile", [&] { ipl::displacement_bump_script(scriptPath, strength, randomOffset, edge,
                                      static_cast<uint32_t>(engine.randomSeed));
    });
}

MUR_API void MUR_IPLDisplacementBumpRGBA(const uint8_t* image, double strength, int32_t edge)
{
    guard("IPLDisplacementBumpRGBA", [&] { ipl::displacement_bump_rgba(image, strength, edge); });
}

}  // extern "C"

// The flood fill tool in its six modes, and the painting of a page picture
// through a byte plane.
#include "ipl/ipl.h"

#include "engine/guard.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/flood_fill.h"
#include "ipl/ipl_buffers.h"
#include "ipl/named_modes.h"
#include "ipl/tool_store.h"
#include "mask/mask.h"
#include "undo/history.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace mur::ipl {
namespace {

enum class FillMode { PaintAll, EraseAll, PaintConnected, EraseConnected, PaintAlphaConnected, PaintAlphaAll };

constexpr NamedMode<FillMode> kFillModes[] = {
    {"Paint Non-connected", FillMode::PaintAll},
    {"Erase Non-connected", FillMode::EraseAll},
    {"Paint Connected", FillMode::PaintConnected},
    {"Erase Connected", FillMode::EraseConnected},
    {"Paint Alpha Connected", FillMode::PaintAlphaConnected},
    {"Paint Alpha Non-Connected", FillMode::PaintAlphaAll},
};

// The background and the slots above 253 have no transparency to erase to:
// there the erasing modes paint.
bool erases_to_transparency(int32_t slot) noexcept { return slot != 1 && slot <= 253; }

// Every marked pixel of a page-sized RGBA32 picture becomes the colour.
void paint_marked(uint8_t* page, const uint8_t* plane, const uint8_t colour[4]) noexcept
{
    for (std::size_t i = 0; i < image_pixels(); ++i)
        if (plane[i] == 1) std::memcpy(page + i * 4, colour, 4);
}

void erase_marked(uint8_t* page, const uint8_t* plane) noexcept
{
    for (std::size_t i = 0; i < image_pixels(); ++i)
        if (plane[i] == 1) page[i * 4 + 3] = 0;
}

}  // namespace

void color_rgba32_from_flood_mask(uint8_t* image, const uint8_t* plane, int32_t r, int32_t g, int32_t b, int32_t a)
{
    if (!image || !plane || image_pixels() == 0) return;
    const uint8_t colour[4] = {static_cast<uint8_t>(std::clamp(r, 0, 255)), static_cast<uint8_t>(std::clamp(g, 0, 255)),
                               static_cast<uint8_t>(std::clamp(b, 0, 255)), static_cast<uint8_t>(std::clamp(a, 0, 255))};
    paint_marked(image, plane, colour);
    undo::mark_page_dirty();
}

void flood_fill(int32_t r, int32_t g, int32_t b, int32_t x, int32_t y, int32_t tolerance, const char* modeName)
{
    FillMode mode;
    if (!find_named_mode(kFillModes, modeName, mode)) return;
    if (x < 0 || y < 0 || x >= engine.width || y >= engine.height) return;
    LayerRecord* layer = current_layer_with_pixels();
    if (!layer || x >= layer->width || y >= layer->height) return;
    const int32_t slot = engine.layers.currentLayer;
    if (mode == FillMode::PaintAlphaConnected && slot <= 1) return;

    IplBuffer& source = engine.ipl.toolSrc32;
    if (!keep_or_allocate(source, 4)) return;
    fill_rgba32_from_current_layer(source);
    uint8_t* page = source.data;
    const int32_t width = engine.width, height = engine.height;
    const imaging::ConstImageView view(page, width, height, std::ptrdiff_t{width} * 4, 4);
    const imaging::FloodSeed seed = imaging::flood_seed_at(view, x, y);
    const int32_t limit = imaging::flood_distance_limit(tolerance);
    const uint8_t colour[4] = {static_cast<uint8_t>(std::clamp(r, 0, 255)), static_cast<uint8_t>(std::clamp(g, 0, 255)),
                               static_cast<uint8_t>(std::clamp(b, 0, 255)), 255};

    mem::Owned<uint8_t> plane(static_cast<uint8_t*>(mem::try_alloc(image_pixels())));
    if (!plane) {
        release(source);
        throw std::bad_alloc();
    }
    {
        const bool threaded = image_pixels() > 100000;
        bool filled = true;
        switch (mode) {
        case FillMode::PaintAll:
        case FillMode::EraseAll:
            imaging::flood_match_plane(view, seed, limit, imaging::FloodKey::Rgb, plane.get(), threaded);
            break;
        case FillMode::PaintConnected:
        case FillMode::EraseConnected:
            filled = imaging::flood_fill_plane(view, x, y, seed, limit, imaging::FloodKey::Rgb, plane.get()) >= 0;
            break;
        case FillMode::PaintAlphaConnected:
            filled = imaging::flood_fill_plane(view, x, y, seed, limit, imaging::FloodKey::AlphaAsGrey, plane.get()) >= 0;
            break;
        case FillMode::PaintAlphaAll:
            break;
        }
        if (!filled) {
            release(source);
            throw std::bad_alloc();
        }
        {
            const bool erase = (mode == FillMode::EraseAll || mode == FillMode::EraseConnected) && erases_to_transparency(slot);
            if (mode == FillMode::PaintAlphaAll)
                // The tolerance is read as a percent of the alpha range here.
                mask::replace_from_rgba_image_alpha_range(page, seed.a, std::clamp(tolerance, 0, 50000) / 500, colour[0],
                                                          colour[1], colour[2], 255);
            else if (erase)
                erase_marked(page, plane.get());
            else
                paint_marked(page, plane.get(), colour);
            store_changed_pixels(page, *layer);
        }
    }
    release(source);
    undo::mark_page_dirty();
}

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_IPLFloodFill(int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y, int32_t tolerance,
                              const char* mode)
{
    guard("IPLFloodFill", [&] { ipl::flood_fill(red, green, blue, x, y, tolerance, mode); });
}

MUR_API void MUR_ColorRGBA32FromFloodMask(uint8_t* image, const uint8_t* plane, int32_t red, int32_t green,
                                          int32_t blue, int32_t alpha)
{
    guard("ColorRGBA32FromFloodMask", [&] { ipl::color_rgba32_from_flood_mask(image, plane, red, green, blue, alpha); });
}

}  // extern "C"

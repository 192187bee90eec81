#include "undo/patches.h"

#include "engine/state.h"
#include "imaging/rect_copy.h"

#include <utility>

namespace mur::undo {
namespace {

using imaging::ImageView;
using imaging::Rect;

int32_t rect_width(const UndoEntry& e) noexcept { return e.x1 - e.x0 + 1; }
int32_t rect_height(const UndoEntry& e) noexcept { return e.y1 - e.y0 + 1; }

Rect image_rect(const UndoEntry& e) noexcept { return {e.x0, e.y0, rect_width(e), rect_height(e)}; }

ImageView color_patch_view(const UndoEntry& e) noexcept
{
    return imaging::rgba64_view(e.colorPatch, rect_width(e), rect_height(e), rect_width(e) * 4);
}
ImageView mask_patch_view(const UndoEntry& e) noexcept
{
    return imaging::g16_view(e.maskPatch, rect_width(e), rect_height(e), rect_width(e));
}
ImageView back_color_view() noexcept
{
    return imaging::rgba64_view(engine.undo.backBuffer.colorPatch, engine.width, engine.height, engine.width * 4);
}
ImageView back_mask_view() noexcept
{
    return imaging::g16_view(engine.undo.backBuffer.maskPatch, engine.width, engine.height, engine.width);
}
ImageView layer_view(const LayerRecord& layer) noexcept
{
    return imaging::rgba64_view(layer.pixels, layer.width, layer.height, layer.stride);
}
ImageView mask_plane_view() noexcept
{
    return imaging::g16_view(engine.mask.plane, engine.width, engine.height, engine.width);
}

bool image_sized(const LayerRecord& layer) noexcept
{
    return layer.width == engine.width && layer.height == engine.height && layer.stride == engine.width * 4;
}

// patch -> target, back -> patch, target -> back, over the entry's rectangle.
void three_way_swap(const ImageView& patch, const ImageView& target, const ImageView& back, const UndoEntry& e)
{
    const Rect whole{0, 0, patch.width, patch.height};
    imaging::copy_rect(patch, whole, target, e.x0, e.y0);
    imaging::copy_rect(back, image_rect(e), patch, 0, 0);
    imaging::copy_rect(target, image_rect(e), back, e.x0, e.y0);
}

}  // namespace

bool covers_image(const UndoEntry& e) noexcept
{
    return e.x0 == 0 && e.y0 == 0 && rect_width(e) == engine.width && rect_height(e) == engine.height;
}

void copy_back_into_color_patch(UndoEntry& e)
{
    imaging::copy_rect(back_color_view(), image_rect(e), color_patch_view(e), 0, 0);
}

void copy_back_into_mask_patch(UndoEntry& e)
{
    imaging::copy_rect(back_mask_view(), image_rect(e), mask_patch_view(e), 0, 0);
}

void copy_layer_into_back(const LayerRecord& layer, const UndoEntry& e)
{
    if (!layer.pixels) return;
    imaging::copy_rect(layer_view(layer), image_rect(e), back_color_view(), e.x0, e.y0);
}

void copy_mask_into_back(const UndoEntry& e)
{
    imaging::copy_rect(mask_plane_view(), image_rect(e), back_mask_view(), e.x0, e.y0);
}

void swap_color(UndoEntry& e, LayerRecord& layer)
{
    if (!e.colorPatch || !layer.pixels || !engine.undo.backBuffer.colorPatch) return;
    if (covers_image(e) && image_sized(layer)) {
        // A whole-page patch has the back buffer's layout: after the layer
        // takes the patch, patch and back buffer only trade places.
        imaging::copy_rect(color_patch_view(e), image_rect(e), layer_view(layer), 0, 0);
        std::swap(e.colorPatch, engine.undo.backBuffer.colorPatch);
        return;
    }
    three_way_swap(color_patch_view(e), layer_view(layer), back_color_view(), e);
}

void swap_mask(UndoEntry& e)
{
    if (!e.maskPatch || !engine.mask.plane || !engine.undo.backBuffer.maskPatch) return;
    if (covers_image(e)) {
        imaging::copy_rect(mask_patch_view(e), image_rect(e), mask_plane_view(), 0, 0);
        std::swap(e.maskPatch, engine.undo.backBuffer.maskPatch);
        return;
    }
    three_way_swap(mask_patch_view(e), mask_plane_view(), back_mask_view(), e);
}

}  // namespace mur::undo

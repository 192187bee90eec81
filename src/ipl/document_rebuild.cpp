#include "ipl/document_rebuild.h"

#include "engine/guarded_alloc.h"
#include "layers/layers.h"
#include "undo/history.h"

namespace mur::ipl {

imaging::ImageView NewLayer::view() const noexcept
{
    return imaging::rgba64_view(pixels.get(), width, height, width * 4);
}

imaging::ConstImageView layer_view(const LayerRecord& layer) noexcept
{
    return imaging::rgba64_view(layer.pixels, layer.width, layer.height, layer.stride);
}

bool allocate_new_layer(NewLayer& made, int32_t width, int32_t height) noexcept
{
    if (width < 1 || height < 1 || width > layers::kMaxLayerSide || height > layers::kMaxLayerSide) return false;
    made.pixels.reset(x_NewShortUndoReduce(int64_t{width} * height * 4));
    if (!made.pixels) return false;
    made.width = width;
    made.height = height;
    return true;
}

void commit(DocumentRebuild& rebuild)
{
    for (int32_t slot = kFirstDocumentSlot; slot < kLayerSlots; ++slot) {
        NewLayer& made = rebuild.slots[slot];
        if (!made.pixels) continue;
        // Ours until the slot has taken it.
        uint16_t* pixels = made.pixels.release();
        if (!layers::replace_layer_pixels(slot, pixels, made.width, made.height)) made.pixels.reset(pixels);
    }
    undo::set_dirty_empty();
    undo::widen_dirty(0, 0, engine.width - 1, engine.height - 1);
}

}  // namespace mur::ipl

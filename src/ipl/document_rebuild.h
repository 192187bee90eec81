// Rebuilding every layer of the document at a new size, all or nothing:
// the new pixels of every live layer are made first, and only when all of
// them could be made does each layer take its own; otherwise every layer
// stays as it was.
#pragma once

#include "engine/layer_record.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/image_view.h"

#include <cstdint>

namespace mur::ipl {

// The new pixels of one slot.
struct NewLayer {
    mem::Owned<uint16_t> pixels;
    int32_t width = 0;
    int32_t height = 0;

    imaging::ImageView view() const noexcept;
};

// The new pixels of every slot the document operation changes: every live
// slot from 1 (the background) to 271; the trace image (slot 0) stays.
struct DocumentRebuild {
    NewLayer slots[kLayerSlots];
};

inline constexpr int32_t kFirstDocumentSlot = 1;

// The view of a layer's own pixels.
imaging::ConstImageView layer_view(const LayerRecord& layer) noexcept;

// Allocates the new pixels of every live slot at the size that
// `size_of(layer, width, height)` writes; false when a size is outside what
// a layer may have, when there is no live slot, or when memory cannot be
// had (the allocators give up undo history first).
template <class SizeOf>
bool allocate_new_layers(DocumentRebuild& rebuild, SizeOf size_of);

// Hands every slot its new pixels and marks the page as it was before
// dirty.
void commit(DocumentRebuild& rebuild);

// The allocation itself, for allocate_new_layers.
bool allocate_new_layer(NewLayer& made, int32_t width, int32_t height) noexcept;

template <class SizeOf>
bool allocate_new_layers(DocumentRebuild& rebuild, SizeOf size_of)
{
    bool any = false;
    const LayerTable& table = engine.layers;
    for (int32_t slot = kFirstDocumentSlot; slot < kLayerSlots; ++slot) {
        const LayerRecord& layer = table.slots[slot];
        if (!layer.pixels) continue;
        int32_t width = 0, height = 0;
        size_of(layer, width, height);
        if (!allocate_new_layer(rebuild.slots[slot], width, height)) return false;
        any = true;
    }
    return any;
}

}  // namespace mur::ipl

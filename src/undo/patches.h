// The pixel copies behind undo: between a history patch, the back buffers,
// the layer and the mask. Every copy is clipped to the buffers on both sides,
// so a layer whose size differs from the image is never read or written
// outside its bounds.
#pragma once

#include "engine/layer_record.h"
#include "engine/undo_state.h"

namespace mur::undo {

// Copies the entry's rectangle of the colour back buffer into its colour
// patch (or of the mask back buffer into its mask patch).
void copy_back_into_color_patch(UndoEntry& entry);
void copy_back_into_mask_patch(UndoEntry& entry);

// Copies the rectangle of the layer into the colour back buffer (or of the
// mask plane into the mask back buffer).
void copy_layer_into_back(const LayerRecord& layer, const UndoEntry& rect);
void copy_mask_into_back(const UndoEntry& rect);

// Exchanges the state of the rectangle between patch, layer and back buffer:
// the layer takes the patch, the patch takes the back buffer, the back buffer
// takes the layer. Applied to a step, this undoes it; applied again, redoes it.
void swap_color(UndoEntry& entry, LayerRecord& layer);
void swap_mask(UndoEntry& entry);

// True when the entry covers the whole image.
bool covers_image(const UndoEntry& entry) noexcept;

}  // namespace mur::undo

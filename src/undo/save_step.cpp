// Saving a step: the dirty rectangle of the back buffers becomes the newest
// history entry, and the back buffers catch up with the layer and the mask.
#include "engine/guard.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "layers/layer_access.h"
#include "undo/history.h"
#include "undo/patches.h"

#include <algorithm>
#include <utility>

namespace mur::undo {
namespace {

// The clamped dirty rectangle; a rectangle that is empty, inverted or one
// pixel wide or high stands for the whole image.
UndoEntry rectangle_to_save() noexcept
{
    const UndoState& u = engine.undo;
    UndoEntry r;
    r.x0 = std::max(u.dirtyX0, 0);
    r.y0 = std::max(u.dirtyY0, 0);
    r.x1 = std::min(u.dirtyX1, engine.width - 1);
    r.y1 = std::min(u.dirtyY1, engine.height - 1);
    if (r.x1 <= r.x0 || r.y1 <= r.y0) {
        r.x0 = 0;
        r.y0 = 0;
        r.x1 = engine.width - 1;
        r.y1 = engine.height - 1;
    }
    return r;
}

// Frees history from the old end until the new entry's patches can be had.
// The oldest slot is always freed, since the history moves up by one.
// Returns false when the patches could not be had with the history gone; a
// lone patch obtained on the way is then given back.
bool allocate_patches(UndoEntry& entry, bool wantColor, bool wantMask)
{
    UndoState& u = engine.undo;
    const int64_t area = int64_t{entry.x1 - entry.x0 + 1} * (entry.y1 - entry.y0 + 1);
    const int32_t estimate = entry_estimate_kb(entry);
    int32_t k = std::clamp(u.undoLevels, 0, kUndoSlots);
    for (;;) {
        do {
            if (--k < 0) break;
            UndoEntry& old = u.entries[k];
            if (old.colorPatch) u.undoUsedKB = std::max(0, u.undoUsedKB - color_patch_kb(old));
            if (old.maskPatch) u.undoUsedKB = std::max(0, u.undoUsedKB - mask_patch_kb(old));
            release_entry(old, 0);
        } while (u.undoLimitKB <= estimate + u.undoUsedKB && k != 0);
        if (k < 0) break;
        if (wantColor && !entry.colorPatch) {
            entry.colorPatch = static_cast<uint16_t*>(mem::try_alloc_uninit(static_cast<std::size_t>(area) * 8));
            if (entry.colorPatch) u.undoUsedKB += color_patch_kb(entry);
        }
        if (wantMask && !entry.maskPatch) {
            entry.maskPatch = static_cast<uint16_t*>(mem::try_alloc_uninit(static_cast<std::size_t>(area) * 2));
            if (entry.maskPatch) u.undoUsedKB += mask_patch_kb(entry);
        }
        if ((!wantColor || entry.colorPatch) && (!wantMask || entry.maskPatch)) return true;
    }
    if (entry.colorPatch) u.undoUsedKB = std::max(0, u.undoUsedKB - color_patch_kb(entry));
    if (entry.maskPatch) u.undoUsedKB = std::max(0, u.undoUsedKB - mask_patch_kb(entry));
    release_entry(entry, 0);
    return false;
}

// Moves every entry one place toward the old end and writes the new one first.
void push_entry(const UndoEntry& entry)
{
    UndoState& u = engine.undo;
    const int32_t levels = std::clamp(u.undoLevels, 0, kUndoSlots);
    if (levels == 0) return;
    release_entry(u.entries[levels - 1], 0);
    for (int32_t k = levels - 2; k >= 0; --k) {
        u.entries[k + 1] = u.entries[k];
        u.entryLayer[k + 1] = u.entryLayer[k];
    }
    u.entries[0] = entry;
    u.entries[0].maskFlag = engine.mask.enabled;
    u.entryLayer[0] = engine.layers.currentLayer;
}

// Fills the new entry's patches with the state before the step.
void fill_patches(UndoEntry& entry, const LayerRecord* layer)
{
    UndoEntry& back = engine.undo.backBuffer;
    if (entry.colorPatch) {
        if (covers_image(entry) && layer && layer->width == engine.width && layer->height == engine.height) {
            // The whole back buffer is the patch; the new block becomes the
            // back buffer and is brought up to date below.
            std::swap(entry.colorPatch, back.colorPatch);
        } else {
            copy_back_into_color_patch(entry);
        }
    }
    if (entry.maskPatch) {
        if (covers_image(entry))
            std::swap(entry.maskPatch, back.maskPatch);
        else
            copy_back_into_mask_patch(entry);
    }
}

}  // namespace
void save_back_buffer(int32_t slot) noexcept
{
    if (engine.undo.undoPaused) return;
    UndoEntry whole;
    whole.x1 = engine.width - 1;
    whole.y1 = engine.height - 1;
    if (const LayerRecord* layer = live_layer(slot); layer && engine.undo.backBuffer.colorPatch)
        copy_layer_into_back(*layer, whole);
    if (engine.mask.plane && engine.undo.backBuffer.maskPatch) copy_mask_into_back(whole);
}

void save_undo_buffer(int32_t saveColor, int32_t saveMask)
{
    UndoState& u = engine.undo;
    if (u.undoPaused) return;
    UndoEntry entry = undo::rectangle_to_save();
    undo::remove_abandoned();
    if (entry.x1 - entry.x0 + 1 < 1 || entry.y1 - entry.y0 + 1 < 1) return;
    undo::recompute_auto_budget();

    UndoEntry& back = u.backBuffer;
    const bool wantColor = (saveColor & 0xFF) != 0 && back.colorPatch;
    const bool wantMask = (saveMask & 0xFF) != 0 && back.maskPatch && engine.mask.plane;
    const LayerRecord* layer = live_layer(engine.layers.currentLayer);

    const UndoEntry rect = entry;
    // Nothing to save (both flags 0, or no back buffers) records no step: an
    // empty entry pushed in front would drop the oldest and hide the rest of
    // the history behind a step that restores nothing.
    if ((wantColor || wantMask) && undo::allocate_patches(entry, wantColor, wantMask)) {
        undo::fill_patches(entry, layer);
        undo::push_entry(entry);
    }
    if (wantColor && layer) undo::copy_layer_into_back(*layer, rect);
    if (wantMask) undo::copy_mask_into_back(rect);
    undo::set_dirty_empty();
}

void mark_page_dirty() noexcept
{
    UndoState& u = engine.undo;
    u.dirtyX0 = 0;
    u.dirtyY0 = 0;
    u.dirtyX1 = engine.width - 1;
    u.dirtyY1 = engine.height - 1;
}

}  // namespace mur::undo

using namespace mur;

extern "C" {

MUR_API void MUR_SaveUndoBackBuffer(int32_t slot)
{
    guard("SaveUndoBackBuffer", [&] { undo::save_back_buffer(slot); });
}

MUR_API void MUR_SaveUndoBuffer(int32_t saveColor, int32_t saveMask)
{
    guard("SaveUndoBuf", [&] { undo::save_undo_buffer(saveColor, saveMask); });
}

MUR_API void MUR_InvalidateDirtyUndoCanvas(void)
{
    mur::guard("InvalidateDirtyUndoCanvas", [&] { undo::mark_page_dirty(); });
}

}  // extern "C"

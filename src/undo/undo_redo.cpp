// Undo, redo and the fade preview: each swaps an entry's patches with the
// layer and the mask through the back buffers.
#include "engine/guard.h"
#include "engine/state.h"
#include "layers/layer_access.h"
#include "layers/layers.h"
#include "undo/history.h"
#include "undo/patches.h"

#include <algorithm>

namespace mur::undo {
namespace {

// Makes the entry's layer current (as the step was saved on it) and swaps
// the entry's patches with the image. An entry whose colour belongs to a
// layer that no longer holds pixels cannot be applied: false, nothing changes.
bool apply_entry(int index, bool withMask)
{
    UndoEntry& entry = engine.undo.entries[index];
    const int32_t slot = engine.undo.entryLayer[index];
    LayerRecord* layer = live_layer(slot);
    if (entry.colorPatch && !layer) return false;
    if (layer && slot != engine.layers.currentLayer) layers::select_layer(slot);
    if (entry.colorPatch) {
        if (engine.layers.currentLayer != slot) return false;
        swap_color(entry, *layer);
    }
    if (withMask && entry.maskPatch) swap_mask(entry);
    return true;
}

}  // namespace
}  // namespace mur::undo

using namespace mur;

extern "C" {

MUR_API void MUR_Undo(void)
{
    guard("Undo", [&] {
        UndoState& u = engine.undo;
        if (u.undoPaused || u.redoCount < 0 || u.redoCount >= std::min(u.undoLevels, kUndoSlots)) return;
        if (!undo::holds_patch(u.entries[u.redoCount])) return;
        if (undo::apply_entry(u.redoCount, true)) ++u.redoCount;
    });
}

MUR_API void MUR_Redo(void)
{
    guard("Redo", [&] {
        UndoState& u = engine.undo;
        if (u.undoPaused || u.redoCount <= 0 || u.redoCount > kUndoSlots) return;
        if (undo::apply_entry(u.redoCount - 1, true)) --u.redoCount;
    });
}

MUR_API void MUR_StartFade(void)
{
    guard("StartFade", [&] {
        UndoState& u = engine.undo;
        if (u.redoCount <= 0 || u.redoCount >= std::min(u.undoLevels, kUndoSlots)) return;
        undo::apply_entry(u.redoCount, false);
    });
}

MUR_API void MUR_UpdateFade(int32_t)
{
    mur::guard("UpdateFade", [&] {

    });
}
MUR_API void MUR_EndFade(void)
{
    mur::guard("EndFade", [&] {

    });
}

}  // extern "C"

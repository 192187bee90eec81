// The undo history's entry points for the rest of the engine.
#pragma once

#include "engine/undo_state.h"

#include <cstdint>

namespace mur::undo {

// Estimated kilobytes of a patch or entry: bytes / 1024, rounded toward zero.
int32_t color_patch_kb(const UndoEntry& entry) noexcept;
int32_t mask_patch_kb(const UndoEntry& entry) noexcept;
int32_t entry_estimate_kb(const UndoEntry& entry) noexcept;

bool holds_patch(const UndoEntry& entry) noexcept;

// Frees both patches of an entry and clears its rectangle; the flag becomes
// `flag`. Subtracts nothing from the memory counter.
void release_entry(UndoEntry& entry, uint8_t flag);

// Frees every patch of all 500 entries (flags set to the mask-enabled flag).
void release_all_entries();

// Frees the colour and mask back buffers.
void release_back_buffers();

// Discards the entries that could still be redone.
void remove_abandoned();

// Frees whole entries, oldest first, until `kilobytes` are freed; entries that
// hold only a mask patch are passed over. Returns how many entries (redo
// entries included) were freed.
int reduce(int32_t kilobytes);

// Frees the oldest entry that holds any patch; false when there is none.
bool drop_oldest_entry();

bool can_undo() noexcept;

// Recomputes the budget from free memory when the automatic budget is on.
void recompute_auto_budget() noexcept;

// Gives up history, oldest first, to make room for an allocation of
// `kilobytes`; false when there was none left to give.
bool give_up_history(int32_t kilobytes);

// Empties the history: entries released, counters reset, the back buffers
// refreshed from the current layer and the mask.
void clear_history();

// Copies the layer (when it has pixels) and the mask into the back buffers,
// unless saving is paused.
void save_back_buffer(int32_t slot) noexcept;

// The dirty rectangle's empty form: (width - 1, height - 1, 0, 0).
void set_dirty_empty() noexcept;

// Widens the dirty rectangle to cover the inclusive rectangle given.
void widen_dirty(int32_t x0, int32_t y0, int32_t x1, int32_t y1) noexcept;

// The dirty rectangle becomes the whole page (MUR_InvalidateDirtyUndoCanvas).
void mark_page_dirty() noexcept;


// ---- The work of the exports of the same name (MUR_...), so that other
// modules call it directly -------------------------------------------------

void save_undo_buffer(int32_t saveColor, int32_t saveMask);
void set_undo_mb(int32_t megabytes);

}  // namespace mur::undo

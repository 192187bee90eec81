#include "undo/history.h"

#include "engine/guard.h"
#include "engine/hooks.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "layers/pixel_reads.h"
#include "platform/memory_status.h"

#include <algorithm>

namespace mur::undo {
namespace {

int64_t rect_area(const UndoEntry& e) noexcept
{
    return static_cast<int64_t>(e.x1 - e.x0 + 1) * static_cast<int64_t>(e.y1 - e.y0 + 1);
}

void lower_used(int32_t kilobytes) noexcept
{
    engine.undo.undoUsedKB = std::max(0, engine.undo.undoUsedKB - kilobytes);
}

int32_t usable_levels() noexcept { return std::clamp(engine.undo.undoLevels, 0, kUndoSlots); }

}  // namespace

int32_t color_patch_kb(const UndoEntry& e) noexcept { return static_cast<int32_t>(rect_area(e) * 8 / 1024); }
int32_t mask_patch_kb(const UndoEntry& e) noexcept { return static_cast<int32_t>(rect_area(e) * 2 / 1024); }
int32_t entry_estimate_kb(const UndoEntry& e) noexcept { return static_cast<int32_t>(rect_area(e) * 10 / 1024); }

bool holds_patch(const UndoEntry& e) noexcept { return e.colorPatch || e.maskPatch; }

void release_entry(UndoEntry& e, uint8_t flag)
{
    mem::release_and_null(e.colorPatch);
    mem::release_and_null(e.maskPatch);
    e.maskFlag = flag;
    e.x0 = e.y0 = e.x1 = e.y1 = 0;
}

void release_all_entries()
{
    for (UndoEntry& e : engine.undo.entries) release_entry(e, engine.mask.enabled);
}

void release_back_buffers()
{
    release_entry(engine.undo.backBuffer, engine.mask.enabled);
}

void remove_abandoned()
{
    UndoState& u = engine.undo;
    try {
        const int32_t levels = usable_levels();
        const int32_t redo = std::min(u.redoCount, levels);
        if (u.redoCount < 1) return;
        for (int32_t i = 0; i < redo; ++i) {
            UndoEntry& e = u.entries[i];
            if (e.colorPatch) lower_used(color_patch_kb(e));
            if (e.maskPatch) lower_used(mask_patch_kb(e));
            release_entry(e, engine.mask.enabled);
        }
        for (int32_t i = redo; i < levels; ++i) {
            u.entries[i - redo] = u.entries[i];
            u.entryLayer[i - redo] = u.entryLayer[i];
        }
        for (int32_t i = std::max(levels - redo, 0); i < levels; ++i) {
            u.entries[i] = UndoEntry{};
            u.entries[i].maskFlag = engine.mask.enabled;
        }
        u.redoCount = 0;
    } catch (...) {
        set_fault_text("RemoveAdandonedUndo");
    }
}

int reduce(int32_t kilobytes)
{
    UndoState& u = engine.undo;
    const int redoBefore = u.redoCount;
    remove_abandoned();
    int freedEntries = redoBefore - u.redoCount;
    int64_t freedKB = 0;
    for (int32_t k = usable_levels() - 1; k >= 0; --k) {
        UndoEntry& e = u.entries[k];
        if (!e.colorPatch) continue;
        if (freedKB >= kilobytes) break;
        const int32_t estimate = entry_estimate_kb(e);
        release_entry(e, 0);
        lower_used(estimate);
        freedKB += estimate;
        ++freedEntries;
    }
    return freedEntries;
}

bool drop_oldest_entry()
{
    UndoState& u = engine.undo;
    for (int32_t k = kUndoSlots - 1; k >= 0; --k) {
        UndoEntry& e = u.entries[k];
        if (!holds_patch(e)) continue;
        int32_t kb = (e.colorPatch ? color_patch_kb(e) : 0) + (e.maskPatch ? mask_patch_kb(e) : 0);
        release_entry(e, 0);
        lower_used(kb);
        if (u.redoCount > k) u.redoCount = k;
        return true;
    }
    return false;
}

bool can_undo() noexcept
{
    const UndoState& u = engine.undo;
    return u.redoCount >= 0 && u.redoCount < usable_levels() && holds_patch(u.entries[u.redoCount]);
}

void recompute_auto_budget() noexcept
{
    UndoState& u = engine.undo;
    if (!u.undoAutoLimit) return;
    const platform::MemoryStatus status = platform::read_memory_status();
    const uint64_t availKB = std::min(status.availPhys, status.availPageFile) >> 10;
    const int64_t x = static_cast<int64_t>(static_cast<double>(availKB) * 0.85 + u.undoUsedKB);
    const int64_t p = static_cast<int64_t>(image_pixels() / 1024);
    const int64_t limit = std::max(x - 20 * p, 15 * p);
    u.undoLimitKB = static_cast<int32_t>(std::clamp<int64_t>(limit, 0, INT32_MAX));
}

void set_dirty_empty() noexcept
{
    UndoState& u = engine.undo;
    u.dirtyX0 = engine.width - 1;
    u.dirtyY0 = engine.height - 1;
    u.dirtyX1 = 0;
    u.dirtyY1 = 0;
}

bool give_up_history(int32_t kilobytes)
{
    // A reduction that frees nothing (a request under 1 KB, or history
    // holding only mask patches) drops the oldest entry instead, so every
    // round frees something and an allocation's retries end.
    if (!can_undo() && engine.undo.redoCount == 0) return false;
    return reduce(kilobytes) != 0 || drop_oldest_entry();
}

void clear_history()
{
    UndoState& u = engine.undo;
    set_dirty_empty();
    u.undoPaused = 0;
    u.redoCount = 0;
    release_all_entries();
    u.undoUsedKB = static_cast<int32_t>(image_pixels() * 10 / 1024);
    save_back_buffer(engine.layers.currentLayer);
    recompute_auto_budget();
}

void widen_dirty(int32_t x0, int32_t y0, int32_t x1, int32_t y1) noexcept
{
    UndoState& u = engine.undo;
    u.dirtyX0 = std::min(u.dirtyX0, x0);
    u.dirtyY0 = std::min(u.dirtyY0, y0);
    u.dirtyX1 = std::max(u.dirtyX1, x1);
    u.dirtyY1 = std::max(u.dirtyY1, y1);
}

namespace {

// What the engine and the layers ask of the history (see engine/hooks.h).
const bool kHooksInstalled = [] {
    EngineHooks& hooks = engine_hooks();
    hooks.giveUpHistory = give_up_history;
    hooks.releaseHistoryEntries = release_all_entries;
    hooks.releaseBackBuffers = release_back_buffers;
    hooks.clearHistory = [] { guard("ClearUndo", clear_history); };
    hooks.layerSelected = [](int32_t slot) { guard("SaveUndoBackBuffer", [&] { save_back_buffer(slot); }); };
    return true;
}();

}  // namespace
void set_undo_mb(int32_t megabytes)
{
    UndoState& u = engine.undo;
    if (megabytes != 0) {
        u.undoAutoLimit = 0;
        u.undoLimitKB = static_cast<int32_t>(std::clamp<int64_t>(int64_t{megabytes} * 1024, 0, INT32_MAX));
    } else {
        u.undoAutoLimit = 1;
        undo::recompute_auto_budget();
    }
}

}  // namespace mur::undo

using namespace mur;

extern "C" {

MUR_API void MUR_ClearUndo(void)
{
    guard("ClearUndo", [&] { undo::clear_history(); });
}

MUR_API void MUR_ReduceUndo(int32_t kilobytes)
{
    guard("ReduceUndo", [&] { undo::reduce(kilobytes); });
}

MUR_API int32_t MUR_CanUndo(void)
{
    return mur::guard<int32_t>("CanUndo", 0, [&] { return undo::can_undo() ? 1 : 0; });
}

MUR_API int32_t MUR_CanRedo(void)
{
    return mur::guard<int32_t>("CanRedo", 0, [&] { return engine.undo.redoCount != 0 ? 1 : 0; });
}

MUR_API int32_t MUR_GetRedoCount(void)
{
    return mur::guard<int32_t>("GetRedoCount", 0, [&] { return engine.undo.redoCount; });
}

MUR_API int32_t MUR_GetUndoCount(void)
{
    return mur::guard<int32_t>("GetUndoCount", 0, [&]() -> int32_t {
        int32_t count = 0;
        for (const UndoEntry& e : engine.undo.entries) count += undo::holds_patch(e) ? 1 : 0;
        return count;
    });
}

MUR_API int32_t MUR_GetCurrentUndoMemory(void)
{
    return mur::guard<int32_t>("GetCurrentUndoMemory", 0, [&] { return engine.undo.undoUsedKB / 1024; });
}

MUR_API int32_t MUR_SetUndoLevels(int32_t levels)
{
    guard("ClearUndo", [&] { undo::clear_history(); });
    engine.undo.undoLevels = std::clamp(levels, 0, kUndoSlots);
    return engine.undo.undoLevels;
}

MUR_API void MUR_SetUndoMB(int32_t megabytes)
{
    mur::guard("SetUndoMB", [&] { undo::set_undo_mb(megabytes); });
}

MUR_API int32_t MUR_GetTotalUndoMemory(void)
{
    return mur::guard<int32_t>("GetTotalUndoMemory", 0, [&]() -> int32_t {
        undo::recompute_auto_budget();
        return engine.undo.undoLimitKB / 1024;
    });
}

// The colour under the paint as the last save left it, while there is a step
// to undo.
MUR_API uint32_t MUR_GetColorAtHistory(int32_t x, int32_t y)
{
    return mur::guard<uint32_t>("GetColorAtHistory", 0, [&]() -> uint32_t {
        return undo::can_undo() ? layers::color_at(layers::under_layer(), x, y) : 0;
    });
}

MUR_API void MUR_PauseUndo(void) { mur::guard("PauseUndo", [&] { engine.undo.undoPaused = 1; }); }
MUR_API void MUR_ResumeUndo(void) { mur::guard("ResumeUndo", [&] { engine.undo.undoPaused = 0; }); }

}  // extern "C"

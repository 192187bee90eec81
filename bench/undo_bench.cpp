// Saving and undoing steps, for a whole page and for a dab-sized rectangle,
// beside a plain memcpy of the same bytes. Rates are in pixels per second.
#include "engine/state.h"
#include "murcore.h"
#include "undo/history.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int32_t kPageW = 4000;
constexpr int32_t kPageH = 3000;

void make_page()
{
    MUR_CreateImage(nullptr, kPageW, kPageH, 64, 0);
    MUR_CreateLayer(2, kPageW, kPageH);
    MUR_SetLayer(2);
    MUR_SetUndoLevels(4);
    MUR_SetUndoMB(4096);
}

int32_t side_of(const benchmark::State& state) { return static_cast<int32_t>(state.range(0)); }

void mark_dirty(int32_t side)
{
    if (side >= kPageW)
        MUR_InvalidateDirtyUndoCanvas();
    else
        mur::undo::widen_dirty(100, 100, 100 + side - 1, 100 + side - 1);
}

int64_t pixels_of(int32_t side) { return side >= kPageW ? int64_t{kPageW} * kPageH : int64_t{side} * side; }

void BM_SaveUndoBuffer(benchmark::State& state)
{
    make_page();
    const int32_t side = side_of(state);
    for (auto _ : state) {
        mark_dirty(side);
        MUR_SaveUndoBuffer(1, 0);
    }
    state.SetItemsProcessed(state.iterations() * pixels_of(side));
    MUR_DeleteImage();
}
BENCHMARK(BM_SaveUndoBuffer)->Arg(64)->Arg(kPageW)->Unit(benchmark::kMillisecond);

// One undo and one redo per iteration: two steps' worth of pixels.
void BM_UndoRedo(benchmark::State& state)
{
    make_page();
    const int32_t side = side_of(state);
    mark_dirty(side);
    MUR_SaveUndoBuffer(1, 0);
    for (auto _ : state) {
        MUR_Undo();
        MUR_Redo();
    }
    state.SetItemsProcessed(state.iterations() * 2 * pixels_of(side));
    MUR_DeleteImage();
}
BENCHMARK(BM_UndoRedo)->Arg(64)->Arg(kPageW)->Unit(benchmark::kMillisecond);

// The same bytes as one colour patch (8 bytes a pixel), copied row by row
// for the rectangle and in one block for the page.
void BM_MemcpyPatchBytes(benchmark::State& state)
{
    const int32_t side = side_of(state);
    const std::size_t page = std::size_t(kPageW) * kPageH * 8;
    std::vector<uint8_t> from(page, 1), to(page, 2);
    for (auto _ : state) {
        if (side >= kPageW) {
            std::memcpy(to.data(), from.data(), page);
        } else {
            for (int32_t y = 0; y < side; ++y)
                std::memcpy(to.data() + std::size_t(y) * side * 8,
                            from.data() + (std::size_t(y + 100) * kPageW + 100) * 8, std::size_t(side) * 8);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * pixels_of(side));
}
BENCHMARK(BM_MemcpyPatchBytes)->Arg(64)->Arg(kPageW)->Unit(benchmark::kMillisecond);

}  // namespace

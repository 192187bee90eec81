// Loading and reading back a 4096 x 4096 layer, and the line encoders,
// beside memcpy of the same bytes. Byte rates count the bytes written.
#include "engine/state.h"
#include "murcore.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int32_t kSide = 4096;
constexpr int64_t kPixels = int64_t{kSide} * kSide;

struct Page {
    std::vector<uint8_t> rgba = std::vector<uint8_t>(kPixels * 4);
    explicit Page(bool masked)
    {
        MUR_CreateImage(nullptr, kSide, kSide, 64, 0);
        MUR_CreateLayer(2, kSide, kSide);
        MUR_SetLayer(2);
        std::mt19937 rng(1);
        for (auto& b : rgba) b = static_cast<uint8_t>(rng());
        uint16_t* mask = mur::engine.mask.plane;
        for (int64_t i = 0; i < kPixels; ++i) mask[i] = masked ? static_cast<uint16_t>(rng()) : 65535;
    }
    ~Page() { MUR_DeleteImage(); }
};

void set_threads(benchmark::State& state) { omp_set_num_threads(static_cast<int>(state.range(0))); }

void BM_LoadRGBA32Layer(benchmark::State& state)
{
    set_threads(state);
    Page page(false);
    for (auto _ : state) MUR_LoadRGBA32Layer(page.rgba.data(), kSide * 4, 2, 0, 0, kSide, kSide, 0);
    state.SetBytesProcessed(state.iterations() * kPixels * 8);
}
BENCHMARK(BM_LoadRGBA32Layer)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadRGBA32LayerMasked(benchmark::State& state)
{
    set_threads(state);
    Page page(true);
    for (auto _ : state) MUR_LoadRGBA32Layer(page.rgba.data(), kSide * 4, 2, 0, 0, kSide, kSide, 1);
    state.SetBytesProcessed(state.iterations() * kPixels * 8);
}
BENCHMARK(BM_LoadRGBA32LayerMasked)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GetRGBA32Layer(benchmark::State& state)
{
    set_threads(state);
    Page page(false);
    for (auto _ : state) MUR_GetRGBA32Layer(page.rgba.data(), kSide * 4, 2);
    state.SetBytesProcessed(state.iterations() * kPixels * 4);
}
BENCHMARK(BM_GetRGBA32Layer)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Whole-layer line codes, row by row; the layer holds short runs.
void BM_LineEncoders(benchmark::State& state)
{
    Page page(true);
    MUR_LoadRGBA32Layer(page.rgba.data(), kSide * 4, 2, 0, 0, kSide, kSide, 0);
    uint16_t* px = mur::engine.layers.slots[2].pixels;
    for (int64_t i = 0; i < kPixels * 4; ++i) px[i] = static_cast<uint16_t>(px[(i / 32) * 32 % (kPixels * 4)] & 0xF000);
    std::vector<uint8_t> code(kSide * 5);
    const bool mask = state.range(0) == 1;
    int64_t bytes = 0;
    for (auto _ : state)
        for (int32_t row = 0; row < kSide; ++row)
            bytes += mask ? MUR_GetMaskLineRLE(code.data(), row) : MUR_GetRGBA32LayerLineRLE(code.data(), 2, row);
    state.SetLabel(mask ? "G8 (mask)" : "RGBA32 (layer)");
    state.SetItemsProcessed(state.iterations() * kPixels);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_LineEncoders)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_MemcpySameBytes(benchmark::State& state)
{
    const std::size_t bytes = std::size_t(kPixels) * static_cast<std::size_t>(state.range(0));
    std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(state.range(0)) + " bytes a pixel");
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_MemcpySameBytes)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

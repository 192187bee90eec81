// Cost of building and tearing down images and layers.
#include "engine/random.h"
#include "engine/state.h"
#include "murcore.h"

#include <benchmark/benchmark.h>

namespace {

void BM_CreateAndDeleteImage(benchmark::State& state)
{
    const auto side = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        MUR_CreateImage(nullptr, side, side, 256, 0);
        MUR_DeleteImage();
    }
    state.SetLabel(std::to_string(side) + "x" + std::to_string(side));
}
BENCHMARK(BM_CreateAndDeleteImage)->Arg(512)->Arg(2048)->Unit(benchmark::kMillisecond);

void BM_RecreateLayerInPlace(benchmark::State& state)
{
    const auto side = static_cast<int32_t>(state.range(0));
    MUR_CreateImage(nullptr, side, side, 64, 0);
    for (auto _ : state) benchmark::DoNotOptimize(MUR_CreateLayer(2, side, side));
    state.SetBytesProcessed(state.iterations() * int64_t{side} * side * 8);
    MUR_DeleteImage();
}
BENCHMARK(BM_RecreateLayerInPlace)->Arg(2048)->Unit(benchmark::kMillisecond);

void BM_RandomTable(benchmark::State& state)
{
    int32_t seed = 0;
    for (auto _ : state) {
        mur::RandomByteTable table;
        mur::engine.randomSeed = ++seed;
        mur::MakeRandArrayByte(table, 255, 1000000);
        mur::DeleteRandArrayBtye(table);
    }
}
BENCHMARK(BM_RandomTable)->Unit(benchmark::kMillisecond);

void BM_CreateTexture(benchmark::State& state)
{
    MUR_CreateImage(nullptr, 2048, 2048, 64, 0);
    MUR_CreateLayer(2, 2048, 2048);
    for (auto _ : state) benchmark::DoNotOptimize(MUR_CreateTexture(2));
    state.SetItemsProcessed(state.iterations() * 2048 * 2048);
    MUR_DeleteImage();
}
BENCHMARK(BM_CreateTexture)->Unit(benchmark::kMillisecond);

}  // namespace

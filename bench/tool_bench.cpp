// MUR_SetTool with random grit: the four grain buffers are rebuilt on every
// call, so the time grows with the largest brush the image was made for, and
// the round shape is redrawn at the brush size.
#include "murcore.h"

#include <benchmark/benchmark.h>

namespace {

void BM_SetToolRandomGrit(benchmark::State& state)
{
    const auto size = static_cast<int32_t>(state.range(0));
    MUR_CreateImage(nullptr, 2000, 1500, size, 0);
    MUR_SetSize(size);
    int32_t seed = 1;
    for (auto _ : state) {
        MUR_SetRandomSeed(seed++);
        MUR_SetTool(1.0f, 3, 150, 200, 40, 0, 10, 0, 0, 0, 0, 0, 0, "", "", 0);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("grit cell 3, chances 150/200, soft round shape");
    MUR_DeleteImage();
}
BENCHMARK(BM_SetToolRandomGrit)->Arg(64)->Arg(512)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

// The C side of the Python binding's benchmark: the same exports the binding
// calls, called from C++ through the shared library (libmurcore.so, the
// library Python loads), so the two differ only by the binding.
// bench/binding/binding_bench.py runs this program and sets its figures
// beside its own.
#include "murcore.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int32_t kSide = 4096;

// One image for every benchmark: the engine holds one at a time.
struct Image {
    Image()
    {
        MUR_CreateImage(nullptr, kSide, kSide, 64, 0);
        MUR_CreateLayer(1, kSide, kSide);
        MUR_CreateLayer(2, kSide, kSide);
        MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
        MUR_SetLayer(2);
    }
    ~Image() { MUR_DeleteImage(); }
};

Image& image()
{
    static Image once;
    return once;
}

void BM_C_GetLayerNum(benchmark::State& state)
{
    image();
    for (auto _ : state) benchmark::DoNotOptimize(MUR_GetLayerNum());
}
BENCHMARK(BM_C_GetLayerNum);

void BM_C_GetRGBAAtLayer(benchmark::State& state)
{
    image();
    int32_t x = 0;
    for (auto _ : state) benchmark::DoNotOptimize(MUR_GetRGBAAtLayer(x++ & 1023, 17, 2));
}
BENCHMARK(BM_C_GetRGBAAtLayer);

void BM_C_GetRGBA64LayerRect16(benchmark::State& state)
{
    image();
    std::vector<uint16_t> out(16 * 16 * 4);
    for (auto _ : state) {
        MUR_GetRGBA64LayerRect(out.data(), 16 * 8, 2, 100, 100, 16, 16);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_C_GetRGBA64LayerRect16);

// A whole 4096 x 4096 layer into a buffer of the host (128 MiB, one copy).
void BM_C_ReadLayer4096(benchmark::State& state)
{
    image();
    std::vector<uint16_t> out(std::size_t(kSide) * kSide * 4);
    for (auto _ : state) {
        MUR_GetRGBA64Layer(out.data(), kSide * 8, 2);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide * 8);
}
BENCHMARK(BM_C_ReadLayer4096)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Dabs per second for round brushes into the paint layer of a 4000 x 3000
// image: a plain colour, random grit, and pick-up with remix in mix mode 34;
// a 200-dab stroke with pick-up, showing the dirty rectangle after each dab;
// and libmypaint's dab rate for the same diameters when it is installed.
#include "engine/state.h"
#include "murcore.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#include <cmath>
#include <vector>

#ifdef MUR_BENCH_MYPAINT
#include <mypaint-fixed-tiled-surface.h>
#include <mypaint-surface.h>
#endif

namespace {

constexpr int32_t kW = 4000;
constexpr int32_t kH = 3000;
constexpr int32_t kLargest = 512;

enum Kind { Plain = 0, Grit = 1, PickUp = 2 };

void setup_canvas()
{
    MUR_CreateImage(nullptr, kW, kH, kLargest, 0);
    MUR_CreateLayer(1, kW, kH);
    MUR_CreateLayer(2, kW, kH);
    MUR_SetLayerOptions(1, 1, 0, 100, "Normal");
    MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
    MUR_SetLayer(2);
    // Something to pick up.
    std::vector<uint8_t> stripes(std::size_t(kW) * 64 * 4);
    for (std::size_t i = 0; i < stripes.size(); ++i) stripes[i] = static_cast<uint8_t>(i * 7);
    for (int y = 0; y < kH; y += 64) MUR_LoadRGBA32Layer(stripes.data(), kW * 4, 2, 0, y, kW, 64, 0);
}

void set_brush(int32_t size, Kind kind)
{
    MUR_SetSize(size);
    const int32_t grit = kind == Grit ? 2 : 0;
    const int32_t strength = kind == PickUp ? 128 : 0;
    MUR_SetTool(1.0f, grit, 150, 200, 40, 0, 10, strength, 0, kind == PickUp, 0, 0, 0, "", "", 0);
    MUR_SetAlpha(100);
    MUR_SetDensity(255);
    if (kind == PickUp) MUR_SetMixMode(34, 200);
    MUR_CreatePaintLayer(100, 100, "Normal");
}

void BM_Dabs(benchmark::State& state)
{
    omp_set_num_threads(static_cast<int>(state.range(2)));
    const auto size = static_cast<int32_t>(state.range(0));
    const auto kind = static_cast<Kind>(state.range(1));
    setup_canvas();
    set_brush(size, kind);
    int64_t i = 0;
    for (auto _ : state) {
        const int32_t x = 600 + static_cast<int32_t>((i * 37) % 2800), y = 600 + static_cast<int32_t>((i * 53) % 1800);
        if (kind == PickUp) MUR_CopyBlendBufferSurface(x, y, 128, 0);
        MUR_DrawDabGrit(x, y, 0x8000, 0x4000, 0x2000);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(kind == Plain ? "plain" : kind == Grit ? "random grit" : "pick-up, remix, mode 34");
    MUR_DeleteImage();
    omp_set_num_threads(omp_get_num_procs());
}
BENCHMARK(BM_Dabs)
    ->ArgsProduct({{8, 32, 128, 512}, {Plain, Grit, PickUp}, {1}})
    ->ArgsProduct({{128, 512}, {Plain}, {2}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// A stroke of 200 dabs with pick-up, each shown at once.
void BM_StrokeWithRender(benchmark::State& state)
{
    const auto size = static_cast<int32_t>(state.range(0));
    setup_canvas();
    set_brush(size, PickUp);
    std::vector<uint8_t> view(std::size_t(kLargest + 8) * (kLargest + 8) * 3);
    for (auto _ : state) {
        for (int k = 0; k < 200; ++k) {
            const int32_t x = 500 + k * 12, y = 1500 + static_cast<int32_t>(400 * std::sin(k * 0.05));
            MUR_CopyBlendBufferSurface(x, y, 128, 0);
            MUR_DrawDabGrit(x, y, 0x8000, 0x4000, 0x2000);
            const int32_t left = x - size / 2, top = y - size / 2;
            MUR_Render(view.data(), (size + 1) * 3, left, top, size + 1, size + 1);
        }
    }
    state.SetItemsProcessed(state.iterations() * 200);
    MUR_DeleteImage();
}
BENCHMARK(BM_StrokeWithRender)->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef MUR_BENCH_MYPAINT
// libmypaint's round dab of the same diameter, 64 dabs per atomic block.
void BM_MyPaintDabs(benchmark::State& state)
{
    omp_set_num_threads(1);
    const float radius = static_cast<float>(state.range(0)) / 2;
    MyPaintFixedTiledSurface* surface = mypaint_fixed_tiled_surface_new(kW, kH);
    MyPaintSurface* s = mypaint_fixed_tiled_surface_interface(surface);
    int64_t i = 0;
    for (auto _ : state) {
        mypaint_surface_begin_atomic(s);
        for (int k = 0; k < 64; ++k, ++i) {
            const float x = 600 + float((i * 37) % 2800), y = 600 + float((i * 53) % 1800);
            mypaint_surface_draw_dab(s, x, y, radius, 0.5f, 0.25f, 0.125f, 1.0f, 0.8f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f);
        }
        MyPaintRectangle roi;
        mypaint_surface_end_atomic(s, &roi);
    }
    state.SetItemsProcessed(state.iterations() * 64);
    mypaint_surface_unref(s);
    omp_set_num_threads(omp_get_num_procs());
}
BENCHMARK(BM_MyPaintDabs)->Arg(8)->Arg(32)->Arg(128)->Arg(512)->Unit(benchmark::kMicrosecond)->UseRealTime();
#endif

}  // namespace

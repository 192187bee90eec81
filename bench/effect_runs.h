// Effects through MUR_IPLImageProcess on a square page as a host calls them
// (the layer read into the IPL buffers, filtered and stored back), and
// ImageMagick's peers on the same picture, with the benchmark's argument as
// the thread count of both.
#pragma once

#include "bench_pictures.h"
#include "murcore.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#ifdef MUR_BENCH_MAGICKWAND
#include <wand/MagickWand.h>
#endif

#include <array>
#include <vector>

namespace mur_bench {

inline constexpr int kEffectSide = 4096;

inline const std::vector<uint8_t>& effect_picture()
{
    static const std::vector<uint8_t> p = photo_like(kEffectSide);
    return p;
}

// An effect's name and its six sliders.
struct Effect {
    const char* name;
    std::array<int32_t, 6> sliders;
};

// With `freshEachRun` the layer is loaded again before every run (outside
// the timing), for effects whose result would otherwise compound.
inline void run_effect(benchmark::State& state, const Effect& effect, bool freshEachRun = false)
{
    constexpr int side = kEffectSide;
    omp_set_num_threads(static_cast<int>(state.range(0)));
    MUR_CreateImage(nullptr, side, side, 16, 0);
    MUR_CreateLayer(2, side, side);
    MUR_SetLayer(2);
    MUR_LoadRGBA32Layer(effect_picture().data(), side * 4, 2, 0, 0, side, side, 0);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    const std::array<int32_t, 6>& s = effect.sliders;
    for (auto _ : state) {
        if (freshEachRun) {
            state.PauseTiming();
            MUR_LoadRGBA32Layer(effect_picture().data(), side * 4, 2, 0, 0, side, side, 0);
            state.ResumeTiming();
        }
        if (MUR_IPLImageProcess(0, effect.name, 1, s[0], s[1], s[2], s[3], s[4], s[5], 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                0, nullptr) != 1)
            state.SkipWithError("effect failed");
    }
    MUR_IPLFreeSrcBuffer32();
    MUR_IPLFreeDstBuffer32();
    MUR_DeleteImage();
    state.SetItemsProcessed(state.iterations() * int64_t{side} * side);
}

#ifdef MUR_BENCH_MAGICKWAND
// A wand limited to the benchmark's thread count.
inline MagickWand* new_magick_wand(benchmark::State& state)
{
    MagickWandGenesis();
    SetMagickResourceLimit(ThreadResource, static_cast<MagickSizeType>(state.range(0)));
    return NewMagickWand();
}

// The operation applied to the wand's copy of the picture, which it replaces;
// with `freshEachRun` to a new copy of the picture each time (made outside
// the timing).
template <class Operation>
void run_magick(benchmark::State& state, Operation&& operation, bool freshEachRun = false)
{
    MagickWand* wand = new_magick_wand(state);
    if (MagickConstituteImage(wand, kEffectSide, kEffectSide, "RGBA", CharPixel, effect_picture().data()) ==
        MagickFalse) {
        state.SkipWithError("MagickConstituteImage failed");
        DestroyMagickWand(wand);
        return;
    }
    for (auto _ : state) {
        MagickWand* target = wand;
        if (freshEachRun) {
            state.PauseTiming();
            target = CloneMagickWand(wand);
            state.ResumeTiming();
        }
        if (operation(target) == MagickFalse) state.SkipWithError("ImageMagick failed");
        if (freshEachRun) {
            state.PauseTiming();
            DestroyMagickWand(target);
            state.ResumeTiming();
        }
    }
    DestroyMagickWand(wand);
    state.SetItemsProcessed(state.iterations() * int64_t{kEffectSide} * kEffectSide);
}
#endif

}  // namespace mur_bench

#define MUR_EFFECT_BENCH(fn) \
    BENCHMARK(fn)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

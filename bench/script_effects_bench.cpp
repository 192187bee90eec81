// The scripted effects "Twirl" and "Plasma" through MUR_IPLImageProcess on a
// 4096 x 4096 page (the layer read, turned to BGRA, run, turned back and
// stored, as a host calls them), beside ImageMagick's swirl of the same
// picture and its fractal plasma read at the same size, with the same number
// of threads, when MagickWand is installed. The argument is the thread
// count; the CPU column is the process's CPU time.
#include "bench_pictures.h"
#include "murcore.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#ifdef MUR_BENCH_MAGICKWAND
#include <wand/MagickWand.h>
#endif

#include <array>
#include <vector>

namespace {

constexpr int kSide = 4096;

const std::vector<uint8_t>& picture()
{
    static const std::vector<uint8_t> p = mur_bench::photo_like(kSide);
    return p;
}

// Twirl: 216 degrees at the centre, fading to none at half the page's side
// (slider 2 = 692 puts the radius there), as the peer's swirl of 216 degrees.
// Plasma: full opacity, Normal.
struct Effect {
    const char* name;
    std::array<int32_t, 6> sliders;
};
constexpr Effect kTwirl{"Twirl", {800, 692, 500, 500, 500, 500}};
constexpr Effect kPlasma{"Plasma", {500, 500, 500, 500, 500, 1000}};

void run_effect(benchmark::State& state, const Effect& effect)
{
    omp_set_num_threads(static_cast<int>(state.range(0)));
    MUR_CreateImage(nullptr, kSide, kSide, 16, 0);
    MUR_CreateLayer(2, kSide, kSide);
    MUR_SetLayer(2);
    MUR_LoadRGBA32Layer(picture().data(), kSide * 4, 2, 0, 0, kSide, kSide, 0);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    const std::array<int32_t, 6>& s = effect.sliders;
    for (auto _ : state)
        if (MUR_IPLImageProcess(0, effect.name, 1, s[0], s[1], s[2], s[3], s[4], s[5], 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                0, nullptr) != 1)
            state.SkipWithError("effect failed");
    MUR_IPLFreeSrcBuffer32();
    MUR_IPLFreeDstBuffer32();
    MUR_DeleteImage();
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

void BM_Twirl(benchmark::State& s) { run_effect(s, kTwirl); }
void BM_Plasma(benchmark::State& s) { run_effect(s, kPlasma); }

#define MUR_SCRIPT_BENCH(fn) \
    BENCHMARK(fn)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

MUR_SCRIPT_BENCH(BM_Twirl);
MUR_SCRIPT_BENCH(BM_Plasma);

#ifdef MUR_BENCH_MAGICKWAND
void BM_MagickSwirl(benchmark::State& state)
{
    MagickWandGenesis();
    SetMagickResourceLimit(ThreadResource, static_cast<MagickSizeType>(state.range(0)));
    MagickWand* wand = NewMagickWand();
    if (MagickConstituteImage(wand, kSide, kSide, "RGBA", CharPixel, picture().data()) == MagickFalse) {
        state.SkipWithError("MagickConstituteImage failed");
        DestroyMagickWand(wand);
        return;
    }
    for (auto _ : state)
        if (MagickSwirlImage(wand, 216.0) == MagickFalse) state.SkipWithError("ImageMagick failed");
    DestroyMagickWand(wand);
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

void BM_MagickPlasmaFractal(benchmark::State& state)
{
    MagickWandGenesis();
    SetMagickResourceLimit(ThreadResource, static_cast<MagickSizeType>(state.range(0)));
    MagickWand* wand = NewMagickWand();
    MagickSetSize(wand, kSide, kSide);
    for (auto _ : state) {
        if (MagickReadImage(wand, "plasma:fractal") == MagickFalse) state.SkipWithError("ImageMagick failed");
        state.PauseTiming();
        ClearMagickWand(wand);
        MagickSetSize(wand, kSide, kSide);
        state.ResumeTiming();
    }
    DestroyMagickWand(wand);
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

MUR_SCRIPT_BENCH(BM_MagickSwirl);
MUR_SCRIPT_BENCH(BM_MagickPlasmaFractal);
#endif

}  // namespace

// Effects through MUR_IPLImageProcess on a 4096 x 4096 page (the layer read
// into the IPL buffers, filtered and stored back, as a host calls them),
// beside ImageMagick's equivalents through MagickWand on the same picture
// with the same number of threads, when MagickWand is installed. The
// argument is the thread count; the CPU column is the process's CPU time.
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

// The dialog values of each effect, chosen to match the peer's arguments
// below: window radius 3, 255 levels; a 3 x 3 relief; a smear of 21 samples
// over 20 pixels; a 7 x 7 median; a spread of 3; unsharp sigma 1, amount 1.
struct Effect {
    const char* name;
    std::array<int32_t, 6> sliders;
};
constexpr Effect kOilPaint{"Oil Paint", {100, 1000, 500, 500, 500, 500}};
constexpr Effect kEmboss{"Emboss", {125, 250, 500, 500, 500, 500}};
constexpr Effect kCharcoal{"Charcoal", {300, 300, 500, 500, 500, 500}};
constexpr Effect kMotionBlur{"Motion Blur", {500, 500, 210, 500, 500, 500}};
constexpr Effect kMedian{"Median", {300, 500, 500, 500, 500, 500}};
constexpr Effect kFrostedGlass{"Frosted Glass", {300, 500, 500, 500, 500, 500}};
constexpr Effect kUnsharpMask{"Unsharp Mask", {0, 1000, 200, 0, 500, 500}};

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

void BM_OilPaint(benchmark::State& s) { run_effect(s, kOilPaint); }
void BM_Emboss(benchmark::State& s) { run_effect(s, kEmboss); }
void BM_Charcoal(benchmark::State& s) { run_effect(s, kCharcoal); }
void BM_MotionBlur(benchmark::State& s) { run_effect(s, kMotionBlur); }
void BM_Median(benchmark::State& s) { run_effect(s, kMedian); }
void BM_FrostedGlass(benchmark::State& s) { run_effect(s, kFrostedGlass); }
void BM_UnsharpMask(benchmark::State& s) { run_effect(s, kUnsharpMask); }

#define MUR_EFFECT_BENCH(fn) \
    BENCHMARK(fn)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

MUR_EFFECT_BENCH(BM_OilPaint);
MUR_EFFECT_BENCH(BM_Emboss);
MUR_EFFECT_BENCH(BM_Charcoal);
MUR_EFFECT_BENCH(BM_MotionBlur);
MUR_EFFECT_BENCH(BM_Median);
MUR_EFFECT_BENCH(BM_FrostedGlass);
MUR_EFFECT_BENCH(BM_UnsharpMask);

#ifdef MUR_BENCH_MAGICKWAND
// The operation applied to the wand's image, which it replaces.
template <class Operation>
void run_magick(benchmark::State& state, Operation&& operation)
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
        if (operation(wand) == MagickFalse) state.SkipWithError("ImageMagick failed");
    DestroyMagickWand(wand);
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

void BM_MagickPaint(benchmark::State& s) { run_magick(s, [](MagickWand* w) { return MagickOilPaintImage(w, 3); }); }
void BM_MagickEmboss(benchmark::State& s) { run_magick(s, [](MagickWand* w) { return MagickEmbossImage(w, 1, 0.5); }); }
void BM_MagickCharcoal(benchmark::State& s)
{
    run_magick(s, [](MagickWand* w) { return MagickCharcoalImage(w, 1, 0.5); });
}
void BM_MagickMotionBlur(benchmark::State& s)
{
    run_magick(s, [](MagickWand* w) { return MagickMotionBlurImage(w, 10, 5, 0); });
}
void BM_MagickStatisticMedian(benchmark::State& s)
{
    run_magick(s, [](MagickWand* w) { return MagickStatisticImage(w, MedianStatistic, 7, 7); });
}
void BM_MagickSpread(benchmark::State& s) { run_magick(s, [](MagickWand* w) { return MagickSpreadImage(w, 3); }); }
void BM_MagickUnsharp(benchmark::State& s)
{
    run_magick(s, [](MagickWand* w) { return MagickUnsharpMaskImage(w, 0, 1.0, 1.0, 0); });
}

MUR_EFFECT_BENCH(BM_MagickPaint);
MUR_EFFECT_BENCH(BM_MagickEmboss);
MUR_EFFECT_BENCH(BM_MagickCharcoal);
MUR_EFFECT_BENCH(BM_MagickMotionBlur);
MUR_EFFECT_BENCH(BM_MagickStatisticMedian);
MUR_EFFECT_BENCH(BM_MagickSpread);
MUR_EFFECT_BENCH(BM_MagickUnsharp);
#endif

}  // namespace

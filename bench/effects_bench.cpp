// Effects through MUR_IPLImageProcess on a 4096 x 4096 page (the layer read
// into the IPL buffers, filtered and stored back, as a host calls them),
// beside ImageMagick's equivalents through MagickWand on the same picture
// with the same number of threads, when MagickWand is installed. The
// argument is the thread count; the CPU column is the process's CPU time.
#include "effect_runs.h"

namespace {

using mur_bench::Effect;
using mur_bench::run_effect;

// The dialog values of each effect, chosen to match the peer's arguments
// below: window radius 3, 255 levels; a 3 x 3 relief; a smear of 21 samples
// over 20 pixels; a 7 x 7 median; a spread of 3; unsharp sigma 1, amount 1.
constexpr Effect kOilPaint{"Oil Paint", {100, 1000, 500, 500, 500, 500}};
constexpr Effect kEmboss{"Emboss", {125, 250, 500, 500, 500, 500}};
constexpr Effect kCharcoal{"Charcoal", {300, 300, 500, 500, 500, 500}};
constexpr Effect kMotionBlur{"Motion Blur", {500, 500, 210, 500, 500, 500}};
constexpr Effect kMedian{"Median", {300, 500, 500, 500, 500, 500}};
constexpr Effect kFrostedGlass{"Frosted Glass", {300, 500, 500, 500, 500, 500}};
constexpr Effect kUnsharpMask{"Unsharp Mask", {0, 1000, 200, 0, 500, 500}};

void BM_OilPaint(benchmark::State& s) { run_effect(s, kOilPaint); }
void BM_Emboss(benchmark::State& s) { run_effect(s, kEmboss); }
void BM_Charcoal(benchmark::State& s) { run_effect(s, kCharcoal); }
void BM_MotionBlur(benchmark::State& s) { run_effect(s, kMotionBlur); }
void BM_Median(benchmark::State& s) { run_effect(s, kMedian); }
void BM_FrostedGlass(benchmark::State& s) { run_effect(s, kFrostedGlass); }
void BM_UnsharpMask(benchmark::State& s) { run_effect(s, kUnsharpMask); }

MUR_EFFECT_BENCH(BM_OilPaint);
MUR_EFFECT_BENCH(BM_Emboss);
MUR_EFFECT_BENCH(BM_Charcoal);
MUR_EFFECT_BENCH(BM_MotionBlur);
MUR_EFFECT_BENCH(BM_Median);
MUR_EFFECT_BENCH(BM_FrostedGlass);
MUR_EFFECT_BENCH(BM_UnsharpMask);

#ifdef MUR_BENCH_MAGICKWAND
using mur_bench::run_magick;

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

// "Add Gaussian Noise" through MUR_IPLImageProcess on a 4096 x 4096 page
// (the layer read into the IPL source, the noise drawn, weighed by texture
// and mask and merged back into the layer), beside ImageMagick's `+noise
// Gaussian` through MagickWand on the same picture with the same number of
// threads, when MagickWand is installed. The argument is the thread count;
// the CPU column is the process's CPU time.
#include "effect_runs.h"

namespace {

using mur_bench::run_effect;

// Amount trunc(500 x 20): a deviation of 20 levels, merged in Normal at 255.
constexpr mur_bench::Effect kGaussianNoise{"Add Gaussian Noise", {500, 1000, 500, 500, 500, 500}};

void BM_AddGaussianNoise(benchmark::State& s) { run_effect(s, kGaussianNoise); }
BENCHMARK(BM_AddGaussianNoise)->Arg(1)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

#ifdef MUR_BENCH_MAGICKWAND
void BM_MagickGaussianNoise(benchmark::State& s)
{
    mur_bench::run_magick(s, [](MagickWand* w) { return MagickAddNoiseImage(w, GaussianNoise); });
}
BENCHMARK(BM_MagickGaussianNoise)->Arg(1)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
#endif

}  // namespace

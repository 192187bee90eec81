// "Add Gaussian Noise" through MUR_IPLImageProcess on a 4096 x 4096 page
// (the layer read into the IPL source, the noise drawn, weighed by texture
// and mask and merged back into the layer), beside ImageMagick's `+noise
// Gaussian` through MagickWand on the same picture with the same number of
// threads, when MagickWand is installed. The argument is the thread count;
// the CPU column is the process's CPU time.
#include "bench_pictures.h"
#include "murcore.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#ifdef MUR_BENCH_MAGICKWAND
#include <wand/MagickWand.h>
#endif

#include <vector>

namespace {

constexpr int kSide = 4096;

const std::vector<uint8_t>& picture()
{
    static const std::vector<uint8_t> p = mur_bench::photo_like(kSide);
    return p;
}

void BM_AddGaussianNoise(benchmark::State& state)
{
    omp_set_num_threads(static_cast<int>(state.range(0)));
    MUR_CreateImage(nullptr, kSide, kSide, 16, 0);
    MUR_CreateLayer(2, kSide, kSide);
    MUR_SetLayer(2);
    MUR_LoadRGBA32Layer(picture().data(), kSide * 4, 2, 0, 0, kSide, kSide, 0);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    // Amount trunc(500 x 20): a deviation of 20 levels, merged in Normal at 255.
    for (auto _ : state)
        if (MUR_IPLImageProcess(0, "Add Gaussian Noise", 1, 500, 1000, 500, 500, 500, 500, 0, 0, 0, 0, 0, 0, 0, 0,
                                0, 0, 0, nullptr) != 1)
            state.SkipWithError("effect failed");
    MUR_IPLFreeSrcBuffer32();
    MUR_IPLFreeDstBuffer32();
    MUR_DeleteImage();
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

BENCHMARK(BM_AddGaussianNoise)->Arg(1)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

#ifdef MUR_BENCH_MAGICKWAND
void BM_MagickGaussianNoise(benchmark::State& state)
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
        if (MagickAddNoiseImage(wand, GaussianNoise) == MagickFalse) state.SkipWithError("ImageMagick failed");
    DestroyMagickWand(wand);
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

BENCHMARK(BM_MagickGaussianNoise)->Arg(1)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
#endif

}  // namespace

// The distortions "Pinch", "Wave" and "Perspective" through
// MUR_IPLImageProcess on a 4096 x 4096 page (the layer read into the IPL
// buffers, warped and stored back), beside ImageMagick's implode, wave and
// perspective distort through MagickWand on the same picture with the same
// number of threads, when MagickWand is installed. The argument is the
// thread count; the CPU column is the process's CPU time.
#include "effect_runs.h"

namespace {

constexpr int kSide = mur_bench::kEffectSide;
const std::vector<uint8_t>& picture() { return mur_bench::effect_picture(); }

// Dialog values matched to the peer's arguments below.
using Warp = mur_bench::Effect;
// Radius 0.5 x 4096 = 2048 about the middle, amount 50 %: implode 0.5.
constexpr Warp kPinch{"Pinch", {500, 500, 500, 500, 500, 500}};
// Amplitude 0.122 x 0.05 x 4096 = 24.99, wavelength 0.037 x 4096 = 151.55.
constexpr Warp kWave{"Wave", {122, 37, 0, 500, 500, 500}};
constexpr double kWaveAmplitude = 0.122 * 0.05 * kSide, kWaveLength = 0.037 * kSide;
// The top edge narrowed by 0.6 x 0.95 of half the width at each end.
constexpr Warp kPerspective{"Perspective", {800, 500, 500, 500, 500, 500}};
constexpr double kInset = 0.6 * 0.95 * kSide / 2;

void run_warp(benchmark::State& state, const Warp& warp)
{
    omp_set_num_threads(static_cast<int>(state.range(0)));
    MUR_CreateImage(nullptr, kSide, kSide, 16, 0);
    MUR_CreateLayer(2, kSide, kSide);
    MUR_SetLayer(2);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    const std::array<int32_t, 6>& s = warp.sliders;
    for (auto _ : state) {
        state.PauseTiming();  // every run on the same picture
        MUR_LoadRGBA32Layer(picture().data(), kSide * 4, 2, 0, 0, kSide, kSide, 0);
        state.ResumeTiming();
        if (MUR_IPLImageProcess(0, warp.name, 1, s[0], s[1], s[2], s[3], s[4], s[5], 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                nullptr) != 1)
            state.SkipWithError("effect failed");
    }
    MUR_IPLFreeSrcBuffer32();
    MUR_IPLFreeDstBuffer32();
    MUR_DeleteImage();
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

void BM_Pinch(benchmark::State& s) { run_warp(s, kPinch); }
void BM_Wave(benchmark::State& s) { run_warp(s, kWave); }
void BM_Perspective(benchmark::State& s) { run_warp(s, kPerspective); }

MUR_EFFECT_BENCH(BM_Pinch);
MUR_EFFECT_BENCH(BM_Wave);
MUR_EFFECT_BENCH(BM_Perspective);

#ifdef MUR_BENCH_MAGICKWAND
// The operation applied to a fresh copy of the picture each time (the
// warps replace the wand's picture).
template <class Operation>
void run_magick_on_copies(benchmark::State& state, Operation&& operation)
{
    MagickWand* original = mur_bench::new_magick_wand(state);
    if (MagickConstituteImage(original, kSide, kSide, "RGBA", CharPixel, picture().data()) == MagickFalse) {
        state.SkipWithError("MagickConstituteImage failed");
        DestroyMagickWand(original);
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        MagickWand* wand = CloneMagickWand(original);
        state.ResumeTiming();
        if (operation(wand) == MagickFalse) state.SkipWithError("ImageMagick failed");
        state.PauseTiming();
        DestroyMagickWand(wand);
        state.ResumeTiming();
    }
    DestroyMagickWand(original);
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

void BM_MagickImplode(benchmark::State& s) { run_magick_on_copies(s, [](MagickWand* w) { return MagickImplodeImage(w, 0.5); }); }
void BM_MagickWave(benchmark::State& s)
{
    run_magick_on_copies(s, [](MagickWand* w) { return MagickWaveImage(w, kWaveAmplitude, kWaveLength); });
}
void BM_MagickDistortPerspective(benchmark::State& s)
{
    run_magick_on_copies(s, [](MagickWand* w) {
        const double n = kSide;
        // Source and destination of each corner: top left, top right,
        // bottom right, bottom left.
        const double points[16] = {0, 0, kInset, 0, n, 0, n - kInset, 0, n, n, n, n, 0, n, 0, n};
        return MagickDistortImage(w, PerspectiveDistortion, 16, points, MagickFalse);
    });
}

MUR_EFFECT_BENCH(BM_MagickImplode);
MUR_EFFECT_BENCH(BM_MagickWave);
MUR_EFFECT_BENCH(BM_MagickDistortPerspective);
#endif

}  // namespace

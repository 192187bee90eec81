// The distortions "Pinch", "Wave" and "Perspective" through
// MUR_IPLImageProcess on a 4096 x 4096 page (the layer read into the IPL
// buffers, warped and stored back), beside ImageMagick's implode, wave and
// perspective distort through MagickWand on the same picture with the same
// number of threads, when MagickWand is installed. The argument is the
// thread count; the CPU column is the process's CPU time.
#include "effect_runs.h"

namespace {

using mur_bench::run_effect;

constexpr int kSide = mur_bench::kEffectSide;

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

void BM_Pinch(benchmark::State& s) { run_effect(s, kPinch, true); }
void BM_Wave(benchmark::State& s) { run_effect(s, kWave, true); }
void BM_Perspective(benchmark::State& s) { run_effect(s, kPerspective, true); }

MUR_EFFECT_BENCH(BM_Pinch);
MUR_EFFECT_BENCH(BM_Wave);
MUR_EFFECT_BENCH(BM_Perspective);

#ifdef MUR_BENCH_MAGICKWAND
using mur_bench::run_magick;

void BM_MagickImplode(benchmark::State& s)
{
    run_magick(s, [](MagickWand* w) { return MagickImplodeImage(w, 0.5); }, true);
}
void BM_MagickWave(benchmark::State& s)
{
    run_magick(s, [](MagickWand* w) { return MagickWaveImage(w, kWaveAmplitude, kWaveLength); }, true);
}
void BM_MagickDistortPerspective(benchmark::State& s)
{
    run_magick(s, [](MagickWand* w) {
        const double n = kSide;
        // Source and destination of each corner: top left, top right,
        // bottom right, bottom left.
        const double points[16] = {0, 0, kInset, 0, n, 0, n - kInset, 0, n, n, n, n, 0, n, 0, n};
        return MagickDistortImage(w, PerspectiveDistortion, 16, points, MagickFalse);
    }, true);
}

MUR_EFFECT_BENCH(BM_MagickImplode);
MUR_EFFECT_BENCH(BM_MagickWave);
MUR_EFFECT_BENCH(BM_MagickDistortPerspective);
#endif

}  // namespace

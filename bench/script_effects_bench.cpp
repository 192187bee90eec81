// The scripted effects "Twirl" and "Plasma" through MUR_IPLImageProcess on a
// 4096 x 4096 page (the layer read, turned to BGRA, run, turned back and
// stored, as a host calls them), beside ImageMagick's swirl of the same
// picture and its fractal plasma read at the same size, with the same number
// of threads, when MagickWand is installed. The argument is the thread
// count; the CPU column is the process's CPU time.
#include "effect_runs.h"

namespace {

using mur_bench::Effect;
using mur_bench::kEffectSide;
using mur_bench::run_effect;

// Twirl: 216 degrees at the centre, fading to none at half the page's side
// (slider 2 = 692 puts the radius there), as the peer's swirl of 216 degrees.
// Plasma: full opacity, Normal.
constexpr Effect kTwirl{"Twirl", {800, 692, 500, 500, 500, 500}};
constexpr Effect kPlasma{"Plasma", {500, 500, 500, 500, 500, 1000}};

void BM_Twirl(benchmark::State& s) { run_effect(s, kTwirl); }
void BM_Plasma(benchmark::State& s) { run_effect(s, kPlasma); }

MUR_EFFECT_BENCH(BM_Twirl);
MUR_EFFECT_BENCH(BM_Plasma);

#ifdef MUR_BENCH_MAGICKWAND
void BM_MagickSwirl(benchmark::State& s)
{
    mur_bench::run_magick(s, [](MagickWand* w) { return MagickSwirlImage(w, 216.0); });
}

// A fresh plasma of the page's size read each time; the wand's clearing is
// not timed.
void BM_MagickPlasmaFractal(benchmark::State& state)
{
    MagickWand* wand = mur_bench::new_magick_wand(state);
    for (auto _ : state) {
        MagickSetSize(wand, kEffectSide, kEffectSide);
        if (MagickReadImage(wand, "plasma:fractal") == MagickFalse) state.SkipWithError("ImageMagick failed");
        state.PauseTiming();
        ClearMagickWand(wand);
        state.ResumeTiming();
    }
    DestroyMagickWand(wand);
    state.SetItemsProcessed(state.iterations() * int64_t{kEffectSide} * kEffectSide);
}

MUR_EFFECT_BENCH(BM_MagickSwirl);
MUR_EFFECT_BENCH(BM_MagickPlasmaFractal);
#endif

}  // namespace

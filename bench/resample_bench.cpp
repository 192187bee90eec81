// The resampler shrinking 4096 x 4096 to 1024 x 1024 and enlarging 1024 x 1024
// to 4096 x 4096 with Lanczos3 on RGBA32, beside OpenCV's resize with
// INTER_LANCZOS4 when OpenCV is there. Rates count output pixels
// ("items_per_second"); the argument is the thread count.
#include "bench_pictures.h"
#include "imaging/resample.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#include <vector>

#ifdef MUR_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using namespace mur::imaging;
using mur_bench::photo_like;

void resample_rgba32(benchmark::State& state, int from, int to)
{
    omp_set_num_threads(static_cast<int>(state.range(0)));
    const std::vector<uint8_t> src = photo_like(from);
    std::vector<uint8_t> dst(std::size_t(to) * to * 4);
    for (auto _ : state) {
        const bool ok = resample(ConstImageView(src.data(), from, from, from * 4, 4),
                                 rgba32_view(dst.data(), to, to, to * 4), ResizeFilter::Lanczos3);
        if (!ok) state.SkipWithError("resample failed");
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t{to} * to);
}

void BM_ResampleLanczos3Down(benchmark::State& state) { resample_rgba32(state, 4096, 1024); }
void BM_ResampleLanczos3Up(benchmark::State& state) { resample_rgba32(state, 1024, 4096); }
BENCHMARK(BM_ResampleLanczos3Down)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ResampleLanczos3Up)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef MUR_BENCH_OPENCV
void opencv_lanczos4(benchmark::State& state, int from, int to)
{
    cv::setNumThreads(static_cast<int>(state.range(0)));
    std::vector<uint8_t> pixels = photo_like(from);
    const cv::Mat src(from, from, CV_8UC4, pixels.data());
    cv::Mat dst;
    for (auto _ : state) {
        cv::resize(src, dst, cv::Size(to, to), 0, 0, cv::INTER_LANCZOS4);
        benchmark::DoNotOptimize(dst.data);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{to} * to);
}

void BM_OpenCVLanczos4Down(benchmark::State& state) { opencv_lanczos4(state, 4096, 1024); }
void BM_OpenCVLanczos4Up(benchmark::State& state) { opencv_lanczos4(state, 1024, 4096); }
BENCHMARK(BM_OpenCVLanczos4Down)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenCVLanczos4Up)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace

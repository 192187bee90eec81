// Image processing on a 4096 x 4096 RGBA32 page: "Box Blur" at radius 10,
// "Value Blur", the Gaussian blur at sigma 5 (beside OpenCV's GaussianBlur
// when OpenCV is there), and the pre- and post-filters. The "Mpixel/s"
// counter is the rate in page pixels; the argument is the thread count.
#include "imaging/gaussian_blur.h"
#include "ipl/filter_framing.h"
#include "ipl/native_filters/native_filter.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#include <random>
#include <vector>

#ifdef MUR_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int32_t kSide = 4096;
constexpr int64_t kPixels = int64_t{kSide} * kSide;

// Smooth gradients with noise and a varied alpha, like a painted layer.
std::vector<uint8_t> painted_page()
{
    std::vector<uint8_t> v(std::size_t(kPixels) * 4);
    std::mt19937 rng(11);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            uint8_t* p = v.data() + (std::size_t(y) * kSide + x) * 4;
            p[0] = static_cast<uint8_t>((x * 255 / kSide + rng() % 24) & 255);
            p[1] = static_cast<uint8_t>((y * 255 / kSide + rng() % 24) & 255);
            p[2] = static_cast<uint8_t>(((x + y) * 127 / kSide + rng() % 24) & 255);
            p[3] = static_cast<uint8_t>(x % 512 < 256 ? 255 : rng() % 256);
        }
    return v;
}

const std::vector<uint8_t>& page()
{
    static const std::vector<uint8_t> p = painted_page();
    return p;
}

void rate(benchmark::State& state)
{
    state.counters["Mpixel/s"] =
        benchmark::Counter(double(state.iterations()) * kPixels * 1e-6, benchmark::Counter::kIsRate);
}

void threads(benchmark::State& state) { omp_set_num_threads(static_cast<int>(state.range(0))); }

void BM_BoxBlurRadius10(benchmark::State& state)
{
    threads(state);
    std::vector<uint8_t> src = page(), dst(src.size());
    mur::ipl::NativeFilterParams params;
    params.sliders[0] = 90;  // radius trunc(0.09 * 100 + 1) = 10
    for (auto _ : state) {
        mur::ipl::run_native_filter(src.data(), dst.data(), kSide, kSide, "Box Blur", false, params);
        benchmark::DoNotOptimize(dst.data());
    }
    rate(state);
}
BENCHMARK(BM_BoxBlurRadius10)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ValueBlur(benchmark::State& state)
{
    threads(state);
    std::vector<uint8_t> work = page();
    for (auto _ : state) {
        mur::ipl::value_blur(work.data(), kSide, kSide, 0, 500);
        benchmark::DoNotOptimize(work.data());
    }
    rate(state);
}
BENCHMARK(BM_ValueBlur)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GaussianBlurSigma5(benchmark::State& state)
{
    threads(state);
    std::vector<uint8_t> src = page(), dst(src.size());
    for (auto _ : state) {
        mur::imaging::gaussian_blur(mur::imaging::rgba32_view(src.data(), kSide, kSide, kSide * 4),
                                    mur::imaging::rgba32_view(dst.data(), kSide, kSide, kSide * 4), 5.0);
        benchmark::DoNotOptimize(dst.data());
    }
    rate(state);
}
BENCHMARK(BM_GaussianBlurSigma5)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GaussianBlurSigma20(benchmark::State& state)
{
    threads(state);
    std::vector<uint8_t> src = page(), dst(src.size());
    for (auto _ : state) {
        mur::imaging::gaussian_blur(mur::imaging::rgba32_view(src.data(), kSide, kSide, kSide * 4),
                                    mur::imaging::rgba32_view(dst.data(), kSide, kSide, kSide * 4), 20.0);
        benchmark::DoNotOptimize(dst.data());
    }
    rate(state);
}
BENCHMARK(BM_GaussianBlurSigma20)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef MUR_BENCH_OPENCV
void BM_OpenCVGaussianBlurSigma5(benchmark::State& state)
{
    cv::setNumThreads(static_cast<int>(state.range(0)));
    std::vector<uint8_t> src = page(), dst(src.size());
    const cv::Mat from(kSide, kSide, CV_8UC4, src.data());
    cv::Mat to(kSide, kSide, CV_8UC4, dst.data());
    for (auto _ : state) {
        cv::GaussianBlur(from, to, cv::Size(0, 0), 5.0);
        benchmark::DoNotOptimize(to.data);
    }
    rate(state);
}
BENCHMARK(BM_OpenCVGaussianBlurSigma5)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

void BM_PreFilterRGBA32(benchmark::State& state)
{
    threads(state);
    std::vector<uint8_t> work = page();
    for (auto _ : state) {
        state.PauseTiming();
        work = page();
        state.ResumeTiming();
        mur::ipl::premultiply_rgba32(work.data(), kSide, kSide);
    }
    rate(state);
}
BENCHMARK(BM_PreFilterRGBA32)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PostFilterRGBA32(benchmark::State& state)
{
    threads(state);
    std::vector<uint8_t> premultiplied = page();
    mur::ipl::premultiply_rgba32(premultiplied.data(), kSide, kSide);
    std::vector<uint8_t> work = premultiplied;
    for (auto _ : state) {
        state.PauseTiming();
        work = premultiplied;
        state.ResumeTiming();
        mur::ipl::unpremultiply_rgba32(work.data(), kSide, kSide);
    }
    rate(state);
}
BENCHMARK(BM_PostFilterRGBA32)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PreFilterRGBA64(benchmark::State& state)
{
    threads(state);
    std::vector<uint16_t> wide(page().size());
    for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<uint16_t>(page()[i] << 8);
    std::vector<uint16_t> work = wide;
    for (auto _ : state) {
        state.PauseTiming();
        work = wide;
        state.ResumeTiming();
        mur::ipl::premultiply_rgba64(work.data(), kSide, kSide);
    }
    rate(state);
}
BENCHMARK(BM_PreFilterRGBA64)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PostFilterRGBA64(benchmark::State& state)
{
    threads(state);
    std::vector<uint16_t> wide(page().size());
    for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<uint16_t>(page()[i] << 8);
    mur::ipl::premultiply_rgba64(wide.data(), kSide, kSide);
    std::vector<uint16_t> work = wide;
    for (auto _ : state) {
        state.PauseTiming();
        work = wide;
        state.ResumeTiming();
        mur::ipl::unpremultiply_rgba64(work.data(), kSide, kSide);
    }
    rate(state);
}
BENCHMARK(BM_PostFilterRGBA64)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

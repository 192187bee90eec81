// The geometry on 4096 x 4096 RGBA32 pictures beside OpenCV (when it is
// there) in the same run: a quarter turn against cv::rotate, a 10 degree
// turn through the transform pipeline against cv::warpAffine (INTER_LINEAR,
// constant border), 4096 -> 2048 with Lanczos3 against cv::resize
// INTER_LANCZOS4, and 2048 -> 4096 with the bicubic against INTER_CUBIC.
// Then the whole exports on a one-layer document of the same size (16-bit
// layer, new pixels allocated, old released), and seam carving of
// 1024 x 1024 to 896 wide. The argument is the thread count; rates count
// output pixels ("items_per_second"); the CPU column counts every thread.
#include "bench_pictures.h"
#include "imaging/pixel_moves.h"
#include "imaging/resample.h"
#include "imaging/transform_pipeline.h"
#include "murcore.h"

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

constexpr int kSide = 4096;
constexpr double kDegrees = 10.0;

void threads(benchmark::State& state) { omp_set_num_threads(static_cast<int>(state.range(0))); }

void BM_QuarterTurn(benchmark::State& state)
{
    threads(state);
    const std::vector<uint8_t> src = photo_like(kSide);
    std::vector<uint8_t> dst(src.size());
    for (auto _ : state) {
        rotate_clockwise(ConstImageView(src.data(), kSide, kSide, kSide * 4, 4), rgba32_view(dst.data(), kSide, kSide, kSide * 4));
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

void BM_Rotate10Pipeline(benchmark::State& state)
{
    threads(state);
    const std::vector<uint8_t> src = photo_like(kSide);
    std::vector<uint8_t> dst(src.size());
    TransformPipeline p;
    add_rotate_transform(p, kDegrees, (kSide - 1) / 2.0, (kSide - 1) / 2.0);
    for (auto _ : state) {
        process_transforms(p, ConstImageView(src.data(), kSide, kSide, kSide * 4, 4),
                           rgba32_view(dst.data(), kSide, kSide, kSide * 4), EdgeMode::Fill, 0);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

void resize_rgba32(benchmark::State& state, int from, int to, ResizeFilter filter)
{
    threads(state);
    const std::vector<uint8_t> src = photo_like(from);
    std::vector<uint8_t> dst(std::size_t(to) * to * 4);
    for (auto _ : state) {
        resample(ConstImageView(src.data(), from, from, from * 4, 4), rgba32_view(dst.data(), to, to, to * 4), filter);
        benchmark::DoNotOptimize(dst.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t{to} * to);
}

void BM_ResizeDownLanczos3(benchmark::State& state) { resize_rgba32(state, kSide, kSide / 2, ResizeFilter::Lanczos3); }
void BM_ResizeUpBicubic(benchmark::State& state) { resize_rgba32(state, kSide / 2, kSide, ResizeFilter::Bicubic); }

BENCHMARK(BM_QuarterTurn)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_Rotate10Pipeline)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ResizeDownLanczos3)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ResizeUpBicubic)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

#ifdef MUR_BENCH_OPENCV
void cv_threads(benchmark::State& state) { cv::setNumThreads(static_cast<int>(state.range(0))); }

void BM_OpenCVRotate(benchmark::State& state)
{
    cv_threads(state);
    std::vector<uint8_t> pixels = photo_like(kSide);
    const cv::Mat src(kSide, kSide, CV_8UC4, pixels.data());
    cv::Mat dst;
    for (auto _ : state) {
        cv::rotate(src, dst, cv::ROTATE_90_CLOCKWISE);
        benchmark::DoNotOptimize(dst.data);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

void BM_OpenCVWarpAffine10(benchmark::State& state)
{
    cv_threads(state);
    std::vector<uint8_t> pixels = photo_like(kSide);
    const cv::Mat src(kSide, kSide, CV_8UC4, pixels.data());
    // Clockwise on the screen, as the pipeline turns: a negative angle here.
    const cv::Mat m = cv::getRotationMatrix2D(cv::Point2f((kSide - 1) / 2.0f, (kSide - 1) / 2.0f), -kDegrees, 1.0);
    cv::Mat dst;
    for (auto _ : state) {
        cv::warpAffine(src, dst, m, src.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar());
        benchmark::DoNotOptimize(dst.data);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

void opencv_resize(benchmark::State& state, int from, int to, int interpolation)
{
    cv_threads(state);
    std::vector<uint8_t> pixels = photo_like(from);
    const cv::Mat src(from, from, CV_8UC4, pixels.data());
    cv::Mat dst;
    for (auto _ : state) {
        cv::resize(src, dst, cv::Size(to, to), 0, 0, interpolation);
        benchmark::DoNotOptimize(dst.data);
    }
    state.SetItemsProcessed(state.iterations() * int64_t{to} * to);
}

void BM_OpenCVResizeDownLanczos4(benchmark::State& state) { opencv_resize(state, kSide, kSide / 2, cv::INTER_LANCZOS4); }
void BM_OpenCVResizeUpCubic(benchmark::State& state) { opencv_resize(state, kSide / 2, kSide, cv::INTER_CUBIC); }

BENCHMARK(BM_OpenCVRotate)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_OpenCVWarpAffine10)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_OpenCVResizeDownLanczos4)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_OpenCVResizeUpCubic)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
#endif

// ---- The exports ----------------------------------------------------------------------

// A one-layer document of side x side holding the picture.
void make_document(int side)
{
    const std::vector<uint8_t> picture = photo_like(side);
    MUR_CreateImage(nullptr, side, side, 64, 0);
    MUR_CreateLayer(1, side, side);
    MUR_LoadRGBA32Layer(picture.data(), side * 4, 1, 0, 0, side, side, 0);
    MUR_SetLayer(1);
}

void BM_ExportRotateRight(benchmark::State& state)
{
    threads(state);
    make_document(kSide);
    for (auto _ : state) MUR_IPLRotateRight();  // square: the document keeps its size
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
    MUR_DeleteImage();
}

// An export that changes the size: the document is made anew, untimed,
// before each call.
template <class Call>
void time_export(benchmark::State& state, int side, int64_t outputPixels, Call call)
{
    threads(state);
    for (auto _ : state) {
        state.PauseTiming();
        make_document(side);
        state.ResumeTiming();
        call();
    }
    state.SetItemsProcessed(state.iterations() * outputPixels);
    MUR_DeleteImage();
}

void BM_ExportResizeDownLanczos3(benchmark::State& state)
{
    time_export(state, kSide, int64_t{kSide / 2} * (kSide / 2), [] { MUR_IPLResize(kSide / 2, kSide / 2, "Lanczos3"); });
}

void BM_ExportResizeUpBicubic(benchmark::State& state)
{
    time_export(state, kSide / 2, int64_t{kSide} * kSide, [] { MUR_IPLResize(kSide, kSide, "Bicubic"); });
}

void BM_ExportSeamCarving1024To896(benchmark::State& state)
{
    time_export(state, 1024, int64_t{896} * 1024, [] { MUR_IPLSeamCarvingRGBA(896, 1024, 0); });
}

BENCHMARK(BM_ExportRotateRight)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ExportResizeDownLanczos3)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ExportResizeUpBicubic)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_ExportSeamCarving1024To896)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(2);

}  // namespace

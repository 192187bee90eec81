// Image brushes: a turn of the sized brush plus the copy into the pick-up
// buffer, per dab, beside OpenCV's warpAffine (bilinear, four channels) of
// the same square; and whole stamp strokes of 200 dabs, beside OpenCV
// turning the same stamp and blending it by its alpha into a canvas.
#include "murcore.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#ifdef MUR_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr double kPi = 3.14159265358979;

// A stamp of side n: a soft-edged disc of gradient colour on transparent
// pixels, the kind of picture a leaf or a blossom stamp is.
std::vector<uint8_t> stamp(int n)
{
    std::vector<uint8_t> v(std::size_t(n) * n * 4);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            uint8_t* p = &v[(std::size_t(y) * n + x) * 4];
            const double d = std::hypot(x + 0.5 - n / 2.0, (y + 0.5 - n / 2.0) * 1.8) / (n / 2.0);
            p[0] = uint8_t(40 + 200 * x / n), p[1] = uint8_t(160 - 100 * y / n), p[2] = 60;
            p[3] = uint8_t(std::clamp((1.0 - d) * 6.0, 0.0, 1.0) * 255);
        }
    return v;
}

void per_dab(benchmark::State& state, int64_t dabs)
{
    state.SetItemsProcessed(state.iterations() * dabs);
    state.counters["dabs/s"] = benchmark::Counter(double(state.iterations() * dabs), benchmark::Counter::kIsRate);
}

void BM_ImageBrushRotateAndCopy(benchmark::State& state)
{
    const int n = int(state.range(0));
    MUR_CreateImage(nullptr, 640, 640, 512, 0);
    MUR_SetSize(n);
    const std::vector<uint8_t> s = stamp(n);
    MUR_LoadImageBrushFromRGBA32(s.data(), n, n);
    MUR_SizeImageBrush();
    float angle = 0;
    for (auto _ : state) {
        angle += 7.3f;
        MUR_RotateImageBrush(angle);
        MUR_CopyFromImageBrushRotate(0);
    }
    per_dab(state, 1);
    MUR_DeleteImage();
}
BENCHMARK(BM_ImageBrushRotateAndCopy)->ArgName("side")->Arg(32)->Arg(128)->Arg(512)->UseRealTime();

// 200 stamps along a wave over a 1024 x 768 layer, each turned along the
// path and painted through the pick-up buffer into the paint layer.
void BM_ImageBrushStampStroke(benchmark::State& state)
{
    const int n = int(state.range(0));
    MUR_CreateImage(nullptr, 1024, 768, 256, 0);
    MUR_CreateLayer(2, 1024, 768);
    MUR_SetLayer(2);
    MUR_SetSize(n);
    MUR_SetTool(1.0f, 0, 0, 0, 0, 0, 10, 255, 0, 0, 0, 0, 0, "", "", 0);
    MUR_SetImageBrushMode(1);
    MUR_SetScaleSize(n);
    const std::vector<uint8_t> s = stamp(n);
    MUR_LoadImageBrushFromRGBA32(s.data(), n, n);
    MUR_SizeImageBrush();
    for (auto _ : state) {
        MUR_CreatePaintLayer(100, 100, "Normal");
        for (int k = 0; k < 200; ++k) {
            const double x = 40 + k * 4.7, y = 384 + 200 * std::sin(k / 20.0);
            MUR_RotateImageBrush(float(std::atan2(200 * std::cos(k / 20.0) / 20.0, 4.7) * 180 / kPi));
            MUR_CopyFromImageBrushRotate(0);
            MUR_DrawDabGrit(int32_t(x), int32_t(y), 0, 0, 0);
        }
        MUR_MergePaintLayer(2);
    }
    per_dab(state, 200);
    MUR_DeleteImage();
}
BENCHMARK(BM_ImageBrushStampStroke)->ArgName("side")->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef MUR_BENCH_OPENCV
cv::Mat turn_matrix(int n, double degrees)
{
    return cv::getRotationMatrix2D(cv::Point2f(n / 2.0f - 0.5f, n / 2.0f - 0.5f), -degrees, 1.0);
}

void BM_OpenCVWarpAffineRgba(benchmark::State& state)
{
    cv::setNumThreads(omp_get_max_threads());
    const int n = int(state.range(0));
    std::vector<uint8_t> s = stamp(n);
    const cv::Mat src(n, n, CV_8UC4, s.data());
    cv::Mat dst(n, n, CV_8UC4);
    double angle = 0;
    for (auto _ : state) {
        angle += 7.3;
        cv::warpAffine(src, dst, turn_matrix(n, angle), dst.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar());
        benchmark::DoNotOptimize(dst.data);
    }
    per_dab(state, 1);
}
BENCHMARK(BM_OpenCVWarpAffineRgba)->ArgName("side")->Arg(32)->Arg(128)->Arg(512)->UseRealTime();

// The same stroke with OpenCV: the stamp turned, then blended into an
// 8-bit canvas by its alpha (weights alpha and 1 - alpha).
void BM_OpenCVStampStroke(benchmark::State& state)
{
    cv::setNumThreads(omp_get_max_threads());
    const int n = int(state.range(0));
    std::vector<uint8_t> s = stamp(n);
    const cv::Mat src(n, n, CV_8UC4, s.data());
    cv::Mat canvas(768 + 2 * n, 1024 + 2 * n, CV_8UC4, cv::Scalar(200, 190, 170, 255));
    cv::Mat turned(n, n, CV_8UC4), alpha, w1, w2;
    for (auto _ : state) {
        for (int k = 0; k < 200; ++k) {
            const double x = 40 + k * 4.7, y = 384 + 200 * std::sin(k / 20.0);
            const double degrees = std::atan2(200 * std::cos(k / 20.0) / 20.0, 4.7) * 180 / kPi;
            cv::warpAffine(src, turned, turn_matrix(n, degrees), turned.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                           cv::Scalar());
            cv::extractChannel(turned, alpha, 3);
            alpha.convertTo(w1, CV_32F, 1.0 / 255);
            cv::subtract(cv::Scalar(1.0), w1, w2);
            cv::Mat roi = canvas(cv::Rect(int(x) + n / 2, int(y) + n / 2, n, n));
            cv::blendLinear(turned, roi, w1, w2, roi);
        }
        benchmark::DoNotOptimize(canvas.data);
    }
    per_dab(state, 200);
}
BENCHMARK(BM_OpenCVStampStroke)->ArgName("side")->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace

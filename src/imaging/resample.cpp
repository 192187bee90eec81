#include "imaging/resample.h"

#include "engine/memory.h"
#include "imaging/resample_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mur::imaging {
namespace {

constexpr double kPi = 3.14159265358979323846;

double sinc(double x)
{
    if (x == 0.0) return 1.0;
    x *= kPi;
    return std::sin(x) / x;
}

double box_kernel(double x, const FilterRecord&) { return std::fabs(x) <= 0.5 + 1e-9 ? 1.0 : 0.0; }

double triangle_kernel(double x, const FilterRecord&)
{
    x = std::fabs(x);
    return x < 1.0 ? 1.0 - x : 0.0;
}

// Sinc under a raised-cosine window reaching zero weight (Hann) or 0.08
// (Hamming) at the support.
double hamming_kernel(double x, const FilterRecord& f)
{
    if (std::fabs(x) >= f.support) return 0.0;
    return sinc(x) * (0.54 + 0.46 * std::cos(kPi * x / f.support));
}

double hanning_kernel(double x, const FilterRecord& f)
{
    if (std::fabs(x) >= f.support) return 0.0;
    return sinc(x) * (0.5 + 0.5 * std::cos(kPi * x / f.support));
}

double gaussian_kernel(double x, const FilterRecord& f) { return std::exp(-x * x / (2.0 * f.b * f.b)); }

// The quadratic B-spline.
double bell_kernel(double x, const FilterRecord&)
{
    x = std::fabs(x);
    if (x < 0.5) return 0.75 - x * x;
    if (x < 1.5) return 0.5 * (x - 1.5) * (x - 1.5);
    return 0.0;
}

// The Mitchell-Netravali family of cubics: B = 1, C = 0 is the cubic
// B-spline, B = 0 the interpolating cubics of Keys with a = -C.
double cubic_kernel(double x, const FilterRecord& f)
{
    const double b = f.b, c = f.c;
    x = std::fabs(x);
    if (x < 1.0) return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + (6 - 2 * b)) / 6.0;
    if (x < 2.0)
        return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x + (-12 * b - 48 * c) * x + (8 * b + 24 * c)) / 6.0;
    return 0.0;
}

// Hermite's cubic: smooth steps between neighbours, no overshoot.
double hermite_kernel(double x, const FilterRecord&)
{
    x = std::fabs(x);
    return x < 1.0 ? (2.0 * x - 3.0) * x * x + 1.0 : 0.0;
}

double lanczos_kernel(double x, const FilterRecord& f)
{
    if (std::fabs(x) >= f.support) return 0.0;
    return sinc(x) * sinc(x / f.support);
}

double sinc_kernel(double x, const FilterRecord& f) { return std::fabs(x) < f.support ? sinc(x) : 0.0; }

using S = FilterSampling;
constexpr FilterRecord kFilters[] = {
    {ResizeFilter::Box, "Box", S::Kernel, box_kernel, 0.5, 0, 0},
    {ResizeFilter::Triangle, "Triangle", S::Kernel, triangle_kernel, 1.0, 0, 0},
    {ResizeFilter::Hamming, "Hamming", S::Kernel, hamming_kernel, 4.0, 0, 0},
    {ResizeFilter::Gaussian, "Gaussian", S::Kernel, gaussian_kernel, 2.0, 0.5, 0},
    {ResizeFilter::Bell, "Bell", S::Kernel, bell_kernel, 1.5, 0, 0},
    {ResizeFilter::BSpline, "B-Spline", S::Kernel, cubic_kernel, 2.0, 1.0, 0.0},
    {ResizeFilter::Cubic1, "Cubic 1", S::Kernel, cubic_kernel, 2.0, 0.0, 1.0},
    {ResizeFilter::Cubic2, "Cubic 2", S::Kernel, cubic_kernel, 2.0, 0.0, 0.75},
    {ResizeFilter::Lanczos3, "Lanczos3", S::Kernel, lanczos_kernel, 3.0, 0, 0},
    {ResizeFilter::Mitchell, "Mitchell", S::Kernel, cubic_kernel, 2.0, 1.0 / 3.0, 1.0 / 3.0},
    {ResizeFilter::Sinc, "Sinc", S::Kernel, sinc_kernel, 4.0, 0, 0},
    {ResizeFilter::Hermite, "Hermite", S::Kernel, hermite_kernel, 1.0, 0, 0},
    {ResizeFilter::Hanning, "Hanning", S::Kernel, hanning_kernel, 4.0, 0, 0},
    {ResizeFilter::Catrom, "Catrom", S::Kernel, cubic_kernel, 2.0, 0.0, 0.5},
    {ResizeFilter::AreaAverage, "Area Average", S::Coverage, nullptr, 0.5, 0, 0},
    {ResizeFilter::Bicubic, "Bicubic", S::Kernel, cubic_kernel, 2.0, 0.0, 0.5},
    {ResizeFilter::Nearest, "Nearest Neighbor", S::Nearest, nullptr, 0.5, 0, 0},
};

// Names of the resize operation, in the order they are compared.
struct NamedFilter {
    const char* name;
    ResizeFilter filter;
};
constexpr NamedFilter kNames[] = {
    {"Area Average", ResizeFilter::AreaAverage}, {"Nearest Neighbor", ResizeFilter::Nearest},
    {"Bilinear", ResizeFilter::Nearest},         {"Bicubic", ResizeFilter::Bicubic},
    {"Box", ResizeFilter::Box},                  {"Triangle", ResizeFilter::Triangle},
    {"Hamming", ResizeFilter::Hamming},          {"Gaussian", ResizeFilter::Gaussian},
    {"Bell", ResizeFilter::Bell},                {"B-Spline", ResizeFilter::BSpline},
    {"Cubic 1", ResizeFilter::Cubic1},           {"Cubic 2", ResizeFilter::Cubic2},
    {"Lanczos3", ResizeFilter::Lanczos3},        {"Mitchell", ResizeFilter::Mitchell},
    {"Sinc", ResizeFilter::Sinc},                {"Hermite", ResizeFilter::Hermite},
    {"Hanning", ResizeFilter::Hanning},          {"Catrom", ResizeFilter::Catrom},
};

// ---------------------------------------------------------------------------
// Weights

// For each output position along one axis: the first source position it
// reads, how many it reads, and their weights (`stride` slots per output).
struct Taps {
    mem::Owned<int32_t> first;
    mem::Owned<int32_t> count;
    mem::Owned<float> weights;
    mem::Owned<float> wide;  // every weight four times, for whole pixels
    int32_t stride = 0;
    int64_t total = 0;  // taps of all outputs together
};

bool build_taps(const FilterRecord& f, int32_t srcLength, int32_t dstLength, Taps& t)
{
    const double scale = double(dstLength) / double(srcLength);  // output pixels per source pixel
    const double stretch = scale < 1.0 ? 1.0 / scale : 1.0;
    double reach = 0.5;  // how far from an output's centre its sources lie
    if (f.sampling == S::Kernel) reach = std::max(f.support * stretch, 0.5);
    else if (f.sampling == S::Coverage) reach = 0.5 * std::max(stretch, 1.0 / scale);
    const double widest = std::ceil(2.0 * reach) + 2.0;
    t.stride = static_cast<int32_t>(std::min<double>(widest, srcLength));

    t.first.reset(mem::try_alloc_array<int32_t>(std::size_t(dstLength)));
    t.count.reset(mem::try_alloc_array<int32_t>(std::size_t(dstLength)));
    t.weights.reset(mem::try_alloc_array<float>(std::size_t(dstLength) * std::size_t(t.stride)));
    t.wide.reset(mem::try_alloc_array<float>(std::size_t(dstLength) * std::size_t(t.stride) * 4));
    if (!t.first || !t.count || !t.weights || !t.wide) return false;

    mem::Owned<double> scratch(mem::try_alloc_array<double>(std::size_t(t.stride)));
    if (!scratch) return false;
    double* weight = scratch.get();

    t.total = 0;
    for (int32_t x = 0; x < dstLength; ++x) {
        const double center = (x + 0.5) / scale;
        const double lo = x / scale, hi = (x + 1) / scale;  // the output pixel's extent in the source
        int64_t start = 0, stop = 0;
        if (f.sampling == S::Nearest) {
            start = std::min<int64_t>(static_cast<int64_t>(center), srcLength - 1);
            stop = start + 1;
        } else if (f.sampling == S::Coverage) {
            start = std::max<int64_t>(static_cast<int64_t>(std::floor(lo)), 0);
            stop = std::min<int64_t>(static_cast<int64_t>(std::ceil(hi)), srcLength);
        } else {
            start = std::max<int64_t>(static_cast<int64_t>(std::floor(center - reach + 0.5)), 0);
            stop = std::min<int64_t>(static_cast<int64_t>(std::floor(center + reach + 0.5)), srcLength);
        }
        stop = std::min<int64_t>(stop, start + t.stride);
        for (int64_t n = start; n < stop; ++n) {
            double& w = weight[n - start];
            if (f.sampling == S::Nearest) w = 1.0;
            else if (f.sampling == S::Coverage) w = std::max(0.0, std::min(hi, double(n + 1)) - std::max(lo, double(n)));
            else w = f.kernel((n + 0.5 - center) / stretch, f);
        }
        // Drop zero weights at both ends, then make the rest sum to one.
        while (stop > start + 1 && weight[stop - 1 - start] == 0.0) --stop;
        int64_t lead = 0;
        while (start + lead + 1 < stop && weight[lead] == 0.0) ++lead;
        double sum = 0.0;
        for (int64_t n = start + lead; n < stop; ++n) sum += weight[n - start];
        float* out = t.weights.get() + std::size_t(x) * t.stride;
        if (stop <= start || std::fabs(sum) < 1e-12) {
            // No weight at all (cannot happen with the filters above): the
            // pixel under the centre.
            t.first[x] = static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(center), 0, srcLength - 1));
            t.count[x] = 1;
            out[0] = 1.0f;
        } else {
            t.first[x] = static_cast<int32_t>(start + lead);
            t.count[x] = static_cast<int32_t>(stop - start - lead);
            for (int64_t n = start + lead; n < stop; ++n) out[n - start - lead] = static_cast<float>(weight[n - start] / sum);
        }
        t.total += t.count[x];
        float* wide = t.wide.get() + std::size_t(x) * t.stride * 4;
        for (int32_t k = 0; k < t.count[x]; ++k) wide[4 * k] = wide[4 * k + 1] = wide[4 * k + 2] = wide[4 * k + 3] = out[k];
    }
    return true;
}

// ---------------------------------------------------------------------------
// Passes

const rows::Kernels& row_kernels()
{
#if defined(__x86_64__)
    static const rows::Kernels& kernels =
        __builtin_cpu_supports("avx2") ? rows::avx2_kernels() : rows::baseline_kernels();
#else
    static const rows::Kernels& kernels = rows::baseline_kernels();
#endif
    return kernels;
}

// Passes with fewer pixel weighings than this run on the calling thread.
constexpr double kParallelWork = 1 << 16;

rows::TapsView view_of(const Taps& t) { return {t.first.get(), t.count.get(), t.weights.get(), t.wide.get(), t.stride}; }

// Along the rows: `rowCount` rows of the taps' source length into their
// output length.
void horizontal(rows::HorizontalRow kernel, const uint8_t* src, std::ptrdiff_t srcStride, uint8_t* dst,
                std::ptrdiff_t dstStride, int32_t rowCount, int32_t outWidth, const Taps& t)
{
    const rows::TapsView taps = view_of(t);
    const bool worth = double(rowCount) * double(t.total) >= kParallelWork;
#pragma omp parallel for schedule(static) if (worth)
    for (int32_t y = 0; y < rowCount; ++y) kernel(src + y * srcStride, dst + y * dstStride, outWidth, taps);
}

// Along the columns: every output row from whole source rows.
void vertical(rows::VerticalRow kernel, const uint8_t* src, std::ptrdiff_t srcStride, uint8_t* dst,
              std::ptrdiff_t dstStride, int32_t width, int32_t outRows, const Taps& t)
{
    const int32_t* first = t.first.get();
    const int32_t* count = t.count.get();
    const float* weights = t.weights.get();
    const int32_t stride = t.stride;
    const bool worth = double(width) * double(t.total) >= kParallelWork;
#pragma omp parallel for schedule(static) if (worth)
    for (int32_t y = 0; y < outRows; ++y)
        kernel(src + first[y] * srcStride, srcStride, count[y], weights + std::size_t(y) * stride, dst + y * dstStride,
               width * 4);
}

// Premultiplying matters only where alpha differs from pixel to pixel;
// with one alpha throughout (opaque, or a flat wash) the colours are
// filtered as they are, which keeps them exact.
bool alpha_varies(const ConstImageView& v)
{
    uint32_t first = 0;
    if (v.bytesPerPixel == 4) first = v.data[3];
    else std::memcpy(&first, v.data + 6, 2);
    bool varies = false;
    for (int32_t y = 0; y < v.height && !varies; ++y) {
        const uint8_t* row = v.row(y);
        if (v.bytesPerPixel == 4) {
            for (int32_t x = 0; x < v.width; ++x) varies |= row[4 * x + 3] != first;
        } else {
            for (int32_t x = 0; x < v.width; ++x) {
                uint16_t a;
                std::memcpy(&a, row + 8 * x + 6, 2);
                varies |= a != first;
            }
        }
    }
    return varies;
}

bool usable(const ConstImageView& v)
{
    if (!v.data || v.width <= 0 || v.height <= 0) return false;
    if (v.bytesPerPixel != 4 && v.bytesPerPixel != 8) return false;
    const std::ptrdiff_t row = std::ptrdiff_t{v.width} * v.bytesPerPixel;
    return v.stride >= row || v.stride <= -row;
}

}  // namespace

const FilterRecord* filter_record(ResizeFilter id) noexcept
{
    for (const FilterRecord& f : kFilters)
        if (f.id == id) return &f;
    return nullptr;
}

const FilterRecord* filter_record(int32_t id) noexcept { return filter_record(static_cast<ResizeFilter>(id)); }

ResizeFilter resize_filter_from_name(const char* name) noexcept
{
    if (name)
        for (const NamedFilter& n : kNames)
            if (std::strcmp(n.name, name) == 0) return n.filter;
    return ResizeFilter::Lanczos3;
}

bool resample(const ConstImageView& src, const ImageView& dst, ResizeFilter filter) noexcept
{
    const FilterRecord* f = filter_record(filter);
    if (!f || !usable(src) || !usable(dst) || src.bytesPerPixel != dst.bytesPerPixel) return false;

    Taps tx, ty;
    if (!build_taps(*f, src.width, dst.width, tx) || !build_taps(*f, src.height, dst.height, ty)) return false;

    // The order with fewer multiplications (rows first for pictures whose
    // alpha varies, which are premultiplied as the rows are read); the
    // working buffer holds the picture between the passes.
    const bool premultiply = alpha_varies(src);
    const double rowsFirstCost = double(src.height) * tx.total + double(dst.width) * ty.total;
    const double columnsFirstCost = double(src.width) * ty.total + double(dst.height) * tx.total;
    const bool rowsFirst = premultiply || rowsFirstCost <= columnsFirstCost;
    const std::size_t workPixels =
        rowsFirst ? std::size_t(dst.width) * std::size_t(src.height) : std::size_t(src.width) * std::size_t(dst.height);
    if (workPixels > SIZE_MAX / 8) return false;
    mem::Owned<uint8_t> work(static_cast<uint8_t*>(mem::try_alloc_uninit(workPixels * 8)));
    if (!work) return false;

    const rows::Kernels& k = row_kernels();
    const bool wide = src.bytesPerPixel == 8;
    const int first = wide ? rows::Source16ToWork : rows::Source8ToWork;
    const int last = wide ? rows::WorkToFinal16 : rows::WorkToFinal8;
    const int p = premultiply ? 1 : 0;
    if (rowsFirst) {
        const std::ptrdiff_t workStride = std::ptrdiff_t{dst.width} * 8;
        horizontal(k.horizontal[first][p], src.data, src.stride, work.get(), workStride, src.height, dst.width, tx);
        vertical(k.vertical[last][p], work.get(), workStride, dst.data, dst.stride, dst.width, dst.height, ty);
    } else {
        const std::ptrdiff_t workStride = std::ptrdiff_t{src.width} * 8;
        vertical(k.vertical[first][0], src.data, src.stride, work.get(), workStride, src.width, dst.height, ty);
        horizontal(k.horizontal[last][0], work.get(), workStride, dst.data, dst.stride, dst.height, dst.width, tx);
    }
    return true;
}

bool general_resize(const ConstImageView& src, const ImageView& dst, int32_t mode) noexcept
{
    const FilterRecord* f = filter_record(mode);
    return f && resample(src, dst, f->id);
}

bool plain_resize(const ConstImageView& src, const ImageView& dst) noexcept
{
    return resample(src, dst, ResizeFilter::Triangle);
}

bool decimate(const ConstImageView& src, const ImageView& dst) noexcept
{
    return resample(src, dst, ResizeFilter::AreaAverage);
}

}  // namespace mur::imaging

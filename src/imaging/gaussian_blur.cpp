#include "imaging/gaussian_blur.h"

#include "engine/memory.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace mur::imaging {
namespace {

// Kernels above this sigma are replaced by three box passes.
constexpr double kLargestSampledSigma = 10.0;
constexpr int kLargestRadius = 30;  // ceil(3 * kLargestSampledSigma)
// Larger sigmas blur no differently on any picture we can hold, and keep the
// box sums within 32 bits.
constexpr double kLargestSigma = 8000.0;

// ---- Sampled kernel ---------------------------------------------------------
//
// Both passes work on 16-bit values holding 8-bit levels with 7 fraction bits
// (255 -> 32640), so that the sum of the two samples at -k and +k still fits
// 16 bits. Each tap adds the high half of that sum times a 16-bit weight
// (weights of the centre plus twice the sides add up to 65536); the compiler
// turns those loops into packed multiply-high instructions. The rows of the
// first pass are kept in a small ring per block of output rows, so the
// intermediate image never leaves the cache.

constexpr int kFractionBits = 7;
constexpr std::size_t kChunk = 1024;  // values accumulated at a time

struct Kernel {
    int radius = 0;
    std::vector<uint16_t> weights;  // [0] the centre, [k] each of the taps at -k and +k
    uint16_t bias = 0;              // makes up for the truncation of each tap, on average
};

// False when the kernel is so narrow that it leaves the picture as it is.
bool sampled_kernel(double sigma, Kernel& kernel)
{
    const int radius = std::clamp(static_cast<int>(std::ceil(3 * sigma)), 1, kLargestRadius);
    std::vector<double> g(radius + 1);
    double sum = 0;
    for (int k = 0; k <= radius; ++k) {
        g[k] = std::exp(-(k * k) / (2 * sigma * sigma));
        sum += k == 0 ? g[k] : 2 * g[k];
    }
    kernel.radius = radius;
    kernel.weights.assign(radius + 1, 0);
    int64_t sides = 0;
    for (int k = 1; k <= radius; ++k) sides += 2 * (kernel.weights[k] = static_cast<uint16_t>(std::lround(g[k] / sum * 65536)));
    const int64_t centre = 65536 - sides;
    if (centre > 65535) return false;
    kernel.weights[0] = static_cast<uint16_t>(centre);
    kernel.bias = static_cast<uint16_t>((radius + 1) / 2);
    return true;
}

inline uint16_t high_product(uint16_t value, uint16_t weight)
{
    return static_cast<uint16_t>((uint32_t{value} * weight) >> 16);
}

// acc[i] = bias + the weighted sum of the taps at value offset `at`, for i < n.
// taps[radius] is the centre, taps[radius - k] and taps[radius + k] its sides.
void weigh_taps(const uint16_t* const* taps, const Kernel& kernel, std::size_t at, std::size_t n, uint16_t* acc)
{
    const int r = kernel.radius;
    const uint16_t bias = kernel.bias;
    {
        const uint16_t* centre = taps[r] + at;
        const uint16_t w = kernel.weights[0];
#pragma omp simd
        for (std::size_t i = 0; i < n; ++i) acc[i] = static_cast<uint16_t>(bias + high_product(centre[i], w));
    }
    for (int k = 1; k <= r; ++k) {
        const uint16_t* before = taps[r - k] + at;
        const uint16_t* after = taps[r + k] + at;
        const uint16_t w = kernel.weights[k];
#pragma omp simd
        for (std::size_t i = 0; i < n; ++i)
            acc[i] = static_cast<uint16_t>(acc[i] + high_product(static_cast<uint16_t>(before[i] + after[i]), w));
    }
}

// One row blurred along x into `out` (width * channels values). `padded`
// holds the row with `radius` repeated border pixels on each side.
void blur_row(const uint8_t* in, int width, int channels, const Kernel& kernel, uint16_t* padded,
              const uint16_t** taps, uint16_t* out)
{
    const int r = kernel.radius;
    const std::size_t values = std::size_t(width) * channels;
    uint16_t* body = padded + std::size_t(r) * channels;
    for (std::size_t i = 0; i < values; ++i) body[i] = static_cast<uint16_t>(in[i] << kFractionBits);
    for (int x = 0; x < r; ++x)
        for (int c = 0; c < channels; ++c) {
            padded[std::size_t(x) * channels + c] = body[c];
            body[values + std::size_t(x) * channels + c] = body[values - channels + c];
        }
    for (int j = 0; j <= 2 * r; ++j) taps[j] = padded + std::size_t(j) * channels;
    for (std::size_t at = 0; at < values; at += kChunk) weigh_taps(taps, kernel, at, std::min(kChunk, values - at), out + at);
}

// Output rows [y0, y1): rows of the source blurred along x go into the ring
// (slot = row modulo its size) as the window moves down, then each output
// row is the weighted sum of the ring rows around it.
void blur_rows(const ConstImageView& src, const ImageView& dst, const Kernel& kernel, int y0, int y1,
               uint16_t* ring, uint16_t* padded)
{
    const int r = kernel.radius, h = src.height, channels = src.bytesPerPixel, ringRows = 2 * r + 1;
    const std::size_t values = std::size_t(src.width) * channels;
    // On the stack: this runs on the worker threads, where an allocation
    // that fails could not be reported.
    const uint16_t* taps[2 * kLargestRadius + 1];
    uint16_t acc[kChunk];
    int next = std::max(0, y0 - r);  // the next source row to bring into the ring
    for (int y = y0; y < y1; ++y) {
        for (const int last = std::min(h - 1, y + r); next <= last; ++next)
            blur_row(src.row(next), src.width, channels, kernel, padded, taps,
                     ring + std::size_t(next % ringRows) * values);
        for (int j = 0; j < ringRows; ++j)
            taps[j] = ring + std::size_t(std::clamp(y - r + j, 0, h - 1) % ringRows) * values;
        uint8_t* out = dst.row(y);
        for (std::size_t at = 0; at < values; at += kChunk) {
            const std::size_t n = std::min(kChunk, values - at);
            weigh_taps(taps, kernel, at, n, acc);
#pragma omp simd
            for (std::size_t i = 0; i < n; ++i)
                out[at + i] = static_cast<uint8_t>(std::min(255, (acc[i] + (1 << (kFractionBits - 1))) >> kFractionBits));
        }
    }
}

bool sampled_blur(const ConstImageView& src, const ImageView& dst, const Kernel& kernel)
{
    const int h = src.height, channels = src.bytesPerPixel;
    const std::size_t values = std::size_t(src.width) * channels;
    const std::size_t ringValues = values * (2 * kernel.radius + 1);
    const std::size_t paddedValues = values + std::size_t(2 * kernel.radius) * channels;
    const int blocks = std::max(1, std::min(omp_get_max_threads(), h));
    const mem::Owned<uint16_t> work(
        static_cast<uint16_t*>(mem::try_alloc_uninit((ringValues + paddedValues) * 2 * std::size_t(blocks))));
    if (!work) return false;
#pragma omp parallel for schedule(static)
    for (int block = 0; block < blocks; ++block) {
        uint16_t* ring = work.get() + (ringValues + paddedValues) * std::size_t(block);
        blur_rows(src, dst, kernel, int(int64_t{h} * block / blocks), int(int64_t{h} * (block + 1) / blocks), ring,
                  ring + ringValues);
    }
    return true;
}

// ---- Three boxes ----------------------------------------------------------
//
// For wide blurs: three box passes of matching variance along each axis, on
// 16-bit working values (8-bit << 8), each a running sum, so the cost per
// pixel does not grow with sigma.

// Widths of three boxes whose repeated blur has the variance of the Gaussian
// (the usual two-size choice).
void box_widths(double sigma, int widths[3])
{
    const double ideal = std::sqrt(12 * sigma * sigma / 3 + 1);
    int lower = static_cast<int>(std::floor(ideal));
    if (lower % 2 == 0) --lower;
    const int upper = lower + 2;
    const double m = std::round((12 * sigma * sigma - 3.0 * lower * lower - 4.0 * 3 * lower - 3.0 * 3) /
                                (-4.0 * lower - 4));
    for (int i = 0; i < 3; ++i) widths[i] = i < m ? lower : upper;
}

// A 16-bit working image (8-bit values << 8), `channels` interleaved.
struct Plane16 {
    uint16_t* values;
    int w, h, channels;
    uint16_t* row(int y) const { return values + std::size_t(y) * w * channels; }
    std::size_t row_values() const { return std::size_t(w) * channels; }
};

// The rounded mean of a box sum, (sum + width / 2) / width, through a 32-bit
// reciprocal rounded up: never below the true quotient and less than
// (sum + width) / 2^32 above it, so a flat picture stays exactly flat.
struct BoxMean {
    uint32_t half;
    uint64_t reciprocal;
    explicit BoxMean(int width)
        : half(uint32_t(width / 2)), reciprocal(((uint64_t{1} << 32) + uint64_t(width) - 1) / uint64_t(width)) {}
    uint16_t operator()(uint32_t sum) const { return static_cast<uint16_t>((uint64_t{sum + half} * reciprocal) >> 32); }
};

// A box of odd width along rows, from -> to; `padded` holds a row with
// repeated borders.
template <int Channels>
void box_row(const uint16_t* in, uint16_t* out, int w, int width, uint16_t* padded)
{
    const int half = width / 2;
    for (int x = -half; x < w + half; ++x)
        for (int c = 0; c < Channels; ++c) padded[(x + half) * Channels + c] = in[std::clamp(x, 0, w - 1) * Channels + c];
    const BoxMean mean(width);
    uint32_t sums[Channels] = {};
    for (int k = 0; k < width; ++k)
        for (int c = 0; c < Channels; ++c) sums[c] += padded[k * Channels + c];
    for (int x = 0; x < w; ++x)
        for (int c = 0; c < Channels; ++c) {
            out[x * Channels + c] = mean(sums[c]);
            if (x + 1 < w) sums[c] += uint32_t{padded[(x + width) * Channels + c]} - padded[x * Channels + c];
        }
}

void box_rows(const Plane16& from, const Plane16& to, int width, uint16_t* scratch, std::size_t scratchValues)
{
#pragma omp parallel for schedule(static)
    for (int y = 0; y < from.h; ++y) {
        uint16_t* padded = scratch + std::size_t(omp_get_thread_num()) * scratchValues;
        if (from.channels == 4)
            box_row<4>(from.row(y), to.row(y), from.w, width, padded);
        else
            box_row<1>(from.row(y), to.row(y), from.w, width, padded);
    }
}

// A box along columns: each block of the row keeps its running sums while it
// moves down.
void box_columns(const Plane16& from, const Plane16& to, int width)
{
    const int half = width / 2, h = from.h;
    const std::size_t n = from.row_values();
    constexpr std::size_t kBlock = 512;
    const BoxMean mean(width);
    auto row_at = [&](int y) { return from.row(std::clamp(y, 0, h - 1)); };
#pragma omp parallel for schedule(static)
    for (int block = 0; block < int((n + kBlock - 1) / kBlock); ++block) {
        const std::size_t i0 = std::size_t(block) * kBlock, count = std::min(n, i0 + kBlock) - i0;
        uint32_t sums[kBlock] = {};
        for (int k = -half; k <= half; ++k) {
            const uint16_t* in = row_at(k) + i0;
            for (std::size_t i = 0; i < count; ++i) sums[i] += in[i];
        }
        for (int y = 0; y < h; ++y) {
            uint16_t* out = to.row(y) + i0;
            const uint16_t* enter = row_at(y + half + 1) + i0;
            const uint16_t* leave = row_at(y - half) + i0;
#pragma omp simd
            for (std::size_t i = 0; i < count; ++i) {
                out[i] = mean(sums[i]);
                sums[i] += uint32_t{enter[i]} - leave[i];
            }
        }
    }
}

bool box_blur(const ConstImageView& src, const ImageView& dst, double sigma)
{
    const int w = src.width, h = src.height, channels = src.bytesPerPixel;
    int widths[3];
    box_widths(sigma, widths);
    const std::size_t values = std::size_t(w) * h * channels;
    const std::size_t scratchValues = (std::size_t(w) + widths[2]) * channels;
    const int threads = omp_get_max_threads();
    const mem::Owned<uint16_t> first(static_cast<uint16_t*>(mem::try_alloc_uninit(values * 2)));
    const mem::Owned<uint16_t> second(static_cast<uint16_t*>(mem::try_alloc_uninit(values * 2)));
    const mem::Owned<uint16_t> scratch(static_cast<uint16_t*>(mem::try_alloc_uninit(scratchValues * 2 * threads)));
    if (!first || !second || !scratch) return false;
    const Plane16 a{first.get(), w, h, channels}, b{second.get(), w, h, channels};
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = src.row(y);
        uint16_t* out = a.row(y);
        for (std::size_t i = 0; i < a.row_values(); ++i) out[i] = static_cast<uint16_t>(in[i] << 8);
    }
    for (int width : widths) {
        box_rows(a, b, width, scratch.get(), scratchValues);
        box_columns(b, a, width);
    }
    for (int y = 0; y < h; ++y) {
        const uint16_t* in = a.row(y);
        uint8_t* out = dst.row(y);
        for (std::size_t i = 0; i < a.row_values(); ++i) out[i] = static_cast<uint8_t>(std::min(255, (in[i] + 128) >> 8));
    }
    return true;
}

void copy_view(const ConstImageView& src, const ImageView& dst)
{
    const std::size_t bytes = std::size_t(src.width) * src.bytesPerPixel;
    for (int y = 0; y < src.height; ++y)
        if (src.row(y) != dst.row(y)) std::memmove(dst.row(y), src.row(y), bytes);
}

// True when writing dst could change what is still to be read from src.
bool overlaps(const ConstImageView& src, const ImageView& dst)
{
    const auto span = [](const uint8_t* data, std::ptrdiff_t stride, int h, std::size_t rowBytes) {
        const uint8_t* first = stride >= 0 ? data : data + stride * (h - 1);
        const uint8_t* last = (stride >= 0 ? data + stride * (h - 1) : data) + rowBytes;
        return std::pair{first, last};
    };
    const std::size_t rowBytes = std::size_t(src.width) * src.bytesPerPixel;
    const auto [s0, s1] = span(src.data, src.stride, src.height, rowBytes);
    const auto [d0, d1] = span(dst.data, dst.stride, dst.height, rowBytes);
    return s0 < d1 && d0 < s1;
}

}  // namespace

bool gaussian_blur(const ConstImageView& src, const ImageView& dst, double sigma) noexcept
{
    if (!src.data || !dst.data || src.width != dst.width || src.height != dst.height) return false;
    if (src.bytesPerPixel != dst.bytesPerPixel || (src.bytesPerPixel != 1 && src.bytesPerPixel != 4)) return false;
    if (src.width <= 0 || src.height <= 0) return true;
    if (!(sigma > 0)) {
        copy_view(src, dst);
        return true;
    }
    try {
        sigma = std::min(sigma, kLargestSigma);
        if (sigma > kLargestSampledSigma) return box_blur(src, dst, sigma);
        Kernel kernel;
        if (!sampled_kernel(sigma, kernel)) {
            copy_view(src, dst);
            return true;
        }
        if (!overlaps(src, dst)) return sampled_blur(src, dst, kernel);
        // Working in place: blur from a copy of the source.
        const std::size_t rowBytes = std::size_t(src.width) * src.bytesPerPixel;
        const mem::Owned<uint8_t> copy(static_cast<uint8_t*>(mem::try_alloc_uninit(rowBytes * src.height)));
        if (!copy) return false;
        for (int y = 0; y < src.height; ++y) std::memcpy(copy.get() + rowBytes * y, src.row(y), rowBytes);
        return sampled_blur(ConstImageView(copy.get(), src.width, src.height, std::ptrdiff_t(rowBytes), src.bytesPerPixel),
                            dst, kernel);
    } catch (...) {
        return false;
    }
}

}  // namespace mur::imaging

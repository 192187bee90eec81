#include "imaging/gaussian_blur.h"

#include "engine/memory.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace mur::imaging {
namespace {

// Kernels above this sigma are replaced by three box passes.
constexpr double kLargestSampledSigma = 6.0;
constexpr int kWeightBits = 16;

// A sampled, normalised Gaussian in fixed point: taps -radius..radius whose
// weights add up to exactly 1 << kWeightBits.
std::vector<int32_t> gaussian_weights(double sigma)
{
    const int radius = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
    std::vector<double> w(2 * radius + 1);
    double sum = 0;
    for (int i = -radius; i <= radius; ++i) sum += w[i + radius] = std::exp(-(i * i) / (2 * sigma * sigma));
    std::vector<int32_t> fixed(w.size());
    int32_t total = 0;
    for (std::size_t i = 0; i < w.size(); ++i) total += fixed[i] = static_cast<int32_t>(std::lround(w[i] / sum * (1 << kWeightBits)));
    fixed[radius] += (1 << kWeightBits) - total;
    return fixed;
}

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

inline uint16_t round_weighted(int64_t sum) { return static_cast<uint16_t>((sum + (1 << (kWeightBits - 1))) >> kWeightBits); }

// Kernel along rows: from -> to.
void kernel_rows(const Plane16& from, const Plane16& to, const std::vector<int32_t>& weights)
{
    const int radius = static_cast<int>(weights.size() / 2), ch = from.channels, w = from.w;
#pragma omp parallel for schedule(static)
    for (int y = 0; y < from.h; ++y) {
        const uint16_t* in = from.row(y);
        uint16_t* out = to.row(y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < ch; ++c) {
                int64_t sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    sum += int64_t{weights[k + radius]} * in[std::clamp(x + k, 0, w - 1) * ch + c];
                out[x * ch + c] = round_weighted(sum);
            }
    }
}

// Kernel along columns, a whole row at a time: from -> to.
void kernel_columns(const Plane16& from, const Plane16& to, const std::vector<int32_t>& weights)
{
    const int radius = static_cast<int>(weights.size() / 2);
    const std::size_t n = from.row_values();
#pragma omp parallel
    {
        std::vector<int64_t> sums(n);
#pragma omp for schedule(static)
        for (int y = 0; y < from.h; ++y) {
            std::fill(sums.begin(), sums.end(), 0);
            for (int k = -radius; k <= radius; ++k) {
                const uint16_t* in = from.row(std::clamp(y + k, 0, from.h - 1));
                const int64_t weight = weights[k + radius];
                for (std::size_t i = 0; i < n; ++i) sums[i] += weight * in[i];
            }
            uint16_t* out = to.row(y);
            for (std::size_t i = 0; i < n; ++i) out[i] = round_weighted(sums[i]);
        }
    }
}

// A box of odd width along rows, with a running sum: from -> to.
void box_rows(const Plane16& from, const Plane16& to, int width)
{
    const int half = width / 2, ch = from.channels, w = from.w;
#pragma omp parallel for schedule(static)
    for (int y = 0; y < from.h; ++y) {
        const uint16_t* in = from.row(y);
        uint16_t* out = to.row(y);
        for (int c = 0; c < ch; ++c) {
            auto at = [&](int x) { return int64_t{in[std::clamp(x, 0, w - 1) * ch + c]}; };
            int64_t sum = 0;
            for (int k = -half; k <= half; ++k) sum += at(k);
            for (int x = 0; x < w; ++x) {
                out[x * ch + c] = static_cast<uint16_t>((sum + half) / width);
                sum += at(x + half + 1) - at(x - half);
            }
        }
    }
}

// A box along columns: each thread runs the sums of its own columns down.
void box_columns(const Plane16& from, const Plane16& to, int width)
{
    const int half = width / 2, h = from.h;
    const std::size_t n = from.row_values();
    auto row_at = [&](int y) { return from.row(std::clamp(y, 0, h - 1)); };
#pragma omp parallel
    {
        std::vector<int64_t> sums;
#pragma omp for schedule(static)
        for (int block = 0; block < int((n + 255) / 256); ++block) {
            const std::size_t i0 = std::size_t(block) * 256, i1 = std::min(n, i0 + 256);
            sums.assign(i1 - i0, 0);
            for (int k = -half; k <= half; ++k) {
                const uint16_t* in = row_at(k);
                for (std::size_t i = i0; i < i1; ++i) sums[i - i0] += in[i];
            }
            for (int y = 0; y < h; ++y) {
                uint16_t* out = to.row(y);
                const uint16_t* enter = row_at(y + half + 1);
                const uint16_t* leave = row_at(y - half);
                for (std::size_t i = i0; i < i1; ++i) {
                    out[i] = static_cast<uint16_t>((sums[i - i0] + half) / width);
                    sums[i - i0] += int64_t{enter[i]} - leave[i];
                }
            }
        }
    }
}

}  // namespace

bool gaussian_blur(const ConstImageView& src, const ImageView& dst, double sigma) noexcept
{
    if (!src.data || !dst.data || src.width != dst.width || src.height != dst.height) return false;
    if (src.bytesPerPixel != dst.bytesPerPixel || (src.bytesPerPixel != 1 && src.bytesPerPixel != 4)) return false;
    const int w = src.width, h = src.height, channels = src.bytesPerPixel;
    if (w <= 0 || h <= 0) return true;
    try {
        const std::size_t values = std::size_t(w) * h * channels;
        const mem::Owned<uint16_t> first(static_cast<uint16_t*>(mem::try_alloc_uninit(values * 2)));
        const mem::Owned<uint16_t> second(static_cast<uint16_t*>(mem::try_alloc_uninit(values * 2)));
        if (!first || !second) return false;
        const Plane16 a{first.get(), w, h, channels}, b{second.get(), w, h, channels};
        for (int y = 0; y < h; ++y) {
            const uint8_t* in = src.row(y);
            uint16_t* out = a.row(y);
            for (int i = 0; i < w * channels; ++i) out[i] = static_cast<uint16_t>(in[i] << 8);
        }
        if (sigma > kLargestSampledSigma) {
            int widths[3];
            box_widths(sigma, widths);
            for (int width : widths) {
                box_rows(a, b, width);
                box_columns(b, a, width);
            }
        } else if (sigma > 0) {
            const std::vector<int32_t> weights = gaussian_weights(sigma);
            kernel_rows(a, b, weights);
            kernel_columns(b, a, weights);
        }
        for (int y = 0; y < h; ++y) {
            const uint16_t* in = a.row(y);
            uint8_t* out = dst.row(y);
            for (int i = 0; i < w * channels; ++i) out[i] = static_cast<uint8_t>(std::min(255, (in[i] + 128) >> 8));
        }
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace mur::imaging

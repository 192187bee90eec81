#include "imaging/window_filters.h"

#include "imaging/effect_support.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace mur::imaging {
namespace {

using fx::clamp_index;

// Radii beyond these change nothing a painter could tell, and keep the
// per-row work bounded.
constexpr int32_t kLargestWindowRadius = 255;
constexpr int32_t kLargestBilateralRadius = 32;

void copy_picture(const ConstImageView& src, const ImageView& dst) noexcept
{
    const std::size_t rowBytes = static_cast<std::size_t>(src.width) * src.bytesPerPixel;
    for (int32_t y = 0; y < src.height; ++y) std::memcpy(dst.row(y), src.row(y), rowBytes);
}

int32_t window_radius(int32_t radius) noexcept { return std::clamp(radius, 0, kLargestWindowRadius); }

// Band of rows [first, last) of the calling thread.
void thread_band(int32_t height, int32_t& first, int32_t& last) noexcept
{
    const int t = omp_get_thread_num(), n = omp_get_num_threads();
    first = static_cast<int32_t>(int64_t{height} * t / n);
    last = static_cast<int32_t>(int64_t{height} * (t + 1) / n);
}

}  // namespace

bool window_mean(const ConstImageView& src, const ImageView& dst, int32_t radius, int32_t channels,
                 WindowMean kind) noexcept
{
    if (!fx::same_shape(src, dst)) return false;
    const int n = src.bytesPerPixel, ch = std::clamp(channels, 0, n), W = src.width, H = src.height;
    const int r = window_radius(radius);
    if (r == 0 || ch == 0) {
        copy_picture(src, dst);
        return true;
    }
    double forward[256];
    for (int v = 0; v < 256; ++v)
        forward[v] = kind == WindowMean::Arithmetic ? v : kind == WindowMean::Geometric ? std::log(v + 1.0) : 1.0 / (v + 1.0);
    const int threads = std::max(1, std::min(omp_get_max_threads(), H));
    const std::size_t rowValues = static_cast<std::size_t>(W) * ch;
    const mem::Owned<double> work = fx::temporary<double>(rowValues * 2 * threads);
    if (!work) return false;
    const double area = double(2 * r + 1) * double(2 * r + 1);
#pragma omp parallel num_threads(threads)
    {
        int32_t y0 = 0, y1 = 0;
        thread_band(H, y0, y1);
        double* column = work.get() + rowValues * 2 * omp_get_thread_num();
        double* across = column + rowValues;
        // Window sums along row y into `across`.
        const auto sum_across = [&](int32_t y) {
            const uint8_t* s = src.row(clamp_index(y, H));
            for (int c = 0; c < ch; ++c) {
                double sum = 0;
                for (int k = -r; k <= r; ++k) sum += forward[s[clamp_index(k, W) * n + c]];
                for (int32_t x = 0; x < W; ++x) {
                    across[x * ch + c] = sum;
                    sum += forward[s[clamp_index(x + r + 1, W) * n + c]] - forward[s[clamp_index(x - r, W) * n + c]];
                }
            }
        };
        const auto add_row = [&](int32_t y, double sign) {
            sum_across(y);
            for (std::size_t i = 0; i < rowValues; ++i) column[i] += sign * across[i];
        };
        if (y0 < y1) {
            std::fill_n(column, rowValues, 0.0);
            for (int32_t y = y0 - r; y <= y0 + r; ++y) add_row(y, 1);
            for (int32_t y = y0; y < y1; ++y) {
                uint8_t* d = dst.row(y);
                const uint8_t* s = src.row(y);
                for (int32_t x = 0; x < W; ++x) {
                    for (int c = 0; c < ch; ++c) {
                        const double m = column[x * ch + c] / area;
                        d[x * n + c] = fx::clamp8(kind == WindowMean::Arithmetic  ? m
                                                  : kind == WindowMean::Geometric ? std::exp(m) - 1
                                                                                  : 1.0 / m - 1);
                    }
                    for (int c = ch; c < n; ++c) d[x * n + c] = s[x * n + c];
                }
                if (y + 1 < y1) {
                    add_row(y + r + 1, 1);
                    add_row(y - r, -1);
                }
            }
        }
    }
    return true;
}

namespace {

// One separable pass of the window's minimum or maximum, along rows
// (`vertical` false) or columns.
void extreme_pass(const ConstImageView& src, const ImageView& dst, int r, int ch, bool maximum, bool vertical) noexcept
{
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < H; ++y) {
        uint8_t* d = dst.row(y);
        for (int32_t x = 0; x < W; ++x)
            for (int c = 0; c < ch; ++c) {
                int best = maximum ? 0 : 255;
                for (int k = -r; k <= r; ++k) {
                    const int v = vertical ? src.row(clamp_index(y + k, H))[x * n + c]
                                           : src.row(y)[clamp_index(x + k, W) * n + c];
                    best = maximum ? std::max(best, v) : std::min(best, v);
                }
                d[x * n + c] = static_cast<uint8_t>(best);
            }
    }
}

bool window_extreme(const ConstImageView& src, const ImageView& dst, int r, int ch, bool maximum) noexcept
{
    const mem::Owned<uint8_t> across = fx::temporary<uint8_t>(fx::pixel_bytes(src));
    if (!across) return false;
    const ImageView mid{across.get(), src.width, src.height, std::ptrdiff_t{src.width} * src.bytesPerPixel,
                        src.bytesPerPixel};
    extreme_pass(src, mid, r, ch, maximum, false);
    extreme_pass(mid, dst, r, ch, maximum, true);
    return true;
}

// Median of each channel by a histogram slid along the row.
void window_median(const ConstImageView& src, const ImageView& dst, int r, int ch) noexcept
{
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
    const int half = (2 * r + 1) * (2 * r + 1) / 2;
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < H; ++y) {
        uint8_t* d = dst.row(y);
        for (int c = 0; c < ch; ++c) {
            int hist[256] = {};
            for (int dy = -r; dy <= r; ++dy) {
                const uint8_t* s = src.row(clamp_index(y + dy, H));
                for (int dx = -r; dx <= r; ++dx) ++hist[s[clamp_index(dx, W) * n + c]];
            }
            int med = 0, less = 0;
            while (less + hist[med] <= half) less += hist[med++];
            d[c] = static_cast<uint8_t>(med);
            for (int32_t x = 1; x < W; ++x) {
                const int out = clamp_index(x - r - 1, W) * n + c, in = clamp_index(x + r, W) * n + c;
                for (int dy = -r; dy <= r; ++dy) {
                    const uint8_t* s = src.row(clamp_index(y + dy, H));
                    const int vo = s[out], vi = s[in];
                    --hist[vo];
                    less -= vo < med;
                    ++hist[vi];
                    less += vi < med;
                }
                while (less > half) less -= hist[--med];
                while (less + hist[med] <= half) less += hist[med++];
                d[x * n + c] = static_cast<uint8_t>(med);
            }
        }
    }
}

}  // namespace

bool window_statistic(const ConstImageView& src, const ImageView& dst, int32_t radius, int32_t channels,
                      WindowStatistic kind) noexcept
{
    if (!fx::same_shape(src, dst)) return false;
    const int n = src.bytesPerPixel, ch = std::clamp(channels, 0, n);
    const int r = window_radius(radius);
    if (r == 0 || ch == 0) {
        copy_picture(src, dst);
        return true;
    }
    switch (kind) {
    case WindowStatistic::Minimum:
    case WindowStatistic::Maximum:
        if (!window_extreme(src, dst, r, ch, kind == WindowStatistic::Maximum)) return false;
        break;
    case WindowStatistic::Midpoint: {
        const mem::Owned<uint8_t> low = fx::temporary<uint8_t>(fx::pixel_bytes(src));
        if (!low) return false;
        const ImageView lowView{low.get(), src.width, src.height, std::ptrdiff_t{src.width} * n, n};
        if (!window_extreme(src, lowView, r, ch, false) || !window_extreme(src, dst, r, ch, true)) return false;
        for (int32_t y = 0; y < src.height; ++y) {
            uint8_t* d = dst.row(y);
            const uint8_t* l = lowView.row(y);
            for (int32_t x = 0; x < src.width; ++x)
                for (int c = 0; c < ch; ++c) d[x * n + c] = static_cast<uint8_t>((d[x * n + c] + l[x * n + c] + 1) / 2);
        }
        break;
    }
    case WindowStatistic::Median:
        window_median(src, dst, r, ch);
        break;
    }
    fx::copy_other_channels(src, dst, ch);
    return true;
}

bool bilateral_filter(const ConstImageView& src, const ImageView& dst, int32_t radius, double rangeSigma,
                      int32_t channels) noexcept
{
    if (!fx::same_shape(src, dst)) return false;
    const int n = src.bytesPerPixel, ch = std::clamp(channels, 0, n), W = src.width, H = src.height;
    const int r = std::clamp(radius, 0, kLargestBilateralRadius);
    if (r == 0 || ch == 0) {
        copy_picture(src, dst);
        return true;
    }
    constexpr int kShift = 6;  // squared colour distances are looked up in steps of 64
    const int side = 2 * r + 1;
    float spatial[(2 * kLargestBilateralRadius + 1) * (2 * kLargestBilateralRadius + 1)];
    const double ss = std::max(0.5, r / 2.0), rs = std::max(0.1, rangeSigma);
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            spatial[(dy + r) * side + dx + r] = static_cast<float>(std::exp(-(dx * dx + dy * dy) / (2 * ss * ss)));
    const int rangeSteps = (ch * 255 * 255 >> kShift) + 1;
    const mem::Owned<float> range = fx::temporary<float>(static_cast<std::size_t>(rangeSteps));
    if (!range) return false;
    for (int i = 0; i < rangeSteps; ++i)
        range.get()[i] = static_cast<float>(std::exp(-double(i << kShift) / (2 * rs * rs * ch)));
    const float* rangeWeight = range.get();
#pragma omp parallel for schedule(dynamic, 4)
    for (int32_t y = 0; y < H; ++y) {
        uint8_t* d = dst.row(y);
        for (int32_t x = 0; x < W; ++x) {
            const uint8_t* centre = src.row(y) + x * n;
            float sum[4] = {}, weights = 0;
            for (int dy = -r; dy <= r; ++dy) {
                const uint8_t* row = src.row(clamp_index(y + dy, H));
                for (int dx = -r; dx <= r; ++dx) {
                    const uint8_t* p = row + clamp_index(x + dx, W) * n;
                    int d2 = 0;
                    for (int c = 0; c < ch; ++c) d2 += (p[c] - centre[c]) * (p[c] - centre[c]);
                    const float w = spatial[(dy + r) * side + dx + r] * rangeWeight[d2 >> kShift];
                    for (int c = 0; c < ch; ++c) sum[c] += w * p[c];
                    weights += w;
                }
            }
            for (int c = 0; c < ch; ++c) d[x * n + c] = fx::clamp8(sum[c] / weights);
            for (int c = ch; c < n; ++c) d[x * n + c] = centre[c];
        }
    }
    return true;
}

bool oil_paint(const ConstImageView& src, const ImageView& dst, int32_t radius, int32_t levels, bool byValue) noexcept
{
    if (!fx::same_shape(src, dst) || src.bytesPerPixel < 3) return false;
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
    const int r = std::clamp(radius, 1, 64), L = std::clamp(levels, 2, 256), side = 2 * r + 1;
    const mem::Owned<uint8_t> bins = fx::temporary<uint8_t>(static_cast<std::size_t>(W) * H);
    if (!bins) return false;
    uint8_t* bin = bins.get();
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < H; ++y) {
        const uint8_t* s = src.row(y);
        for (int32_t x = 0; x < W; ++x) {
            const uint8_t* p = s + x * n;
            const double v = byValue ? std::max({p[0], p[1], p[2]}) : fx::luma(p);
            bin[std::size_t(y) * W + x] = static_cast<uint8_t>(std::min(L - 1, static_cast<int>(v * L / 256.0)));
        }
    }
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < H; ++y) {
        int count[256] = {};
        int sum[256][3] = {};
        const auto add = [&](int32_t x, int sign) {
            for (int dy = -r; dy <= r; ++dy) {
                const int32_t yy = clamp_index(y + dy, H), xx = clamp_index(x, W);
                const uint8_t* p = src.row(yy) + xx * n;
                const int b = bin[std::size_t(yy) * W + xx];
                count[b] += sign;
                for (int c = 0; c < 3; ++c) sum[b][c] += sign * p[c];
            }
        };
        for (int dx = -r; dx <= r; ++dx) add(dx, 1);
        uint8_t* d = dst.row(y);
        const bool scanWindow = side * side < L;
        for (int32_t x = 0; x < W; ++x) {
            // The commonest bin (the lowest of equals), found through the
            // window's own pixels when they are fewer than the bins.
            int best = 0;
            if (scanWindow) {
                best = L;
                int bestCount = 0;
                for (int dy = -r; dy <= r; ++dy) {
                    const uint8_t* binRow = bin + std::size_t(clamp_index(y + dy, H)) * W;
                    for (int dx = -r; dx <= r; ++dx) {
                        const int b = binRow[clamp_index(x + dx, W)];
                        if (count[b] > bestCount || (count[b] == bestCount && b < best)) best = b, bestCount = count[b];
                    }
                }
            } else {
                for (int b = 1; b < L; ++b)
                    if (count[b] > count[best]) best = b;
            }
            for (int c = 0; c < 3; ++c) d[x * n + c] = static_cast<uint8_t>((sum[best][c] + count[best] / 2) / count[best]);
            if (n == 4) d[x * n + 3] = src.row(y)[x * n + 3];
            if (x + 1 < W) {
                add(x - r, -1);
                add(x + r + 1, 1);
            }
        }
    }
    return true;
}

bool spread(const ConstImageView& src, const ImageView& dst, int32_t radius, uint32_t seed) noexcept
{
    if (!fx::same_shape(src, dst)) return false;
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
    const uint32_t side = static_cast<uint32_t>(2 * window_radius(radius) + 1);
    const int r = static_cast<int>(side / 2);
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < H; ++y) {
        uint8_t* d = dst.row(y);
        for (int32_t x = 0; x < W; ++x) {
            const uint32_t h = fx::hash(uint32_t(x), uint32_t(y), seed);
            const int32_t sx = clamp_index(x + static_cast<int>((h & 0xFFFF) % side) - r, W);
            const int32_t sy = clamp_index(y + static_cast<int>((h >> 16) % side) - r, H);
            std::memcpy(d + x * n, src.row(sy) + sx * n, static_cast<std::size_t>(n));
        }
    }
    return true;
}

bool mosaic(const ConstImageView& src, const ImageView& dst, int32_t cell, int32_t channels) noexcept
{
    if (!fx::same_shape(src, dst)) return false;
    const int n = src.bytesPerPixel, ch = std::clamp(channels, 0, n), W = src.width, H = src.height;
    const int side = std::clamp(cell, 1, std::max(W, H));
    const int rowsOfCells = (H + side - 1) / side;
#pragma omp parallel for schedule(static)
    for (int cy = 0; cy < rowsOfCells; ++cy) {
        const int32_t y0 = cy * side, y1 = std::min(H, y0 + side);
        for (int32_t x0 = 0; x0 < W; x0 += side) {
            const int32_t x1 = std::min(W, x0 + side);
            int64_t sum[4] = {};
            for (int32_t y = y0; y < y1; ++y)
                for (int32_t x = x0; x < x1; ++x)
                    for (int c = 0; c < ch; ++c) sum[c] += src.row(y)[x * n + c];
            const int64_t count = int64_t{y1 - y0} * (x1 - x0);
            for (int32_t y = y0; y < y1; ++y)
                for (int32_t x = x0; x < x1; ++x) {
                    for (int c = 0; c < ch; ++c) dst.row(y)[x * n + c] = static_cast<uint8_t>((sum[c] + count / 2) / count);
                    for (int c = ch; c < n; ++c) dst.row(y)[x * n + c] = src.row(y)[x * n + c];
                }
        }
    }
    return true;
}

namespace {

// The linear blur's samples sit at the same offsets from every pixel: their
// bilinear corners are gathered once into a list of integer taps.
struct Tap {
    int dx, dy;
    float weight;
};

bool linear_blur(const ConstImageView& src, const ImageView& dst, double amount, double ux, double uy, int samples,
                 bool oneSided, int ch) noexcept
{
    const int n = src.bytesPerPixel, W = src.width, H = src.height;
    const mem::Owned<Tap> taps = fx::temporary<Tap>(std::size_t(samples) * 4);
    if (!taps) return false;
    int count = 0, minDx = 0, maxDx = 0, minDy = 0, maxDy = 0;
    const auto add = [&](int dx, int dy, double w) {
        if (w <= 1e-9) return;
        for (int i = 0; i < count; ++i)
            if (taps.get()[i].dx == dx && taps.get()[i].dy == dy) {
                taps.get()[i].weight += static_cast<float>(w);
                return;
            }
        taps.get()[count++] = {dx, dy, static_cast<float>(w)};
        minDx = std::min(minDx, dx), maxDx = std::max(maxDx, dx);
        minDy = std::min(minDy, dy), maxDy = std::max(maxDy, dy);
    };
    for (int i = 0; i < samples; ++i) {
        const double t = double(i) / (samples - 1);
        const double along = oneSided ? -amount * t : amount * (2 * t - 1);
        // Offsets rounded to 1/1024 pixel, so that whole-pixel steps stay whole.
        const double ox = std::round(along * ux * 1024) / 1024, oy = std::round(along * uy * 1024) / 1024;
        const double fx0 = std::floor(ox), fy0 = std::floor(oy), fx = ox - fx0, fy = oy - fy0;
        const int ix = static_cast<int>(fx0), iy = static_cast<int>(fy0);
        const double w = 1.0 / samples;
        add(ix, iy, w * (1 - fx) * (1 - fy));
        add(ix + 1, iy, w * fx * (1 - fy));
        add(ix, iy + 1, w * (1 - fx) * fy);
        add(ix + 1, iy + 1, w * fx * fy);
    }
    const Tap* tap = taps.get();
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < H; ++y) {
        uint8_t* d = dst.row(y);
        const bool rowInside = y + minDy >= 0 && y + maxDy < H;
        for (int32_t x = 0; x < W; ++x) {
            float sum[4] = {0.5f, 0.5f, 0.5f, 0.5f};
            if (rowInside && x + minDx >= 0 && x + maxDx < W) {
                for (int k = 0; k < count; ++k) {
                    const uint8_t* p = src.row(y + tap[k].dy) + (x + tap[k].dx) * n;
                    for (int c = 0; c < ch; ++c) sum[c] += tap[k].weight * p[c];
                }
            } else {
                for (int k = 0; k < count; ++k) {
                    const uint8_t* p = src.row(clamp_index(y + tap[k].dy, H)) + clamp_index(x + tap[k].dx, W) * n;
                    for (int c = 0; c < ch; ++c) sum[c] += tap[k].weight * p[c];
                }
            }
            for (int c = 0; c < ch; ++c) d[x * n + c] = static_cast<uint8_t>(std::clamp(sum[c], 0.0f, 255.0f));
            for (int c = ch; c < n; ++c) d[x * n + c] = src.row(y)[x * n + c];
        }
    }
    return true;
}

}  // namespace

bool motion_blur(const ConstImageView& src, const ImageView& dst, const MotionBlur& blur, int32_t channels) noexcept
{
    if (!fx::same_shape(src, dst)) return false;
    const int n = src.bytesPerPixel, ch = std::clamp(channels, 0, n), W = src.width, H = src.height;
    const int samples = std::clamp(blur.samples, 1, 256);
    const double amount = std::isfinite(blur.amount) ? std::clamp(blur.amount, -1e4, 1e4) : 0.0;
    if (amount == 0 || samples == 1 || ch == 0) {
        copy_picture(src, dst);
        return true;
    }
    const double angle = (std::isfinite(blur.angleDegrees) ? std::fmod(blur.angleDegrees, 360.0) : 0.0) * std::numbers::pi / 180;
    if (blur.kind == MotionKind::Linear)
        return linear_blur(src, dst, amount, std::cos(angle), std::sin(angle), samples, blur.oneSided, ch);
    const double cx = blur.centreX, cy = blur.centreY;
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < H; ++y) {
        uint8_t* d = dst.row(y);
        for (int32_t x = 0; x < W; ++x) {
            float sum[4] = {};
            for (int i = 0; i < samples; ++i) {
                const double t = double(i) / (samples - 1);
                double px = x, py = y;
                switch (blur.kind) {
                case MotionKind::Linear:  // linear_blur's
                    break;
                case MotionKind::Radial: {
                    const double a = amount * (t - 0.5) * std::numbers::pi / 180;
                    const double dx = x - cx, dy = y - cy, c = std::cos(a), s = std::sin(a);
                    px = cx + dx * c - dy * s;
                    py = cy + dx * s + dy * c;
                    break;
                }
                case MotionKind::Zoom: {
                    const double k = 1 - amount * 0.01 * t;
                    px = cx + (x - cx) * k;
                    py = cy + (y - cy) * k;
                    break;
                }
                }
                px = std::clamp(px, 0.0, W - 1.0);
                py = std::clamp(py, 0.0, H - 1.0);
                const int32_t x0 = static_cast<int32_t>(px), y0 = static_cast<int32_t>(py);
                const int32_t x1 = std::min(x0 + 1, W - 1), y1 = std::min(y0 + 1, H - 1);
                const float fx = static_cast<float>(px - x0), fy = static_cast<float>(py - y0);
                const uint8_t *a = src.row(y0) + x0 * n, *b = src.row(y0) + x1 * n;
                const uint8_t *c = src.row(y1) + x0 * n, *e = src.row(y1) + x1 * n;
                for (int k = 0; k < ch; ++k)
                    sum[k] += (a[k] + (b[k] - a[k]) * fx) * (1 - fy) + (c[k] + (e[k] - c[k]) * fx) * fy;
            }
            for (int k = 0; k < ch; ++k) d[x * n + k] = fx::clamp8(sum[k] / samples);
            for (int k = ch; k < n; ++k) d[x * n + k] = src.row(y)[x * n + k];
        }
    }
    return true;
}

}  // namespace mur::imaging

// "Box Blur": three iterations of a vertical and a horizontal box average of
// window 2r + 1 on all four channels. At the edges the window is cut to the
// picture, or with flag1 wraps around to the opposite edge.
#include "engine/memory.h"
#include "ipl/native_filters/filter_support.h"
#include "ipl/native_filters/filters.h"

#include <cstring>
#include <vector>

namespace mur::ipl {
namespace {

// Radii beyond this blur no differently on any picture we hold and would let
// the sums outgrow the exact division below.
constexpr int32_t kLargestRadius = 1000;
constexpr int32_t kColumnBlock = 64;  // pixels per column block of the vertical pass

// sum / n, truncated, through a reciprocal of 2^31 rounded up; exact while
// sum * n < 2^31, which holds for sums of at most 2001 bytes. The 32 x 32-bit
// product vectorises.
struct Divide {
    uint32_t reciprocal = 1u << 31;
    explicit Divide(uint32_t n = 1) : reciprocal(static_cast<uint32_t>(((uint64_t{1} << 31) + n - 1) / n)) {}
    uint32_t operator()(uint32_t sum) const { return static_cast<uint32_t>((uint64_t{sum} * reciprocal) >> 31); }
};

inline int32_t wrap(int64_t i, int32_t n) { return static_cast<int32_t>(((i % n) + n) % n); }

// The window's first and one-past-last index around i on an axis of n.
struct Window {
    int32_t begin, end;
};
inline Window window(int32_t i, int32_t r, int32_t n) { return {std::max(0, i - r), std::min(n, i + r + 1)}; }

// Vertical box average from -> to, by blocks of columns.
void box_columns(const uint8_t* from, uint8_t* to, int32_t w, int32_t h, int32_t r, bool wrapAround)
{
    const std::size_t stride = std::size_t(w) * 4;
    const int32_t blocks = (w + kColumnBlock - 1) / kColumnBlock;
#pragma omp parallel for schedule(static)
    for (int32_t block = 0; block < blocks; ++block) {
        const std::size_t v0 = std::size_t(block) * kColumnBlock * 4;
        const std::size_t count = std::min<std::size_t>(stride - v0, kColumnBlock * 4);
        uint32_t sums[kColumnBlock * 4] = {};
        const auto add_row = [&](int32_t y) {
            const uint8_t* row = from + y * stride + v0;
            for (std::size_t i = 0; i < count; ++i) sums[i] += row[i];
        };
        if (wrapAround) {
            for (int32_t k = -r; k <= r; ++k) add_row(wrap(k, h));
        } else {
            for (int32_t y = 0; y < std::min(h, r + 1); ++y) add_row(y);
        }
        const Divide full(2 * r + 1);
        static const uint8_t kNothing[kColumnBlock * 4] = {};
        for (int32_t y = 0; y < h; ++y) {
            Divide divide = full;
            const uint8_t* enter = kNothing;
            const uint8_t* leave = kNothing;
            if (wrapAround) {
                enter = from + wrap(int64_t{y} + r + 1, h) * stride + v0;
                leave = from + wrap(int64_t{y} - r, h) * stride + v0;
            } else {
                const Window win = window(y, r, h);
                divide = Divide(uint32_t(win.end - win.begin));
                if (y + r + 1 < h) enter = from + (y + r + 1) * stride + v0;
                if (y - r >= 0) leave = from + (y - r) * stride + v0;
            }
            uint8_t* out = to + y * stride + v0;
#pragma omp simd
            for (std::size_t i = 0; i < count; ++i) {
                out[i] = static_cast<uint8_t>(divide(sums[i]));
                sums[i] += uint32_t{enter[i]} - leave[i];
            }
        }
    }
}

// Horizontal box average from -> to, by rows.
void box_rows(const uint8_t* from, uint8_t* to, int32_t w, int32_t h, int32_t r, bool wrapAround)
{
    const std::size_t stride = std::size_t(w) * 4;
    std::vector<Divide> divides(2 * std::size_t(r) + 2);
    for (std::size_t n = 1; n < divides.size(); ++n) divides[n] = Divide(uint32_t(n));
#pragma omp parallel for schedule(static)
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* in = from + y * stride;
        uint8_t* out = to + y * stride;
        uint32_t sums[4] = {};
        const auto add = [&](int32_t x, int sign) {
            for (int c = 0; c < 4; ++c) sums[c] += static_cast<uint32_t>(sign * in[x * 4 + c]);
        };
        if (wrapAround) {
            for (int32_t k = -r; k <= r; ++k) add(wrap(k, w), 1);
        } else {
            for (int32_t x = 0; x < std::min(w, r + 1); ++x) add(x, 1);
        }
        // One output pixel, then the window moves on by one.
        const auto step = [&](int32_t x) {
            if (wrapAround) {
                for (int c = 0; c < 4; ++c) out[x * 4 + c] = static_cast<uint8_t>(divides[2 * r + 1](sums[c]));
                add(wrap(int64_t{x} + r + 1, w), 1);
                add(wrap(int64_t{x} - r, w), -1);
            } else {
                const Window win = window(x, r, w);
                const Divide& divide = divides[win.end - win.begin];
                for (int c = 0; c < 4; ++c) out[x * 4 + c] = static_cast<uint8_t>(divide(sums[c]));
                if (x + r + 1 < w) add(x + r + 1, 1);
                if (x - r >= 0) add(x - r, -1);
            }
        };
        // Away from both edges the window is whole and never wraps, in either mode.
        const int32_t middleBegin = std::min(r, w), middleEnd = std::max(middleBegin, w - r - 1);
        const Divide& full = divides[2 * r + 1];
        int32_t x = 0;
        for (; x < middleBegin; ++x) step(x);
        for (; x < middleEnd; ++x) {
            const uint8_t* enter = in + (x + r + 1) * 4;
            const uint8_t* leave = in + (x - r) * 4;
            for (int c = 0; c < 4; ++c) {
                out[x * 4 + c] = static_cast<uint8_t>(full(sums[c]));
                sums[c] += uint32_t{enter[c]} - leave[c];
            }
        }
        for (; x < w; ++x) step(x);
    }
}

}  // namespace

namespace filters {

void box_blur(NativeFilterContext& ctx)
{
    const double radius = std::trunc(ctx.slider[0] * 100 + 1);
    const int32_t r = static_cast<int32_t>(std::clamp(radius, 1.0, double(kLargestRadius)));
    const bool wrapAround = ctx.flag[0] == 1;
    const std::size_t bytes = ctx.pixels() * 4;
    // The passes go back and forth between the destination and a working
    // copy: the source itself, or in single-buffer mode a block of our own.
    mem::Owned<uint8_t> own;
    uint8_t* work = ctx.source;
    if (ctx.singleBuffer || ctx.source == ctx.destination) {
        own.reset(static_cast<uint8_t*>(mem::try_alloc_uninit(bytes)));
        if (!own) return;
        work = own.get();
        std::memcpy(work, ctx.destination, bytes);
    }
    for (int iteration = 0; iteration < 3; ++iteration) {
        if (iteration > 0) std::memcpy(work, ctx.destination, bytes);
        box_columns(work, ctx.destination, ctx.width, ctx.height, r, wrapAround);
        std::memcpy(work, ctx.destination, bytes);
        box_rows(work, ctx.destination, ctx.width, ctx.height, r, wrapAround);
    }
}

}  // namespace filters
}  // namespace mur::ipl

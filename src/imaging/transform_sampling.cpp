#include "imaging/transform_sampling.h"

#include <cstring>

namespace mur::imaging::sampling {
namespace {

// Positions beyond this distance are held at it: still off every picture
// the engine makes (sides below 2^18), and safe to turn into integers.
constexpr double kFar = 1 << 24;
constexpr int64_t kFarFixed = int64_t{1} << 32;  // kFar in 1/256 pixels

// A position in 1/256 pixels, rounded to the nearest; NaN counts as far off.
inline int64_t fixed_position(double v) noexcept
{
    if (!(v > -kFar)) v = -kFar;
    if (v > kFar) v = kFar;
    // Offset into the positive range, where truncation rounds down.
    return static_cast<int64_t>(v * 256.0 + (double(kFarFixed) + 0.5)) - kFarFixed;
}

// The four bytes of a pixel spread into four 16-bit lanes, and back.
inline uint64_t spread(uint32_t p) noexcept
{
    uint64_t v = p;
    v = (v | (v << 16)) & 0x0000FFFF0000FFFFull;
    return (v | (v << 8)) & 0x00FF00FF00FF00FFull;
}

inline uint32_t gather(uint64_t v) noexcept
{
    v &= 0x00FF00FF00FF00FFull;
    v = (v | (v >> 8)) & 0x0000FFFF0000FFFFull;
    return static_cast<uint32_t>(v | (v >> 16));
}

constexpr uint64_t kHalfLanes = 0x0080008000800080ull;
constexpr uint64_t kLowLanes = 0x00FF00FF00FF00FFull;

// a + (b - a) * t / 256 on all four lanes, rounded; t in 0..256. The lanes
// hold at most 255 * 256 + 128, so they never carry into each other.
inline uint64_t lerp(uint64_t a, uint64_t b, uint32_t t) noexcept
{
    return ((a * (256 - t) + b * t + kHalfLanes) >> 8) & kLowLanes;
}

inline uint32_t bilinear(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, uint32_t fx, uint32_t fy) noexcept
{
    const uint64_t top = lerp(spread(p00), spread(p01), fx);
    const uint64_t bottom = lerp(spread(p10), spread(p11), fx);
    return gather(lerp(top, bottom, fy));
}

inline uint32_t load(const uint8_t* p) noexcept
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline int64_t wrap(int64_t i, int64_t n) noexcept
{
    const int64_t r = i % n;
    return r < 0 ? r + n : r;
}

// One tap of a sample whose footprint leaves the source.
inline uint32_t edge_tap(const ConstImageView& src, int64_t x, int64_t y, EdgeMode edge, uint32_t fill) noexcept
{
    switch (edge) {
    case EdgeMode::Wrap:
        x = wrap(x, src.width);
        y = wrap(y, src.height);
        break;
    case EdgeMode::Repeat:
        x = x < 0 ? 0 : x >= src.width ? src.width - 1 : x;
        y = y < 0 ? 0 : y >= src.height ? src.height - 1 : y;
        break;
    default:
        if (x < 0 || y < 0 || x >= src.width || y >= src.height) return fill;
        break;
    }
    return load(src.data + y * src.stride + x * 4);
}

// x' = a x + b y + c, y' = d x + e y + f of `first` followed by `second`.
void compose(const double* first, const double* second, double* out) noexcept
{
    const double a = second[0] * first[0] + second[1] * first[3];
    const double b = second[0] * first[1] + second[1] * first[4];
    const double c = second[0] * first[2] + second[1] * first[5] + second[2];
    const double d = second[3] * first[0] + second[4] * first[3];
    const double e = second[3] * first[1] + second[4] * first[4];
    const double f = second[3] * first[2] + second[4] * first[5] + second[5];
    out[0] = a, out[1] = b, out[2] = c, out[3] = d, out[4] = e, out[5] = f;
}

}  // namespace

Chain merge_affine_maps(const TransformPipeline& pipeline) noexcept
{
    Chain chain;
    const int32_t n = pipeline.count < 0 ? 0 : pipeline.count > kMaxTransformMaps ? kMaxTransformMaps : pipeline.count;
    for (int32_t i = 0; i < n; ++i) {
        const TransformMap& map = pipeline.maps[i];
        if (!map.apply) continue;
        if (map.affine && chain.count > 0 && chain.stages[chain.count - 1].affine) {
            TransformMap& last = chain.stages[chain.count - 1];
            double merged[6];
            compose(last.value, map.value, merged);
            std::memcpy(last.value, merged, sizeof merged);
            continue;
        }
        chain.stages[chain.count++] = map;
    }
    return chain;
}

void source_positions(const Chain& chain, int32_t x0, int32_t y, int32_t count, double* x, double* y_) noexcept
{
    int32_t first = 0;
    if (chain.count > 0 && chain.stages[0].affine) {
        // The first affine stage straight from the pixel grid.
        const double* m = chain.stages[0].value;
        const double bx = m[0] * x0 + m[1] * y + m[2], by = m[3] * x0 + m[4] * y + m[5];
        for (int32_t i = 0; i < count; ++i) {
            x[i] = bx + m[0] * i;
            y_[i] = by + m[3] * i;
        }
        first = 1;
    } else {
        for (int32_t i = 0; i < count; ++i) {
            x[i] = double(x0 + i);
            y_[i] = double(y);
        }
    }
    for (int32_t s = first; s < chain.count; ++s) chain.stages[s].apply(chain.stages[s], x, y_, count);
}

void sample_run(const ConstImageView& src, const double* x, const double* y, int32_t count, EdgeMode edge,
                uint32_t fill, uint8_t* out) noexcept
{
    const uint64_t lastX = uint64_t(src.width) - 1, lastY = uint64_t(src.height) - 1;
    for (int32_t i = 0; i < count; ++i, out += 4) {
        const int64_t fxp = fixed_position(x[i]), fyp = fixed_position(y[i]);
        const int64_t ix = fxp >> 8, iy = fyp >> 8;
        const uint32_t fx = static_cast<uint32_t>(fxp & 255), fy = static_cast<uint32_t>(fyp & 255);
        uint32_t p00, p01, p10, p11;
        if (uint64_t(ix) < lastX && uint64_t(iy) < lastY) {
            // The whole footprint inside: the common case.
            const uint8_t* p = src.data + iy * src.stride + ix * 4;
            p00 = load(p), p01 = load(p + 4);
            p10 = load(p + src.stride), p11 = load(p + src.stride + 4);
        } else {
            p00 = edge_tap(src, ix, iy, edge, fill);
            p01 = edge_tap(src, ix + 1, iy, edge, fill);
            p10 = edge_tap(src, ix, iy + 1, edge, fill);
            p11 = edge_tap(src, ix + 1, iy + 1, edge, fill);
        }
        const uint32_t v = (fx | fy) == 0 ? p00 : bilinear(p00, p01, p10, p11, fx, fy);
        std::memcpy(out, &v, 4);
    }
}

bool usable_rgba32(const ConstImageView& v) noexcept
{
    return v.data && v.width > 0 && v.height > 0 && v.bytesPerPixel == 4 && v.stride >= std::ptrdiff_t{v.width} * 4;
}

}  // namespace mur::imaging::sampling

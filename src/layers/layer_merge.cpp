// The layer merge, row by row: the rectangle is clipped once, the row kernel
// of the mode is chosen once, and each kernel runs the compositing frame in
// extended precision with the mode's arithmetic known at compile time.
#include "layers/layer_merge.h"

#include "engine/fixed_point.h"
#include "engine/state.h"
#include "layers/composite_frame.h"
#include "layers/normal_blend_fast.h"

#include <algorithm>
#include <cstring>

namespace mur {
namespace {

using blend::MergeArithmetic;
using blend::StagePixel;
using blend::Step;
using Real = MergeArithmetic::Real;

using fx::clamp16;

// One row of a merge.
struct MergeRow {
    const uint16_t* source;
    const uint16_t* mask;   // the layer mask at the same columns, or null
    int64_t maskColumns;    // how many of the row's columns the mask layer has
    uint16_t* dest;
    int64_t width;
    int32_t mode;
    int32_t density;
    int32_t opacity;
    int32_t a0;
    bool sameAlphaMode;
    bool alphaLock;
};

// Writes a result pixel: colour always, alpha unless locked.
inline void put(uint16_t* d, uint16_t r, uint16_t g, uint16_t b, uint16_t a, bool alphaLock)
{
    d[0] = r;
    d[1] = g;
    d[2] = b;
    if (!alphaLock) d[3] = a;
}

// A partly covered pixel: Normal's colour through the double-precision check
// when it can decide, everything else in extended precision.
template <int32_t Mode>
inline void blend_pixel(const StagePixel& p, int32_t destAlpha, uint16_t* d, bool alphaLock)
{
    uint16_t out[4];
    if (composites_as_normal(p.colourMode) && blend::normal_blend_fast(p.c, p.u, destAlpha, d, out)) {
        put(d, out[0], out[1], out[2], out[3], alphaLock);
        return;
    }
    const Real da = static_cast<Real>(destAlpha) / 65535;
    const Real dca[3] = {d[0] * da / 65280, d[1] * da / 65280, d[2] * da / 65280};
    const blend::Straight<Real> s = blend::blend_partial_for<MergeArithmetic, Mode>(p, da, dca);
    put(d, static_cast<uint16_t>(s.c[0] * 65280), static_cast<uint16_t>(s.c[1] * 65280),
        static_cast<uint16_t>(s.c[2] * 65280), static_cast<uint16_t>(s.a * 65535), alphaLock);
}

// Normal (and the modes that composite like it) at full opacity and
// density without a layer mask: a transparent source pixel is skipped, one
// over a transparent destination is copied as it is, and so is an opaque one
// in Normal itself (the others blend it), runs of them whole.
template <int32_t Mode>
void merge_row_normal(const MergeRow& r)
{
    constexpr int32_t kCopied = Mode == kModeNormal ? 65280 : 65536;  // alphas copied over anything
    const uint16_t* s = r.source;
    uint16_t* d = r.dest;
    const int64_t n = r.width;
    for (int64_t i = 0; i < n;) {
        const int32_t a = s[i * 4 + 3];
        if (a >= kCopied && !r.alphaLock) {
            int64_t end = i + 1;
            while (end < n && s[end * 4 + 3] >= kCopied) ++end;
            std::memcpy(d + i * 4, s + i * 4, std::size_t(end - i) * 8);
            i = end;
            continue;
        }
        const uint16_t* sp = s + i * 4;
        uint16_t* dp = d + i * 4;
        if (a == 0) {
        } else if (a >= kCopied || dp[3] == 0) {
            put(dp, sp[0], sp[1], sp[2], sp[3], r.alphaLock);
        } else {
            const StagePixel p{{sp[0], sp[1], sp[2]}, a, Mode, false};
            blend_pixel<Mode>(p, dp[3], dp, r.alphaLock);
        }
        ++i;
    }
}

template <int32_t Mode>
struct MergeKernel {
    static void run(const MergeRow& r) noexcept
    {
        const int32_t mode = blend::mode_or<Mode>(r.mode);
        if constexpr (Mode >= 0 && Mode < kFirstAlphaMode && composites_as_normal(Mode)) {
            if (r.opacity >= 255 && r.density == 255 && !r.mask) return merge_row_normal<Mode>(r);
        }
        const bool alphaMode = mode >= kFirstAlphaMode;
        const uint16_t* s = r.source;
        uint16_t* d = r.dest;
        for (int64_t i = 0; i < r.width; ++i, s += 4, d += 4) {
            int32_t sourceAlpha = s[3];
            if (sourceAlpha == 0 && !alphaMode) continue;
            if (r.mask && i < r.maskColumns) {
                const uint16_t* m = r.mask + i * 4;
                if (m[3] != 0)
                    sourceAlpha = static_cast<int32_t>(((uint32_t{m[0]} + m[1] + m[2]) / 3 * uint32_t(sourceAlpha)) >> 16);
            }
            StagePixel p{{s[0], s[1], s[2]}, ((r.density + 1) * sourceAlpha) >> 8, mode, false};
            if (alphaMode) {
                if (r.sameAlphaMode)
                    blend::same_alpha_stage(mode, p, r.a0);
                else
                    blend::alpha_stage(mode, p, r.a0);
            }
            if (r.opacity < 255) p.u = ((r.opacity + 1) * p.u) >> 8;
            p.u = std::clamp(p.u, 0, 65535);

            const int32_t destAlpha = p.destAsClear ? 0 : d[3];
            switch (blend::step_for<MergeArithmetic>(mode, p, destAlpha == 0)) {
            case Step::keep: break;
            case Step::clear: put(d, 0, 0, 0, 0, r.alphaLock); break;
            case Step::replace:
            case Step::opaque:
                put(d, clamp16(p.c[0]), clamp16(p.c[1]), clamp16(p.c[2]), static_cast<uint16_t>(p.u), r.alphaLock);
                break;
            case Step::blend: blend_pixel<Mode>(p, destAlpha, d, r.alphaLock); break;
            }
        }
    }
};

constexpr blend::KernelTable<MergeKernel> kMergeKernels;

}  // namespace

void merge_layer(const MergeRequest& r) noexcept
{
    if (!r.source || !r.destination) return;
    // Clip the rectangle to both buffers (64-bit: the corners may be anywhere).
    int64_t sx = r.sourceX, sy = r.sourceY, dx = r.destX, dy = r.destY, w = r.width, h = r.height;
    auto clip = [](int64_t& a, int64_t& b, int64_t& extent, int64_t limitA, int64_t limitB) {
        if (a < 0) { b -= a; extent += a; a = 0; }
        if (b < 0) { a -= b; extent += b; b = 0; }
        extent = std::min({extent, limitA - a, limitB - b});
    };
    clip(sx, dx, w, r.sourceWidth, r.destWidth);
    clip(sy, dy, h, r.sourceHeight, r.destHeight);
    if (w <= 0 || h <= 0) return;

    MergeRow row{};
    row.width = w;
    row.mode = (r.mode >= 0 && r.mode < kBlendModeCount) ? r.mode : kModeNormal;
    row.opacity = std::clamp(r.opacity, 0, 256);
    row.density = std::clamp(r.density, 0, 255);
    row.a0 = engine.layers.alphaLayerOpacity;
    row.sameAlphaMode = r.sameAlphaMode;
    row.alphaLock = r.alphaLock;
    const bool useMask = r.maskLayer && r.maskMode == kModeLayerMask;
    const auto kernel = kMergeKernels[row.mode];

    for (int64_t j = 0; j < h; ++j) {
        row.source = r.source + (sy + j) * r.sourceStride + sx * 4;
        row.dest = r.destination + (dy + j) * r.destStride + dx * 4;
        const bool maskRow = useMask && sy + j < r.maskHeight && sx < r.maskWidth;
        row.mask = maskRow ? r.maskLayer + (sy + j) * r.maskStride + sx * 4 : nullptr;
        row.maskColumns = maskRow ? r.maskWidth - sx : 0;
        kernel(row);
    }
}

}  // namespace mur

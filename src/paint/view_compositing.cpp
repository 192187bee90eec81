#include "paint/view_compositing.h"

#include "layers/composite_frame.h"
#include "layers/merge_pixel.h"
#include "paint/view_normal_rows.h"

#include <algorithm>
#include <cstring>

namespace mur::view {
namespace {

using blend::StagePixel;
using blend::Step;
using blend::ViewArithmetic;

bool avx2_available() noexcept
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
bool vectorKernels = avx2_available();

struct LayerChunk {
    const uint16_t* pixels;
    int n;
    int opaqueUpTo;  // pixels before it count as opaque (the background)
    int32_t mode;
    int32_t opacity;
    int32_t a0;
};

// Partly covered pixels whose colour composites as Normal, set aside to be
// blended together.
struct NormalBlends {
    int n = 0;
    int32_t at[kChunk];  // chunk positions
    float u[kChunk];     // coverage after the stage and opacity
    float c[3][kChunk];  // source colour after the stage
};

using Lanes = float __attribute__((vector_size(32)));
using LaneMask = int32_t __attribute__((vector_size(32)));
constexpr int kLanes = 8;

// Normal's partial blend, eight pixels a step, with the very operations of
// the single-pixel frame in the same order (no contraction into fused
// multiply-adds: the values are those of the one-pixel code).
__attribute__((target_clones("avx2", "default"))) void blend_normals(const NormalBlends& b, Composite& acc) noexcept
{
    for (int first = 0; first < b.n; first += kLanes) {
        const int lanes = std::min(kLanes, b.n - first);
        Lanes u{}, da{}, c[3] = {}, d[3] = {};
        for (int l = 0; l < kLanes; ++l) {
            const bool live = l < lanes;
            const int at = live ? b.at[first + l] : 0;
            u[l] = live ? b.u[first + l] : 1;
            da[l] = live ? acc.a[at] : 1;
            for (int k = 0; k < 3; ++k) {
                c[k][l] = live ? b.c[k][first + l] : 0;
                d[k][l] = live ? acc.c[k][at] : 0;
            }
        }
        const Lanes sa = u / 65535.0f;
        const Lanes ao = (1 - da) * sa + da;
        const Lanes a = ao < 0 ? Lanes{} : (1 < ao ? Lanes{} + 1 : ao);
        Lanes out[3];
        for (int k = 0; k < 3; ++k) {
            const Lanes sca = c[k] * sa / 65280.0f;
            const Lanes dca = d[k] * da;
            const Lanes x = (sca + dca * (1 - sa)) / a;
            const LaneMask positive = x > 0;
            out[k] = positive ? (1 < x ? Lanes{} + 1 : x) : Lanes{};
        }
        for (int l = 0; l < lanes; ++l) {
            const int at = b.at[first + l];
            for (int k = 0; k < 3; ++k) acc.c[k][at] = out[k][l];
            acc.a[at] = a[l];
        }
    }
}

// One layer over the composite. A layer pixel without coverage changes
// nothing in the colour modes (a clear composite is already (0, 0, 0, 0)),
// so those pixels are passed over; the alpha modes' stage may give coverage
// to any pixel.
template <int32_t Mode>
struct ViewKernel {
    static void run(const LayerChunk& r, Composite& acc) noexcept
    {
        const int32_t mode = blend::mode_or<Mode>(r.mode);
        const bool staged = (blend_mode_flags(mode) & kAlphaStage) != 0;
        NormalBlends normals;
        int i = 0;
        if constexpr (Mode >= 0 && composites_as_normal(Mode) && (blend_mode_flags(Mode) & kAlphaStage) == 0)
            if (vectorKernels)
                i = composite_normal_avx2(r.pixels, r.n, r.opaqueUpTo, r.opacity, Mode == kModeNormal, acc);
        for (; i < r.n; ++i) {
            const uint16_t* px = r.pixels + i * 4;
            const int32_t alpha = i < r.opaqueUpTo ? 65535 : px[3];
            if (alpha == 0 && mode < kFirstAlphaMode) continue;
            StagePixel p{{px[0], px[1], px[2]}, alpha, mode, false};
            if (staged) blend::alpha_stage(mode, p, r.a0);
            if (r.opacity < 255) p.u = ((r.opacity + 1) * p.u) >> 8;
            switch (blend::step_for<ViewArithmetic>(mode, p, acc.a[i] == 0)) {
            case Step::keep: break;
            case Step::clear:
                acc.c[0][i] = acc.c[1][i] = acc.c[2][i] = 0;
                acc.a[i] = 0;
                break;
            case Step::replace:
                for (int k = 0; k < 3; ++k) acc.c[k][i] = p.c[k] / 65280.0f;
                acc.a[i] = p.u / 65535.0f;
                break;
            case Step::opaque:  // the composite becomes fully opaque
                for (int k = 0; k < 3; ++k) acc.c[k][i] = p.c[k] / 65280.0f;
                acc.a[i] = 1.0f;
                break;
            case Step::blend: {
                if (composites_as_normal(p.colourMode)) {
                    const int k = normals.n++;
                    normals.at[k] = i;
                    normals.u[k] = static_cast<float>(p.u);
                    for (int ch = 0; ch < 3; ++ch) normals.c[ch][k] = static_cast<float>(p.c[ch]);
                    break;
                }
                const float da = acc.a[i];
                const float dca[3] = {acc.c[0][i] * da, acc.c[1][i] * da, acc.c[2][i] * da};
                const blend::Straight<float> s = blend::blend_partial_for<ViewArithmetic, Mode>(p, da, dca);
                for (int k = 0; k < 3; ++k) acc.c[k][i] = s.c[k];
                acc.a[i] = s.a;
                break;
            }
            }
        }
        if (normals.n) blend_normals(normals, acc);
    }
};

constexpr blend::KernelTable<ViewKernel> kViewKernels;

bool on_odd_cell(int32_t x, int32_t y) { return (((x >> 5) + (y >> 5)) & 1) != 0; }

}  // namespace

void use_vector_kernels(bool on) noexcept
{
    vectorKernels = on && avx2_available();
    use_vector_paint_rows(on);
}

void clear(Composite& acc, int n) noexcept
{
    for (int k = 0; k < 3; ++k) std::fill_n(acc.c[k], n, 0.0f);
    std::fill_n(acc.a, n, 0.0f);
}

void composite_layer(const uint16_t* pixels, int n, int opaqueUpTo, int32_t mode, int32_t opacity, int32_t a0,
                     Composite& acc) noexcept
{
    kViewKernels[mode]({pixels, n, opaqueUpTo, mode, opacity, a0}, acc);
}

void finish(const Composite& acc, int n, const int32_t* xs, int32_t y, const Finish& with, uint8_t* bgr) noexcept
{
    const LayerRecord* trace = with.trace && y < with.trace->height ? with.trace : nullptr;
    const uint16_t* traceRow = trace ? trace->pixels + int64_t{y} * trace->stride : nullptr;
    const uint16_t* maskRow = with.mask ? with.mask + int64_t{y} * with.maskStride : nullptr;
    int i = 0;
    if (vectorKernels && !traceRow && !maskRow) {
        i = finish_plain_avx2(acc, n, xs, y, bgr);
        bgr += i * 3;
    }
    for (; i < n; ++i, bgr += 3) {
        const int32_t x = xs[i];
        uint32_t c[3];
        for (int k = 0; k < 3; ++k) c[k] = static_cast<uint32_t>(acc.c[k][i] * 65280.0f);
        const uint32_t a = static_cast<uint32_t>(acc.a[i] * 65535.0f);
        if (traceRow && x < trace->width)
            for (int k = 0; k < 3; ++k) c[k] = (c[k] + traceRow[int64_t{x} * 4 + k]) >> 1;
        if (a < 65535) {
            const uint32_t bg = on_odd_cell(x, y) ? 40959 : 65535;
            for (int k = 0; k < 3; ++k) c[k] = ((((c[k] * a) >> 8) + (((65535 - a) * bg) >> 8)) & 0x1FFFFFF) >> 8;
        }
        if (maskRow) {
            uint32_t v = maskRow[x];
            if (v != 65535) {
                if (!with.tintFull) v = (v >> 1) + 32767;
                const uint32_t w = 65535 - v;
                const int32_t* tint = on_odd_cell(x, y) ? with.tintOdd : with.tintEven;
                for (int k = 0; k < 3; ++k) {
                    const uint32_t sum = ((c[k] * v) >> 8) + ((w * static_cast<uint32_t>(tint[k])) >> 8);
                    bgr[2 - k] = static_cast<uint8_t>((sum & 0x1FFFFFF) >> 16);
                }
                continue;
            }
        }
        bgr[0] = static_cast<uint8_t>(c[2] >> 8);
        bgr[1] = static_cast<uint8_t>(c[1] >> 8);
        bgr[2] = static_cast<uint8_t>(c[0] >> 8);
    }
}

}  // namespace mur::view

// Compositing paint onto a layer pixel by pixel, as the view shows the stroke
// in progress and as hosts composite single pixels: the compositing frame in
// double precision.
#include "layers/merge_pixel.h"

#include "engine/fixed_point.h"
#include "engine/guard.h"
#include "engine/state.h"
#include "layers/composite_frame.h"

#include <algorithm>

namespace mur {
namespace {

using blend::PaintArithmetic;
using blend::StagePixel;
using blend::Step;

// One pixel; `mode` is read at run time when `Mode` is -1. The destination
// channels may hold any value: they are clamped where the arithmetic reads
// them. False when the destination is left as it is.
template <int32_t Mode>
inline bool paint_pixel(int32_t dst[4], const uint32_t src[4], int32_t mode, int32_t opacity, int32_t a0,
                        bool alphaLock) noexcept
{
    mode = blend::mode_or<Mode>(mode);
    using fx::clamp16;
    StagePixel p{{clamp16(src[0]), clamp16(src[1]), clamp16(src[2])}, clamp16(src[3]), mode, false};
    if (p.u == 0 && mode <= 31) return false;
    if ((blend_mode_flags(mode) & kAlphaStage) != 0) blend::alpha_stage(mode, p, a0);
    if (opacity < 255) p.u = ((opacity + 1) * p.u) >> 8;

    int32_t out[4];
    switch (blend::step_for<PaintArithmetic>(mode, p, dst[3] == 0)) {
    case Step::keep: return false;
    case Step::clear: out[0] = out[1] = out[2] = out[3] = 0; break;
    case Step::replace:
    case Step::opaque: out[0] = p.c[0], out[1] = p.c[1], out[2] = p.c[2], out[3] = p.u; break;
    case Step::blend: {
        const double da = std::min(dst[3], 65535) / 65535.0;
        double dca[3];
        for (int i = 0; i < 3; ++i) dca[i] = std::clamp(dst[i], 0, 65535) * da / 65280.0;
        const blend::Straight<double> s = blend::blend_partial_for<PaintArithmetic, Mode>(p, da, dca);
        for (int i = 0; i < 3; ++i) out[i] = static_cast<int32_t>(s.c[i] * 65280);
        out[3] = static_cast<int32_t>(s.a * 65535);
        break;
    }
    }
    dst[0] = out[0];
    dst[1] = out[1];
    dst[2] = out[2];
    if (!alphaLock) dst[3] = out[3];
    return true;
}

bool avx2_available() noexcept
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
bool vectorRows = avx2_available();

template <int32_t Mode>
struct PaintRowKernel {
    static void run(const PaintRow& r) noexcept
    {
        const uint32_t scale = r.density + 1u;
        int64_t i = 0;
        // (Alpha Normal clears a transparent pixel even without paint: not here.)
        if constexpr (Mode >= 0 && Mode < kFirstAlphaMode && composites_as_normal(Mode))
            if (vectorRows) i = merge_paint_row_normal_avx2(r, Mode == kModeNormal);
        for (; i < r.width; ++i) {
            const uint16_t* s = r.paint + i * 4;
            const uint32_t amount = (uint32_t{s[3]} * scale) >> 8;
            if (amount == 0 && blend::mode_or<Mode>(r.mode) <= 31) continue;
            uint16_t* d = r.pixels + i * 4;
            int32_t dst[4] = {d[0], d[1], d[2], d[3]};
            const uint32_t src[4] = {s[0], s[1], s[2], amount};
            if (paint_pixel<Mode>(dst, src, r.mode, r.opacity, r.a0, r.alphaLock))
                for (int k = 0; k < 4; ++k) d[k] = static_cast<uint16_t>(dst[k]);
        }
    }
};

constexpr blend::KernelTable<PaintRowKernel> kPaintRowKernels;

// One pixel, with the mode's arithmetic chosen once per call from the table.
template <int32_t Mode>
struct PaintPixelKernel {
    static bool run(int32_t dst[4], const uint32_t src[4], int32_t mode, int32_t opacity, int32_t a0,
                    bool alphaLock) noexcept
    {
        return paint_pixel<Mode>(dst, src, mode, opacity, a0, alphaLock);
    }
};

constexpr blend::KernelTable<PaintPixelKernel> kPaintPixelKernels;

}  // namespace

void merge_pixel(int32_t* pixR, int32_t* pixG, int32_t* pixB, int32_t* pixA, uint32_t srcR, uint32_t srcG,
                 uint32_t srcB, uint32_t amount, int32_t mode, int32_t opacity, bool alphaLock) noexcept
{
    if (!pixR || !pixG || !pixB || !pixA) return;
    int32_t dst[4] = {*pixR, *pixG, *pixB, *pixA};
    const uint32_t src[4] = {srcR, srcG, srcB, amount};
    if (!kPaintPixelKernels[mode](dst, src, mode, std::clamp(opacity, 0, 256), engine.layers.alphaLayerOpacity,
                                  alphaLock))
        return;
    *pixR = dst[0];
    *pixG = dst[1];
    *pixB = dst[2];
    if (!alphaLock) *pixA = dst[3];
}

void use_vector_paint_rows(bool on) noexcept { vectorRows = on && avx2_available(); }

void merge_paint_row(const PaintRow& row) noexcept
{
    PaintRow r = row;
    r.opacity = std::clamp(r.opacity, 0, 256);
    kPaintRowKernels[r.mode](r);
}

}  // namespace mur

extern "C" {

MUR_API void MUR_MergePixel(int32_t* pixR, int32_t* pixG, int32_t* pixB, int32_t* pixA, uint32_t srcR, uint32_t srcG,
                            uint32_t srcB, uint32_t amount, int32_t mode, int32_t opacity, int32_t alphaLock)
{
    mur::guard("MergePixel", [&] {
        mur::merge_pixel(pixR, pixG, pixB, pixA, srcR, srcG, srcB, amount, mode, opacity, (alphaLock & 0xFF) != 0);
    });
}

}  // extern "C"

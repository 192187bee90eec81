// Compositing one pixel of paint onto one pixel of a layer, as the view shows
// the stroke in progress and as hosts composite single pixels.
#include "engine/state.h"
#include "layers/merge_pixel.h"
#include "layers/merge_modes.h"

#include <algorithm>

namespace mur {
namespace {

// The double-precision path for a partly covered pixel pair.
void blend_partial(const merge::StagePixel& p, int32_t destAlpha, const int32_t dest[3], int32_t out[4])
{
    merge::Blend<double> b{};
    b.sa = p.u / 65535.0;
    b.da = std::min(destAlpha, 65535) / 65535.0;
    for (int i = 0; i < 3; ++i) {
        b.sc[i] = p.c[i] / 65280.0;
        b.sca[i] = p.c[i] * b.sa / 65280.0;
        b.dca[i] = std::clamp(dest[i], 0, 65535) * b.da / 65280.0;
    }
    b.ao = (1 - b.da) * b.sa + b.da;
    b.screenAtHalf = true;
    merge::blend_colour(p.colourMode, b, 1.0 / 3.0);
    const double a = std::clamp(b.ao, 0.0, 1.0);
    for (int i = 0; i < 3; ++i) {
        double x = a > 0 ? b.rc[i] / a : 0;
        if (!(x > 0)) x = 0;  // also NaN
        out[i] = static_cast<int32_t>(std::min(x, 1.0) * 65280);
    }
    out[3] = static_cast<int32_t>(a * 65535);
}

}  // namespace

void merge_pixel(int32_t* pixR, int32_t* pixG, int32_t* pixB, int32_t* pixA, uint32_t srcR, uint32_t srcG,
                 uint32_t srcB, uint32_t amount, int32_t mode, int32_t opacity, bool alphaLock) noexcept
{
    if (!pixR || !pixG || !pixB || !pixA) return;
    const auto clamp16 = [](uint32_t v) { return static_cast<int32_t>(std::min<uint32_t>(v, 65535)); };
    merge::StagePixel p{{clamp16(srcR), clamp16(srcG), clamp16(srcB)}, clamp16(amount), mode, false};
    if (p.u == 0 && mode <= 31) return;
    if (mode >= kModeAlphaFilter && mode <= kModeLuminanceAlphaInvert)
        merge::alpha_stage(mode, p, engine.layers.alphaLayerOpacity);
    opacity = std::clamp(opacity, 0, 256);
    if (opacity < 255) p.u = ((opacity + 1) * p.u) >> 8;

    int32_t out[4];
    if (*pixA == 0) {
        if (merge::keeps_clear_destination(p.colourMode) || p.u == 0) {
            out[0] = out[1] = out[2] = out[3] = 0;
        } else {
            out[0] = p.c[0], out[1] = p.c[1], out[2] = p.c[2], out[3] = p.u;
        }
    } else if (p.u == 0) {
        return;
    } else if (p.u >= 65280 && p.colourMode == kModeNormal) {
        out[0] = p.c[0], out[1] = p.c[1], out[2] = p.c[2], out[3] = p.u;
    } else {
        const int32_t dest[3] = {*pixR, *pixG, *pixB};
        blend_partial(p, *pixA, dest, out);
    }
    *pixR = out[0];
    *pixG = out[1];
    *pixB = out[2];
    if (!alphaLock) *pixA = out[3];
}

}  // namespace mur

extern "C" {

MUR_API void MUR_MergePixel(int32_t* pixR, int32_t* pixG, int32_t* pixB, int32_t* pixA, uint32_t srcR, uint32_t srcG,
                            uint32_t srcB, uint32_t amount, int32_t mode, int32_t opacity, int32_t alphaLock)
{
    mur::merge_pixel(pixR, pixG, pixB, pixA, srcR, srcG, srcB, amount, mode, opacity, (alphaLock & 0xFF) != 0);
}

}  // extern "C"

#include "layers/layer_merge.h"

#include "engine/state.h"
#include "layers/merge_modes.h"

#include <algorithm>

namespace mur {
namespace {

using Real = long double;  // the merge's extended precision

inline uint16_t clamp16(int32_t v) { return static_cast<uint16_t>(std::clamp(v, 0, 65535)); }

// The normalised arithmetic for a partly covered pixel pair.
void blend_partial(const merge::StagePixel& p, int32_t destAlpha, const uint16_t* d, uint16_t out[4])
{
    merge::Blend<Real> b{};
    b.sa = static_cast<Real>(p.u) / 65535;
    b.da = static_cast<Real>(destAlpha) / 65535;
    for (int i = 0; i < 3; ++i) {
        b.sc[i] = static_cast<Real>(p.c[i]) / 65280;
        b.sca[i] = p.c[i] * b.sa / 65280;
        b.dca[i] = d[i] * b.da / 65280;
    }
    b.ao = b.sa + b.da * (1 - b.sa);
    merge::blend_colour(p.colourMode, b, Real(0.33333334L));
    const Real ao = std::clamp<Real>(b.ao, 0, 1);
    for (int i = 0; i < 3; ++i) {
        Real c = ao > 0 ? b.rc[i] / ao : 0;
        if (!(c > 0)) c = 0;  // also NaN
        out[i] = static_cast<uint16_t>(std::min<Real>(c, 1) * 65280);
    }
    out[3] = static_cast<uint16_t>(ao * 65535);
}

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

    const int32_t mode = (r.mode >= 0 && r.mode < kBlendModeCount) ? r.mode : kModeNormal;
    const int32_t opacity = std::clamp(r.opacity, 0, 256);
    const int32_t density = std::clamp(r.density, 0, 255);
    const int32_t a0 = engine.layers.alphaLayerOpacity;
    const bool useMask = r.maskLayer && r.maskMode == kModeLayerMask;
    const bool alphaMode = mode >= kFirstAlphaMode;

    for (int64_t j = 0; j < h; ++j) {
        const uint16_t* s = r.source + (sy + j) * r.sourceStride + sx * 4;
        const bool maskRow = useMask && sy + j < r.maskHeight;
        const uint16_t* m = maskRow ? r.maskLayer + (sy + j) * r.maskStride : nullptr;
        uint16_t* d = r.destination + (dy + j) * r.destStride + dx * 4;
        for (int64_t i = 0; i < w; ++i, s += 4, d += 4) {
            int32_t sourceAlpha = s[3];
            if (sourceAlpha == 0 && !alphaMode) continue;
            if (m && sx + i < r.maskWidth) {
                const uint16_t* mp = m + (sx + i) * 4;
                if (mp[3] != 0)
                    sourceAlpha = static_cast<int32_t>(((uint32_t{mp[0]} + mp[1] + mp[2]) / 3 * uint32_t(sourceAlpha)) >> 16);
            }

            merge::StagePixel p{{s[0], s[1], s[2]}, ((density + 1) * sourceAlpha) >> 8, mode, false};
            if (alphaMode) {
                if (r.sameAlphaMode)
                    merge::same_alpha_stage(mode, p, a0);
                else
                    merge::alpha_stage(mode, p, a0);
            }
            if (opacity < 255) p.u = ((opacity + 1) * p.u) >> 8;
            p.u = std::clamp(p.u, 0, 65535);

            const int32_t destAlpha = p.destAsClear ? 0 : d[3];
            uint16_t out[4];
            if (destAlpha == 0) {
                if (merge::keeps_clear_destination(mode) || p.u == 0) {
                    out[0] = out[1] = out[2] = out[3] = 0;
                } else {
                    out[0] = clamp16(p.c[0]);
                    out[1] = clamp16(p.c[1]);
                    out[2] = clamp16(p.c[2]);
                    out[3] = static_cast<uint16_t>(p.u);
                }
            } else if (p.u == 0) {
                continue;
            } else if (p.u >= 65280 && p.colourMode == kModeNormal) {
                out[0] = clamp16(p.c[0]);
                out[1] = clamp16(p.c[1]);
                out[2] = clamp16(p.c[2]);
                out[3] = static_cast<uint16_t>(p.u);
            } else {
                blend_partial(p, destAlpha, d, out);
            }
            d[0] = out[0];
            d[1] = out[1];
            d[2] = out[2];
            if (!r.alphaLock) d[3] = out[3];
        }
    }
}

}  // namespace mur

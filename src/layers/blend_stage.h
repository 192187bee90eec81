// The alpha-mode stage of compositing: for the alpha and mask modes, integer
// rules that rewrite the source colour, its coverage u and the colour mode
// used before the colour arithmetic runs (blend_colour.h). Every compositing
// routine runs the same stage.
#pragma once

#include "layers/blend_modes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mur::blend {

// ---- The alpha-mode stage -------------------------------------------------

// What the stage works on for one pixel.
struct StagePixel {
    int32_t c[3];        // source colour, 16-bit
    int32_t u;           // effective source alpha, 16-bit
    int32_t colourMode;  // the colour mode to use; starts as the mode id
    bool destAsClear;    // treat the destination alpha as 0 for this pixel
};

// Pulls each channel toward black (f of itself) or white (f of the distance).
inline int32_t darken_by(int32_t c, double f) { return std::clamp(static_cast<int32_t>(c - c * f), 0, 65535); }
inline int32_t lighten_by(int32_t c, double f)
{
    return std::clamp(static_cast<int32_t>(c + (65535 - c) * f), 0, 65535);
}

inline void shade_colour(StagePixel& p)  // 39, 40: shade by distance of u from mid-level
{
    for (int32_t& c : p.c) {
        if (p.u < 32767)
            c = std::max(c - 2 * (32767 - p.u), 0);
        else
            c = std::min(c + 2 * p.u - 65534, 65535);
    }
}

inline void smooth_lum_colour(StagePixel& p, double darkDivisor)  // 44, 45, 48
{
    for (int32_t& c : p.c)
        c = p.u < 32768 ? darken_by(c, (32767 - p.u) / darkDivisor) : lighten_by(c, (p.u - 32767) / 32767.0);
}

inline void smooth_lum3_colour(StagePixel& p)  // 46, 47
{
    for (int32_t& c : p.c)
        c = p.u < 36863 ? darken_by(c, (36862 - p.u) / 30000.0) : lighten_by(c, (p.u - 36862) / 28672.0);
}

inline void threshold_alpha(StagePixel& p, int32_t a0)  // 44..46: keep covered pixels at A0
{
    if (p.u != 0) p.u = p.u > 8190 ? a0 : 0;
}

inline void ramp_alpha(StagePixel& p, int32_t a0)  // 43, 47, 48: a steep ramp from 8191 to 9215
{
    if (p.u == 0) return;
    if (p.u <= 8190)
        p.u = 0;
    else if (p.u >= 9215)
        p.u = a0;
    else
        p.u = 65535 - std::min(64 * (9215 - p.u), 65535);
}

inline void set_colour(StagePixel& p, int32_t v) { p.c[0] = p.c[1] = p.c[2] = v; }

// The stage when the destination is not in the same alpha mode.
inline void alpha_stage(int32_t mode, StagePixel& p, int32_t a0)
{
    switch (mode) {
    case kModeAlphaFilter:
        set_colour(p, 65535);
        p.u = 65535 - p.u;
        break;
    case kModeAlphaBlackOutline:
    case kModeAlphaOverlayOutline:
        if (p.u >= 1 && p.u <= 65279) {
            set_colour(p, 0);
            p.u = a0;
        }
        break;
    case kModeAlphaOutlineTint1:
    case kModeAlphaOutlineTint2:
        if (p.u != 0) p.u = p.u > 12286 ? a0 : 65535 - p.u;
        break;
    case kModeAlphaInvert:
        if (p.u != 0) p.u = 65535 - p.u;
        break;
    case kModeAlphaShader:
        if (p.u != 0) {
            set_colour(p, p.u);
            p.u = a0;
        }
        break;
    case kModeAlphaShaderColor:
    case kModeAlphaShaderTexture2:
        if (p.u != 0) {
            shade_colour(p);
            p.u = a0;
        }
        if (mode == kModeAlphaShaderTexture2) p.colourMode = kModeTexturize2;
        break;
    case kModeAlphaHighlightTexture2:
        if (p.u != 0) {
            if (p.u >= 32767) {
                for (int32_t& c : p.c) c = std::min(c + 2 * p.u - 65534, 65535);
                p.u = a0;
            } else {
                p.u = std::max(p.u - 2 * (32767 - p.u), 0);
            }
        }
        p.colourMode = kModeTexturize2;
        break;
    case kModeAlphaSmooth:
        if (p.u != 0) {
            if (p.u >= 32767) {
                p.u = a0;
            } else {
                const int32_t k = 4 * (32767 - p.u);
                p.u = p.u < k ? 0 : p.u - k;
            }
        }
        break;
    case kModeAlphaSmooth2: ramp_alpha(p, a0); break;
    case kModeAlphaSmoothLum:
        smooth_lum_colour(p, 32767.0);
        threshold_alpha(p, a0);
        break;
    case kModeAlphaSmoothLum2:
        smooth_lum_colour(p, 65535.0);
        threshold_alpha(p, a0);
        break;
    case kModeAlphaSmoothLum3:
        smooth_lum3_colour(p);
        threshold_alpha(p, a0);
        break;
    case kModeAlphaSmoothLum4:
        smooth_lum3_colour(p);
        ramp_alpha(p, a0);
        break;
    case kModeAlphaSmoothLum5:
        smooth_lum_colour(p, 32767.0);
        ramp_alpha(p, a0);
        break;
    case kModeAlphaHighlight:
        if (p.u > 32512) p.u = 0;
        break;
    case kModeLayerMask: p.u = 0; break;
    case kModeLuminanceAlpha:
        p.u = (p.c[0] + p.c[1] + p.c[2]) / 3;
        set_colour(p, 65535);
        break;
    case kModeLuminanceAlphaInvert:
        p.u = 65535 - (p.c[0] + p.c[1] + p.c[2]) / 3;
        set_colour(p, 0);
        break;
    default: break;  // Alpha Normal and the colour modes
    }
}

// The stage when the destination layer is in the same alpha mode: covered
// pixels replace the destination instead of piling up.
inline void same_alpha_stage(int32_t mode, StagePixel& p, int32_t a0)
{
    auto ramp_or_replace = [&p] {
        if (p.u < 8191)
            p.u = 0;
        else if (p.u <= 9214)
            p.colourMode = kModeMultiply;
        else
            p.destAsClear = true;
    };
    switch (mode) {
    case kModeAlphaSmooth2: ramp_or_replace(); break;
    case kModeAlphaSmoothLum:
    case kModeAlphaSmoothLum2:
    case kModeAlphaSmoothLum3:
        if (p.u >= 8191)
            p.destAsClear = true;
        else
            p.u = 0;
        break;
    case kModeAlphaSmoothLum4:
    case kModeAlphaSmoothLum5:
        if (p.u >= 8191)
            ramp_or_replace();
        else
            p.u = 0;
        break;
    case kModeAlphaHighlight:
        if (p.u <= 32512)
            p.u = 0;
        else
            p.destAsClear = true;
        break;
    case kModeLayerMask:
    case kModeLuminanceAlpha:
    case kModeLuminanceAlphaInvert: alpha_stage(mode, p, a0); break;
    default:
        if (mode >= kModeAlphaNormal && mode <= kModeAlphaOverlayOutline && p.u != 0) p.destAsClear = true;
        break;
    }
}

}  // namespace mur::blend

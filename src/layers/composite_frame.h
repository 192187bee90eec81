// The frame around a blend mode, shared by the three compositing routines:
// the layer merge (extended precision), the single-pixel compositing of paint
// (double) and the view (single precision). For one pixel it decides between
// keeping the destination, clearing it, replacing it with the source and
// blending, and for a blend it runs the mode's colour function on
// premultiplied values and normalises the result back to straight colour.
//
// The routines differ on purpose in a few places, which their arithmetic
// record below states: the precision, the factor of the Color modes' mean,
// whether Overlay and Hard Light take their screen half at exactly half,
// whether a transparent destination is kept clear by the mode id or by the
// colour mode after the alpha stage, and the form of the default alpha.
#pragma once

#include "layers/blend_colour.h"
#include "layers/blend_stage.h"

#include <algorithm>
#include <cstdint>

namespace mur::blend {

// The layer merge.
struct MergeArithmetic {
    using Real = long double;
    static constexpr Real kThird = 0.33333334L;
    static constexpr bool kScreenAtHalf = false;
    static constexpr bool kClearTestByModeId = true;
    static Real default_alpha(Real sa, Real da) { return sa + da * (1 - sa); }
};

// MUR_MergePixel, and the stroke shown over its layer in the view.
struct PaintArithmetic {
    using Real = double;
    static constexpr Real kThird = 1.0 / 3.0;
    static constexpr bool kScreenAtHalf = true;
    static constexpr bool kClearTestByModeId = false;
    static Real default_alpha(Real sa, Real da) { return (1 - da) * sa + da; }
};

// The view's running composite of the layers.
struct ViewArithmetic {
    using Real = float;
    static constexpr Real kThird = 1.0f / 3.0f;
    static constexpr bool kScreenAtHalf = true;
    static constexpr bool kClearTestByModeId = false;
    static Real default_alpha(Real sa, Real da) { return (1 - da) * sa + da; }
};

// What becomes of the destination pixel.
enum class Step : uint8_t {
    keep,     // nothing to add
    clear,    // a transparent destination stays (or becomes) (0, 0, 0, 0)
    replace,  // a transparent destination takes the source: (colour, u)
    opaque,   // an opaque Normal source: (colour, u); the view makes it fully opaque
    blend,    // partly covered: the normalised arithmetic
};

// The steps after the alpha stage and the opacity: `destClear` when the
// destination alpha is 0 (or is taken as 0 by the stage).
template <class Arith>
constexpr Step step_for(int32_t modeId, const StagePixel& p, bool destClear)
{
    if (destClear) {
        const int32_t test = Arith::kClearTestByModeId ? modeId : p.colourMode;
        return keeps_clear_destination(test) || p.u == 0 ? Step::clear : Step::replace;
    }
    if (p.u == 0) return Step::keep;
    if (p.u >= 65280 && p.colourMode == kModeNormal) return Step::opaque;
    return Step::blend;
}

// Straight colour and alpha, normalised to 0..1.
template <class Real>
struct Straight {
    Real c[3];
    Real a;
};

// The normalised arithmetic of a partly covered pixel: the source from the
// stage, the destination as its alpha `da` and premultiplied channels `dca`
// (the routine computes them from its own storage). `Colour` is the colour
// mode when the caller knows it at compile time, else -1.
template <class Arith, int32_t Colour = -1>
inline Straight<typename Arith::Real> blend_partial(const StagePixel& p, typename Arith::Real da,
                                                   const typename Arith::Real dca[3])
{
    using Real = typename Arith::Real;
    Blend<Real> b;
    b.sa = static_cast<Real>(p.u) / 65535;
    b.da = da;
    // Only the HSL and Texturize modes read the straight source colour (the
    // divisions would stay otherwise: they may trap, so they are not dropped).
    const bool straight = Colour < 0 || reads_straight_source(Colour);
    for (int i = 0; i < 3; ++i) {
        if (straight) b.sc[i] = static_cast<Real>(p.c[i]) / 65280;
        b.sca[i] = p.c[i] * b.sa / 65280;
        b.dca[i] = dca[i];
    }
    b.ao = Arith::default_alpha(b.sa, b.da);
    b.third = Arith::kThird;
    b.screenAtHalf = Arith::kScreenAtHalf;
    if constexpr (Colour >= 0)
        blend_colour<Colour>(b);
    else
        blend_colour(p.colourMode, b);
    Straight<Real> out;
    out.a = std::clamp<Real>(b.ao, 0, 1);
    for (int i = 0; i < 3; ++i) {
        const Real x = out.a > 0 ? b.rc[i] / out.a : 0;
        out.c[i] = x > 0 ? std::min<Real>(x, 1) : 0;  // also NaN
    }
    return out;
}

// Row kernels are made per mode id: `Mode` is the id when it is known at
// compile time, or -1 for a kernel that reads it at run time.
template <int32_t Mode>
constexpr int32_t mode_or(int32_t runtimeMode)
{
    if constexpr (Mode >= 0)
        return Mode;
    else
        return runtimeMode;
}

// A partly covered pixel of a kernel for `Mode`: the colour function is
// chosen at compile time unless the alpha stage changed the colour mode.
template <class Arith, int32_t Mode>
inline Straight<typename Arith::Real> blend_partial_for(const StagePixel& p, typename Arith::Real da,
                                                       const typename Arith::Real dca[3])
{
    if constexpr (Mode >= 0)
        if (p.colourMode == Mode) return blend_partial<Arith, Mode>(p, da, dca);
    return blend_partial<Arith>(p, da, dca);
}

// A table of row kernels by mode id, made from the mode list: every named
// id gets its own instance, 31 the run-time one.
template <template <int32_t> class Kernel>
struct KernelTable {
    using Fn = decltype(&Kernel<-1>::run);
    Fn byId[kBlendModeCount];
    constexpr KernelTable() : byId{}
    {
        for (Fn& fn : byId) fn = &Kernel<-1>::run;
#define MUR_KERNEL_ENTRY(id, tag, name, lua, colour, flags) byId[id] = &Kernel<id>::run;
        MUR_BLEND_MODES(MUR_KERNEL_ENTRY)
#undef MUR_KERNEL_ENTRY
    }
    // Ids outside 0..53 take the run-time kernel.
    constexpr Fn operator[](int32_t id) const { return id >= 0 && id < kBlendModeCount ? byId[id] : &Kernel<-1>::run; }
};

}  // namespace mur::blend

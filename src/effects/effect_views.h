// Views of the buffers a handler's context holds, and the slider mappings
// several handlers share.
#pragma once

#include "effects/effects.h"
#include "imaging/image_view.h"
#include "ipl/native_filters/native_filter.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace mur::effects {

inline imaging::ImageView source_view(const EffectContext& ctx) noexcept
{
    return imaging::rgba32_view(ctx.source, ctx.width, ctx.height, std::ptrdiff_t{ctx.width} * 4);
}
inline imaging::ImageView destination_view(const EffectContext& ctx) noexcept
{
    return imaging::rgba32_view(ctx.destination, ctx.width, ctx.height, std::ptrdiff_t{ctx.width} * 4);
}
inline imaging::ImageView source24_view(const EffectContext& ctx) noexcept
{
    return imaging::rgb24_view(ctx.source24, ctx.width, ctx.height, std::ptrdiff_t{ctx.width} * 3);
}
inline imaging::ImageView destination24_view(const EffectContext& ctx) noexcept
{
    return imaging::rgb24_view(ctx.destination24, ctx.width, ctx.height, std::ptrdiff_t{ctx.width} * 3);
}

// Raw slider i (1..6).
inline int32_t slider(const EffectContext& ctx, int i) noexcept { return ctx.args->sliders[i - 1]; }
// trunc(slider i x factor), with the product taken in double.
inline int32_t slider_int(const EffectContext& ctx, int i, double factor) noexcept
{
    return static_cast<int32_t>(std::clamp(slider(ctx, i) * factor, -2e9, 2e9));
}
inline bool flag(const EffectContext& ctx, int i) noexcept { return (ctx.args->flags[i - 1] & 0xFF) != 0; }
inline uint32_t seed(const EffectContext& ctx) noexcept { return static_cast<uint32_t>(ctx.variant); }
inline std::size_t pixel_count(const EffectContext& ctx) noexcept
{
    return static_cast<std::size_t>(ctx.width) * static_cast<std::size_t>(ctx.height);
}

// A filter that cannot run on the dispatcher's own buffers lacked memory:
// a fault, so that the dispatcher reports it ("IPLImageProc Excpt").
inline bool made(bool ok)
{
    if (!ok) throw std::bad_alloc();
    return true;
}

// The native filter entry's parameters from the dialog's values.
ipl::NativeFilterParams native_params(const EffectContext& ctx);

}  // namespace mur::effects

// "Clip Fill": the clipboard picture resized over the whole page.
#include "effects/effect_handlers.h"

#include "imaging/resample.h"
#include "platform/clipboard.h"

namespace mur::effects {

bool clip_fill(EffectContext& ctx)
{
    imaging::Rgba32Picture picture;
    if (!ctx.destination || !platform::read_clipboard_picture(picture)) return false;
    // The resampler filters premultiplied: transparent parts lend no colour.
    const imaging::ConstImageView from{picture.pixels, picture.width, picture.height,
                                       std::ptrdiff_t{picture.width} * 4, 4};
    const imaging::ImageView to =
        imaging::rgba32_view(ctx.destination, ctx.width, ctx.height, std::ptrdiff_t{ctx.width} * 4);
    const bool resized = imaging::resample(from, to, imaging::ResizeFilter::Lanczos3);
    imaging::release_picture(picture);
    return resized;
}

}  // namespace mur::effects

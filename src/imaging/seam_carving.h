// Content-aware resizing by seam carving (liblqr): the least noticeable
// paths of pixels across a picture are taken out, or doubled, until it has
// the new size, so that what stands out keeps its shape.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// Carves `count` RGBA64 pictures of one size to newWidth x newHeight along
// the same seams, so that they stay in register. The seams are those of
// `guide`, an RGBA32 picture of the same size (its alpha is the carver's
// alpha channel: transparent parts count as nothing); `keep`, when it has
// data, is a G16 plane of the same size whose value says how strongly a
// pixel is kept (65535: a seam goes through it only when no path around
// exists). Each `results[i]` must be newWidth x newHeight. Enlarging works
// too: seams are then doubled. False when the sizes do not fit, a new side
// is below 1, the picture has a side of 1 or the new size is 1 x 1 (the
// library cannot carve those), or the carver fails (its memory comes from
// GLib); the results may then be partly written.
bool seam_carve(const ConstImageView& guide, const ConstImageView& keep, const ConstImageView* sources,
                const ImageView* results, int32_t count, int32_t newWidth, int32_t newHeight) noexcept;

}  // namespace mur::imaging

// Bump-map displacement: a picture remade by sampling it at positions pushed
// along the slope of a grey plane.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// Every pixel (x, y) of `dst` samples `src` bilinearly at
// (x + k dg/dx, y + k dg/dy), the slopes being central differences of the
// grey plane g / 255 (border values repeated). Both RGBA32 of one size, the
// source premultiplied (transparent pixels then lend no colour); the grey
// plane is G8 of the same size. Where a sample reaches past the source the
// pixel `edge` lies there, packed R + G x 256 + B x 65536 + A x 2^24. A flat
// plane copies the source. False for views that do not match or a strength
// that is not finite.
bool bump_displace(const ConstImageView& src, const ConstImageView& grey, const ImageView& dst, double k,
                   uint32_t edge) noexcept;

// The grey of an RGBA32 view into a G8 plane: (R + G + B) / 3.
void grey_plane_from_rgba(const ConstImageView& rgba, const ImageView& grey) noexcept;

}  // namespace mur::imaging

// Channel conversions of RGBA32 pictures.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// The gray value of an RGBA32 pixel: (R*299 + G*587 + B*114 + 500) / 1000,
// the ITU-R BT.601 luma weights rounded to the nearest level; alpha is not
// looked at.
constexpr uint8_t gray_of(uint32_t r, uint32_t g, uint32_t b) noexcept
{
    return static_cast<uint8_t>((r * 299 + g * 587 + b * 114 + 500) / 1000);
}

// RGBA32 `src` (bytesPerPixel 4) to the 8-bit plane `dst` (bytesPerPixel 1)
// of the same size. False when the views do not fit.
bool rgba32_to_gray8(const ConstImageView& src, const ImageView& dst) noexcept;

// Exchanges the first and third byte of every pixel of an RGBA32 view, which
// turns RGBA into BGRA and back. False when the view is not RGBA32.
bool swap_red_blue(const ImageView& image) noexcept;

}  // namespace mur::imaging

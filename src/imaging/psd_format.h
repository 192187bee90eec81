// Flat Photoshop documents (.psd): the composite image only.
//
// Written: RGB, 8 bits a channel, three channels, raw planes, the
// resolution as a ResolutionInfo resource in dots per inch, no layers.
// Read: the composite image of RGB documents (three channels; a fourth is
// the alpha) and grayscale ones, 8 or 16 bits a channel (16 keeps the high
// byte), raw or PackBits-coded; colour-mode data, resources and layers are
// skipped. Damaged, truncated or oversized files fail with nothing left
// allocated.
#pragma once

#include "imaging/image_view.h"
#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

// The largest side a document of version 1 may have.
inline constexpr int32_t kMaxPsdSide = 30000;

bool read_psd_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                          const PictureLimits& limits = {}) noexcept;

// Writes an RGB24 view; dpi <= 0 records no resolution.
bool write_psd(const char* path, const ConstImageView& image, int32_t dpi) noexcept;

}  // namespace mur::imaging

// PNG files as RGBA32 pictures.
//
// Reading converts every PNG colour type to 8-bit RGBA: palettes and gray
// are expanded, a transparency chunk becomes alpha, 16-bit channels keep
// their high byte, pictures without alpha are opaque. No gamma is applied.
#pragma once

#include "imaging/image_view.h"
#include "imaging/picture.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

bool read_png(const char* path, Rgba32Picture& picture) noexcept;
bool read_png_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture) noexcept;

// Writes an RGBA32 view (bytesPerPixel 4) as an 8-bit RGBA PNG.
bool write_png(const char* path, const ConstImageView& image) noexcept;
bool write_png_to_memory(const ConstImageView& image, ByteBlock& block) noexcept;

}  // namespace mur::imaging

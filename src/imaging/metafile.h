// Windows metafiles drawn into RGBA32 pictures of a size the caller chooses.
//
// Both kinds are drawn so that the metafile's bounds fill the picture, over
// a background colour (0x00BBGGRR, as Windows packs colours); the result is
// opaque.
//
// Enhanced metafiles (EMF) are played by our own player of bitmap records:
// StretchDIBits, SetDIBitsToDevice, BitBlt and StretchBlt with a source
// bitmap, the bitmap decoded by the BMP reader and drawn by nearest
// neighbour. World transforms and mapping modes are not followed (logical
// units are taken as device pixels), and every other drawing record (lines,
// shapes, text, fills without a bitmap) draws nothing.
//
// Windows metafiles (WMF, with or without the placeable header) are drawn
// by libwmf through its gd device: the placeable header's frame (else the
// extent of the drawing) fills the picture. Text records are not drawn
// (libwmf's text drawing is not safe on untrusted files); pen widths and
// font sizes are held to the picture's size.
// Only placeable metafiles, whose frame is known, are drawn over the
// background; the others over white, as the gd device starts.
#pragma once

#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

bool looks_like_emf(const uint8_t* data, std::size_t size) noexcept;
bool looks_like_wmf(const uint8_t* data, std::size_t size) noexcept;

// `limits` bound the target and every bitmap inside the metafile.
bool draw_emf(const uint8_t* data, std::size_t size, int32_t width, int32_t height, uint32_t background,
              Rgba32Picture& picture, const PictureLimits& limits = {}) noexcept;

bool draw_wmf(const uint8_t* data, std::size_t size, int32_t width, int32_t height, uint32_t background,
              Rgba32Picture& picture, const PictureLimits& limits = {}) noexcept;

}  // namespace mur::imaging

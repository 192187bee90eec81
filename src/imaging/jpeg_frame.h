// JPEG pictures made in memory, one after another with the same settings:
// the frames of a Motion JPEG stream. The compressor and the output block
// are kept from frame to frame.
#pragma once

#include "imaging/image_view.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

struct JpegFrameEncoder;  // libjpeg's state, engine heap

// A new encoder for frames of `quality` 1..100 (clamped): baseline,
// Y'CbCr with the chroma halved both ways, as Motion JPEG players expect.
JpegFrameEncoder* create_jpeg_frame_encoder(int32_t quality) noexcept;
void release_jpeg_frame_encoder(JpegFrameEncoder*& encoder) noexcept;

// Compresses `image` (RGB24 or RGBA32, alpha ignored); the JPEG stays valid
// in `data` until the next frame or the release. False when the picture is
// unusable or memory cannot be had.
bool encode_jpeg_frame(JpegFrameEncoder& encoder, const ConstImageView& image, const uint8_t*& data,
                       std::size_t& size) noexcept;

}  // namespace mur::imaging

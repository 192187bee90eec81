// Reading picture files of any supported kind as RGBA32 pictures.
//
// The reader is chosen by the first bytes of the data, never by the file
// name: PNG, JPEG, GIF (first frame), TIFF (first image) and BMP by their
// signatures, TGA (which has none) by a self-consistent header. Damaged,
// truncated or oversized files fail: the picture is then empty and nothing
// stays allocated.
#pragma once

#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

enum class PictureFormat { Unknown, Png, Jpeg, Gif, Tiff, Bmp, Tga };

// Files larger than this are not read at all.
inline constexpr uint64_t kMaxPictureFileBytes = uint64_t{1} << 31;

PictureFormat detect_picture_format(const uint8_t* data, std::size_t size) noexcept;

bool read_picture_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                              const PictureLimits& limits = {}) noexcept;

bool read_picture(const char* path, Rgba32Picture& picture, const PictureLimits& limits = {}) noexcept;

// The whole file as a block on the engine heap; false when it cannot be
// opened or read, is empty, or is larger than `maxBytes`.
bool read_file_bytes(const char* path, ByteBlock& block, uint64_t maxBytes = kMaxPictureFileBytes) noexcept;

}  // namespace mur::imaging

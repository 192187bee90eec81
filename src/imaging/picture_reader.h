// Reading picture files of any supported kind as RGBA32 pictures.
//
// The reader is chosen by the first bytes of the data, never by the file
// name: PNG, JPEG, GIF (first frame), TIFF (first image), BMP and PSD by
// their signatures, PCX by its header, TGA (which has none) by a
// self-consistent header. Metafiles (EMF, WMF) have no size of their own:
// they are read when the caller names the size to draw them at. Damaged,
// truncated or oversized files fail: the picture is then empty and nothing
// stays allocated.
#pragma once

#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

enum class PictureFormat { Unknown, Png, Jpeg, Gif, Tiff, Bmp, Psd, Pcx, Tga, Emf, Wmf };

// Files larger than this are not read at all.
inline constexpr uint64_t kMaxPictureFileBytes = uint64_t{1} << 31;

PictureFormat detect_picture_format(const uint8_t* data, std::size_t size) noexcept;

bool read_picture_from_memory(const uint8_t* data, std::size_t size, Rgba32Picture& picture,
                              const PictureLimits& limits = {}) noexcept;

bool read_picture(const char* path, Rgba32Picture& picture, const PictureLimits& limits = {}) noexcept;

// Where metafiles are drawn: the picture's size and the colour under the
// drawing (0x00BBGGRR).
struct MetafileCanvas {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t background = 0x00FFFFFF;
};

// Any picture, metafiles drawn on the canvas.
bool read_picture_or_metafile_from_memory(const uint8_t* data, std::size_t size, const MetafileCanvas& canvas,
                                          Rgba32Picture& picture, const PictureLimits& limits = {}) noexcept;
bool read_picture_or_metafile(const char* path, const MetafileCanvas& canvas, Rgba32Picture& picture,
                              const PictureLimits& limits = {}) noexcept;

// The whole file as a block on the engine heap; false when it cannot be
// opened or read, is empty, or is larger than `maxBytes`.
bool read_file_bytes(const char* path, ByteBlock& block, uint64_t maxBytes = kMaxPictureFileBytes) noexcept;

}  // namespace mur::imaging

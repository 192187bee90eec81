// The clipboard: one picture kept by the process as a device-independent
// bitmap block (a 40-byte info header, 32 bits a pixel, rows bottom-up in
// B, G, R, A order), as the desktop exchanges pictures. The store has its own
// lock, so a desktop backend's thread may read it while the engine writes.
//
// Blocks put by other owners may be any DIB the bitmap reader knows (1 to 32
// bits, palettes, bit fields, RLE, top-down rows); a block that does not
// decode is refused when it is read. A 32-bit block keeps the alpha it
// carries unless every alpha byte is zero (then it is opaque), and 24-bit and
// smaller blocks are opaque.
#pragma once

#include "imaging/picture.h"
#include "imaging/picture_limits.h"

#include <cstddef>
#include <cstdint>

namespace mur::platform {

inline constexpr std::size_t kDibHeaderBytes = 40;

// Puts an RGBA32 picture (rows `stride` bytes apart) on the clipboard as a
// 32-bit DIB, replacing what was there. False, with the clipboard as it was,
// for a size outside the picture limits or when the block cannot be had.
bool put_clipboard_rgba32(const uint8_t* rgba, int32_t width, int32_t height, std::ptrdiff_t stride) noexcept;

// Puts a DIB block as given (copied), as another owner of the clipboard
// would; false for an empty block or when memory runs out.
bool put_clipboard_dib(const uint8_t* dib, std::size_t size) noexcept;

// Decodes the clipboard picture; false (nothing allocated) when the
// clipboard holds no picture or a block that does not decode.
bool read_clipboard_picture(imaging::Rgba32Picture& picture) noexcept;

// The size of the clipboard picture without decoding it; false when empty
// or when the header is unusable.
bool clipboard_picture_size(int32_t& width, int32_t& height) noexcept;

// A copy of the clipboard's DIB block on the engine heap (the caller
// releases it); false when empty.
bool copy_clipboard_dib(imaging::ByteBlock& block) noexcept;

bool clipboard_holds_picture() noexcept;
void empty_clipboard() noexcept;

// Counts every change of the clipboard: a picture put or emptied.
uint64_t clipboard_serial() noexcept;

// How often the clipboard picture was decoded since the process began.
uint64_t clipboard_reads() noexcept;

// The DIB block of an RGBA32 picture (the caller releases it); false when
// the size is out of bounds or memory runs out.
bool encode_dib(const uint8_t* rgba, int32_t width, int32_t height, std::ptrdiff_t stride,
                imaging::ByteBlock& block) noexcept;

// Decodes a DIB block (no file header): the plain 32-bit blocks this store
// writes directly, every other one with the bitmap reader.
bool decode_dib(const uint8_t* dib, std::size_t size, imaging::Rgba32Picture& picture,
                const imaging::PictureLimits& limits = {}) noexcept;

}  // namespace mur::platform

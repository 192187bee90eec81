// Pictures the imaging library hands out: RGBA32 pixels on the engine heap,
// rows of width * 4 bytes, and byte blocks for encoded files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

// Decoders refuse pictures beyond these sizes before allocating anything.
inline constexpr int32_t kMaxPictureSide = 65535;
inline constexpr uint64_t kMaxPicturePixels = uint64_t{1} << 28;

struct Rgba32Picture {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    bool borrowed = false;  // the pixels are a caller's buffer (DecodeInto): never freed
};

struct ByteBlock {
    uint8_t* data = nullptr;
    std::size_t size = 0;
};

// Allocates a picture of the given size (zeroed); false when the size is out
// of bounds or the memory cannot be had.
bool allocate_picture(Rgba32Picture& picture, int32_t width, int32_t height) noexcept;
// The same, not zeroed, for decoders that write every row or fail.
bool allocate_unfilled_picture(Rgba32Picture& picture, int32_t width, int32_t height) noexcept;

void release_picture(Rgba32Picture& picture) noexcept;

// While one lives, the first picture allocated on this thread at its size
// is the caller's buffer (zeroed as the allocation would be) instead of a new block, so a decoder
// writes straight into it; the caller checks `pixels` to see whether it
// did. The buffer must hold width * height * 4 bytes.
struct DecodeInto {
    DecodeInto(uint8_t* pixels, int32_t width, int32_t height) noexcept;
    ~DecodeInto();
    DecodeInto(const DecodeInto&) = delete;
    DecodeInto& operator=(const DecodeInto&) = delete;

    uint8_t* pixels;
    int32_t width, height;
    bool taken = false;
    DecodeInto* outer;
};
void release_block(ByteBlock& block) noexcept;

}  // namespace mur::imaging

// The holding buffer: the last picture read from a file, the clipboard, the
// screen or a scanner, kept for the host to read back. It outlives the image
// and is released only by MUR_DeleteNewRGBA or by the next picture.
#pragma once

#include <cstdint>

namespace mur {

struct HoldingBuffer {
    uint8_t* pixels = nullptr;   // RGBA32, rows of width * 4 bytes, or null
    int32_t width = 0;
    int32_t height = 0;
};

// The transforming paste's last result: an RGBA32 picture and the size,
// angle and smoothing it was made for. Empty while `pixels` is null; it
// outlives the image and a new clipboard picture (the host empties it).
struct ClipTransformCache {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t size = 0;
    int32_t angle = 0;
    bool smooth = false;
};

}  // namespace mur

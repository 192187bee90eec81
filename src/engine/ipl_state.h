// The page-sized working copies of the current layer that image processing
// runs on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur {

struct IplBuffer {
    uint8_t* data = nullptr;
    std::size_t bytes = 0;       // what it was allocated for
};

struct IplBufferSet {
    IplBuffer src32;             // RGBA32 source, filled from the current layer
    IplBuffer dst32;             // RGBA32 destination
    IplBuffer src24;             // RGB24 source
    IplBuffer dst24;             // RGB24 destination
    IplBuffer toolSrc32;         // tool source (flood fill, wand, clipboard)
    IplBuffer toolDst32;         // tool destination (rectangle, ellipse, gradient)
};

}  // namespace mur

// The 20 grit buffers of a tool: random cells of shade, or windows of a
// texture. Each buffer holds (maxBrushSize + 25)^2 bytes with rows
// maxBrushSize bytes apart; 255 is no grit.
#pragma once

#include <cstdint>

namespace mur::grit {

// The grit side S for the current brush: size + 25.
int32_t grit_side() noexcept;

// Random grit: cells of gritCell pixels, painted with a chance, filled with
// pixels of the cell's shade with a chance, from random tables A and B.
void build_random() noexcept;

// Texture grit from an 8-bit gray plane: each buffer takes an S x S window
// at a random offset. False when there is nothing to take it from.
bool fill_from_gray(const uint8_t* gray, int32_t width, int32_t height) noexcept;

}  // namespace mur::grit

// Compositing paint onto layer pixels: one pixel at a time, and a row of
// paint over a row of layer pixels with the mode's kernel chosen once.
#pragma once

#include <cstdint>

namespace mur {

// The destination channels are read and written in place (alpha unless
// `alphaLock`); the source colour and amount are 16-bit, the opacity 0..256.
void merge_pixel(int32_t* pixR, int32_t* pixG, int32_t* pixB, int32_t* pixA, uint32_t srcR, uint32_t srcG,
                 uint32_t srcB, uint32_t amount, int32_t mode, int32_t opacity, bool alphaLock) noexcept;

// A row of paint-layer pixels composited over a row of layer pixels, each
// pixel as merge_pixel does with amount = (paint alpha x (density + 1)) >> 8.
struct PaintRow {
    const uint16_t* paint = nullptr;  // RGBA64
    uint16_t* pixels = nullptr;       // RGBA64, written in place
    int64_t width = 0;
    int32_t mode = 0;
    int32_t opacity = 256;
    int32_t density = 255;
    int32_t a0 = 65535;               // the alpha modes' opacity
    bool alphaLock = false;
};
void merge_paint_row(const PaintRow& row) noexcept;

// The first pixels of a row in a colour mode that composites as Normal
// (`copiesOpaque` for Normal itself), four at a time with AVX2; returns how
// many it did. Only on processors with AVX2.
int64_t merge_paint_row_normal_avx2(const PaintRow& row, bool copiesOpaque) noexcept;

// Whether the vector rows are used where the processor allows it; tests turn
// them off to compare.
void use_vector_paint_rows(bool on) noexcept;

}  // namespace mur

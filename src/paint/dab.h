// Grit dabs: one dab of the brush shape, through the grain, the alpha, the
// texture and the mask, coloured flat or from the pick-up buffer, mixed with
// what lies under it by the mix mode and weighted by its coverage.
//
// A dab is set up once on the calling thread (dab_setup.cpp): the box, the
// colour, the grain position and every tool and engine value its rows read
// are copied into a `DabRecord`. The row kernels (dab_rows.cpp, and the plain
// kernels of plain_dab_rows.h for the common case) see only the record.
// `MUR_DrawDabGritMask` paints the mask instead (mask_dab.cpp).
#pragma once

#include "engine/random.h"
#include "paint/mix_modes.h"
#include "paint/plain_dab_rows.h"

#include <cstddef>
#include <cstdint>

namespace mur::dab {

struct DabRecord {
    // The box: image columns [left, right) and rows [top, bottom). Box column
    // k samples shape column steps[k + leftOffset], image row y shape row
    // steps[y - top + topOffset].
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t leftOffset = 0, topOffset = 0;
    const int32_t* steps = nullptr;

    // What is painted, and what the coverage is made of. Mask and texture
    // rows are image rows (`imageWidth` values); the mask is null unless it
    // is enabled.
    uint16_t* target = nullptr;
    int64_t targetStride = 0;  // in 16-bit units
    const uint16_t* shape = nullptr;
    int32_t shapeStride = 0;   // the largest brush size
    const uint8_t* grit = nullptr;  // the grain at its current position, or null
    std::size_t gritLimit = 0;      // bytes readable from `grit`
    const uint8_t* texture = nullptr;
    const uint16_t* mask = nullptr;
    int32_t imageWidth = 0;
    uint16_t* pickUp = nullptr;     // the pick-up buffer when the colour comes from it
    int64_t pickUpStride = 0;

    // Rotation of the samples about the shape's centre.
    bool rotate = false;
    int32_t radius = 0, size = 0;
    float cos = 1, sin = 0;

    // Colour: the dab colour S and S * primary strength, for pick-up.
    uint32_t colour[4] = {};
    uint32_t primary[4] = {};
    int32_t primaryStrength = 0, primaryInverse = 0;

    // Per-pixel variation: widths, tables, and the range of each row's
    // starting point in them.
    int32_t colourVary = 0, lumVary = 0;
    RandomByteTable colourTable, lumTable;
    int32_t variationStart = 0;

    // Mixing: the mode, the banks of the colour modes, the mix amount, and
    // the remix of the pick-up buffer.
    int32_t mixMode = 0;
    mix::ColourBanks banks{};
    uint32_t mixAmount = 0, mixAmountInverse = 0;
    bool remix = false;
    int32_t remixStrength = 0, remixInverse = 0;

    // Rules.
    bool scaleAlpha = false;      // alpha below 100: coverage * alphaScale >> 7
    uint32_t alphaScale = 128;
    int32_t density = 0;          // grain bytes above it leave holes
    bool vary = false, erase = false, lockColor = false, lockBlob = false, solid = false, imageBrush = false;
    bool maskOnCoverage = false;  // the mask weighs the coverage; else it caps the alpha
    bool writeAlpha = false;
    uint32_t alphaLevel = 0;      // a fixed result alpha, 0 for none

    // The common case with its own row kernels.
    bool plain = false;
    const plain_dab::RowKernels* plainRows = nullptr;
};

// One image row of a dab, by the record's path: the plain kernels when the
// record allows them, else the general kernel.
void paint_row(const DabRecord& d, int32_t row) noexcept;

// The general kernel, whatever the record allows.
void paint_general_row(const DabRecord& d, int32_t row) noexcept;

// The plain row of the record (it must be plain).
plain_dab::PlainRow plain_row(const DabRecord& d, int32_t row) noexcept;

// Luminance variation of one channel by f (0.5 leaves it): towards black
// below, towards white above.
uint32_t vary_luminance(uint32_t c, double f) noexcept;

// The next colour offset and luminance factor of a row, reading the tables
// from the row's running positions.
struct Variation {
    int64_t colourAt = 0;
    int64_t lumAt = 0;
    int32_t colour_offset(const DabRecord& d) noexcept;
    double luminance_factor(const DabRecord& d) noexcept;
};

// A dab record for the tool's brush at (x, y) without a target: the box
// (clipped to the image, widening the dirty rectangle and, when asked, the
// paint layer's extents), the grain and the rules. `ready` tells whether the
// brush fits its planes.
struct Placed {
    DabRecord record;
    bool ready;
};
Placed place_dab(int32_t x, int32_t y, bool widenExtents) noexcept;

// The shape sample of a box pixel, turned by the record's rotation.
struct Sample {
    int32_t u, v;
};
Sample rotated(const DabRecord& d, int32_t u, int32_t v) noexcept;

uint32_t clamp16(int64_t v) noexcept;

// Paints a dab of the mask (the tool is a mask maker); 1 when it painted.
int32_t draw_mask_dab(int32_t x, int32_t y) noexcept;

}  // namespace mur::dab

// Setting a grit dab up: the colour, the grain position, the box, and the
// record of every value its rows read; then the rows, shared among threads
// for dabs taller than 35 rows. The per-row starting points in the variation
// tables are drawn from the generator of the thread that paints the row:
// with one thread a seed gives one result, with more the draws follow the
// split of the rows.
#include "engine/guard.h"
#include "engine/parallel_rows.h"
#include "engine/random.h"
#include "engine/state.h"
#include "paint/dab.h"
#include "undo/history.h"

#include <algorithm>

namespace mur::dab {
namespace {

constexpr int32_t kParallelRows = 35;
constexpr int32_t kWarmRows = 64;

// Picks a new grain buffer and position when the hold has run down.
void advance_grain(ToolSettings& t) noexcept
{
    if (t.gritCell == 0 || t.drawingLength >= 1) return;
    int32_t pick = rng_next() % kGritBuffers;
    while (pick == t.currentGrit) pick = rng_next() % kGritBuffers;
    t.currentGrit = pick;
    const int32_t rows = rng_next() % 25;
    const int32_t cols = rng_next() % 25;
    t.gritOffset = rows * engine.maxBrushSize + cols;
    t.drawingLength = t.drawingLengthSetting;
}

// The grain pointer of the current position, and how far it may be read.
void grain_at_position(const ToolSettings& t, DabRecord& d) noexcept
{
    d.grit = nullptr;
    d.gritLimit = 0;
    if (t.gritCell == 0) return;
    const uint8_t* buffer = t.gritBuffers[std::clamp(t.currentGrit, 0, kGritBuffers - 1)];
    const std::size_t side = std::size_t(std::max(engine.maxBrushSize, 0)) + 25;
    const std::size_t offset = std::size_t(std::max(t.gritOffset, 0));
    if (!buffer || offset >= side * side) return;
    d.grit = buffer + offset;
    d.gritLimit = side * side - offset;
}

// Clips the n x n box at (x, y) to the image and widens the dirty rectangle
// (and the paint layer's extents when asked) by it.
void place_box(const ToolSettings& t, DabRecord& d, int32_t x, int32_t y, bool widenExtents) noexcept
{
    // In 64 bits: a dab may be placed anywhere in the 32-bit range. An
    // offset past the box only comes with an empty box.
    const int32_t n = t.sizeStepCount;
    const int64_t left = int64_t{x} - n / 2, top = int64_t{y} - n / 2;
    d.leftOffset = static_cast<int32_t>(std::clamp<int64_t>(-left, 0, n));
    d.topOffset = static_cast<int32_t>(std::clamp<int64_t>(-top, 0, n));
    d.left = static_cast<int32_t>(std::max<int64_t>(left, 0));
    d.top = static_cast<int32_t>(std::max<int64_t>(top, 0));
    d.right = static_cast<int32_t>(std::min<int64_t>(left + n, engine.width));
    d.bottom = static_cast<int32_t>(std::min<int64_t>(top + n, engine.height));
    undo::widen_dirty(d.left, d.top, d.right, d.bottom);
    if (widenExtents && engine.paintLayer.pixels) {
        LayerRecord& p = engine.paintLayer;
        p.extentX0 = std::min(p.extentX0, d.left);
        p.extentY0 = std::min(p.extentY0, d.top);
        p.extentX1 = std::max(p.extentX1, d.right);
        p.extentY1 = std::max(p.extentY1, d.bottom);
    }
}

// The rows of a small dab lie far apart in the layer and the mask, and the
// row loop is too long for the processor to run ahead into the next row: the
// misses would queue one row after another. Reading one value at each end of
// every row first lets them overlap (prefetch hints were dropped too often to
// do the same). Larger dabs spend their time in the pixel arithmetic.
uint32_t warm_rows(const DabRecord& d) noexcept
{
    const uint16_t* mask = engine.mask.enabled ? engine.mask.plane : nullptr;
    uint32_t sum = 0;
    for (int32_t row = d.top; row < d.bottom; ++row) {
        const uint16_t* target = d.target + int64_t(row) * d.targetStride;
        sum += target[int64_t(d.left) * 4 + 3] + target[int64_t(d.right - 1) * 4 + 3];
        if (mask) sum += mask[std::size_t(row) * engine.width + d.left];
    }
    asm volatile("" : : "r"(sum));
    return sum;
}

// The values the rows read of the tool and the engine.
void settle_rules(const ToolSettings& t, DabRecord& d) noexcept
{
    d.steps = t.sizeSteps;
    d.shape = engine.shape.plane;
    d.shapeStride = engine.maxBrushSize;
    d.texture = engine.layers.texture;
    d.mask = engine.mask.enabled && engine.mask.plane ? engine.mask.plane : nullptr;
    d.imageWidth = engine.width;
    d.rotate = t.rotateBrushMode == 1;
    d.radius = t.size / 2;
    d.size = t.size;
    d.cos = t.rotateCos;
    d.sin = t.rotateSin;
    d.primaryStrength = t.primaryColorStrength;
    d.primaryInverse = t.primaryColorStrengthInverse;
    d.colourVary = t.pixColorVary;
    d.lumVary = t.pixLumVary;
    d.colourTable = t.pixColorVaryTable;
    d.lumTable = t.pixLumVaryTable;
    d.variationStart = engine.maxBrushSize;
    d.mixMode = t.mixMode;
    d.banks = {t.colorBankR, t.colorBankG, t.colorBankB, t.color, t.mixBias16};
    d.mixAmount = static_cast<uint32_t>(std::clamp(t.mixAmount, 0, 256));
    d.mixAmountInverse = static_cast<uint32_t>(std::clamp(t.mixAmountInverse, 0, 256));
    d.remixStrength = static_cast<uint32_t>(t.blendStrength);
    d.remixInverse = static_cast<uint32_t>(t.blendStrengthInverse);
    d.scaleAlpha = t.alpha < 100;
    d.alphaScale = static_cast<uint32_t>(std::max(t.alpha128, 0));
    d.density = t.dabDensity;
    d.vary = t.pixColorVary > 0 || t.pixLumVary > 0;
    d.erase = t.eraseMode != 0;
    d.lockColor = t.lockColor != 0;
    d.lockBlob = t.lockBlob != 0;
    d.solid = t.solidBrushMode != 0;
    d.imageBrush = t.imageBrushMode != 0;
    d.alphaLevel = static_cast<uint32_t>(std::max(t.alphaLevel, 0));
}

bool brush_ready(const ToolSettings& t) noexcept
{
    // Shape samples lie at most size - 1 along each axis: the size must fit
    // the planes made for the largest brush.
    return engine.shape.plane && t.size <= engine.maxBrushSize && t.sizeStepCount <= t.size;
}

int32_t draw_dab(int32_t x, int32_t y, uint32_t r, uint32_t g, uint32_t b) noexcept
{
    ToolSettings& t = engine.tool;
    t.color[0] = static_cast<uint16_t>(r & 0xFF00);
    t.color[1] = static_cast<uint16_t>(g & 0xFF00);
    t.color[2] = static_cast<uint16_t>(b & 0xFF00);
    t.color[3] = 65535;
    if (t.maskMaker) return draw_mask_dab(x, y);

    LayerRecord* current = engine.layers.currentRecord;
    const bool painting = engine.paintLayer.pixels != nullptr;
    LayerRecord* target = painting ? &engine.paintLayer : (current && current->pixels ? current : nullptr);
    bool pickUp = t.blendStrength != 0 && !t.tempDisableBlend;
    uint32_t colour[4] = {t.color[0], t.color[1], t.color[2], t.color[3]};
    if (t.colorVary >= 1) {
        const int64_t k = (t.colorVary / 2 - rng_next() % t.colorVary) * int64_t{256};
        for (uint32_t& c : colour) c = clamp16(int64_t(c) + k);
    }
    if (t.eraseMode) colour[0] = colour[1] = colour[2] = 65535, colour[3] = 0;

    Placed placed = place_dab(x, y, true);
    DabRecord& d = placed.record;
    d.maskOnCoverage = pickUp || t.eraseMode || !painting;
    d.writeAlpha = painting || (current && !current->alphaLocked && !engine.lockAlpha && engine.layers.currentLayer > 1);
    for (int i = 0; i < 4; ++i) d.colour[i] = colour[i];
    if (t.primaryColorStrength > 0)
        for (int i = 0; i < 4; ++i) d.primary[i] = colour[i] * static_cast<uint32_t>(t.primaryColorStrength);
    const LayerRecord* buffer = engine.blend.selected;
    if (pickUp && (!buffer || !buffer->pixels || buffer->width < t.size)) pickUp = false;
    if (pickUp) {
        d.pickUp = buffer->pixels;
        d.pickUpStride = buffer->stride;
    }
    d.remix = pickUp && t.blendRemix;
    // The plain kernels work in 16-bit values: the coverage may not grow.
    d.plain = !d.rotate && !pickUp && !d.vary && !d.erase && d.mixMode == mix::kMixNormal && !d.lockColor &&
              !d.lockBlob && d.alphaLevel == 0 && (!d.scaleAlpha || d.alphaScale <= 128);
    d.plainRows = &plain_dab::plain_rows();

    int32_t painted = 0;
    if (target && placed.ready && d.right > d.left && d.bottom > d.top && target->width >= engine.width &&
        target->height >= engine.height) {
        d.target = target->pixels;
        d.targetStride = target->stride;
        // Remix with rotation may send two rows to one pick-up sample: those
        // dabs stay on one thread.
        const bool shared = d.rotate && d.remix;
        const bool threaded = d.bottom - d.top > kParallelRows && !shared;
        if (d.bottom - d.top <= kWarmRows) warm_rows(d);
        for_rows(d.top, d.bottom, threaded, [&](int64_t row) { paint_row(d, static_cast<int32_t>(row)); });
        painted = 1;
    }
    t.tempDisableBlend = 0;
    t.maskMaker = 0;
    t.eraseMode = 0;
    return painted;
}

}  // namespace

Placed place_dab(int32_t x, int32_t y, bool widenExtents) noexcept
{
    ToolSettings& t = engine.tool;
    Placed placed{};
    advance_grain(t);
    grain_at_position(t, placed.record);
    place_box(t, placed.record, x, y, widenExtents);
    settle_rules(t, placed.record);
    placed.ready = brush_ready(t);
    return placed;
}

}  // namespace mur::dab

using namespace mur;

extern "C" {

MUR_API int32_t MUR_DrawDabGrit(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b)
{
    return guard("DrawDabGrit", 0, [&] { return dab::draw_dab(x, y, uint32_t(r), uint32_t(g), uint32_t(b)); });
}

MUR_API int32_t MUR_DrawDabGritMask(int32_t x, int32_t y)
{
    return guard("DrawDabGritMask", 0, [&] { return dab::draw_mask_dab(x, y); });
}

}  // extern "C"

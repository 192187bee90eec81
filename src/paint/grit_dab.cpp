// Grit dabs: one dab of the brush shape, through the grain, the alpha, the
// texture and the mask, coloured flat or from the pick-up buffer, mixed with
// what lies under it by the mix mode and weighted by its coverage.
//
// A dab is set up once on the calling thread (box, colour, grain position,
// flags) into a plain record; a row kernel then paints each row. Dabs taller
// than 35 rows share their rows among threads. The per-row starting points
// in the variation tables are drawn from the generator of the thread that
// paints the row: with one thread a seed gives one result, with more the
// draws follow the split of the rows.
#include "engine/guard.h"
#include "engine/parallel_rows.h"
#include "engine/random.h"
#include "engine/state.h"
#include "mask/mask_rules.h"
#include "paint/dab_mix_modes.h"
#include "paint/plain_dab_rows.h"
#include "undo/history.h"

#include <algorithm>
#include <cmath>

namespace mur {
namespace {

constexpr int32_t kParallelRows = 35;
constexpr int32_t kWarmRows = 64;
constexpr int32_t kPrefetchPixels = 128;

// Everything a row of a dab needs, settled before painting.
struct DabSetup {
    int32_t left, top;           // the box, clipped
    int32_t leftOffset, topOffset;
    int32_t right, bottom;       // exclusive
    int32_t radius;              // size / 2, the centre of rotation
    uint32_t colour[4];          // the dab colour S
    uint32_t primary[4];         // S * primaryColorStrength
    bool maskOnCoverage;
    bool pickUp;                 // colour from the pick-up buffer
    const uint8_t* grit;         // the grain at its current position, or null
    std::size_t gritLimit;       // bytes readable from `grit`
    LayerRecord* target;         // the paint layer or the current layer
    bool writeAlpha;             // the layer's alpha may change
    // The tool's values the pixel loop reads, copied so that writes to
    // pixels cannot make the compiler reload them.
    ToolSettings const* tool;
    int32_t mixMode;
    bool scaleAlpha;             // alpha below 100: coverage * alpha128 >> 7
    uint32_t alphaScale;
    int32_t density;             // grain threshold
    bool rotate, vary, erase, lockColor, lockBlob, remix, solid, imageBrush;
    uint32_t alphaLevel;
    bool plain;                  // the common case with its own row kernels
    const plain_dab::RowKernels* plainRows;
    const uint8_t* texture;
    const uint16_t* shape;
    int32_t shapeStride;
};

ToolSettings& tool() noexcept { return engine.tool; }

uint32_t clamp16(int64_t v) noexcept { return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 65535)); }

// Set-up step: pick a new grain buffer and position when the hold has run down.
void advance_grain() noexcept
{
    ToolSettings& t = tool();
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
void grain_at_position(DabSetup& d) noexcept
{
    const ToolSettings& t = tool();
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
void place_box(DabSetup& d, int32_t x, int32_t y, bool widenExtents) noexcept
{
    // In 64 bits: a dab may be placed anywhere in the 32-bit range. An
    // offset past the box only comes with an empty box.
    const int32_t n = tool().sizeStepCount;
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

// The shape position a box pixel samples, turned by the brush rotation.
struct Sample {
    int32_t u, v;
};
Sample rotated(int32_t u, int32_t v, int32_t radius) noexcept
{
    const ToolSettings& t = tool();
    if (t.rotateBrushMode != 1) return {u, v};
    const float dx = float(u - radius), dy = float(v - radius);
    const int32_t ru = static_cast<int32_t>(dx * t.rotateCos - dy * t.rotateSin) + radius;
    const int32_t rv = static_cast<int32_t>(dx * t.rotateSin + dy * t.rotateCos) + radius;
    if (ru >= 0 && rv >= 0 && ru < t.size && rv < t.size) return {ru, rv};
    return {u, v};
}

// Coverage of a box pixel by the shape, the alpha and the texture; 0 skips.
// Returns false when the grain leaves the pixel out.
bool coverage(const DabSetup& d, Sample at, int32_t x, int32_t y, uint32_t& a) noexcept
{
    const ToolSettings& t = tool();
    const std::size_t index = std::size_t(at.v) * engine.maxBrushSize + at.u;
    if (d.grit && index < d.gritLimit && d.grit[index] > t.dabDensity) return false;
    a = engine.shape.plane ? engine.shape.plane[index] : 0;
    if (t.alpha < 100) a = (a * uint32_t(std::max(t.alpha128, 0))) >> 7;
    if (const uint8_t* texture = engine.layers.texture) {
        const uint32_t tv = texture[std::size_t(y) * engine.width + x];
        if (tv < 255) a = (tv * a) >> 8;
    }
    return true;
}

// Per-pixel colour variation from the tables; `readers` hold each table's
// running position for this row.
struct Variation {
    int64_t colorAt = 0;
    int64_t lumAt = 0;
    uint8_t next(const RandomByteTable& table, int64_t& at) const noexcept
    {
        if (!table.data || table.length <= 0) return 0;
        if (at >= table.length || at < 0) at = 0;
        return table.data[at++];
    }
};

// Luminance variation of one channel by f (0.5 leaves it): towards black
// below, towards white above.
uint32_t vary_luminance(uint32_t c, double f) noexcept
{
    return f <= 0.5 ? clamp16(static_cast<int64_t>(c - c * 2 * (0.5 - f)))
                    : clamp16(static_cast<int64_t>(c + (65535 - c) * 2 * (f - 0.5)));
}

// The next luminance factor of a row.
double luminance_factor(Variation& var) noexcept
{
    const ToolSettings& t = tool();
    const int32_t w = t.pixLumVary;
    return ((128 - w / 2) + (var.next(t.pixLumVaryTable, var.lumAt) % w)) / 256.0;
}

// The next colour offset of a row: (v / 2 - (b mod v)) * 256.
int32_t colour_offset(Variation& var) noexcept
{
    const ToolSettings& t = tool();
    const int32_t v = t.pixColorVary;
    return ((v & ~1) - 2 * (var.next(t.pixColorVaryTable, var.colorAt) % v)) * 128;
}

void vary_colour(uint32_t c[4], int channels, Variation& var) noexcept
{
    const ToolSettings& t = tool();
    if (t.pixColorVary > 0) {
        const int32_t q = colour_offset(var);
        for (int i = 0; i < channels; ++i) c[i] = clamp16(int64_t(c[i]) + q);
    }
    if (t.pixLumVary > 0) {
        const double f = luminance_factor(var);
        for (int i = 0; i < 3; ++i) c[i] = vary_luminance(c[i], f);
    }
}

// The target's new colour and alpha for mix modes below 34.
void mix_below_34(const DabSetup& d, uint32_t a, const uint32_t s[4], const uint16_t* dst, uint32_t out[3],
                  uint32_t& n, bool& writeColour, plain_dab::Reciprocal& inverse) noexcept
{
    const ToolSettings& t = *d.tool;
    const uint32_t da = dst[3];
    writeColour = true;
    if (da == 0) {
        out[0] = s[0], out[1] = s[1], out[2] = s[2];
        n = (a * s[3]) >> 16;
    } else if (d.mixMode == 32 && d.pickUp) {
        n = ((((65536 - a) * da) >> 8) + ((a * s[3]) >> 8)) >> 8;
        for (int i = 0; i < 3; ++i)
            out[i] = s[3] != 0 ? ((((65536 - a) * dst[i]) >> 8) + ((a * s[i]) >> 8)) >> 8 : dst[i];
    } else if (d.erase) {
        n = ((65535 - a) * da) >> 16;
        writeColour = false;
    } else if (d.mixMode == 32) {
        // P1 + P2 is a blend of two products below 2^32, so it fits 32 bits.
        const uint32_t sigma = (a * s[3]) >> 16;
        n = (((65535 - da) * sigma) >> 16) + da;
        inverse.set(n);
        for (int i = 0; i < 3; ++i) {
            const uint32_t p1 = ((65535 - sigma) * ((uint32_t{dst[i]} * da) >> 16)) & ~uint32_t{0xFFFF};
            const uint32_t p2 = (sigma * s[i]) & ~uint32_t{0xFFFF};
            out[i] = std::min<uint32_t>(inverse.divide(p1 + p2), 65535);
        }
    } else {  // a premultiplied multiply
        (void)t;
        const uint64_t sigma = (uint64_t(a) * s[3]) / 65535;
        n = static_cast<uint32_t>(((65535 - da) * sigma) / 65535 + da);
        for (int i = 0; i < 3; ++i) {
            const uint64_t sc = (sigma * s[i]) >> 16, dc = (uint64_t(dst[i]) * da) >> 16;
            const uint64_t x = ((65535 - sigma) * dc) / 65535 + ((65535 - da) * sc) / 65535 + (dc * sc) / 65535;
            out[i] = clamp16(static_cast<int64_t>(x * 65535 / n));
        }
    }
}

// The target's new colour and alpha for mix modes 34 and above; `dst` gets
// the pre-fill.
void mix_from_34(uint32_t a, const uint32_t s[4], uint16_t* dst, uint32_t out[3], uint32_t& n) noexcept
{
    const ToolSettings& t = tool();
    const uint32_t da = dst[3];
    if (da == 0) {
        dst[0] = static_cast<uint16_t>(s[0]), dst[1] = static_cast<uint16_t>(s[1]), dst[2] = static_cast<uint16_t>(s[2]);
    } else if (da < 65535) {
        const uint32_t k = std::min<uint32_t>(3 * (((65535 - da) * a) >> 16), 65535);
        for (int i = 0; i < 3; ++i) dst[i] = static_cast<uint16_t>(((((65535 - k) * dst[i]) >> 8) + ((k * s[i]) >> 8)) >> 8);
    }
    n = t.eraseMode ? 0 : s[3];
    uint32_t d[3] = {dst[0], dst[1], dst[2]};
    const dab_mix::Banks banks{t.colorBankR, t.colorBankG, t.colorBankB, t.color, t.mixBias16};
    const dab_mix::Mixed mixed = dab_mix::mix(t.mixMode, d, s, banks);
    uint32_t m[3] = {mixed.m[0], mixed.m[1], mixed.m[2]};
    if (mixed.keep) n = da;
    if (mixed.alphaIsLum) {
        n = (s[0] + s[1] + s[2]) / 3;
        d[0] = d[1] = d[2] = 32767;
    }
    if (!mixed.keep && !mixed.unmixed) {
        const uint32_t amount = static_cast<uint32_t>(std::clamp(t.mixAmount, 0, 256));
        const uint32_t inverse = static_cast<uint32_t>(std::clamp(t.mixAmountInverse, 0, 256));
        for (int i = 0; i < 3; ++i) m[i] = (((s[i] * inverse) >> 4) + ((m[i] * amount) >> 4)) >> 4;
    }
    if (a < 65535) {
        n = (((n * a) >> 8) + (((65536 - a) * da) >> 8)) >> 8;
        for (int i = 0; i < 3; ++i)
            out[i] = std::min<uint32_t>(((((m[i] * a) >> 8) + (((65536 - a) * d[i]) >> 8)) >> 8) + 1, 65535);
    } else {
        out[0] = m[0], out[1] = m[1], out[2] = m[2];
    }
}

// The pick-up buffer carries the canvas colour on to the next dab.
void remix(uint16_t* sample, const uint32_t s[4], const uint16_t* d, uint32_t da) noexcept
{
    const ToolSettings& t = tool();
    const uint32_t beta = static_cast<uint32_t>(t.blendStrength), inverse = static_cast<uint32_t>(t.blendStrengthInverse);
    if (s[3] == 0) {
        sample[0] = d[0], sample[1] = d[1], sample[2] = d[2];
        sample[3] = static_cast<uint16_t>(clamp16((int64_t(da) * inverse) >> 8));
    } else if (da != 0) {
        for (int i = 0; i < 3; ++i) sample[i] = static_cast<uint16_t>(clamp16(((int64_t(d[i]) * inverse + int64_t(beta) * s[i]) >> 8) + 1));
        sample[3] = static_cast<uint16_t>(clamp16((int64_t(s[3]) * beta + int64_t(da) * inverse) >> 8));
    } else {
        sample[0] = static_cast<uint16_t>(s[0]), sample[1] = static_cast<uint16_t>(s[1]), sample[2] = static_cast<uint16_t>(s[2]);
        sample[3] = static_cast<uint16_t>(clamp16((int64_t(s[3]) * beta) >> 8));
    }
}

void paint_row(const DabSetup& d, int32_t row) noexcept
{
    const ToolSettings& t = *d.tool;
    const int32_t m = engine.maxBrushSize, width = engine.width;
    const int32_t v = t.sizeSteps[std::min(row - d.top + d.topOffset, kSizeSteps - 1)];
    Variation var;
    if (t.pixColorVary > 0) var.colorAt = m > 0 ? rng_next() % m : 0;
    if (t.pixLumVary > 0) var.lumAt = m > 0 ? rng_next() % m : 0;
    uint16_t* targetRow = d.target->pixels + int64_t(row) * d.target->stride;
    const uint16_t* maskRow = engine.mask.enabled && engine.mask.plane ? engine.mask.plane + std::size_t(row) * width : nullptr;
    const uint8_t* textureRow = d.texture ? d.texture + std::size_t(row) * width : nullptr;
    LayerRecord* buffer = engine.blend.selected;
    const bool capAlphaByMask = !d.maskOnCoverage && maskRow;
    plain_dab::Reciprocal inverse;
    // The rows of a dab lie far apart in the layer: fetch the start of the
    // next row's span while this one is painted. The processor follows a
    // longer row by itself once it runs along it, and a burst of hints for
    // all of it would hold up the painting.
    if (row + 1 < d.bottom) {
        const uint16_t* ahead = d.target->pixels + int64_t(row + 1) * d.target->stride;
        const int32_t end = std::min(d.right, d.left + kPrefetchPixels);
        for (int32_t x = d.left; x < end; x += 8) __builtin_prefetch(ahead + int64_t(x) * 4, 1, 3);
    }

    if (d.plain) {
        const std::size_t rowStart = std::size_t(v) * d.shapeStride;
        const bool gritFits = d.grit && rowStart + std::size_t(std::max(t.size, 0)) <= d.gritLimit;
        if (!d.grit || gritFits) {
            plain_dab::PlainRow r;
            r.target = targetRow;
            r.mask = maskRow;
            r.texture = textureRow;
            r.grit = d.grit ? d.grit + rowStart : nullptr;
            r.shape = d.shape + rowStart;
            r.steps = t.sizeSteps + d.leftOffset;
            r.left = d.left;
            r.right = d.right;
            for (int c = 0; c < 4; ++c) r.colour[c] = d.colour[c];
            r.alphaScale = d.scaleAlpha ? d.alphaScale : 128;
            r.density = std::clamp(d.density, -1, 255);
            r.maskOnCoverage = d.maskOnCoverage;
            r.solid = d.solid;
            r.writeAlpha = d.writeAlpha;
            d.plainRows->paint(r);
            return;
        }
    }

    for (int32_t x = d.left; x < d.right; ++x) {
        const int32_t i = std::min(x - d.left + d.leftOffset, kSizeSteps - 1);
        const Sample at = d.rotate ? rotated(t.sizeSteps[i], v, d.radius) : Sample{t.sizeSteps[i], v};
        const std::size_t index = std::size_t(at.v) * d.shapeStride + at.u;
        // The grain leaves holes where it lies above the density.
        if (d.grit && index < d.gritLimit && int32_t{d.grit[index]} > d.density) continue;
        uint32_t a = d.shape[index];
        if (d.scaleAlpha) a = (a * d.alphaScale) >> 7;
        if (textureRow && textureRow[x] < 255) a = (textureRow[x] * a) >> 8;
        uint32_t keptMask = 65535;
        if (maskRow) {
            if (d.maskOnCoverage) {
                if (maskRow[x] < 65535) a = (maskRow[x] * a) >> 16;
            } else {
                keptMask = maskRow[x];
            }
        }
        if (a == 0) continue;
        if (d.solid) a = 65535;

        uint32_t s[4] = {d.colour[0], d.colour[1], d.colour[2], d.colour[3]};
        uint16_t* sample = nullptr;
        if (d.pickUp) {
            sample = buffer->pixels + std::size_t(at.v) * buffer->stride + std::size_t(at.u) * 4;
            s[0] = sample[0], s[1] = sample[1], s[2] = sample[2], s[3] = sample[3];
            if (d.imageBrush && s[3] < 65535) {
                a = std::max<uint32_t>((a * s[3]) >> 16, 1);
                s[3] = 65535;
            }
            if (d.vary) vary_colour(s, 3, var);
            if (t.primaryColorStrength > 0)
                for (int c = 0; c < 4; ++c)
                    s[c] = clamp16((int64_t(s[c]) * t.primaryColorStrengthInverse + d.primary[c]) >> 8);
        } else if (d.vary) {
            vary_colour(s, 4, var);
        }

        uint16_t* dst = targetRow + int64_t(x) * 4;
        const uint32_t da = dst[3];
        uint32_t out[3] = {dst[0], dst[1], dst[2]};
        uint32_t n = da;
        bool writeColour = true;
        if (d.mixMode < 34)
            mix_below_34(d, a, s, dst, out, n, writeColour, inverse);
        else
            mix_from_34(a, s, dst, out, n);

        if (d.remix && sample) remix(sample, s, dst, da);

        if (!d.erase) {
            if (writeColour && !d.lockColor) {
                dst[0] = static_cast<uint16_t>(std::min<uint32_t>(out[0], 65535));
                dst[1] = static_cast<uint16_t>(std::min<uint32_t>(out[1], 65535));
                dst[2] = static_cast<uint16_t>(std::min<uint32_t>(out[2], 65535));
            }
            if (d.writeAlpha && (!d.lockBlob || (da > 8191 && n > 8191))) {
                uint32_t value = d.alphaLevel > 0 ? d.alphaLevel : n;
                if (capAlphaByMask) value = std::min(value, keptMask);
                dst[3] = static_cast<uint16_t>(std::min<uint32_t>(value, 65535));
            }
        } else if (!d.lockBlob) {
            dst[3] = static_cast<uint16_t>(std::min<uint32_t>(n, 65535));
        } else if (da > 8191) {
            dst[3] = static_cast<uint16_t>(std::min<uint32_t>(std::max<uint32_t>(n, 9216), 65535));
        }
    }
}

// The rows of a small dab lie far apart in the layer and the mask, and the
// row loop is too long for the processor to run ahead into the next row: the
// misses would queue one row after another. Reading one value at each end of
// every row first lets them overlap (prefetch hints were dropped too often to
// do the same). Larger dabs spend their time in the pixel arithmetic.
uint32_t warm_rows(const DabSetup& d) noexcept
{
    const uint16_t* mask = engine.mask.enabled ? engine.mask.plane : nullptr;
    uint32_t sum = 0;
    for (int32_t row = d.top; row < d.bottom; ++row) {
        const uint16_t* target = d.target->pixels + int64_t(row) * d.target->stride;
        sum += target[int64_t(d.left) * 4 + 3] + target[int64_t(d.right - 1) * 4 + 3];
        if (mask) sum += mask[std::size_t(row) * engine.width + d.left];
    }
    asm volatile("" : : "r"(sum));
    return sum;
}

// Copies the values the pixel loop reads into the dab record.
void settle_rules(DabSetup& d) noexcept
{
    const ToolSettings& t = tool();
    d.tool = &t;
    d.mixMode = t.mixMode;
    d.scaleAlpha = t.alpha < 100;
    d.alphaScale = static_cast<uint32_t>(std::max(t.alpha128, 0));
    d.density = t.dabDensity;
    d.rotate = t.rotateBrushMode == 1;
    d.vary = t.pixColorVary > 0 || t.pixLumVary > 0;
    d.erase = t.eraseMode != 0;
    d.lockColor = t.lockColor != 0;
    d.lockBlob = t.lockBlob != 0;
    d.remix = d.pickUp && t.blendRemix;
    d.solid = t.solidBrushMode != 0;
    d.imageBrush = t.imageBrushMode != 0;
    d.alphaLevel = static_cast<uint32_t>(std::max(t.alphaLevel, 0));
    // The row kernels work in 16-bit values: the coverage may not grow.
    d.plain = !d.rotate && !d.pickUp && !d.vary && !d.erase && d.mixMode == 32 && !d.lockColor && !d.lockBlob &&
              d.alphaLevel == 0 && (!d.scaleAlpha || d.alphaScale <= 128);
    d.plainRows = &plain_dab::plain_rows();
    d.texture = engine.layers.texture;
    d.shape = engine.shape.plane;
    d.shapeStride = engine.maxBrushSize;
}

bool brush_ready() noexcept
{
    const int32_t m = engine.maxBrushSize;
    // Shape samples lie at most size - 1 along each axis: the size must fit
    // the planes made for the largest brush.
    return engine.shape.plane && tool().size <= m && tool().sizeStepCount <= tool().size;
}

int32_t draw_mask_dab(int32_t x, int32_t y) noexcept;

int32_t draw_dab(int32_t x, int32_t y, uint32_t r, uint32_t g, uint32_t b) noexcept
{
    ToolSettings& t = tool();
    t.color[0] = static_cast<uint16_t>(r & 0xFF00);
    t.color[1] = static_cast<uint16_t>(g & 0xFF00);
    t.color[2] = static_cast<uint16_t>(b & 0xFF00);
    t.color[3] = 65535;
    if (t.maskMaker) return draw_mask_dab(x, y);

    DabSetup d{};
    LayerRecord* current = engine.layers.currentRecord;
    const bool painting = engine.paintLayer.pixels != nullptr;
    d.target = painting ? &engine.paintLayer : (current && current->pixels ? current : nullptr);
    d.radius = t.size / 2;
    d.pickUp = t.blendStrength != 0 && !t.tempDisableBlend;
    d.maskOnCoverage = d.pickUp || t.eraseMode || !painting;
    d.writeAlpha = painting || (current && !current->alphaLocked && !engine.lockAlpha && engine.layers.currentLayer > 1);

    for (int i = 0; i < 4; ++i) d.colour[i] = t.color[i];
    if (t.colorVary >= 1) {
        const int64_t k = (t.colorVary / 2 - rng_next() % t.colorVary) * int64_t{256};
        for (uint32_t& c : d.colour) c = clamp16(int64_t(c) + k);
    }
    if (t.eraseMode) d.colour[0] = d.colour[1] = d.colour[2] = 65535, d.colour[3] = 0;
    advance_grain();
    grain_at_position(d);
    if (t.primaryColorStrength > 0)
        for (int i = 0; i < 4; ++i) d.primary[i] = d.colour[i] * static_cast<uint32_t>(t.primaryColorStrength);
    place_box(d, x, y, true);

    const LayerRecord* buffer = engine.blend.selected;
    if (d.pickUp && (!buffer || !buffer->pixels || buffer->width < t.size)) d.pickUp = false;
    settle_rules(d);
    int32_t painted = 0;
    if (d.target && brush_ready() && d.right > d.left && d.bottom > d.top &&
        d.target->width >= engine.width && d.target->height >= engine.height) {
        // Remix with rotation may send two rows to one pick-up sample: those
        // dabs stay on one thread.
        const bool shared = t.rotateBrushMode == 1 && d.pickUp && t.blendRemix;
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

int32_t draw_mask_dab(int32_t x, int32_t y) noexcept
{
    ToolSettings& t = tool();
    uint16_t* mask = engine.mask.plane;
    DabSetup d{};
    d.radius = t.size / 2;
    const uint32_t lum = (uint32_t{t.color[0]} + t.color[1] + t.color[2]) / 3;
    int64_t m0 = lum < 256 ? 65535 : 65280 - int64_t(lum);
    if (t.colorVary >= 1) {
        m0 += int64_t(t.colorVary / 2) * 256 - int64_t(rng_next() % t.colorVary) * 256;
        if (m0 < 0 || m0 > 65535) m0 = 65535;
    }
    if (t.eraseMode) m0 = 65535;
    advance_grain();
    grain_at_position(d);
    const int64_t primary = t.primaryColorStrength >= 1 ? m0 * t.primaryColorStrength : 0;
    place_box(d, x, y, false);
    const bool pickUp = t.blendStrength != 0 && !t.tempDisableBlend && engine.blend.selected &&
                        engine.blend.selected->pixels && engine.blend.selected->width >= t.size;
    const int32_t m = engine.maxBrushSize;
    int32_t painted = 0;
    if (mask && brush_ready() && d.right > d.left && d.bottom > d.top) {
        for (int32_t row = d.top; row < d.bottom; ++row) {
            const int32_t v = t.sizeSteps[std::min(row - d.top + d.topOffset, kSizeSteps - 1)];
            Variation var;
            if (t.pixColorVary > 0) var.colorAt = m > 0 ? rng_next() % m : 0;
            if (t.pixLumVary > 0) var.lumAt = m > 0 ? rng_next() % m : 0;
            for (int32_t col = d.left; col < d.right; ++col) {
                const int32_t i = std::min(col - d.left + d.leftOffset, kSizeSteps - 1);
                const Sample at = rotated(t.sizeSteps[i], v, d.radius);
                uint32_t a = 0;
                if (!coverage(d, at, col, row, a)) continue;
                if (t.solidBrushMode) a = 65535;
                int64_t value = m0;
                uint16_t* sample = nullptr;
                if (pickUp) {
                    sample = engine.blend.selected->pixels + std::size_t(at.v) * 4 * m + std::size_t(at.u);
                    value = *sample;
                }
                if (t.pixColorVary > 0) {
                    value += colour_offset(var);
                    if (value < 0 || value > 65535) value = 65535;
                }
                if (t.pixLumVary > 0) value = vary_luminance(static_cast<uint32_t>(value), luminance_factor(var));
                if (pickUp && t.primaryColorStrength > 0)
                    value = (value * t.primaryColorStrengthInverse + primary) >> 8;
                uint16_t& old = mask[std::size_t(row) * engine.width + col];
                const uint32_t before = old;
                old = static_cast<uint16_t>(clamp16(((((65536 - int64_t(a)) * before) >> 8) + ((value * a) >> 8)) >> 8));
                if (pickUp && t.blendRemix && sample)
                    *sample = static_cast<uint16_t>(clamp16((((int64_t(before) * t.blendStrengthInverse + value * t.blendStrength) & 0xFFFFFF) >> 8) + 1));
            }
        }
        painted = 1;
    }
    t.tempDisableBlend = 0;
    return painted;
}

}  // namespace
}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_DrawDabGrit(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b)
{
    return guard("DrawDabGrit", 0, [&] { return draw_dab(x, y, uint32_t(r), uint32_t(g), uint32_t(b)); });
}

MUR_API int32_t MUR_DrawDabGritMask(int32_t x, int32_t y)
{
    return guard("DrawDabGritMask", 0, [&] { return draw_mask_dab(x, y); });
}

}  // extern "C"

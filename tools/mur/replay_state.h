// The replayer's state between records, and the work the record handlers
// share: the page, the brush and its strokes, the page buffers, filters.
#pragma once

#include "replay.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mur_tool {

inline constexpr int32_t kBackgroundSlot = 1;
inline constexpr int32_t kDrawingSlot = 2;
inline constexpr int32_t kLargestBrush = 256;
inline constexpr int kPageBuffers = 16;
inline constexpr std::size_t kPageBufferBudget = std::size_t{1} << 30;  // bytes of all page buffers

// The brushes of "SelectBrush", as the demo makes them.
enum class Brush : int32_t { Round, Airbrush, Chalk, Smudge, Eraser };

struct Sample {
    double x, y, pressure;
};

struct ReplayState {
    const ReplayOptions* options = nullptr;
    int32_t width = 0, height = 0;     // 0 before the first page
    int32_t sampleCap = 0;             // samples of one curve piece at most

    Brush brush = Brush::Round;
    double softness = 0.5, grain = 0.5;
    int32_t size = 20, density = 256, opacity = 100;
    int32_t colour[3] = {0, 0, 0};
    bool useBanks = false;
    int32_t mixMode = 32;
    int32_t banks[12] = {};
    int32_t rotateMode = 0, rotateDegrees = 0;
    bool toolReady = false;            // the engine's tool matches the values above

    bool inStroke = false;
    std::vector<Sample> points;        // of the stroke in progress; a pressure below 0 is not known yet

    std::vector<uint8_t> buffers[kPageBuffers];
    std::size_t bufferBytes = 0;
    std::vector<uint8_t> clip;         // "CopyTool"'s rectangle, RGBA32
    int32_t clipW = 0, clipH = 0;

    int64_t dabs = 0;
    ReplayOutcome outcome;
    std::string failure;               // set by a handler: the replay stops
};

// A new image of w x h: the background (white, or the picture) under a
// transparent drawing layer, the IPL buffers, empty page buffers.
void make_page(ReplayState& s, int32_t w, int32_t h);

// Paints the stroke in progress, if any, and ends it.
void finish_stroke(ReplayState& s);

// One stroke through the points, joined by Catmull-Rom segments (the
// pressure interpolated along each), or along a cubic Bezier: a paint layer
// (none for the eraser), dabs every quarter of the dab size with size and
// alpha from the pressure, merged and saved as an undo step. One point is
// one dab.
void paint_points(ReplayState& s, const std::vector<Sample>& points);
void paint_bezier(ReplayState& s, const Sample (&b)[4]);

// Both page layers read back, mirrored and loaded again.
void flip_page(ReplayState& s, bool horizontal);

// Page buffer `index` (a whole number 0..15), zeroed when first used;
// nullptr with `failure` set for a bad index or an exhausted budget.
uint8_t* page_buffer(ReplayState& s, double index);
std::size_t page_bytes(const ReplayState& s);
void mask_to_rgba(const ReplayState& s, uint8_t* rgba);
void rgba_to_mask(const ReplayState& s, const uint8_t* rgba);

void copy_rectangle(ReplayState& s, int32_t x, int32_t y, int32_t w, int32_t h);
void paste_clip(ReplayState& s, int32_t x, int32_t y);

// A native filter on the drawing layer, stored through mask and texture;
// false when the engine has no native filter of that name. `n`: variant,
// sliders 1-6, style 1, style 2, flags 1-6, red, green, blue.
bool run_native_filter(ReplayState& s, const char* name, const int32_t n[18]);

}  // namespace mur_tool

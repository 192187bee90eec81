// The painted part of the demo: a landscape made of brush strokes, written
// as demo.png into the output folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace mur_tool {

// Paints the landscape with the texture scripts under `shareDir`; 0 when the
// picture was written.
int paint_landscape(const std::string& outDir, const std::string& shareDir);

// One stroke of a round brush of `softness` (0 hard .. 255 soft) along the
// smooth curve through `path`, painted, merged and saved for undo into
// `layer` of the current image as the landscape's strokes are; `afterDab`
// (when set) is called after every dab with the dabs so far, while the
// paint layer still holds the stroke. Returns the dabs.
int32_t paint_round_stroke(int32_t layer, const std::vector<std::pair<double, double>>& path, int32_t r, int32_t g,
                           int32_t b, int32_t size, int32_t softness, const std::function<void(int32_t)>& afterDab);

// The stamp stroke over the painted landscape: a leaf drawn with the drawing
// tools, saved as a brush file under `outDir` and loaded back, stamped along
// a path into `stampLayer` where a "Color Range" wand click at (meadowX,
// meadowY) on `meadowLayer` selected the meadow. Returns the dabs.
int32_t paint_stamp_stroke(const std::string& outDir, int32_t width, int32_t height, int32_t meadowLayer,
                           int32_t stampLayer, int32_t meadowX, int32_t meadowY);

}  // namespace mur_tool

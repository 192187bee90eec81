// The demo that `mur demo` runs: builds a small document, exercises the
// engine and writes what it shows into a folder, then paints a landscape
// with the brushes.
#pragma once

#include <cstdint>
#include <string>

namespace mur_tool {

int demo(const char* outDir);

// Draws the view of the image rectangle (x, y, w, h) with the scale pair
// (n, s) and writes it as a PNG file; false when either fails.
bool save_view(const std::string& path, int32_t n, float s, int32_t x, int32_t y, int32_t w, int32_t h);

}  // namespace mur_tool

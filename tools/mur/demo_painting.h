// The painted part of the demo: a landscape made of brush strokes, written
// as demo.png into the output folder.
#pragma once

#include <string>

namespace mur_tool {

// Paints the landscape with the texture scripts under `shareDir`; 0 when the
// picture was written.
int paint_landscape(const std::string& outDir, const std::string& shareDir);

}  // namespace mur_tool

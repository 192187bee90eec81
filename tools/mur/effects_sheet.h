// `mur effects IN.png OUT.png`: every effect of the engine's catalogue, in
// table order and at its default values, applied to one picture and laid
// out as a labelled contact sheet (mask makers show the mask they made).
#pragma once

namespace mur_tool {

int effects_sheet(const char* inPath, const char* outPath);

}  // namespace mur_tool

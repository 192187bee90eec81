// `mur geometry IN.png OUT.png`: the geometry operations on a small
// two-layer document made from one picture, as a labelled contact sheet.
#pragma once

namespace mur_tool {

int geometry_sheet(const char* inPath, const char* outPath);

}  // namespace mur_tool

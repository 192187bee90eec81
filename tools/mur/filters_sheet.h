// `mur filters IN.png OUT.png`: every native filter applied with mid-range
// settings to one picture, laid out as a labelled contact sheet.
#pragma once

namespace mur_tool {

int filters_sheet(const char* inPath, const char* outPath);

}  // namespace mur_tool

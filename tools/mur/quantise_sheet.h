// mur quantise: the engine's 256-colour quantiser beside ImageMagick's.
#pragma once

namespace mur_tool {

// Writes original | ours | ImageMagick's -colors 256 side by side to `out`
// (PNG) and prints each mean error against the original; 1 when a picture
// cannot be read or written or ImageMagick cannot be run.
int quantise_sheet(const char* in, const char* out);

}  // namespace mur_tool

// `mur record`: a short painting recorded as the host of a paint program
// records it: an AVI and an animated GIF of the view every few dabs, and a
// PDF of its stages.
#pragma once

#include <string>

namespace mur_tool {

// Writes stroke.avi, stroke.gif and stroke.pdf into `outDir`; 0 when all
// three were written.
int record(const std::string& outDir);

}  // namespace mur_tool

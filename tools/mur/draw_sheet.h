// `mur draw OUT.png [PHOTO]`: the drawing tools and colour adjustments on a
// photograph (or a made-up picture), as a contact sheet whose labels the
// engine's text tool draws.
#pragma once

namespace mur_tool {

// 0 when the sheet was written, 1 on failure (the reason on stderr).
int draw_sheet(const char* outPath, const char* photoPath);

}  // namespace mur_tool

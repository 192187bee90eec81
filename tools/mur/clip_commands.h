// `mur capture` and `mur textclips`: the screen and text-brush clips
// through the engine's clipboard exports.
#pragma once

namespace mur_tool {

// Captures the screen (X11, DISPLAY) and writes it as a PNG file.
int capture_command(const char* out);

// Writes one PNG file a character of `text` into `folder` (created when
// missing) and a sheet of them, each also pasted through the clipboard at
// four angles, into folder/sheet.png.
int textclips_command(const char* text, const char* folder);

}  // namespace mur_tool

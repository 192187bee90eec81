// `mur plugins` and `mur scan`: the engine's plug-in list and scanner.
#pragma once

#include <cstdint>

namespace mur_tool {

// Prints the filter plug-ins under a folder, one name a line, newest first.
int plugins_command(const char* folder);

// Writes the engine's holding buffer as a PNG file and releases it; false,
// with the reason on stderr, when the file cannot be written.
bool write_held_picture(const char* out, int32_t& width, int32_t& height);

// Scans one picture with the first scanner and writes it as a PNG file.
int scan_command(const char* out);

}  // namespace mur_tool

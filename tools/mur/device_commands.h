// `mur plugins` and `mur scan`: the engine's plug-in list and scanner.
#pragma once

namespace mur_tool {

// Prints the filter plug-ins under a folder, one name a line, newest first.
int plugins_command(const char* folder);

// Scans one picture with the first scanner and writes it as a PNG file.
int scan_command(const char* out);

}  // namespace mur_tool

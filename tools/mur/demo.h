// The demo that `mur demo` runs: builds a small document, exercises the
// engine and writes what it shows into a folder.
#pragma once

namespace mur_tool {

int demo(const char* outDir);

}  // namespace mur_tool

// File-system services.
#pragma once

namespace mur::platform {

// The directory where the operating system keeps its shared files.
const char* system_directory() noexcept;

// Renames a file; false on failure.
bool rename_file(const char* oldPath, const char* newPath) noexcept;

}  // namespace mur::platform

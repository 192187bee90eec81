// Loading a shared library at run time and finding its functions by name.
//
// Loading never shows a dialog here, so there is no error mode to set around
// it as a desktop system would need.
#pragma once

#include <cstddef>

namespace mur::platform {

using LibraryHandle = void*;

// Null when the library cannot be loaded (missing, unreadable, or with
// unresolved dependencies) or the path is null.
LibraryHandle open_library(const char* path) noexcept;

// Null when the handle or the name is null or the library has no such symbol.
void* find_symbol(LibraryHandle library, const char* name) noexcept;

// Ignores a null handle.
void close_library(LibraryHandle library) noexcept;

// A library loaded on its first use, from its default file or from one
// chosen later (tests choose fakes); a failed load is not retried until the
// file is chosen again.
struct LateLibrary {
    static constexpr std::size_t kPathCapacity = 4096;
    const char* defaultPath;
    char path[kPathCapacity] = {};  // empty: the default
    bool loadTried = false;
    LibraryHandle handle = nullptr;
};

// The loaded library (loading it on the first call), or null.
LibraryHandle late_library_handle(LateLibrary& library) noexcept;

// Unloads the library and chooses the file the next use loads (null: the
// default). False, with nothing changed, when the path does not fit.
bool set_late_library_path(LateLibrary& library, const char* path) noexcept;

}  // namespace mur::platform

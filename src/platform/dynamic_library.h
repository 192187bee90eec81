// Loading a shared library at run time and finding its functions by name.
//
// Loading never shows a dialog here, so there is no error mode to set around
// it as a desktop system would need.
#pragma once

namespace mur::platform {

using LibraryHandle = void*;

// Null when the library cannot be loaded (missing, unreadable, or with
// unresolved dependencies) or the path is null.
LibraryHandle open_library(const char* path) noexcept;

// Null when the handle or the name is null or the library has no such symbol.
void* find_symbol(LibraryHandle library, const char* name) noexcept;

// Ignores a null handle.
void close_library(LibraryHandle library) noexcept;

}  // namespace mur::platform

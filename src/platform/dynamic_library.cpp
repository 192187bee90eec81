#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include <cstring>

namespace mur::platform {

LibraryHandle open_library(const char* path) noexcept
{
    if (!path || !*path) return nullptr;
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

void* find_symbol(LibraryHandle library, const char* name) noexcept
{
    if (!library || !name) return nullptr;
    return dlsym(library, name);
}

void close_library(LibraryHandle library) noexcept
{
    if (library) dlclose(library);
}

LibraryHandle late_library_handle(LateLibrary& library) noexcept
{
    if (!library.loadTried) {
        library.loadTried = true;
        library.handle = open_library(library.path[0] ? library.path : library.defaultPath);
    }
    return library.handle;
}

bool set_late_library_path(LateLibrary& library, const char* path) noexcept
{
    const std::size_t length = path ? strnlen(path, LateLibrary::kPathCapacity) : 0;
    if (length >= LateLibrary::kPathCapacity) return false;
    close_library(library.handle);
    library.handle = nullptr;
    library.loadTried = false;
    std::memcpy(library.path, path ? path : "", length + 1);
    return true;
}

}  // namespace mur::platform

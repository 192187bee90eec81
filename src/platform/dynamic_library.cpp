#include "platform/dynamic_library.h"

#include <dlfcn.h>

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

}  // namespace mur::platform

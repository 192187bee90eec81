#include "platform/plugin_host.h"

#include "platform/dynamic_library.h"

#include <cstring>

namespace mur::platform {
namespace {

inline constexpr std::size_t kPathCapacity = 4096;

struct PluginHost {
    char path[kPathCapacity] = {};
    bool loadTried = false;
    LibraryHandle library = nullptr;
    void* invoke = nullptr;
};

PluginHost g_host;

}  // namespace

void* plugin_host_invoke() noexcept
{
    if (!g_host.loadTried) {
        g_host.loadTried = true;
        g_host.library = open_library(g_host.path[0] ? g_host.path : kPluginHostLibrary);
        g_host.invoke = find_symbol(g_host.library, "InvokePSPlugin");
    }
    return g_host.invoke;
}

bool set_plugin_host_path(const char* path) noexcept
{
    if (!path) path = kPluginHostLibrary;
    const std::size_t length = strnlen(path, kPathCapacity);
    if (length >= kPathCapacity) return false;
    close_library(g_host.library);
    g_host = {};
    std::memcpy(g_host.path, path, length + 1);
    return true;
}

}  // namespace mur::platform

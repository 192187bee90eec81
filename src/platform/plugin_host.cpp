#include "platform/plugin_host.h"

#include "platform/dynamic_library.h"

namespace mur::platform {
namespace {

LateLibrary g_library{kPluginHostLibrary};
bool g_lookedUp = false;
void* g_invoke = nullptr;

}  // namespace

void* plugin_host_invoke() noexcept
{
    if (!g_lookedUp) {
        g_lookedUp = true;
        g_invoke = find_symbol(late_library_handle(g_library), "InvokePSPlugin");
    }
    return g_invoke;
}

bool set_plugin_host_path(const char* path) noexcept
{
    if (!set_late_library_path(g_library, path)) return false;
    g_lookedUp = false;
    g_invoke = nullptr;
    return true;
}

}  // namespace mur::platform

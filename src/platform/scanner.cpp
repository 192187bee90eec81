#include "platform/scanner.h"

#include "platform/dynamic_library.h"

namespace mur::platform {
namespace {

LateLibrary g_library{kSaneLibrary};
bool g_lookedUp = false;
SaneCalls g_calls = {};
bool g_complete = false;

template <class F>
bool find(LibraryHandle library, const char* name, F& function) noexcept
{
    function = reinterpret_cast<F>(find_symbol(library, name));
    return function != nullptr;
}

}  // namespace

const SaneCalls* sane_calls() noexcept
{
    if (!g_lookedUp) {
        g_lookedUp = true;
        const LibraryHandle l = late_library_handle(g_library);
        SaneCalls& c = g_calls;
        g_complete = l && find(l, "sane_init", c.init) && find(l, "sane_exit", c.exit) &&
                     find(l, "sane_get_devices", c.get_devices) && find(l, "sane_open", c.open) &&
                     find(l, "sane_close", c.close) && find(l, "sane_start", c.start) &&
                     find(l, "sane_get_parameters", c.get_parameters) && find(l, "sane_read", c.read) &&
                     find(l, "sane_cancel", c.cancel);
    }
    return g_complete ? &g_calls : nullptr;
}

bool set_sane_library_path(const char* path) noexcept
{
    if (!set_late_library_path(g_library, path)) return false;
    g_lookedUp = false;
    g_complete = false;
    g_calls = {};
    return true;
}

}  // namespace mur::platform

#include "platform/scanner.h"

#include "platform/dynamic_library.h"

#include <cstring>

namespace mur::platform {
namespace {

inline constexpr std::size_t kPathCapacity = 4096;

struct SaneLibrary {
    char path[kPathCapacity] = {};
    bool loadTried = false;
    LibraryHandle library = nullptr;
    SaneCalls calls = {};
    bool complete = false;
};

SaneLibrary g_sane;

template <class F>
bool find(const char* name, F& function) noexcept
{
    function = reinterpret_cast<F>(find_symbol(g_sane.library, name));
    return function != nullptr;
}

}  // namespace

const SaneCalls* sane_calls() noexcept
{
    if (!g_sane.loadTried) {
        g_sane.loadTried = true;
        g_sane.library = open_library(g_sane.path[0] ? g_sane.path : kSaneLibrary);
        SaneCalls& c = g_sane.calls;
        g_sane.complete = g_sane.library && find("sane_init", c.init) && find("sane_exit", c.exit) &&
                          find("sane_get_devices", c.get_devices) && find("sane_open", c.open) &&
                          find("sane_close", c.close) && find("sane_start", c.start) &&
                          find("sane_get_parameters", c.get_parameters) && find("sane_read", c.read) &&
                          find("sane_cancel", c.cancel);
    }
    return g_sane.complete ? &g_sane.calls : nullptr;
}

bool set_sane_library_path(const char* path) noexcept
{
    if (!path) path = kSaneLibrary;
    const std::size_t length = strnlen(path, kPathCapacity);
    if (length >= kPathCapacity) return false;
    close_library(g_sane.library);
    g_sane = {};
    std::memcpy(g_sane.path, path, length + 1);
    return true;
}

}  // namespace mur::platform

// Loading libxcb and libxcb-shm once for the process.
#include "platform/xcb_library.h"

#include "platform/dynamic_library.h"

#include <mutex>

namespace mur::platform {
namespace {

XcbApi g_api;
const XcbApi* g_loaded = nullptr;
std::once_flag g_once;

void load() noexcept
{
    LibraryHandle xcb = open_library("libxcb.so.1");
    if (!xcb) return;
    bool complete = true;
#define MUR_XCB_FIND(name)                                                                \
    g_api.name = reinterpret_cast<decltype(g_api.name)>(find_symbol(xcb, #name));         \
    complete = complete && g_api.name;
    MUR_XCB_FUNCTIONS(MUR_XCB_FIND)
#undef MUR_XCB_FIND
    if (!complete) {
        close_library(xcb);
        g_api = {};
        return;
    }
    if (LibraryHandle shm = open_library("libxcb-shm.so.0")) {
        bool shmComplete = true;
#define MUR_XCB_FIND(name)                                                                \
    g_api.name = reinterpret_cast<decltype(g_api.name)>(find_symbol(shm, #name));         \
    shmComplete = shmComplete && g_api.name;
        MUR_XCB_SHM_FUNCTIONS(MUR_XCB_FIND)
#undef MUR_XCB_FIND
        g_api.shmId = static_cast<xcb_extension_t*>(find_symbol(shm, "xcb_shm_id"));
        if (!shmComplete || !g_api.shmId) g_api.shmId = nullptr;
    }
    g_loaded = &g_api;  // both libraries stay loaded for the process
}

}  // namespace

const XcbApi* xcb_api() noexcept
{
    std::call_once(g_once, load);
    return g_loaded;
}

}  // namespace mur::platform

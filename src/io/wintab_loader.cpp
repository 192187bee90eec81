#include "io/wintab_loader.h"

#include "platform/dynamic_library.h"

#include <cstring>

namespace mur::tablet {
namespace {

inline constexpr std::size_t kPathCapacity = 4096;

enum Function { kInfo, kOpen, kClose, kPacketsGet, kQueueSizeSet, kFunctionCount };

constexpr const char* kFunctionNames[kFunctionCount] = {"WTInfoA", "WTOpenA", "WTClose", "WTPacketsGet",
                                                        "WTQueueSizeSet"};

struct Loader {
    char path[kPathCapacity] = {};
    bool loadTried = false;
    platform::LibraryHandle library = nullptr;
    bool lookedUp[kFunctionCount] = {};
    void* functions[kFunctionCount] = {};
};

Loader loader;

void use_default_path() noexcept
{
    std::strcpy(loader.path, kDefaultLibraryPath);
}

// The library, loaded on the first request; a failed load is not retried
// until the path is chosen again.
platform::LibraryHandle library() noexcept
{
    if (!loader.loadTried) {
        loader.loadTried = true;
        if (!loader.path[0]) use_default_path();
        loader.library = platform::open_library(loader.path);
    }
    return loader.library;
}

void* function(Function which) noexcept
{
    if (!loader.lookedUp[which]) {
        platform::LibraryHandle handle = library();
        loader.lookedUp[which] = true;
        loader.functions[which] = platform::find_symbol(handle, kFunctionNames[which]);
    }
    return loader.functions[which];
}

template <class Proc>
Proc proc(Function which) noexcept
{
    return reinterpret_cast<Proc>(function(which));
}

}  // namespace

bool set_library_path(const char* path) noexcept
{
    if (!path) path = kDefaultLibraryPath;
    const std::size_t length = strnlen(path, kPathCapacity);
    if (length >= kPathCapacity) return false;
    unload();
    std::memcpy(loader.path, path, length + 1);
    return true;
}

void unload() noexcept
{
    platform::close_library(loader.library);
    loader.library = nullptr;
    loader.loadTried = false;
    for (int i = 0; i < kFunctionCount; ++i) {
        loader.lookedUp[i] = false;
        loader.functions[i] = nullptr;
    }
}

uint32_t info(uint32_t category, uint32_t index, void* output) noexcept
{
    const auto call = proc<WTInfoAProc>(kInfo);
    return call ? call(category, index, output) : 0;
}

HCTX open_context(MUR_Window window, LOGCONTEXTA* context, int32_t enable) noexcept
{
    const auto call = proc<WTOpenAProc>(kOpen);
    return call ? call(window, context, enable) : nullptr;
}

int32_t close_context(HCTX context) noexcept
{
    const auto call = proc<WTCloseProc>(kClose);
    return call ? call(context) : 0;
}

int32_t packets_get(HCTX context, int32_t maxPackets, void* packets) noexcept
{
    const auto call = proc<WTPacketsGetProc>(kPacketsGet);
    return call ? call(context, maxPackets, packets) : 0;
}

int32_t queue_size_set(HCTX context, int32_t packets) noexcept
{
    const auto call = proc<WTQueueSizeSetProc>(kQueueSizeSet);
    return call ? call(context, packets) : 0;
}

}  // namespace mur::tablet

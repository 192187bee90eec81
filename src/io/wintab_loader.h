// The tablet driver library, loaded on the first call of any of its five
// functions. Each function is looked up by name on its own first call, once;
// when the library or the function is missing, the call returns 0 (null for
// the context) and nothing is reported.
#pragma once

#include "io/wintab.h"
#include "murcore.h"

#include <cstdint>

namespace mur::tablet {

// The file the driver library is loaded from.
inline constexpr const char* kDefaultLibraryPath = "libwintab32.so";

// Chooses the file to load from (null: the default) and unloads the library
// loaded so far, so the next call loads afresh. False, with nothing changed,
// when the path does not fit.
bool set_library_path(const char* path) noexcept;

// Forgets the loaded library and every function looked up in it.
void unload() noexcept;

uint32_t info(uint32_t category, uint32_t index, void* output) noexcept;                // WTInfoA
HCTX open_context(MUR_Window window, LOGCONTEXTA* context, int32_t enable) noexcept;  // WTOpenA
int32_t close_context(HCTX context) noexcept;                                        // WTClose
int32_t packets_get(HCTX context, int32_t maxPackets, void* packets) noexcept;       // WTPacketsGet
int32_t queue_size_set(HCTX context, int32_t packets) noexcept;                      // WTQueueSizeSet

}  // namespace mur::tablet

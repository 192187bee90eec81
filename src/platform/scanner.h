// Scanner access through SANE, whose library is loaded at run time on the
// first request; the engine works without it.
#pragma once

#include <sane/sane.h>

namespace mur::platform {

inline constexpr const char* kSaneLibrary = "libsane.so.1";

struct SaneCalls {
    decltype(&sane_init) init;
    decltype(&sane_exit) exit;
    decltype(&sane_get_devices) get_devices;
    decltype(&sane_open) open;
    decltype(&sane_close) close;
    decltype(&sane_start) start;
    decltype(&sane_get_parameters) get_parameters;
    decltype(&sane_read) read;
    decltype(&sane_cancel) cancel;
};

// Every function the engine uses, or null when the library or one of them is
// missing. A failed load is not retried until the path is chosen again.
const SaneCalls* sane_calls() noexcept;

// Chooses the file to load from (null: the default) and forgets the library
// loaded so far. False, with nothing changed, when the path does not fit.
bool set_sane_library_path(const char* path) noexcept;

}  // namespace mur::platform

// What a desktop backend offers the clipboard and the screen capture: set
// once a backend is running, absent (null) without a display.
#pragma once

#include "imaging/picture.h"

namespace mur::platform {

struct ExchangeBackend {
    // The whole screen as RGBA32, alpha 255; false when it cannot be read.
    bool (*capture)(imaging::Rgba32Picture& picture) noexcept = nullptr;
};

// The running backend, or null; started on first use when a display is
// configured.
const ExchangeBackend* exchange_backend() noexcept;

}  // namespace mur::platform

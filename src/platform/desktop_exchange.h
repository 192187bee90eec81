// What a desktop backend offers the clipboard store and the screen capture.
// The X11 backend (XCB, loaded at run time) starts on the first clipboard or
// capture call when a display is configured (DISPLAY); without one there is
// no backend: the store alone serves and the screen cannot be read.
#pragma once

#include "imaging/picture.h"

namespace mur::platform {

enum class ForeignRead {
    Ours,     // the desktop's clipboard is ours: the store holds it
    Picture,  // another program's picture, decoded
    None,     // no owner, no picture offered (text only), or it failed
};

struct ExchangeBackend {
    // Claims the desktop's clipboard for the store's picture; false when
    // the claim was not confirmed.
    bool (*claim)() noexcept = nullptr;
    // Reads the desktop's clipboard.
    ForeignRead (*read)(imaging::Rgba32Picture& picture) noexcept = nullptr;
    // The whole default screen as RGBA32, alpha 255; false when it cannot
    // be read.
    bool (*capture)(imaging::Rgba32Picture& picture) noexcept = nullptr;
};

// The running backend (started now when a display is configured), or null.
const ExchangeBackend* exchange_backend() noexcept;

// Stops the backend (its thread joined, the connection closed); the next
// call of exchange_backend may start it again. Runs at unload by itself.
void stop_exchange_backend() noexcept;

// Called by the store after every change: the backend claims the desktop's
// clipboard when it runs.
void announce_clipboard_change() noexcept;

}  // namespace mur::platform

// Screen capture through the desktop backend, when one is attached.
#include "platform/screen_capture.h"

#include "platform/desktop_exchange.h"

namespace mur::platform {

bool capture_screen(imaging::Rgba32Picture& picture) noexcept
{
    picture = {};
    const ExchangeBackend* backend = exchange_backend();
    return backend && backend->capture && backend->capture(picture);
}

}  // namespace mur::platform

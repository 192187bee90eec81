// The desktop exchange backend: none is built in yet, so the clipboard
// store alone serves and the screen cannot be read.
#include "platform/desktop_exchange.h"

namespace mur::platform {

const ExchangeBackend* exchange_backend() noexcept { return nullptr; }

}  // namespace mur::platform

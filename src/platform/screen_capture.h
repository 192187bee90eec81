// Pictures of the screen: the default screen's root window as RGBA32,
// alpha 255.
#pragma once

#include "imaging/picture.h"

namespace mur::platform {

// The whole screen into a new picture; false (nothing allocated) without a
// display, for a visual whose pixels cannot be read, or when memory runs out.
bool capture_screen(imaging::Rgba32Picture& picture) noexcept;

}  // namespace mur::platform

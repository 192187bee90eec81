#include "platform/desktop.h"


#include <atomic>

namespace mur::platform {

// No window system is attached to the engine on Linux: the host owns its
// windows and redraws them itself.
int32_t set_window_redraw(MUR_Window, int32_t) noexcept { return 0; }
int32_t redraw_window(MUR_Window) noexcept { return 0; }
bool read_window_placement(MUR_Window, WindowRect&) noexcept { return false; }
bool write_window_placement(MUR_Window, const WindowRect&) noexcept { return false; }

uint32_t button_face_color() noexcept { return 0x00F0F0F0u; }  // light gray
uint32_t button_text_color() noexcept { return 0x00000000u; }  // black

int32_t caption_height() noexcept { return 23; }
int32_t small_caption_height() noexcept { return 17; }
int32_t fixed_frame_height() noexcept { return 3; }

bool composition_enabled() noexcept { return false; }

namespace {

DesktopBackend attachedBackend;

inline constexpr int32_t kDetachedScreenWidth = 1920;
inline constexpr int32_t kDetachedScreenHeight = 1080;

}  // namespace

void attach_desktop_backend(const DesktopBackend& backend) noexcept { attachedBackend = backend; }
void detach_desktop_backend() noexcept { attachedBackend = DesktopBackend{}; }

bool client_origin_on_screen(MUR_Window window, ScreenPoint& origin) noexcept
{
    origin = {0, 0};
    if (!attachedBackend.clientOrigin) return true;
    if (attachedBackend.clientOrigin(window, origin)) return true;
    origin = {0, 0};
    return false;
}

int32_t screen_width() noexcept
{
    int32_t width = 0, height = 0;
    if (attachedBackend.screenSize && attachedBackend.screenSize(width, height)) return width;
    return kDetachedScreenWidth;
}

int32_t screen_height() noexcept
{
    int32_t width = 0, height = 0;
    if (attachedBackend.screenSize && attachedBackend.screenSize(width, height)) return height;
    return kDetachedScreenHeight;
}

namespace {
std::atomic<bool> displayChanged{false};
}

void notify_display_changed() noexcept { displayChanged.store(true, std::memory_order_release); }

bool take_display_changed() noexcept { return displayChanged.exchange(false, std::memory_order_acq_rel); }

}  // namespace mur::platform

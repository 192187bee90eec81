// What the engine asks of the desktop: window redraw and placement, system
// colours and metrics, the compositor, window and screen positions, and
// display-change notices.
//
// Without a window system attached (the normal case for this library on a
// server or in tests) the window calls report failure (0) and the colours
// and metrics are the fixed values of a standard 96-dpi desktop.
#pragma once

#include <cstdint>

#include "murcore.h"

namespace mur::platform {

int32_t set_window_redraw(MUR_Window window, int32_t flag) noexcept;
int32_t redraw_window(MUR_Window window) noexcept;

struct WindowRect {
    int32_t left, top, right, bottom;
};
// Reads and writes the normal-position rectangle of a window; false when
// there is no such window.
bool read_window_placement(MUR_Window window, WindowRect& normal) noexcept;
bool write_window_placement(MUR_Window window, const WindowRect& normal) noexcept;

// 0x00BBGGRR colours.
uint32_t button_face_color() noexcept;
uint32_t button_text_color() noexcept;

int32_t caption_height() noexcept;
int32_t small_caption_height() noexcept;
int32_t fixed_frame_height() noexcept;

bool composition_enabled() noexcept;

struct ScreenPoint {
    int32_t x, y;
};

// Where the client area of a window starts on the screen; false when the
// window is unknown (the point is then (0, 0)). Without a window system every
// client area starts at (0, 0), with success.
bool client_origin_on_screen(MUR_Window window, ScreenPoint& origin) noexcept;

// The primary screen in pixels; 1920 x 1080 without a window system.
int32_t screen_width() noexcept;
int32_t screen_height() noexcept;

// A desktop backend answers the window and screen questions above once
// attached; a null member keeps the answer without a window system.
struct DesktopBackend {
    bool (*clientOrigin)(MUR_Window window, ScreenPoint& origin) noexcept = nullptr;
    bool (*screenSize)(int32_t& width, int32_t& height) noexcept = nullptr;
};
void attach_desktop_backend(const DesktopBackend& backend) noexcept;
void detach_desktop_backend() noexcept;

// Called by a desktop backend when the display, the settings or the power
// state change, or when the application is activated: raises the flag that
// MUR_IsDisplayChanged reports once.
void notify_display_changed() noexcept;

// Whether a change was noticed since the last call; clears the notice.
bool take_display_changed() noexcept;

}  // namespace mur::platform

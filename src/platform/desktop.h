// What the engine asks of the desktop: window redraw and placement, system
// colours and metrics, the compositor, and display-change notices.
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

// Called by a desktop backend when the display, the settings or the power
// state change, or when the application is activated: raises the flag that
// MUR_IsDisplayChanged reports once.
void notify_display_changed() noexcept;

}  // namespace mur::platform

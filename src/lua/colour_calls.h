// The engine's colour-space conversions (imaging/color_spaces.h) in the form
// both builds of the filter host call them: in place on an array of doubles,
// RGB reals 0..1 in io[0..2], the other space's values out (and back in the
// reverse direction). The C functions of Lua 5.1 call them directly, the
// LuaJIT prelude through FFI function pointers, so both convert alike.
#pragma once

namespace mur::lua {

using ColourCall = void (*)(double* io);

void rgb_to_hsv_io(double* io) noexcept;   // h (-1 for a grey), s, v
void hsv_to_rgb_io(double* io) noexcept;
void rgb_to_hsl_io(double* io) noexcept;   // h, s, l
void hsl_to_rgb_io(double* io) noexcept;
void rgb_to_lab_io(double* io) noexcept;   // L, a, b
void lab_to_rgb_io(double* io) noexcept;
void rgb_to_cmyk_io(double* io) noexcept;  // c, m, y, k
void cmyk_to_rgb_io(double* io) noexcept;

}  // namespace mur::lua

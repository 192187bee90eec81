#include "lua/colour_calls.h"

#include "imaging/color_spaces.h"

namespace mur::lua {
namespace {

color::Rgb rgb_in(const double* io) noexcept { return {io[0], io[1], io[2]}; }
void rgb_out(double* io, color::Rgb c) noexcept { io[0] = c.r, io[1] = c.g, io[2] = c.b; }

}  // namespace

void rgb_to_hsv_io(double* io) noexcept
{
    const color::Hsv c = color::rgb_to_hsv(rgb_in(io));
    io[0] = c.h, io[1] = c.s, io[2] = c.v;
}
void hsv_to_rgb_io(double* io) noexcept { rgb_out(io, color::hsv_to_rgb({io[0], io[1], io[2]})); }

void rgb_to_hsl_io(double* io) noexcept
{
    const color::Hsl c = color::rgb_to_hsl(rgb_in(io));
    io[0] = c.h, io[1] = c.s, io[2] = c.l;
}
void hsl_to_rgb_io(double* io) noexcept { rgb_out(io, color::hsl_to_rgb({io[0], io[1], io[2]})); }

void rgb_to_lab_io(double* io) noexcept
{
    const color::Lab c = color::rgb_to_lab(rgb_in(io));
    io[0] = c.l, io[1] = c.a, io[2] = c.b;
}
void lab_to_rgb_io(double* io) noexcept { rgb_out(io, color::lab_to_rgb({io[0], io[1], io[2]})); }

void rgb_to_cmyk_io(double* io) noexcept
{
    const color::Cmyk c = color::rgb_to_cmyk(rgb_in(io));
    io[0] = c.c, io[1] = c.m, io[2] = c.y, io[3] = c.k;
}
void cmyk_to_rgb_io(double* io) noexcept { rgb_out(io, color::cmyk_to_rgb({io[0], io[1], io[2], io[3]})); }

}  // namespace mur::lua

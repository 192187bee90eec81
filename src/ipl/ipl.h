// What the image-processing module offers the other modules and its own exports:
// its internal interface.
#pragma once

#include "imaging/shapes.h"

#include <cstdint>

namespace mur::ipl {


// ---- The work of the exports of the same name (MUR_...), so that other
// modules call it directly -------------------------------------------------

void set_color_rgba_buf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b);
void set_color_alpha_rgba_buf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b);

// ---- Geometry of the whole document (every live layer from slot 1 up, each
// at its own size; the page size stays). Sizes outside 1 .. kMaxLayerSide,
// and any failure, leave every layer as it was; a change marks the page as
// it was dirty.

// Resampled to the new size with the resize filter of that name ("Lanczos3"
// for an unknown name or none).
void resize_document(int32_t width, int32_t height, const char* filterName);
// Seam-carved to the new size along the same seams in every layer (the
// seams avoid what the enabled mask protects); nothing happens when the
// layers differ in size or the carver cannot (sides of 1, a new 1 x 1).
void seam_carve_document(int32_t width, int32_t height);
// A canvas of the new size with the old picture at the anchor ("TL" .. "BR",
// others the top left); uncovered pixels: the background the colour, slots
// 254 and above white, other layers transparent.
void resize_page(int32_t width, int32_t height, const char* anchor, int32_t r, int32_t g, int32_t b);
// Keeps the rectangle (right and bottom exclusive), which must be non-empty
// and inside the page.
void crop_document(int32_t left, int32_t top, int32_t right, int32_t bottom);
// Quarter turns: left counter-clockwise, right clockwise.
void rotate_document_left();
void rotate_document_right();
// Mirrored in place, alpha included (also on locked layers).
void flip_document(bool horizontal);

// ---- Moves on the current layer through the IPL buffers ----------------------

// The IPL source moved by (dx, dy) into the destination (wrap mode 0: over
// transparency; 1 wrapped around; 2 edge pixels repeated; others filled
// with the packed colour), weighed by the filter weight when the switch's
// low byte is set, and merged in Normal over the current layer.
void pan(int32_t dx, int32_t dy, int32_t wrapMode, int32_t r, int32_t g, int32_t b, int32_t a, int32_t weightSwitch);
// Pushes the content at `from` of the IPL source onto `to` with a smooth
// fall-off and stores the changed part into the current layer through the
// mask and the texture.
void warp_point_to_point(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY);

// ---- Drawing tools on the current layer ------------------------------------------
// Each marks the whole page dirty when it ran. Colours are bytes (clamped).

// Flood fill in one of the six modes ("Paint Non-connected", "Erase
// Non-connected", "Paint Connected", "Erase Connected", "Paint Alpha
// Connected", "Paint Alpha Non-Connected"); an unknown or null mode or a
// point off the page does nothing. Tolerance 0..50000 (clamped): the squared
// RGB distance limit imaging::flood_distance_limit gives.
void flood_fill(int32_t r, int32_t g, int32_t b, int32_t x, int32_t y, int32_t tolerance, const char* modeName);
// Writes the colour into every pixel of a page-sized RGBA32 picture whose
// plane byte is 1.
void color_rgba32_from_flood_mask(uint8_t* image, const uint8_t* plane, int32_t r, int32_t g, int32_t b, int32_t a);

// The columns and rows a two-point shape covers: columns from the first
// point's up to but not including the second point's (x0 < x1), or from
// just after the second point's up to the first's; rows inclusive. Empty
// (left > right) when x0 = x1.
struct ShapeBox {
    int64_t left = 0, top = 0, right = -1, bottom = -1;
};
ShapeBox shape_box(int32_t x0, int32_t y0, int32_t x1, int32_t y1) noexcept;

// The filled rectangle and ellipse at opacity trunc(percent x 2.559); the
// ellipse fills the box's ellipse with radii of at least 2.
void draw_rectangle(int32_t r, int32_t g, int32_t b, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent);
void draw_ellipse(int32_t r, int32_t g, int32_t b, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t percent);

// ---- Mask shape tools ---------------------------------------------------------
// Strength is a percent (clamped to 0..100) giving the masking amount
// trunc(strength x 2.559); each tool that ran marks the whole page dirty.

// The ellipse (radii (max - min) / 2 of each pair, at least 2, centred on
// (min x + rx, min y + ry)) or rectangle (columns min x .. max x - 1, rows
// min y .. max y - 1) drawn in grey on a black page picture, the ellipse's
// edge grey by coverage, and combined into the mask (mask::combine_mask,
// black-only when blackOnly is 1).
void mask_ellipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t strength, int32_t blackOnly,
                  const char* operation);
void mask_rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t strength, int32_t blackOnly,
                    const char* operation);
// The magic wand at (x, y) of the current layer in one of eight modes
// ("Connected", "Non-connected", "Color Range", "Luminance Range", "Hue
// Range", "HSL Range", "Alpha Connected", "Alpha Non-connected"); an
// unknown mode or a point off the page does nothing. Tolerance 0..50000.
void mask_wand(int32_t x, int32_t y, int32_t tolerance, int32_t strength, const char* modeName);

// The stops of a gradient of `count` (0..4, clamped) of the four colours.
imaging::Gradient gradient_stops(const int32_t colours[4][3], int32_t count) noexcept;
// "Linear" from (x0, y0) to (x1, y1), any other kind radial about (x0, y0);
// alpha turned over, merged in Normal.
void draw_gradient(const int32_t colours[4][3], int32_t count, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                   const char* kind);

// Text with the text tool's font at (x, y), the top-left of the first line
// box; needs the IPL source buffer.
void draw_text(int32_t r, int32_t g, int32_t b, int32_t x, int32_t y, const char* text, bool smooth);

// ---- Colour adjustments ------------------------------------------------------------

void hsv_adjust(uint8_t* data, int32_t width, int32_t height, int32_t hue, int32_t saturation, int32_t value);
void hsl_adjust(uint8_t* data, int32_t width, int32_t height, int32_t hue, int32_t saturation, int32_t lightness);
// The saturation factor of a "Photo Pop" amount 0..100 (1 at 50).
double photo_pop_saturation(double amount) noexcept;
void photo_pop(double contrast, double saturation, int32_t extraContrast);
// Blurs an RGB24 buffer at radius size / 5, mixed in by the strength.
void blur_more_rgb24(uint8_t* data, int32_t width, int32_t height, int32_t size, int32_t strengthPercent);

// ---- Displacement bumps (the IPL source, premultiplied, into the destination,
// stored into the current layer). `edge` is the packed colour beyond the page.

// With `randomOffset` 1 the tile starts at an offset within it drawn from a
// generator seeded by `offsetSeed`.
void displacement_bump_script(const char* path, double strength, int32_t randomOffset, int32_t edge,
                              uint32_t offsetSeed);
void displacement_bump_rgba(const uint8_t* image, double strength, int32_t edge);

}  // namespace mur::ipl

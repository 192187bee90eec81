// What the image-processing module offers the other modules and its own exports:
// its internal interface.
#pragma once

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

}  // namespace mur::ipl

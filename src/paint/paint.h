// What the paint module offers the other modules and its own exports: its
// internal interface.
#pragma once

#include <cstdint>

namespace mur::paint {

// Builds the brush shape: round when the path has fewer than 2 characters,
// else from the picture or texture script at `path` (`original` leaves out
// the blur and the rotation of effect 51).
void set_brush_shape(const char* path, int32_t shapeParam, bool original);

// Makes `count` pick-up buffers of the largest brush size (0..20; the same
// count keeps them) and selects the first.
void set_blend_buffer_count(int32_t count);

// Makes an RGBA32 picture the image brush; false (the brush kept) when a
// side is outside 1 .. the largest brush size.
bool load_image_brush_rgba32(const uint8_t* data, int32_t width, int32_t height);


// ---- The work of the exports of the same name (MUR_...), so that other
// modules call it directly -------------------------------------------------

int32_t create_paint_layer(int32_t opacityPercent, int32_t alphaPercent, const char* modeName);
void merge_paint_layer(int32_t layer);
void blur_paint_layer_alpha();
void set_tool(float shapeIntensity, int32_t gritCell, int32_t gritCellChance, int32_t gritPixelChance, int32_t shapeSoftness, int32_t colorVary, int32_t drawingLength, int32_t blendStrength, int32_t primaryColorStrength, int32_t blendRemix, int32_t param11, int32_t shapeInvert, int32_t param13, const char* texturePath, const char* shapePath, int32_t shapeParam);
void set_color_alpha(int32_t r, int32_t g, int32_t b);
int32_t do_copy_blend_buffer_mask(int32_t x, int32_t y, int32_t strength);
void filter_blend_buffer(int32_t kind, int32_t level);
void clear_paint_layer_old();
void set_paint_layer_extents(int32_t left, int32_t top, int32_t right, int32_t bottom);
void set_color_banks(int32_t r0, int32_t g0, int32_t b0, int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t r3, int32_t g3, int32_t b3);
void set_rotate_brush_mode(int32_t mode, int32_t degrees);
void set_scale_size(int32_t n);
// Mixes a colour (bytes) into the selected pick-up buffer's square at
// (x, y) with a strength of 0..255.
int32_t colour_blend_buffer(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b, int32_t strength) noexcept;

}  // namespace mur::paint

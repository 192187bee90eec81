// What the mask module offers the other modules: its internal interface.
#pragma once

#include <cstdint>

namespace mur::mask {

// Weighs the alpha of an RGBA32 picture by the mask: the picture's first
// pixel lies at (x0, y0) of the image, the rectangle (x0, y0)-(x1, y1) is
// inclusive, and only its part inside the image is weighed.
void apply_mask_to_alpha(uint8_t* image, int32_t stride, int32_t x0, int32_t y0, int32_t x1, int32_t y1) noexcept;

// ---- The work of the exports of the same name (MUR_...), so that other
// modules call it directly -------------------------------------------------

void create_alpha_from_mask(int32_t kind);
void create_mask_from_rgba_image_color_range(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerance, int32_t a);
void create_mask_from_rgba_image_alpha_range(const uint8_t* image, int32_t alpha, int32_t tolerance, int32_t a);
void create_mask_from_rgba_image_luminance_range(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerance, int32_t a);
void create_mask_from_rgba_image_hue_range(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerance, int32_t a);
void create_mask_from_flood_mask(const uint8_t* plane, int32_t a);
void create_mask_from_rgba_image_hsl_range(const uint8_t* image, int32_t r, int32_t g, int32_t b, double hueTolerance, double saturationTolerance, double lightnessTolerance, int32_t a);
void combine_mask(const uint8_t* image, int32_t stride, int32_t blackOnly, int32_t level, const char* name);
void replace_from_rgba_image_alpha_range(uint8_t* image, int32_t alpha, int32_t tolerance, int32_t r, int32_t g, int32_t b, int32_t a);
void save_mask(uint8_t* dst, int32_t stride);
void load_mask(const uint8_t* src, int32_t stride, int32_t w, int32_t h);

}  // namespace mur::mask

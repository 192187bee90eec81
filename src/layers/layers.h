// What the layers module offers the other modules: its internal interface.
// Exports and other modules call these; the MUR_ exports are wrappers.
#pragma once

#include "engine/layer_record.h"

#include <cstdint>

namespace mur::layers {

// ---- The table -------------------------------------------------------------------

// The longest side a layer may have: beyond it a row no longer fits the
// record's stride.
inline constexpr int32_t kMaxLayerSide = 1 << 18;

// A layer of the given size in the slot (white in slot 1, else transparent);
// 0 for a slot or size out of range or when the memory cannot be had.
int32_t create_layer(int32_t slot, int32_t width, int32_t height);
void delete_layer(int32_t slot) noexcept;

// Gives a live slot new pixels of a new size in one step: `pixels` (width x
// height RGBA64, rows without gaps, from the engine's heap) becomes the
// slot's, and the old block is released. The slot's options and its place
// as current layer stay. False (nothing changed, `pixels` still the
// caller's) for an empty slot or a size outside 1 .. kMaxLayerSide.
bool replace_layer_pixels(int32_t slot, uint16_t* pixels, int32_t width, int32_t height);

// Makes a layer with pixels the current one (a texture source it replaces
// makes its texture first); the undo back buffers follow it.
void select_layer(int32_t slot);

void set_layer_options(int32_t slot, int32_t visible, int32_t alphaLocked, int32_t opacityPercent,
                       const char* modeName);
void swap_layers(int32_t slotA, int32_t slotB) noexcept;
int32_t layer_count() noexcept;

// The texture plane from a layer's brightness; the image width, or 0.
int32_t create_texture(int32_t slot);

// ---- Pixels ------------------------------------------------------------------------

// The composite of the image's rectangle (x, y, w, h) into dst, w x h RGBA64
// pixels with a stride of w (MUR_MergeRect): the shown background, then
// every shown layer above it merged in.
void merge_rect(uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h) noexcept;

// Writes the rectangle (x, y, w, h) of a layer from RGBA32 rows
// (MUR_LoadRGBA32Layer); `masked` lets the texture and the enabled mask
// temper the change.
void load_rgba32_layer(const uint8_t* src, int32_t stride, int32_t slot, int32_t x, int32_t y, int32_t w,
                       int32_t h, bool masked) noexcept;

// The part of a layer inside the image as RGBA32 into a caller's rows.
void read_rgba32(int32_t slot, uint8_t* dst, int32_t stride) noexcept;

// The current layer as RGB24 into a caller's rows.
void read_rgb24(uint8_t* dst, int32_t stride) noexcept;

// Fills the current layer with one colour (bytes) through the enabled mask.
void clear_masked(int32_t r, int32_t g, int32_t b, int32_t a) noexcept;

// Scales the alpha of an RGBA32 block placed at page position (x, y) by the
// texture and the enabled mask under each pixel; pixels off the page stay.
void weigh_by_texture_and_mask(uint8_t* data, int32_t x, int32_t y, int32_t width, int32_t height) noexcept;

// The bounding box of the pixels with alpha within the image, inclusive;
// (image width, image height, 0, 0) when there are none.
void find_data_extents(const LayerRecord& layer, int32_t& left, int32_t& top, int32_t& right,
                       int32_t& bottom) noexcept;


// ---- The work of the exports of the same name (MUR_...), so that other
// modules call it directly -------------------------------------------------

void clear_masked_alpha(int32_t r, int32_t g, int32_t b, int32_t a);
void normalize_layer_alpha(int32_t slot);
void create_blob_from_image(int32_t slot, int32_t mode);
void merge_rgba32_layer(const uint8_t* image, int32_t layer, int32_t mode, int32_t opacity);
uint32_t get_color_at_merged(int32_t x, int32_t y);
void load_rgba32(const uint8_t* src, int32_t stride, int32_t masked);
void load_rgb24(const uint8_t* src, int32_t stride, int32_t masked);
void load_rgb24_to_alpha(const uint8_t* src, int32_t stride, int32_t masked);
void set_rgba64_layer(const uint16_t* src, int32_t stride, int32_t layer);
void copy_layer_data(int32_t fromLayer, int32_t toLayer);
void load_rgba32_layer_compressed(const uint8_t* src, int32_t srcLength, int32_t layer);
void load_rgba32_layer_bad(uint8_t* src, int32_t layer, int32_t a, int32_t b, int32_t masked);
void find_data_extents_layer(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom);
void find_data_extents_layer_ex(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom);
void get_rgba64_layer_rect(uint16_t* dst, int32_t stride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h);
int32_t get_rgba32_layer_compressed(uint8_t* dst, int32_t capacity, int32_t layer, int32_t level);
int32_t is_layer_transparent(int32_t layer);
int32_t is_single_color(int32_t layer);
// The whole source layer merged into the destination layer with its mode,
// opacity and layer mask.
void merge_layers(int32_t sourceLayer, int32_t destLayer) noexcept;
// A host's B-G-R picture as the current layer's opaque colour.
void load_bgr24(const uint8_t* src, int32_t stride, int32_t w, int32_t h) noexcept;

}  // namespace mur::layers

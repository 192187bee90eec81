// Animated GIF files written frame by frame (giflib): a GIF89a screen of the
// animation's size with a global colour table, the Netscape extension that
// loops for ever, and for each frame a graphic control extension (its delay,
// no transparent colour) and a full-screen image with its own colour table.
//
// The file is written under a temporary name beside the destination and
// takes its name when the animation is finished.
#pragma once

#include "imaging/image_view.h"
#include "imaging/quantise.h"

#include <cstdint>

namespace mur::imaging {

struct GifAnimation;  // engine heap

// Starts an animation of width x height (1..65535) with a global table of
// 256 colours; `delay` in hundredths of a second (0..65535). Null when the
// file cannot be created or memory cannot be had.
GifAnimation* begin_gif_animation(const char* path, int32_t width, int32_t height, const Palette& global,
                                  int32_t delay) noexcept;

// Appends a frame of `indices` (width x height bytes, each below
// palette.count) with its own table; false when it cannot be written (the
// animation is failed from then on and finishes without the frame).
bool add_gif_frame(GifAnimation& gif, const uint8_t* indices, const Palette& palette) noexcept;

// Reduces `image` (RGB24 or RGBA32 of the animation's size) to at most 256
// colours of its own and appends it; false when it was not added.
bool add_gif_frame_quantised(GifAnimation& gif, const ConstImageView& image) noexcept;

// Writes the trailer and gives the file its name; false when the file could
// not be finished (no file is left). The animation is released either way.
bool finish_gif_animation(GifAnimation*& gif) noexcept;

}  // namespace mur::imaging

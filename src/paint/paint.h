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

}  // namespace mur::paint

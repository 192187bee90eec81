// The image-processing buffers: whether the host started the imaging
// libraries (the buffers themselves are engine state, engine/ipl_state.h).
#pragma once

#include "engine/ipl_state.h"

#include <cstdint>

namespace mur::ipl {

// True between MUR_IPLInit and MUR_IPLExit.
bool started() noexcept;

// Keeps a buffer of the page's size (bytesPerPixel bytes a pixel), or
// replaces a stale one. False when the page is empty or the memory cannot be
// had; the buffer is then absent.
bool keep_or_allocate(IplBuffer& buffer, int32_t bytesPerPixel);

// True when the buffer exists at the page's size.
bool holds_page(const IplBuffer& buffer, int32_t bytesPerPixel) noexcept;

// Copies the current layer into a page-sized RGBA32 buffer (nothing until
// the host selects a layer).
void fill_rgba32_from_current_layer(IplBuffer& buffer);

void release(IplBuffer& buffer);

}  // namespace mur::ipl

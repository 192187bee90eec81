// A texture tile laid over a page, and the two reliefs made of the laid
// tile's brightness: the grey relief of an emboss and the shading of a
// height map lit from the upper left. Pages are RGBA32.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

// Where the tile lies on the page: resized to `width` x `height` (each at
// least 1), repeated from the page's top-left corner, the pattern moved
// left and up by `offsetX`, `offsetY` (taken modulo the resized size).
struct TilePlacement {
    int32_t width = 0, height = 0;
    int32_t offsetX = 0, offsetY = 0;
};

// The tile's resized side for `side` pixels at `scale`: the rounded
// product, at least `minSide`, at most 65536 (a non-finite or negative
// scale keeps the side).
int32_t scaled_tile_side(int32_t side, double scale, int32_t minSide) noexcept;

// Fills the page with the RGBA32 tile repeated at `placement`, every alpha
// 255. A tile shrunk on a side is first area-averaged to that size; a tile
// grown is sampled bilinearly, wrapping round its edges so that repeats meet
// without a seam. False when the views or the placement are unusable or
// memory cannot be had; the page is then untouched.
bool lay_tile(const ConstImageView& tile, const ImageView& page, const TilePlacement& placement) noexcept;

// The page's brightness (Rec. 601 luma) as an embossed grey relief in place:
// 128 where it is flat, lighter on slopes facing the upper left, darker on
// those facing away, by `depth` levels a level of rise over two pixels.
// Alpha is kept. False when memory cannot be had.
bool emboss_relief(const ImageView& page, double depth) noexcept;

// The page's brightness as a height map (`depth` pixels of height for full
// white), shaded in grey in place by a light from the upper left: flat
// ground is 128, slopes towards the light lighter, away darker. Alpha is
// kept. False when memory cannot be had.
bool shade_height_map(const ImageView& page, double depth) noexcept;

}  // namespace mur::imaging

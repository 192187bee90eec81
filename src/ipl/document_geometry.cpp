// Whole-document geometry: resampling, seam carving, the canvas size with an
// anchor, cropping, quarter turns and mirroring of every layer. The page
// size stays; the host sets the new one with MUR_NewSize afterwards.
//
// Every operation works on each live layer at the layer's own size (in a
// document every layer has the page's size) and moves the 16-bit pixels
// themselves. Those that change the size build every layer anew first and
// let the layers take their new pixels only when all could be made, so a
// failure leaves the document as it was.
#include "ipl/ipl.h"

#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/pixel_moves.h"
#include "imaging/resample.h"
#include "imaging/seam_carving.h"
#include "ipl/document_rebuild.h"
#include "layers/layers.h"
#include "undo/history.h"

#include <cstring>

namespace mur::ipl {
namespace {

bool valid_side(int32_t side) noexcept { return side >= 1 && side <= layers::kMaxLayerSide; }

// One RGBA64 pixel, as the canvas shows it where a layer does not reach.
struct Pixel64 {
    uint16_t value[4];
};

// Where a layer does not cover the new canvas: the background (slot 1) the
// given colour, opaque; slots 254 and above (the engine's working layers)
// opaque white; every other layer transparent.
Pixel64 uncovered(int32_t slot, uint8_t r, uint8_t g, uint8_t b) noexcept
{
    if (slot == 1) return {{uint16_t(r << 8), uint16_t(g << 8), uint16_t(b << 8), 65535}};
    if (slot >= 254) return {{65535, 65535, 65535, 65535}};
    return {{0, 0, 0, 0}};
}

struct Offset {
    int32_t x = 0;
    int32_t y = 0;
};

// Where the old picture lies on the new canvas: the anchor's column ("L",
// "C", "R") and row ("T", "M", "B"), with integer division for the centre;
// any other name (and none) puts it at the top left.
Offset anchor_offset(const char* anchor, int32_t newWidth, int32_t newHeight, int32_t width, int32_t height) noexcept
{
    struct Anchor {
        const char* name;
        int column, row;
    };
    static constexpr Anchor kAnchors[] = {{"TL", 0, 0}, {"TC", 1, 0}, {"TR", 2, 0}, {"ML", 0, 1}, {"MC", 1, 1},
                                          {"MR", 2, 1}, {"BL", 0, 2}, {"BC", 1, 2}, {"BR", 2, 2}};
    if (!anchor) return {};
    for (const Anchor& a : kAnchors) {
        if (std::strcmp(a.name, anchor) != 0) continue;
        const int32_t spareX = newWidth - width, spareY = newHeight - height;
        return {a.column == 0 ? 0 : a.column == 1 ? spareX / 2 : spareX, a.row == 0 ? 0 : a.row == 1 ? spareY / 2 : spareY};
    }
    return {};
}

// Every live layer on a canvas of the new size at the offset `offset_of`
// gives, the rest of the canvas as `uncovered` says.
template <class OffsetOf>
void place_layers(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b, OffsetOf offset_of)
{
    DocumentRebuild rebuild;
    if (!allocate_new_layers(rebuild, [&](const LayerRecord&, int32_t& w, int32_t& h) { w = width, h = height; }))
        return;
    for (int32_t slot = kFirstDocumentSlot; slot < kLayerSlots; ++slot) {
        const NewLayer& made = rebuild.slots[slot];
        if (!made.pixels) continue;
        const LayerRecord& layer = engine.layers.slots[slot];
        const Offset at = offset_of(layer);
        const Pixel64 fill = uncovered(slot, r, g, b);
        if (!imaging::place_on_canvas(layer_view(layer), made.view(), at.x, at.y, fill.value)) return;
    }
    commit(rebuild);
}

// Every live layer turned by a quarter.
template <class Turn>
void turn_layers(Turn turn)
{
    DocumentRebuild rebuild;
    if (!allocate_new_layers(rebuild, [](const LayerRecord& layer, int32_t& w, int32_t& h) {
            w = layer.height, h = layer.width;
        }))
        return;
    for (int32_t slot = kFirstDocumentSlot; slot < kLayerSlots; ++slot)
        if (rebuild.slots[slot].pixels && !turn(layer_view(engine.layers.slots[slot]), rebuild.slots[slot].view()))
            return;
    commit(rebuild);
}

// The picture the seams are chosen on: every live layer laid over the ones
// below it at full strength, as RGBA32.
void composite_guide(uint8_t* guide, int32_t width, int32_t height) noexcept
{
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    std::memset(guide, 0, pixels * 4);
    for (int32_t slot = kFirstDocumentSlot; slot < kLayerSlots; ++slot) {
        const LayerRecord& layer = engine.layers.slots[slot];
        if (!layer.pixels) continue;
        for (std::size_t i = 0; i < pixels; ++i) {
            const uint16_t* s = layer.pixels + i * 4;
            uint8_t* d = guide + i * 4;
            // Straight alpha "over" in 8 bits.
            const uint32_t a = s[3] >> 8, below = d[3] * (255 - a) / 255, out = a + below;
            if (out == 0) continue;
            for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(((s[c] >> 8) * a + d[c] * below) / out);
            d[3] = static_cast<uint8_t>(out);
        }
    }
}

// The common size of the live layers; false when they differ or there is none.
bool common_layer_size(int32_t& width, int32_t& height) noexcept
{
    width = height = 0;
    for (int32_t slot = kFirstDocumentSlot; slot < kLayerSlots; ++slot) {
        const LayerRecord& layer = engine.layers.slots[slot];
        if (!layer.pixels) continue;
        if (width == 0) width = layer.width, height = layer.height;
        else if (layer.width != width || layer.height != height) return false;
    }
    return width > 0 && height > 0;
}

}  // namespace

void resize_document(int32_t width, int32_t height, const char* filterName)
{
    if (!valid_side(width) || !valid_side(height)) return;
    const imaging::ResizeFilter filter = imaging::resize_filter_from_name(filterName);
    DocumentRebuild rebuild;
    if (!allocate_new_layers(rebuild, [&](const LayerRecord&, int32_t& w, int32_t& h) { w = width, h = height; }))
        return;
    for (int32_t slot = kFirstDocumentSlot; slot < kLayerSlots; ++slot)
        if (rebuild.slots[slot].pixels &&
            !imaging::resample(layer_view(engine.layers.slots[slot]), rebuild.slots[slot].view(), filter))
            return;
    commit(rebuild);
}

void seam_carve_document(int32_t width, int32_t height)
{
    if (!valid_side(width) || !valid_side(height)) return;
    int32_t oldWidth = 0, oldHeight = 0;
    if (!common_layer_size(oldWidth, oldHeight)) return;
    DocumentRebuild rebuild;
    if (!allocate_new_layers(rebuild, [&](const LayerRecord&, int32_t& w, int32_t& h) { w = width, h = height; }))
        return;

    const std::size_t pixels = std::size_t(oldWidth) * std::size_t(oldHeight);
    mem::Owned<uint8_t> guide(x_NewCharUndoReduce(pixels * 4));
    if (!guide) return;
    composite_guide(guide.get(), oldWidth, oldHeight);
    // With the mask on, what it protects is kept.
    mem::Owned<uint16_t> keep;
    if (engine.mask.enabled && engine.mask.plane && oldWidth == engine.width && oldHeight == engine.height) {
        keep.reset(x_NewShortUndoReduce(static_cast<int64_t>(pixels)));
        if (!keep) return;
        for (std::size_t i = 0; i < pixels; ++i) keep[i] = static_cast<uint16_t>(65535 - engine.mask.plane[i]);
    }

    imaging::ConstImageView sources[kLayerSlots];
    imaging::ImageView results[kLayerSlots];
    int32_t count = 0;
    for (int32_t slot = kFirstDocumentSlot; slot < kLayerSlots; ++slot) {
        if (!rebuild.slots[slot].pixels) continue;
        sources[count] = layer_view(engine.layers.slots[slot]);
        results[count++] = rebuild.slots[slot].view();
    }
    const imaging::ConstImageView guideView(guide.get(), oldWidth, oldHeight, std::ptrdiff_t{oldWidth} * 4, 4);
    const imaging::ConstImageView keepView =
        keep ? imaging::ConstImageView(reinterpret_cast<const uint8_t*>(keep.get()), oldWidth, oldHeight,
                                       std::ptrdiff_t{oldWidth} * 2, 2)
             : imaging::ConstImageView();
    if (!imaging::seam_carve(guideView, keepView, sources, results, count, width, height)) return;
    commit(rebuild);
}

void resize_page(int32_t width, int32_t height, const char* anchor, int32_t r, int32_t g, int32_t b)
{
    if (!valid_side(width) || !valid_side(height)) return;
    place_layers(width, height, static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b),
                 [&](const LayerRecord& layer) { return anchor_offset(anchor, width, height, layer.width, layer.height); });
}

void crop_document(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    // Right and bottom are exclusive; the rectangle lies inside the page.
    if (left < 0 || top < 0 || right <= left || bottom <= top || right > engine.width || bottom > engine.height) return;
    place_layers(right - left, bottom - top, 255, 255, 255, [&](const LayerRecord&) { return Offset{-left, -top}; });
}

void rotate_document_left()
{
    turn_layers([](const imaging::ConstImageView& s, const imaging::ImageView& d) {
        return imaging::rotate_counter_clockwise(s, d);
    });
}

void rotate_document_right()
{
    turn_layers([](const imaging::ConstImageView& s, const imaging::ImageView& d) { return imaging::rotate_clockwise(s, d); });
}

void flip_document(bool horizontal)
{
    bool any = false;
    for (int32_t slot = kFirstDocumentSlot; slot < kLayerSlots; ++slot) {
        LayerRecord& layer = engine.layers.slots[slot];
        if (!layer.pixels) continue;
        const imaging::ImageView view = imaging::rgba64_view(layer.pixels, layer.width, layer.height, layer.stride);
        any |= horizontal ? imaging::flip_horizontal(view) : imaging::flip_vertical(view);
    }
    if (!any) return;
    undo::set_dirty_empty();
    undo::widen_dirty(0, 0, engine.width - 1, engine.height - 1);
}

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_IPLResize(int32_t width, int32_t height, const char* filterName)
{
    guard("IPLResize", [&] { ipl::resize_document(width, height, filterName); });
}

MUR_API void MUR_IPLSeamCarvingRGBA(int32_t width, int32_t height, int32_t /*ignored*/)
{
    guard("IPLResize", [&] { ipl::seam_carve_document(width, height); });
}

MUR_API void MUR_IPLResizePage(int32_t width, int32_t height, const char* anchor, int32_t red, int32_t green,
                               int32_t blue)
{
    guard("IPLResizePage", [&] { ipl::resize_page(width, height, anchor, red, green, blue); });
}

MUR_API void MUR_IPLCrop(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    guard("IPLCrop", [&] { ipl::crop_document(left, top, right, bottom); });
}

MUR_API void MUR_IPLRotateLeft(void) { guard("IPLRotateLeft", [&] { ipl::rotate_document_left(); }); }
MUR_API void MUR_IPLRotateRight(void) { guard("IPLRotateRight", [&] { ipl::rotate_document_right(); }); }
MUR_API void MUR_IPLFlipHorizontal(void) { guard("IPLFlipHorizontal", [&] { ipl::flip_document(true); }); }
MUR_API void MUR_IPLFlipVertical(void) { guard("IPLVlipVertical", [&] { ipl::flip_document(false); }); }

}  // extern "C"

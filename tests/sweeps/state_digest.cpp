#include "sweeps/state_digest.h"

#include "engine/state.h"

#include <cstddef>
#include <cstring>

namespace mur::sweep {
namespace {

// FNV-1a, 64 bits.
struct Hash {
    uint64_t h = 1469598103934665603ull;
    void bytes(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        for (std::size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
    }
    template <class T>
    void value(const T& v)
    {
        bytes(&v, sizeof v);
    }
};

void layer(Hash& h, const LayerRecord& l)
{
    h.value(l.pixels != nullptr);
    h.value(l.width);
    h.value(l.height);
    h.value(l.stride);
    h.value(l.visible);
    h.value(l.alphaLocked);
    h.value(l.opacity);
    h.value(l.density);
    h.value(l.mode);
    h.bytes(l.modeName, std::strlen(l.modeName));
    h.value(l.extentX0);
    h.value(l.extentY0);
    h.value(l.extentX1);
    h.value(l.extentY1);
    if (l.pixels && l.width > 0 && l.height > 0)
        h.bytes(l.pixels, std::size_t(l.stride) * std::size_t(l.height - 1) * 2 + std::size_t(l.width) * 8);
}

void entry(Hash& h, const UndoEntry& e, std::size_t colorValues, std::size_t maskValues)
{
    h.value(e.maskFlag);
    h.value(e.x0);
    h.value(e.y0);
    h.value(e.x1);
    h.value(e.y1);
    h.value(e.colorPatch != nullptr);
    h.value(e.maskPatch != nullptr);
    if (e.colorPatch) h.bytes(e.colorPatch, colorValues * 2);
    if (e.maskPatch) h.bytes(e.maskPatch, maskValues * 2);
}

}  // namespace

StateDigest digest_state(int32_t exceptSlot)
{
    StateDigest d;
    Hash layers;
    for (int32_t slot = 0; slot < kLayerSlots; ++slot)
        if (slot != exceptSlot) layer(layers, engine.layers.slots[slot]);
    layers.value(engine.layers.currentLayer);
    layers.value(engine.layers.topLayer);
    d.layers = layers.h;
    Hash paint;
    layer(paint, engine.paintLayer);
    d.paint = paint.h;

    Hash mask;
    const std::size_t pixels = image_pixels();
    mask.value(engine.mask.plane != nullptr);
    if (engine.mask.plane) mask.bytes(engine.mask.plane, pixels * 2);
    mask.value(engine.mask.enabled);
    mask.value(engine.mask.display);
    d.mask = mask.h;

    Hash undo;
    const UndoState& u = engine.undo;
    for (int i = 0; i < kUndoSlots; ++i) {
        const UndoEntry& e = u.entries[i];
        const std::size_t area = e.colorPatch || e.maskPatch
                                     ? std::size_t(e.x1 - e.x0 + 1) * std::size_t(e.y1 - e.y0 + 1)
                                     : 0;
        entry(undo, e, area * 4, area);
        undo.value(u.entryLayer[i]);
    }
    entry(undo, u.backBuffer, u.backBuffer.colorPatch ? pixels * 4 : 0, u.backBuffer.maskPatch ? pixels : 0);
    undo.value(u.undoLevels);
    undo.value(u.redoCount);
    undo.value(u.undoPaused);
    undo.value(u.undoUsedKB);
    undo.value(u.dirtyX0);
    undo.value(u.dirtyY0);
    undo.value(u.dirtyX1);
    undo.value(u.dirtyY1);
    d.undo = undo.h;
    return d;
}

}  // namespace mur::sweep

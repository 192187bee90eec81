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
    template <class... T>
    void values(const T&... v)
    {
        (bytes(&v, sizeof v), ...);
    }
};

void layer(Hash& h, const LayerRecord& l)
{
    h.values(l.pixels != nullptr, l.width, l.height, l.stride, l.visible, l.alphaLocked, l.opacity, l.density, l.mode,
             l.extentX0, l.extentY0, l.extentX1, l.extentY1);
    h.bytes(l.modeName, std::strlen(l.modeName));
    if (l.pixels && l.width > 0 && l.height > 0)
        h.bytes(l.pixels, std::size_t(l.stride) * std::size_t(l.height - 1) * 2 + std::size_t(l.width) * 8);
}

void entry(Hash& h, const UndoEntry& e, std::size_t colorValues, std::size_t maskValues)
{
    h.values(e.maskFlag, e.x0, e.y0, e.x1, e.y1, e.colorPatch != nullptr, e.maskPatch != nullptr);
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
    layers.values(engine.layers.currentLayer, engine.layers.topLayer);
    d.layers = layers.h;
    Hash paint;
    layer(paint, engine.paintLayer);
    d.paint = paint.h;

    Hash mask;
    const std::size_t pixels = image_pixels();
    mask.values(engine.mask.plane != nullptr, engine.mask.enabled, engine.mask.display);
    if (engine.mask.plane) mask.bytes(engine.mask.plane, pixels * 2);
    d.mask = mask.h;

    Hash undo;
    const UndoState& u = engine.undo;
    for (int i = 0; i < kUndoSlots; ++i) {
        const UndoEntry& e = u.entries[i];
        const std::size_t area = e.colorPatch || e.maskPatch
                                     ? std::size_t(e.x1 - e.x0 + 1) * std::size_t(e.y1 - e.y0 + 1)
                                     : 0;
        entry(undo, e, area * 4, area);
        undo.values(u.entryLayer[i]);
    }
    entry(undo, u.backBuffer, u.backBuffer.colorPatch ? pixels * 4 : 0, u.backBuffer.maskPatch ? pixels : 0);
    undo.values(u.undoLevels, u.redoCount, u.undoPaused, u.undoUsedKB, u.dirtyX0, u.dirtyY0, u.dirtyX1, u.dirtyY1);
    d.undo = undo.h;
    return d;
}

}  // namespace mur::sweep

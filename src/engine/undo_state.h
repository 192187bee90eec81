// The undo history: 500 rectangular patches, newest first, and the back
// buffers that mirror the current layer and the mask as of the last save.
#pragma once

#include <cstdint>

namespace mur {

inline constexpr int kUndoSlots = 500;

struct UndoEntry {
    uint16_t* colorPatch = nullptr;  // RGBA64, w * h pixels, rows of w
    uint16_t* maskPatch = nullptr;   // G16, w * h values
    uint8_t maskFlag = 0;            // mask-enabled flag at save time
    int32_t x0 = 0;                  // inclusive rectangle
    int32_t y0 = 0;
    int32_t x1 = 0;
    int32_t y1 = 0;
};

struct UndoState {
    UndoEntry entries[kUndoSlots];   // index 0 = newest
    int32_t entryLayer[kUndoSlots] = {};
    int32_t undoLevels = 0;          // usable entries, 0..500
    int32_t redoCount = 0;           // how many of the newest entries are undone
    uint8_t undoPaused = 0;
    int32_t undoLimitKB = 0;
    uint8_t undoAutoLimit = 0;
    int32_t undoUsedKB = 0;
    int32_t dirtyX0 = 0;             // inclusive; empty = (width-1, height-1, 0, 0)
    int32_t dirtyY0 = 0;
    int32_t dirtyX1 = 0;
    int32_t dirtyY1 = 0;
    // The back buffers: colorPatch is the image-sized RGBA64 copy of the
    // current layer, maskPatch the G16 copy of the mask.
    UndoEntry backBuffer;
};

}  // namespace mur

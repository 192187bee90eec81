// A fresh engine for every test: no image, default settings, no injected
// allocation failures. Tear-down releases everything, so a test that leaks
// shows up under LeakSanitizer.
#pragma once

#include "engine/memory.h"
#include "engine/state.h"
#include "murcore.h"
#include "support/engine_reset.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace mur::test {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { reset_engine(); }
    void TearDown() override { reset_engine(); }

    // An image with the given size and brush size; asserts it was made.
    static void create_image(int32_t width, int32_t height, int32_t maxBrushSize = 32);
};

// The RGBA64 pixel (x, y) of a layer.
uint16_t* pixel_at(const LayerRecord& layer, int32_t x, int32_t y);

// Fills a layer with one RGBA64 value.
void fill_layer(LayerRecord& layer, uint16_t r, uint16_t g, uint16_t b, uint16_t a);

// Puts a history entry with a colour and/or mask patch of the given rectangle
// at history position `index`, counting its kilobytes as a save would.
void put_history_entry(int index, int32_t layer, int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool color,
                       bool mask);

}  // namespace mur::test

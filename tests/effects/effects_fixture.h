// The fixture of the effect dispatcher's tests: a page with two painted
// layers and the IPL buffers allocated.
#pragma once

#include "effects/effects.h"
#include "support/engine_fixture.h"
#include "support/random_pixels.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace mur::test {

class EffectsTest : public test::EngineTest {
public:
    static constexpr int32_t kW = 32, kH = 24, kLayer = 2, kTwin = 3, kScratch = 255;

protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(kW, kH);
        ASSERT_EQ(MUR_CreateLayer(kLayer, kW, kH), 1);
        ASSERT_EQ(MUR_CreateLayer(kTwin, kW, kH), 1);
        MUR_SetLayer(kLayer);
        paint(kLayer, 7);
        MUR_IPLAllocSrcBuffer32();
        MUR_IPLAllocDstBuffer32();
    }
    void TearDown() override
    {
        MUR_IPLFreeSrcBuffer32();
        MUR_IPLFreeDstBuffer32();
        std::remove(scriptPath.c_str());
        EngineTest::TearDown();
    }
    // Smooth colour ramps, a bright square, an alpha ramp on the left and a
    // transparent corner, with random low bytes.
    static void paint(int32_t slot, uint32_t seed)
    {
        test::Rng rng{seed};
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                int r = x * 8, g = y * 10, b = 255 - x * 4, a = x < 8 ? 60 + x * 24 : 255;
                if (x >= 12 && x < 20 && y >= 8 && y < 16) r = g = b = 250;
                if (x < 3 && y < 3) a = 0;
                const int c[4] = {r, g, b, a};
                for (int k = 0; k < 4; ++k)
                    pixel_at(engine.layers.slots[slot], x, y)[k] = uint16_t(c[k] << 8 | pick(rng, 0, 255));
            }
    }
    static std::vector<uint16_t> pixels(int32_t slot = kLayer)
    {
        const LayerRecord& l = engine.layers.slots[slot];
        return {l.pixels, l.pixels + std::size_t(kW) * kH * 4};
    }
    static std::vector<uint16_t> mask() { return {engine.mask.plane, engine.mask.plane + std::size_t(kW) * kH}; }
    static int32_t run(const char* name, const effects::EffectDefaults& d, const char* path = nullptr,
                       int32_t variant = 1, int32_t r = 0, int32_t g = 0, int32_t b = 0)
    {
        const int16_t* s = d.sliders;
        return MUR_IPLImageProcess(0, name, variant, s[0], s[1], s[2], s[3], s[4], s[5], d.style1, d.style2, 0, 0,
                                   0, 0, 0, 0, r, g, b, path);
    }
    static int32_t run(const char* name) { return run(name, effects::find_effect("Negative")->defaults); }
    const char* script(const std::string& text)
    {
        scriptPath = testing::TempDir() + "effects_test_" + std::to_string(::getpid()) + ".lua";
        std::ofstream(scriptPath) << text;
        return scriptPath.c_str();
    }
    std::string scriptPath;
};

}  // namespace mur::test

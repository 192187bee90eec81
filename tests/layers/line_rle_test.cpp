#include "support/engine_fixture.h"

#include "layers/line_rle.h"

#include <random>
#include <vector>

namespace mur::test {
namespace {

TEST(RgbaLineCode, SixHundredEqualPixelsMakeThreeRuns)
{
    std::vector<uint16_t> line(600 * 4);
    for (int i = 0; i < 600; ++i) {
        // Equal high bytes; the low bytes differ and are ignored.
        line[i * 4 + 0] = uint16_t(0x1200 | (i & 0xFF));
        line[i * 4 + 1] = 0x3400;
        line[i * 4 + 2] = uint16_t(0x56FF - (i % 3));
        line[i * 4 + 3] = 0xFF00;
    }
    std::vector<uint8_t> code(600 * 5);
    ASSERT_EQ(MUR_RLECompressRGBA64ToRGBA32(line.data(), code.data(), 600), 15);
    const uint8_t expected[15] = {255, 0x12, 0x34, 0x56, 0xFF, 255, 0x12, 0x34, 0x56, 0xFF, 90, 0x12, 0x34, 0x56, 0xFF};
    EXPECT_TRUE(std::equal(expected, expected + 15, code.begin()));
    std::vector<uint16_t> back(600 * 4, 1);
    MUR_RLEUncompressRGBA32ToRGBA64(code.data(), back.data(), 600);
    for (int i = 0; i < 600; ++i) {
        ASSERT_EQ(back[i * 4 + 0], 0x1200);
        ASSERT_EQ(back[i * 4 + 2], 0x5600);
        ASSERT_EQ(back[i * 4 + 3], 0xFF00);
    }
}

TEST(RgbaLineCode, OnePixelIsOneRecord)
{
    const uint16_t pixel[4] = {0xAB00, 0xCD00, 0xEF00, 0x0100};
    uint8_t code[5];
    ASSERT_EQ(MUR_RLECompressRGBA64ToRGBA32(pixel, code, 1), 5);
    EXPECT_EQ(code[0], 1);
    EXPECT_EQ(code[1], 0xAB);
    EXPECT_EQ(code[4], 0x01);
    EXPECT_EQ(MUR_RLECompressRGBA64ToRGBA32(nullptr, code, 1), 0);
    EXPECT_EQ(MUR_RLECompressRGBA64ToRGBA32(pixel, code, 0), 0);
}

// Random lines with runs, compared with what the code keeps (high bytes).
TEST(LineCodes, RandomLinesRoundTripThroughBothCodecs)
{
    std::mt19937 rng(99);
    for (int trial = 0; trial < 200; ++trial) {
        const int n = 1 + int(rng() % 1500);
        std::vector<uint16_t> rgba(n * 4), gray(n);
        uint16_t run[4] = {};
        for (int i = 0; i < n; ++i) {
            if (rng() % 4 == 0)
                for (auto& c : run) c = static_cast<uint16_t>(rng() % 3 * 0x4000 + rng() % 256);
            for (int c = 0; c < 4; ++c) rgba[i * 4 + c] = static_cast<uint16_t>(run[c] | (rng() & 0xFF));
            gray[i] = run[0];
        }
        std::vector<uint8_t> code(n * 5);
        const int32_t bytes = MUR_RLECompressRGBA64ToRGBA32(rgba.data(), code.data(), n);
        ASSERT_EQ(bytes % 5, 0);
        std::vector<uint16_t> back(n * 4);
        MUR_RLEUncompressRGBA32ToRGBA64(code.data(), back.data(), n);
        for (int i = 0; i < n * 4; ++i) ASSERT_EQ(back[i], rgba[i] & 0xFF00) << "trial " << trial;

        std::vector<uint8_t> gcode(n * 2);
        const int32_t gbytes = MUR_RLECompressG16ToG8(gray.data(), gcode.data(), n);
        ASSERT_EQ(gbytes % 2, 0);
        int32_t total = 0;
        for (int r = 0; r < gbytes; r += 2) {
            ASSERT_GE(gcode[r], 1);
            total += gcode[r];
        }
        ASSERT_EQ(total, n);
        std::vector<uint16_t> gback(n);
        MUR_RLEUncompressG8ToG16(gcode.data(), gback.data(), n);
        for (int i = 0; i < n; ++i) ASSERT_EQ(gback[i], gray[i] & 0xFF00);
    }
}

TEST(LineCodes, DecodersNeverPassTheLine)
{
    // Zero-length runs: at most one record per sample is read, nothing written.
    std::vector<uint8_t> zeros(10 * 5, 0);
    zeros[1] = 0x77;
    std::vector<uint16_t> line(10 * 4 + 4, 0x1111);
    const std::size_t read = rle::decode_rgba32_line(zeros.data(), line.data(), 10);
    EXPECT_EQ(read, 50u);
    for (uint16_t v : line) EXPECT_EQ(v, 0x1111);
    // A run longer than the line is shortened.
    const uint8_t longRun[2] = {200, 0x42};
    std::vector<uint16_t> gray(8, 0x1111);
    EXPECT_EQ(rle::decode_g8_line(longRun, gray.data(), 5), 2u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(gray[i], 0x4200);
    for (int i = 5; i < 8; ++i) EXPECT_EQ(gray[i], 0x1111);
}

class LineCodeExports : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(30, 4, 8);
        ASSERT_EQ(MUR_CreateLayer(2, 30, 4), 1);
    }
};

TEST_F(LineCodeExports, LayerAndMaskRowsRoundTrip)
{
    LayerRecord& layer = engine.layers.slots[2];
    for (int x = 0; x < 30; ++x) std::fill_n(pixel_at(layer, x, 1), 4, uint16_t((x / 10) << 12));
    std::vector<uint8_t> code(30 * 5);
    ASSERT_EQ(MUR_GetRGBA32LayerLineRLE(code.data(), 2, 1), 15);
    MUR_PutRGBA32LayerLineRLE(code.data(), 2, 3);
    for (int x = 0; x < 30; ++x) EXPECT_EQ(pixel_at(layer, x, 3)[2], (x / 10) << 12);

    for (int x = 0; x < 30; ++x) engine.mask.plane[30 + x] = uint16_t(x < 7 ? 0 : 0x8000);
    ASSERT_EQ(MUR_GetMaskLineRLE(code.data(), 1), 4);
    MUR_PutMaskLineRLE(code.data(), 2);
    EXPECT_EQ(engine.mask.plane[60 + 6], 0);
    EXPECT_EQ(engine.mask.plane[60 + 7], 0x8000);
}

TEST_F(LineCodeExports, RowsOutsideTheImageOrEmptyLayersGiveNothing)
{
    std::vector<uint8_t> code(30 * 5, 0x99);
    EXPECT_EQ(MUR_GetRGBA32LayerLineRLE(code.data(), 2, 4), 0);
    EXPECT_EQ(MUR_GetRGBA32LayerLineRLE(code.data(), 2, -1), 0);
    EXPECT_EQ(MUR_GetRGBA32LayerLineRLE(code.data(), 3, 0), 0);
    EXPECT_EQ(MUR_GetMaskLineRLE(code.data(), 4), 0);
    EXPECT_EQ(MUR_GetMaskLineRLE(nullptr, 0), 0);
    MUR_PutRGBA32LayerLineRLE(code.data(), 2, 17);
    MUR_PutMaskLineRLE(code.data(), -3);
    MUR_PutMaskLineRLE(nullptr, 0);
    EXPECT_EQ(engine.mask.plane[0], 65535);
}

}  // namespace
}  // namespace mur::test

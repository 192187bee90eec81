// The composited page written row by row equals the composite of
// MUR_MergeRect, in every format, and writes nothing when it cannot finish.
#include "io/external_readers.h"
#include "support/engine_fixture.h"

namespace mur::test {
namespace {

class PageExport : public EngineTest {
protected:
    static constexpr int kW = 45, kH = 29;
    ScratchDir dir;

    // Background, a half-transparent Multiply layer and a Screen layer with
    // holes: a composite with partial alpha where the background is hidden.
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(create_image(kW, kH));
        for (int slot = 1; slot <= 3; ++slot) ASSERT_EQ(MUR_CreateLayer(slot, kW, kH), 1);
        MUR_SetLayerOptions(1, 1, 0, 100, "Normal");
        MUR_SetLayerOptions(2, 1, 0, 70, "Multiply");
        MUR_SetLayerOptions(3, 1, 0, 100, "Screen");
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                uint16_t* a = pixel_at(engine.layers.slots[2], x, y);
                a[0] = uint16_t(x * 1400), a[1] = uint16_t(y * 2200), a[2] = 30000, a[3] = uint16_t(x * 1450);
                uint16_t* b = pixel_at(engine.layers.slots[3], x, y);
                b[0] = 9000, b[1] = uint16_t((x * y * 97) % 65280), b[2] = uint16_t(y * 2000);
                b[3] = (x + y) % 3 ? 0 : 40000;
            }
    }

    // The composite as the host gets it from MUR_MergeRect, narrowed.
    std::vector<uint8_t> composite(int channels, bool hideBackground = false)
    {
        if (hideBackground) MUR_SetLayerOptions(1, 0, 0, 100, "Normal");
        std::vector<uint16_t> wide(std::size_t(kW) * kH * 4);
        MUR_MergeRect(wide.data(), 0, 0, kW, kH);
        std::vector<uint8_t> out(std::size_t(kW) * kH * channels);
        for (int i = 0; i < kW * kH; ++i)
            for (int c = 0; c < channels; ++c) out[i * channels + c] = uint8_t(wide[i * 4 + c] >> 8);
        return out;
    }
};

TEST_F(PageExport, EveryFormatHoldsTheMergeRectComposite)
{
    const std::vector<uint8_t> rgb = composite(3);
    struct Case { const char* ext; int channels; };
    for (const Case c : {Case{".bmp", 3}, Case{".png", 3}, Case{".png", 4}, Case{".tga", 4}, Case{".tif", 4}}) {
        SCOPED_TRACE(std::string(c.ext) + " " + std::to_string(c.channels));
        const bool alpha = c.channels == 4;
        if (alpha) MUR_SetLayerOptions(1, 0, 0, 100, "Normal");  // hidden background: partial alpha
        const std::vector<uint8_t> expected = alpha ? composite(4) : rgb;
        const std::string path = dir / (std::to_string(c.channels) + c.ext);
        ASSERT_EQ(alpha ? MUR_SavePageToFileRGB32(path.c_str(), c.ext, 300) : MUR_SavePageToFileRGB24(path.c_str(), c.ext, 300), 1);
        std::vector<uint8_t> back(expected.size());
        ASSERT_EQ(alpha ? MUR_ReadFromFileRGBA32(back.data(), kW, kH, path.c_str())
                        : MUR_ReadFromFileRGB24(back.data(), kW, kH, path.c_str()), 1);
        EXPECT_EQ(back, expected);
        if (have_pillow()) {
            EXPECT_EQ(pillow_read(path, alpha ? "RGBA" : "RGB").pixels, expected);
        }
        if (std::string(c.ext) != ".tga") {
            EXPECT_EQ(MUR_GetDPIFromFile(path.c_str()), 300);
        }
        MUR_SetLayerOptions(1, 1, 0, 100, "Normal");
    }
}

TEST_F(PageExport, JpegPageIsQuality97WithoutSubsampling)
{
    const std::string path = dir / "page.jpg";
    ASSERT_EQ(MUR_SavePageToFileRGB24(path.c_str(), ".JPG", 150), 1);
    std::vector<uint8_t> back(std::size_t(kW) * kH * 3);
    ASSERT_EQ(MUR_ReadFromFileRGB24(back.data(), kW, kH, path.c_str()), 1);
    const std::vector<uint8_t> expected = composite(3);
    double error = 0;
    for (std::size_t i = 0; i < back.size(); ++i) error += std::abs(int(back[i]) - int(expected[i]));
    EXPECT_LT(error / double(back.size()), 2.0);
    EXPECT_EQ(MUR_GetDPIFromFile(path.c_str()), 150);
    if (have_imagemagick()) {
        EXPECT_EQ(identify(path, "%m %wx%h %Q %[jpeg:sampling-factor]"), "JPEG 45x29 97 1x1,1x1,1x1");
    }
}

TEST_F(PageExport, WritesNothingWhenItCannot)
{
    const std::string path = dir / "page.png";
    // Other formats: the RGB24 page has no TGA or TIFF, the RGBA page no BMP or JPEG.
    EXPECT_EQ(MUR_SavePageToFileRGB24(path.c_str(), ".tga", 72), 0);
    EXPECT_EQ(MUR_SavePageToFileRGB24(path.c_str(), ".gif", 72), 0);
    EXPECT_EQ(MUR_SavePageToFileRGB32(path.c_str(), ".bmp", 72), 0);
    EXPECT_EQ(MUR_SavePageToFileRGB32(path.c_str(), ".jpg", 72), 0);
    EXPECT_EQ(MUR_SavePageToFileRGB32(nullptr, ".png", 72), 0);
    // Each of the two row buffers failing.
    for (long n = 0; n < 2; ++n) {
        mem::fail_allocations(n, 1);
        EXPECT_EQ(MUR_SavePageToFileRGB24(path.c_str(), ".png", 72), 0) << n;
        mem::fail_allocations(n, 1);
        EXPECT_EQ(MUR_SavePageToFileRGB32(path.c_str(), ".tif", 72), 0) << n;
        mem::reset_failures();
    }
    EXPECT_TRUE(dir.names().empty());
    // Without an image: nothing.
    MUR_DeleteImage();
    EXPECT_EQ(MUR_SavePageToFileRGB24(path.c_str(), ".png", 72), 0);
    EXPECT_TRUE(dir.names().empty());
}

TEST_F(PageExport, AFailedPageKeepsTheFileItWouldReplace)
{
    const std::string path = dir / "page.bmp";
    ASSERT_EQ(MUR_SavePageToFileRGB24(path.c_str(), ".bmp", 72), 1);
    const auto size = std::filesystem::file_size(path);
    MUR_CreateLayer(4, kW, kH);
    mem::fail_allocations(2, 1);  // the BMP writer's row, after both row buffers
    EXPECT_EQ(MUR_SavePageToFileRGB24(path.c_str(), ".bmp", 600), 0);
    mem::reset_failures();
    EXPECT_EQ(std::filesystem::file_size(path), size);
    EXPECT_EQ(MUR_GetDPIFromFile(path.c_str()), 72);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"page.bmp"});
}

}  // namespace
}  // namespace mur::test

// Thumbnails and web pictures: their sizes, their formats, and what becomes
// of transparent pixels.
#include "io/external_readers.h"
#include "support/engine_fixture.h"

namespace mur::test {
namespace {

class DerivedPictures : public EngineTest {
protected:
    ScratchDir dir;

    // A w x h picture, blue, its left column fully transparent red.
    std::string source(int w, int h)
    {
        std::vector<uint8_t> p(std::size_t(w) * h * 4);
        for (int i = 0; i < w * h; ++i) {
            const bool clear = i % w == 0;
            p[i * 4] = clear ? 255 : 0, p[i * 4 + 1] = 0, p[i * 4 + 2] = clear ? 0 : 255, p[i * 4 + 3] = clear ? 0 : 255;
        }
        const std::string path = dir / ("src" + std::to_string(w) + "x" + std::to_string(h) + ".png");
        EXPECT_EQ(MUR_WriteToFileRGBA32(p.data(), w, h, path.c_str(), ".png", 300), 1);
        return path;
    }

    std::pair<int, int> size_of(const std::string& path)
    {
        if (MUR_ReadFromFile(path.c_str()) != 1) return {-1, -1};
        return {MUR_GetNewRGBAWidth(), MUR_GetNewRGBAHeight()};
    }
};

TEST_F(DerivedPictures, ThumbnailSizes)
{
    struct Case { int w, h, side, tw, th; };
    const Case cases[] = {{400, 200, 100, 100, 50}, {200, 400, 100, 50, 100}, {300, 300, 64, 64, 64},
                          {300, 200, 100, 100, 66}, {1000, 1, 100, 100, 1},   {1, 1000, 10, 1, 10},
                          {30, 20, 90, 90, 60},     {7, 5, 1, 1, 1}};
    for (const Case& c : cases) {
        const std::string out = dir / "thumb.bmp";
        ASSERT_EQ(MUR_MakeThumbnail(source(c.w, c.h).c_str(), out.c_str(), c.side), 1);
        EXPECT_EQ(size_of(out), std::make_pair(c.tw, c.th)) << c.w << "x" << c.h << " at " << c.side;
    }
    EXPECT_EQ(MUR_MakeThumbnail(source(10, 10).c_str(), (dir / "z.bmp").c_str(), 0), 0);
    EXPECT_EQ(MUR_MakeThumbnail(source(10, 10).c_str(), (dir / "z.bmp").c_str(), INT32_MIN), 0);
    EXPECT_EQ(MUR_MakeThumbnail((dir / "missing.png").c_str(), (dir / "z.bmp").c_str(), 10), 0);
    EXPECT_EQ(MUR_MakeThumbnail(nullptr, (dir / "z.bmp").c_str(), 10), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "z.bmp"));
}

TEST_F(DerivedPictures, ThumbnailsWhitenTransparencyAndAreBmpWithoutResolution)
{
    const std::string out = dir / "t.bmp";
    ASSERT_EQ(MUR_MakeThumbnail(source(40, 20).c_str(), out.c_str(), 40), 1);  // same size: resized 1:1
    ASSERT_EQ(MUR_ReadFromFile(out.c_str()), 1);
    std::vector<uint8_t> p(40 * 20 * 4);
    MUR_GetNewRGBA32(p.data());
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(std::vector<uint8_t>(&p[y * 160], &p[y * 160 + 4]), (std::vector<uint8_t>{255, 255, 255, 255}));  // white
        EXPECT_EQ(std::vector<uint8_t>(&p[y * 160 + 80], &p[y * 160 + 84]), (std::vector<uint8_t>{0, 0, 255, 255}));  // blue
    }
    if (have_imagemagick()) {  // no resolution stored
        EXPECT_EQ(identify(out, "%m %wx%h %x"), "BMP3 40x20 72");
    }
}

TEST_F(DerivedPictures, WebPictureSizes)
{
    struct Case { int w, h, maxW, maxH, tw, th; };
    const Case cases[] = {{1000, 500, 300, 300, 300, 150}, {500, 1000, 300, 300, 150, 300},
                          {100, 50, 300, 300, 100, 50},    {1000, 500, 300, 100, 200, 100},
                          {1000, 2, 100, 100, 100, 1},     {640, 480, 640, 480, 640, 480}};
    for (const Case& c : cases) {
        const std::string out = dir / "web.jpg";
        ASSERT_EQ(MUR_MakeWebPic(source(c.w, c.h).c_str(), out.c_str(), c.maxW, c.maxH), 1);
        EXPECT_EQ(size_of(out), std::make_pair(c.tw, c.th)) << c.w << "x" << c.h << " in " << c.maxW << "x" << c.maxH;
    }
    EXPECT_EQ(MUR_MakeWebPic(source(10, 10).c_str(), (dir / "z.jpg").c_str(), 0, 10), 0);
    EXPECT_EQ(MUR_MakeWebPic(source(10, 10).c_str(), (dir / "z.jpg").c_str(), 10, -3), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "z.jpg"));
}

TEST_F(DerivedPictures, WebPicturesKeepTransparentColoursAndAreJpegQuality75)
{
    const std::string out = dir / "w.jpg";
    ASSERT_EQ(MUR_MakeWebPic(source(64, 32).c_str(), out.c_str(), 64, 64), 1);
    ASSERT_EQ(MUR_ReadFromFile(out.c_str()), 1);
    std::vector<uint8_t> p(64 * 32 * 4);
    MUR_GetNewRGBA32(p.data());
    EXPECT_GT(p[16 * 256 + 0], 180);  // the hidden red shows, not white
    EXPECT_LT(p[16 * 256 + 1], 80);
    EXPECT_EQ(MUR_GetDPIFromFile(out.c_str()), 72);
    if (have_imagemagick()) {
        EXPECT_EQ(identify(out, "%m %Q %U"), "JPEG 75 Undefined");
    }
}

}  // namespace
}  // namespace mur::test

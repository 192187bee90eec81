// A minimal headless host in C++: the same document as the C example, with
// the engine's image held by an object that deletes it when it goes, two
// strokes (the second one undone and redone) and the view saved as a PNG.
//
//   c++ -std=c++17 paint_stroke.cpp $(pkg-config --cflags --libs murcore libpng) -o paint_stroke_cpp
#include <murcore.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kWidth = 320, kHeight = 200, kBackground = 1, kInk = 2;

// The engine holds one image per process; this owns it for a scope.
class Image {
public:
    Image(int32_t width, int32_t height, int32_t largestBrush)
    {
        MUR_CreateImage(nullptr, width, height, largestBrush, 0);
        if (!MUR_CreateLayer(kBackground, width, height) || !MUR_CreateLayer(kInk, width, height))
            throw std::runtime_error(std::string("no layers: ") + MUR_GetLastError());
        MUR_SetLayerOptions(kBackground, 1, 0, 100, "Normal");
        MUR_SetLayerOptions(kInk, 1, 0, 100, "Normal");
        MUR_SetUndoLevels(10);
        MUR_SetLayer(kInk);
    }
    ~Image() { MUR_DeleteImage(); }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // One stroke of a soft round brush through the paint layer, then an undo step.
    void stroke(const std::vector<std::pair<int32_t, int32_t>>& path, int32_t r, int32_t g, int32_t b)
    {
        MUR_SetSize(32);
        MUR_SetTool(1.0f, 0, 0, 0, 150, 0, 10, 0, 0, 0, 0, 0, 0, "", "", 0);
        MUR_SetColor(r, g, b);
        MUR_CreatePaintLayer(100, 100, "Normal");
        for (const auto& [x, y] : path) {
            MUR_SetAlpha(70);
            MUR_DrawDabGrit(x, y, r << 8, g << 8, b << 8);
        }
        MUR_MergePaintLayer(kInk);
        MUR_SaveUndoBuffer(1, 0);
    }

    // The view at 1:1 as R, G, B bytes.
    std::vector<uint8_t> render() const
    {
        std::vector<uint8_t> bgr(std::size_t(kWidth) * kHeight * 3);
        MUR_SetScale(1, 1.0f);
        MUR_SetViewSize(kWidth, kHeight);
        if (!MUR_Render(bgr.data(), kWidth * 3, 0, 0, kWidth, kHeight))
            throw std::runtime_error(std::string("nothing to render: ") + MUR_GetLastError());
        for (std::size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
        return bgr;
    }
};

void save_png(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), width * 3, nullptr))
        throw std::runtime_error("could not write " + path + ": " + image.message);
}

std::vector<std::pair<int32_t, int32_t>> wave(double y0, double amplitude, double phase)
{
    std::vector<std::pair<int32_t, int32_t>> path;
    for (int i = 0; i <= 100; ++i) {
        const double t = i / 100.0;
        path.emplace_back(static_cast<int32_t>(std::lround(30 + 260 * t)),
                          static_cast<int32_t>(std::lround(y0 + amplitude * std::sin(phase + t * 6.2831853))));
    }
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string out = argc > 1 ? argv[1] : "stroke_cpp.png";
    try {
        Image image(kWidth, kHeight, 64);
        image.stroke(wave(70, 30, 0), 200, 60, 30);
        image.stroke(wave(130, 30, 3.14159265), 30, 120, 60);
        MUR_Undo();
        MUR_Redo();
        save_png(out, image.render(), kWidth, kHeight);
        std::printf("painted two strokes, undid and redid the second; wrote %s\n", out.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

#include "record.h"

#include "demo_painting.h"
#include "murcore.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace mur_tool {
namespace {

constexpr int32_t kWidth = 320, kHeight = 200;
constexpr int32_t kDabsAFrame = 3;
constexpr int32_t kFramePeriodMs = 40;

struct Curve {
    std::vector<std::pair<double, double>> path;
    int32_t r, g, b, size, softness;
};

// A wave of soft blue, a hard red arc over it, a green hill and a small
// yellow sun: four strokes, four stages.
std::vector<Curve> strokes()
{
    std::vector<Curve> out;
    Curve wave{{}, 60, 110, 200, 40, 220};
    for (int k = 0; k <= 6; ++k) wave.path.push_back({20 + k * 46.0, 150 + 18 * std::sin(k * 1.3)});
    out.push_back(wave);
    out.push_back({{{40, 120}, {110, 40}, {200, 35}, {280, 110}}, 200, 40, 40, 18, 30});
    out.push_back({{{10, 185}, {90, 130}, {170, 150}, {250, 120}, {310, 170}}, 70, 150, 60, 28, 90});
    Curve sun{{}, 250, 210, 60, 24, 160};
    for (int k = 0; k <= 10; ++k) sun.path.push_back({250 + 14 * std::cos(k * 0.63), 50 + 14 * std::sin(k * 0.63)});
    out.push_back(sun);
    return out;
}

// The view as the host sees it, R, G, B.
std::vector<uint8_t> view()
{
    std::vector<uint8_t> bgr(std::size_t(kWidth) * kHeight * 3);
    MUR_Render(bgr.data(), kWidth * 3, 0, 0, kWidth, kHeight);
    for (std::size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
    return bgr;
}

}  // namespace

int record(const std::string& outDir)
{
    mkdir(outDir.c_str(), 0777);
    const std::string avi = outDir + "/stroke.avi", gif = outDir + "/stroke.gif", pdf = outDir + "/stroke.pdf";
    MUR_SetRandomSeed(2026);
    MUR_CreateImage(nullptr, kWidth, kHeight, 64, 0);
    MUR_CreateLayer(1, kWidth, kHeight);  // the paper: opaque white
    MUR_CreateLayer(2, kWidth, kHeight);
    MUR_SetLayerOptions(1, 1, 0, 100, "Normal");
    MUR_SetLayerOptions(2, 1, 0, 100, "Normal");
    MUR_SetUndoLevels(10);

    if (!MUR_CreateAVI(avi.c_str(), kFramePeriodMs) || MUR_CreateGIF(gif.c_str(), kFramePeriodMs, nullptr) < 0) {
        std::fprintf(stderr, "mur record: could not start the recordings in %s\n", outDir.c_str());
        return 1;
    }
    int32_t frames = 0, gifFrames = 0, stage = 0;
    auto take_frame = [&] {
        const std::vector<uint8_t> rgb = view();
        frames += MUR_WriteAVI_RGB24(rgb.data(), kWidth, kHeight);
        gifFrames += MUR_WriteGIF_RGB24(rgb.data(), kWidth, kHeight);
    };
    take_frame();  // the empty paper
    MUR_I2PDF_Reset();
    std::printf("recording a %dx%d painting, a frame every %d dabs:\n", kWidth, kHeight, kDabsAFrame);
    for (const Curve& c : strokes()) {
        paint_round_stroke(2, c.path, c.r, c.g, c.b, c.size, c.softness, [&](int32_t dabs) {
            if (dabs % kDabsAFrame == 0) take_frame();
        });
        take_frame();  // the stroke merged
        // Each stage as a picture file; the document takes them over.
        const std::string picture = outDir + "/stage" + std::to_string(++stage) + ".png";
        const std::vector<uint8_t> rgb = view();
        if (!MUR_WriteToFileRGB24(rgb.data(), kWidth, kHeight, picture.c_str(), ".png", 96) ||
            !MUR_I2PDF_AddImage(picture.c_str()))
            std::fprintf(stderr, "mur record: could not write %s\n", picture.c_str());
    }
    const bool aviDone = MUR_CloseAVI() == 1, gifDone = MUR_CloseGIF() == 1;
    const bool pdfDone = MUR_I2PDF_MakePDF(pdf.c_str()) == 1;
    MUR_DeleteImage();
    if (!aviDone || !gifDone || !pdfDone) {
        std::fprintf(stderr, "mur record: could not write%s%s%s\n", aviDone ? "" : " stroke.avi",
                     gifDone ? "" : " stroke.gif", pdfDone ? "" : " stroke.pdf");
        return 1;
    }
    std::printf("wrote %s (%d frames), %s (%d frames), %s (%d pages)\n", avi.c_str(), frames, gif.c_str(), gifFrames,
                pdf.c_str(), stage);
    return 0;
}

}  // namespace mur_tool

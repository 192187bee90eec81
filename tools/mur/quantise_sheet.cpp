#include "quantise_sheet.h"

#include "murcore.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace mur_tool {
namespace {

// Both quantised pictures go through GIF files: ours written by the engine,
// ImageMagick's by convert; both are read back by the engine.
std::vector<uint8_t> read_rgb(const std::string& path, int w, int h)
{
    std::vector<uint8_t> rgb(std::size_t(w) * h * 3);
    if (!MUR_ReadFromFileRGB24(rgb.data(), w, h, path.c_str())) rgb.clear();
    return rgb;
}

double mean_error(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(a.size());
}

}  // namespace

int quantise_sheet(const char* in, const char* out)
{
    if (!MUR_ReadFromFile(in)) {
        std::fprintf(stderr, "mur: could not read %s\n", in);
        return 1;
    }
    const int w = MUR_GetNewRGBAWidth(), h = MUR_GetNewRGBAHeight();
    std::vector<uint8_t> original(std::size_t(w) * h * 3);
    MUR_GetNewRGBA24(original.data());
    MUR_DeleteNewRGBA();

    const std::string base = "/tmp/mur_quantise_" + std::to_string(getpid());
    const std::string ours = base + "_ours.gif", theirs = base + "_magick.gif";
    const bool written = MUR_WriteToFileRGB24(original.data(), w, h, ours.c_str(), ".gif", 72) == 1;
    const std::string command = "convert '" + std::string(in) + "' -colors 256 '" + theirs + "' 2>/dev/null";
    const bool converted = std::system(command.c_str()) == 0;
    const std::vector<uint8_t> a = written ? read_rgb(ours, w, h) : std::vector<uint8_t>();
    const std::vector<uint8_t> b = converted ? read_rgb(theirs, w, h) : std::vector<uint8_t>();
    std::remove(ours.c_str());
    std::remove(theirs.c_str());
    if (a.empty() || b.empty()) {
        std::fprintf(stderr, "mur: could not quantise %s (%s)\n", in,
                     a.empty() ? "engine" : "ImageMagick's convert");
        return 1;
    }

    constexpr int kGap = 4;
    const int sheetW = w * 3 + kGap * 2;
    std::vector<uint8_t> sheet(std::size_t(sheetW) * h * 3, 255);
    const std::vector<uint8_t>* parts[] = {&original, &a, &b};
    for (int k = 0; k < 3; ++k)
        for (int y = 0; y < h; ++y)
            std::copy_n(parts[k]->data() + std::size_t(y) * w * 3, std::size_t(w) * 3,
                        sheet.data() + (std::size_t(y) * sheetW + std::size_t(k) * (w + kGap)) * 3);
    if (!MUR_WriteToFileRGB24(sheet.data(), sheetW, h, out, ".png", 72)) {
        std::fprintf(stderr, "mur: could not write %s\n", out);
        return 1;
    }
    std::printf("%s: %dx%d, mean error per channel against the original: ours %.3f, ImageMagick -colors 256 %.3f\n",
                in, w, h, mean_error(original, a), mean_error(original, b));
    std::printf("wrote %s (original | ours | ImageMagick)\n", out);
    return 0;
}

}  // namespace mur_tool

#include "clip_commands.h"

#include "contact_sheet.h"
#include "device_commands.h"
#include "murcore.h"
#include "png_files.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace mur_tool {

int capture_command(const char* out)
{
    if (!MUR_ScreenCapture()) {
        std::fprintf(stderr, "could not capture the screen: no X display (DISPLAY) or a visual it cannot read\n");
        return 1;
    }
    int32_t width = 0, height = 0;
    if (!write_held_picture(out, width, height)) return 1;
    std::printf("wrote %s (%dx%d)\n", out, width, height);
    return 0;
}

namespace {

// A clip file pasted through the clipboard at four angles on a white page.
Cell pasted_cell(const std::string& clip)
{
    constexpr int kW = 360, kH = 120;
    Cell cell{"PASTED AT 0 30 90 200", kW, kH, {}};
    MUR_CreateImage(nullptr, kW, kH, 64, 0);
    MUR_CreateLayer(1, kW, kH);
    MUR_CreateLayer(2, kW, kH);
    MUR_SetLayer(2);
    if (MUR_ToClipboardFromFile(clip.c_str())) {
        const int32_t angles[4] = {0, 3000, 9000, 20000};
        for (int i = 0; i < 4; ++i) MUR_FromClipboardIntoEX2(45 + i * 90, kH / 2, 80, angles[i], 1, 1, 256, 0);
        MUR_DeleteNewRGBA();
    }
    std::vector<uint8_t> rgba(std::size_t(kW) * kH * 4);
    MUR_GetRGBA32Layer(rgba.data(), kW * 4, 2);
    cell.rgb = over_checkerboard(rgba, kW, kH);
    MUR_DeleteImage();
    return cell;
}

}  // namespace

int textclips_command(const char* text, const char* folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!MUR_SetFontByName(1, "DejaVu Sans", 72, 700, 0)) MUR_SetFontByName(1, "sans-serif", 72, 700, 0);
    const int32_t written = MUR_BuildTextBrushClips(150, 40, 20, text, folder);
    if (written <= 0) {
        std::fprintf(stderr, "could not write clips into %s: %s\n", folder,
                     *text ? "no font, or the folder cannot be written" : "the text is empty");
        return 1;
    }
    std::vector<Cell> cells;
    for (int32_t i = 0; i < written; ++i) {
        const std::string path = std::string(folder) + "/clip" + std::to_string(i) + ".png";
        Picture clip;
        std::string error;
        if (!read_png(path, clip, error)) {
            std::fprintf(stderr, "could not read %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        cells.push_back({"CLIP" + std::to_string(i), clip.width, clip.height,
                         over_checkerboard(clip.rgba, clip.width, clip.height)});
    }
    cells.push_back(pasted_cell(std::string(folder) + "/clip0.png"));
    const std::string sheet = std::string(folder) + "/sheet.png";
    std::string error;
    if (!write_sheet(sheet, cells, 3, error)) {
        std::fprintf(stderr, "could not write %s: %s\n", sheet.c_str(), error.c_str());
        return 1;
    }
    std::printf("wrote %d clips and %s\n", written, sheet.c_str());
    return 0;
}

}  // namespace mur_tool

#include "device_commands.h"

#include "murcore.h"
#include "png_files.h"

#include <cstdio>
#include <string>
#include <vector>

namespace mur_tool {

int plugins_command(const char* folder)
{
    const int32_t listed = MUR_PhotoshopPluginScan(folder);
    for (const char* name = MUR_PhotoshopPluginNextName(); *name; name = MUR_PhotoshopPluginNextName())
        std::printf("%s\n", name);
    std::fflush(stdout);
    std::fprintf(stderr, "%d plug-in filters under %s\n", listed, folder);
    return 0;
}

int scan_command(const char* out)
{
    if (!MUR_IsTwain()) {
        std::fprintf(stderr, "could not load the scanner library (libsane.so.1)\n");
        return 1;
    }
    if (!MUR_TwainSelectSource() || !MUR_TwainAcquire()) {
        std::fprintf(stderr, "could not scan: no scanner, or the scan failed\n");
        return 1;
    }
    int32_t width = 0, height = 0;
    if (!write_held_picture(out, width, height)) return 1;
    std::printf("wrote %s (%dx%d) from %s\n", out, width, height, MUR_TwainGetSourceName(0));
    return 0;
}

bool write_held_picture(const char* out, int32_t& width, int32_t& height)
{
    width = MUR_GetNewRGBAWidth(), height = MUR_GetNewRGBAHeight();
    std::vector<uint8_t> pixels(std::size_t(width) * std::size_t(height) * 4);
    MUR_GetNewRGBA32(pixels.data());
    MUR_DeleteNewRGBA();
    std::string error;
    if (!write_png(out, pixels.data(), width, height, 4, error)) {
        std::fprintf(stderr, "could not write %s: %s\n", out, error.c_str());
        return false;
    }
    return true;
}

}  // namespace mur_tool

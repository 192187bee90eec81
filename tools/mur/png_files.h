// PNG files for the command-line host, through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mur_tool {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // rows of width * 4 bytes
};

// Reads any PNG as 8-bit RGBA; false with a reason in `error` on failure.
bool read_png(const std::string& path, Picture& picture, std::string& error);

// Writes 8-bit RGBA (rows of width * 4 bytes) or RGB (rows of width * 3).
bool write_png(const std::string& path, const uint8_t* pixels, int width, int height, int channels, std::string& error);

}  // namespace mur_tool

// Independent readers of the files the engine writes, run as programs:
// ImageMagick's identify and compare, and Pillow. A test that needs one
// skips when it is not installed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mur::test {

bool have_imagemagick();
bool have_pillow();
// Whether a program (ffprobe, pdfinfo, ...) is on the PATH.
bool have_program(const std::string& name);

// The standard output of a shell command ("" when it cannot be run);
// `succeeded` says whether it exited with 0.
std::string command_output(const std::string& command, bool* succeeded = nullptr);
// A path quoted for the shell.
std::string shell_quoted(const std::filesystem::path& path);

// What `identify -format FORMAT path` prints ("" when it fails).
std::string identify(const std::filesystem::path& file, const std::string& format);

// The number of pixels that differ between two files by ImageMagick's
// compare (-metric AE); -1 when it cannot compare them.
long compare_pixels(const std::filesystem::path& a, const std::filesystem::path& b, bool autoOrient = false);

// Pillow's view of a file: "FORMAT WIDTHxHEIGHT MODE" and the pixels
// converted to `mode` ("RGB" or "RGBA").
struct PillowPicture {
    std::string summary;
    std::vector<uint8_t> pixels;
};
PillowPicture pillow_read(const std::filesystem::path& file, const std::string& mode);

// A picture as a netpbm file (PPM for 3 channels, PAM with alpha for 4): the
// reference the other readers compare with.
void write_netpbm(const std::filesystem::path& file, const uint8_t* pixels, int width, int height, int channels);

// A fresh folder under the system's temporary folder, removed by the destructor.
struct ScratchDir {
    std::filesystem::path path;
    ScratchDir();
    ~ScratchDir();
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    std::vector<std::string> names() const;
};

}  // namespace mur::test

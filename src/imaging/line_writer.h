// Writing picture files one row at a time, so that a picture made row by row
// (the composited page) is never held whole.
//
// A writer takes rows in the file's own order (`rows_bottom_up` says which):
// RGB24 rows (settings.channels 3) or RGBA32 rows (4), width pixels each,
// and needs exactly `height` of them. The file appears under its name only
// when `finish_lines` completes it; an abandoned or failed writer leaves no
// file and the former file, if any, untouched.
#pragma once

#include "imaging/image_view.h"
#include "imaging/replacing_file.h"

#include <cstdint>

namespace mur::imaging {

enum class LineFormat {
    Bmp,   // 24-bit, pixels per metre
    Png,   // 8-bit RGB (colour type 2) or RGBA (6), pixels per metre
    Jpeg,  // 24-bit, no chroma subsampling, dots per inch
    Tga,   // 32-bit, rows top-down
    Tiff,  // 8-bit RGB or RGBA (unassociated alpha), Deflate, dots per inch
    Pcx,   // 24-bit: three planes a row, run-length coded, dots per inch
    Emf,   // enhanced metafile: one 24-bit StretchDIBits record
};

inline constexpr int32_t kDefaultPngLevel = 6;

struct LineSettings {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 3;      // 3: RGB24 rows, 4: RGBA32 rows
    int32_t dpi = 0;           // resolution to record; 0 or less records none
    int32_t quality = 97;      // JPEG quality 1..100
    int32_t pngLevel = kDefaultPngLevel;
};

struct LineWriter {
    LineFormat format = LineFormat::Bmp;
    LineSettings settings;
    ReplacingFile file;
    void* codec = nullptr;     // the format's own state, engine heap
    uint8_t* scratch = nullptr;
    int32_t rowsWritten = 0;
    bool failed = false;
};

// True for the formats whose first row in the file is the picture's bottom row.
bool rows_bottom_up(LineFormat format) noexcept;

// Whether the format takes rows of that many channels.
bool takes_channels(LineFormat format, int32_t channels) noexcept;

// Pixels per metre for a resolution in dots per inch: truncate(dpi * 39.3700787).
int32_t pixels_per_metre(int32_t dpi) noexcept;

bool begin_lines(LineWriter& writer, const char* path, LineFormat format, const LineSettings& settings) noexcept;
bool write_line(LineWriter& writer, const uint8_t* row) noexcept;
// Completes the file; false (and nothing left) unless every row was written.
bool finish_lines(LineWriter& writer) noexcept;
void abandon_lines(LineWriter& writer) noexcept;

// A whole picture through a line writer: `image` has settings.channels
// bytes a pixel; width and height come from it.
bool write_picture_lines(const char* path, LineFormat format, const ConstImageView& image,
                         LineSettings settings) noexcept;

}  // namespace mur::imaging

// PDF documents of pictures (libharu): one page a picture, in order. Each
// page shows the picture at full resolution at 96 dpi (a pixel is 0.75 pt)
// inside a border of 20 pixels of light gray (196, 196, 196), so a w x h
// picture makes a page of (w + 40) x 0.75 by (h + 40) x 0.75 pt. A baseline
// RGB or gray JPEG file is embedded as it is; every other picture is decoded
// (transparent parts over white) and stored Flate-compressed.
#pragma once

#include <cstdint>

namespace mur::imaging {

// The largest picture side a page holds (a PDF page side is at most 14400 pt).
inline constexpr int32_t kMaxPdfPictureSide = 14400 * 4 / 3 - 40;

struct PdfOptions {
    // Opens in full-screen mode, every page with a transition and a time.
    bool slideShow = false;
    int32_t transition = 9;       // the library's transition style, 0..16
    int32_t transitionSeconds = 1;
    int32_t displaySeconds = 4;
};

// Writes the document of the pictures in `paths` (`count` of them) to
// `pdfPath`. A picture that cannot be read or is too large makes no page;
// `paged[i]` (when given) says which made one. Returns the number of pages;
// no file is written (and an existing one kept) when there are none or the
// document cannot be written, and then 0. Messages of the library go to
// `messages` (a text of at most `messageBytes` - 1 bytes).
int32_t write_pdf_document(const char* pdfPath, const char* const* paths, int32_t count, const PdfOptions& options,
                           bool* paged, char* messages, int32_t messageBytes) noexcept;

}  // namespace mur::imaging

// The recorders of animation export: at most one AVI and one animated GIF
// open at a time, each bound to the image size at its creation, and the
// list of pictures the next PDF document is made of.
#pragma once

#include <cstdint>

namespace mur {

namespace imaging {
struct AviWriter;
struct JpegFrameEncoder;
struct GifAnimation;
}  // namespace imaging

// The AVI recorder, present while `aviFile` is open. Its stream is made on
// the first frame, when the compression is chosen.
struct AviRecorder {
    imaging::AviWriter* aviFile = nullptr;        // engine heap; null: no recorder
    imaging::JpegFrameEncoder* jpeg = nullptr;    // the Motion JPEG compressor, when chosen
    int32_t framePeriod = 0;                      // milliseconds a frame
    bool streamMade = false;                      // the compression was chosen
    int32_t frameIndex = 0;                       // frames written
    bool aviFailed = false;                       // a stream error or a cancelled choice: no more frames
    int32_t aviWidth = 0;
    int32_t aviHeight = 0;
};

struct GifRecorder {
    imaging::GifAnimation* gif = nullptr;  // engine heap; null: no recorder
    int32_t width = 0;
    int32_t height = 0;
    int32_t delay = 0;                     // hundredths of a second a frame
    uint8_t palette[1024] = {};            // 256 entries of R, G, B and an unused byte
};

// The pictures of the next PDF document, in order: paths on the engine heap.
inline constexpr int32_t kMaxPdfImages = 4096;
struct PdfImageList {
    char** paths = nullptr;  // engine heap, kMaxPdfImages entries when allocated
    int32_t count = 0;
};

struct ExportState {
    AviRecorder avi;
    GifRecorder gif;
    PdfImageList pdf;
};

// The recorders outlive the image, like the holding buffer; they sit beside
// the engine state, which every module includes, since only the export
// module and its tests use them.
extern ExportState exporting;

}  // namespace mur

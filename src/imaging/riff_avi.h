// AVI files of one video stream, written frame by frame as the frames come:
// a RIFF 'AVI ' form with the header list ('hdrl': the main header 'avih',
// one stream list with its header 'strh' and its format 'strf', a
// BITMAPINFOHEADER), the frame list ('movi': one '00db' chunk a frame of
// uncompressed 24-bit rows, bottom-up, each padded to 4 bytes, or one '00dc'
// chunk a frame of Motion JPEG) and the index ('idx1', every frame a key
// frame). The sizes the header gives are written when the file is finished.
//
// The file is written under a temporary name beside the destination and
// takes its name when finished; a recording that stops on a write error or
// at the size bound still finishes as a valid file of the frames before.
#pragma once

#include "imaging/image_view.h"
#include "imaging/replacing_file.h"

#include <cstddef>
#include <cstdint>

namespace mur::imaging {

// The RIFF sizes are 32-bit: the whole file stays within 4 GiB - 1.
inline constexpr uint64_t kMaxRiffFileBytes = 0xFFFFFFFFull;
// Frame sides the stream header's 16-bit frame rectangle can hold.
inline constexpr int32_t kMaxAviSide = 32767;

enum class AviCodec { Dib, MotionJpeg };

struct AviIndexEntry {
    uint32_t offset;  // of the chunk, from the 'movi' list type on
    uint32_t size;    // of the chunk's data
};

struct AviWriter {
    ReplacingFile file;
    int32_t width = 0;
    int32_t height = 0;
    int32_t framePeriod = 0;            // milliseconds a frame
    AviCodec codec = AviCodec::Dib;
    uint64_t fileBytes = 0;             // written so far
    uint64_t maxFileBytes = kMaxRiffFileBytes;
    AviIndexEntry* index = nullptr;     // engine heap, one entry a frame
    uint32_t frames = 0;
    uint32_t indexCapacity = 0;
    uint32_t largestFrame = 0;          // bytes of the largest chunk's data
    uint8_t* rows = nullptr;            // the block uncompressed rows are converted in
    std::size_t rowsBytes = 0;
    bool failed = false;                // a write failed or the size bound was reached
};

// Bytes of one uncompressed frame: rows of width x 3 bytes padded to 4.
uint64_t avi_dib_frame_bytes(int32_t width, int32_t height) noexcept;

// Starts the file, uncompressed unless `avi_choose_codec` says otherwise;
// false (nothing left) when the size or period is out of range or the file
// cannot be created.
bool avi_open(AviWriter& writer, const char* path, int32_t width, int32_t height, int32_t framePeriod) noexcept;

// The stream's compression, chosen before its first frame; false after it.
bool avi_choose_codec(AviWriter& writer, AviCodec codec) noexcept;

// Appends a frame of `image` (RGB24 or RGBA32, top row first, the writer's
// size) as bottom-up B, G, R rows; false when it is not written (the
// writer is then failed, or was before).
bool avi_write_dib_frame(AviWriter& writer, const ConstImageView& image) noexcept;

// Appends an already compressed frame (a JPEG) of `size` bytes.
bool avi_write_compressed_frame(AviWriter& writer, const uint8_t* data, std::size_t size) noexcept;

// Writes the index and the final header sizes and gives the file its name;
// false when the file could not be finished (nothing is left then). The
// writer is empty afterwards either way.
bool avi_close(AviWriter& writer) noexcept;

// Removes the unfinished file.
void avi_abandon(AviWriter& writer) noexcept;

}  // namespace mur::imaging

// A reader of AVI files written for the tests, independent of the writer:
// it walks the RIFF tree, checks that every chunk lies within its parent and
// that the sizes add up, and returns the headers, the frame chunks and the
// index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mur::test {

struct AviChunk {
    std::string id;
    uint32_t offset = 0;  // of the chunk header, from the 'movi' list type on
    std::vector<uint8_t> data;
};

struct AviIndexRow {
    std::string id;
    uint32_t flags = 0, offset = 0, size = 0;
};

struct ParsedAvi {
    std::string error;  // empty when the file is sound
    // avih
    uint32_t microSecPerFrame = 0, maxBytesPerSec = 0, flags = 0, totalFrames = 0, streams = 0, suggestedBuffer = 0,
             width = 0, height = 0;
    // strh
    std::string type, handler;
    uint32_t scale = 0, rate = 0, length = 0, streamBuffer = 0;
    int16_t frame[4] = {};
    // strf: BITMAPINFOHEADER
    uint32_t infoSize = 0, bitCount = 0, sizeImage = 0;
    int32_t infoWidth = 0, infoHeight = 0;
    std::string compression;  // "" for BI_RGB
    std::vector<AviChunk> frames;
    std::vector<AviIndexRow> index;
    bool hasIndex = false;
};

ParsedAvi parse_avi(const std::vector<uint8_t>& file);
ParsedAvi parse_avi_file(const std::string& path);

// The RGB24 picture (top row first) of an uncompressed 24-bit frame.
std::vector<uint8_t> dib_frame_to_rgb(const std::vector<uint8_t>& data, int width, int height);

}  // namespace mur::test

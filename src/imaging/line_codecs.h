// The formats behind the line writer: each supplies a begin, a row and a
// finish step and a release of its state (called on every path).
#pragma once

#include "imaging/line_writer.h"

namespace mur::imaging {

struct LineCodec {
    LineFormat format;
    bool bottomUp;
    bool takesRgb;
    bool takesRgba;
    bool (*begin)(LineWriter&);
    bool (*line)(LineWriter&, const uint8_t* row);
    bool (*finish)(LineWriter&);
    void (*release)(LineWriter&);
};

extern const LineCodec kBmpLines;
extern const LineCodec kPngLines;
extern const LineCodec kJpegLines;
extern const LineCodec kTgaLines;
extern const LineCodec kTiffLines;
extern const LineCodec kPcxLines;
extern const LineCodec kEmfLines;

// Little-endian field writers for the headers of the formats of our own.
inline void put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void put32(uint8_t* p, uint32_t v) { put16(p, v & 0xFFFF); put16(p + 2, v >> 16); }

bool write_bytes(LineWriter& writer, const void* data, std::size_t size) noexcept;

}  // namespace mur::imaging

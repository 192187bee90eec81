// The run-length line codes by which hosts store layer and mask rows.
//
// RGBA32 line code: records of 5 bytes, a run length 1..255 then the R, G,
// B, A high bytes. G8 line code: records of 2 bytes, a run length then the
// value's high byte. Neighbouring samples share a run when their high bytes
// are equal; a run closes at 255. Decoding widens each byte by a shift of 8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur::rle {

// Encoders return the bytes written: 5 (or 2) per record; at most 5 (2) per
// sample.
std::size_t encode_rgba64_line(const uint16_t* src, std::size_t pixels, uint8_t* dst) noexcept;
std::size_t encode_g16_line(const uint16_t* src, std::size_t samples, uint8_t* dst) noexcept;

// Decoders write at most `pixels` (`samples`) and read at most as many
// records, so no stream can make them pass the line; a run that would
// overrun is shortened, a run of 0 writes nothing. Return the bytes read.
std::size_t decode_rgba32_line(const uint8_t* src, uint16_t* dst, std::size_t pixels) noexcept;
std::size_t decode_g8_line(const uint8_t* src, uint16_t* dst, std::size_t samples) noexcept;

}  // namespace mur::rle

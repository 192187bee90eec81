// Text on arbitrary bytes: the first byte picks smooth or plain glyphs and a
// size, the next two a position (signed); the rest is the text, as UTF-8 or
// Latin-1. Drawing must never fault or write outside the picture, and plain
// glyphs leave each pixel as it was or in the colour exactly.
#include "engine/memory.h"
#include "imaging/text_render.h"
#include "platform/fonts.h"

#include <sanitizer/lsan_interface.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int32_t kW = 64, kH = 32;

const char* font_file()
{
    static const std::string file = [] {
        // fontconfig keeps a few blocks of its first match that no pointer
        // reaches (its own leak, see scripts/lsan.supp).
        const __lsan::ScopedDisabler fontconfigKeepsBlocks;
        mur::platform::FontRecord record;
        mur::platform::resolve_font_file(record);
        return std::string(record.file);
    }();
    return file.c_str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3 || !*font_file()) return 0;
    const bool smooth = data[0] & 1;
    const int32_t px = 4 + (data[0] >> 1) % 40;
    const int32_t x = static_cast<int8_t>(data[1]), y = static_cast<int8_t>(data[2]);
    const std::string text(reinterpret_cast<const char*>(data) + 3, size - 3);  // stops at a 0 byte when drawn

    // The picture sits between guard rows that nothing may touch.
    std::vector<uint8_t> buffer(std::size_t(kW) * (kH + 2) * 4, 0x5A);
    uint8_t* picture = buffer.data() + kW * 4;
    std::memset(picture, 0, std::size_t(kW) * kH * 4);
    const mur::imaging::ImageView view = mur::imaging::rgba32_view(picture, kW, kH, kW * 4);
    const mur::imaging::TextFont font{font_file(), 0, px, smooth};
    const mur::imaging::Rgba8 colour{10, 20, 30, 255};
    if (!mur::imaging::draw_text(view, font, x, y, text.c_str(), colour)) __builtin_trap();
    mur::imaging::TextExtent extent;
    if (!mur::imaging::measure_text(font, text.c_str(), extent) || extent.width < 0 || extent.height <= 0) __builtin_trap();
    for (int32_t i = 0; i < kW * 4; ++i)
        if (buffer[i] != 0x5A || buffer[std::size_t(kW) * (kH + 1) * 4 + i] != 0x5A) __builtin_trap();
    if (!smooth)
        for (int32_t i = 0; i < kW * kH; ++i) {
            const uint8_t* p = picture + i * 4;
            const bool untouched = !p[0] && !p[1] && !p[2] && !p[3];
            if (!untouched && (p[0] != 10 || p[1] != 20 || p[2] != 30 || p[3] != 255)) __builtin_trap();
        }
    return 0;
}

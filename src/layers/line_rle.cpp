#include "layers/line_rle.h"

#include "engine/guard.h"
#include "engine/state.h"
#include "layers/layer_access.h"
#include "layers/pixel_formats.h"

#include <algorithm>
#include <cstring>

namespace mur::rle {
namespace {

// Runs of equal keys over `count` samples; `emit(run, sample)` writes a record.
template <class Key, class Emit>
void runs(std::size_t count, Key key, Emit emit)
{
    if (count == 0) return;
    std::size_t start = 0;
    auto current = key(0);
    uint32_t run = 1;
    for (std::size_t i = 1; i < count; ++i) {
        const auto k = key(i);
        if (k == current && run < 255) {
            ++run;
            continue;
        }
        emit(run, start);
        start = i;
        current = k;
        run = 1;
    }
    emit(run, start);
}

// The four high bytes of an RGBA64 pixel as one key.
inline uint32_t high_bytes(const uint16_t* p) noexcept
{
    return uint32_t(p[0] >> 8) | uint32_t(p[1] >> 8) << 8 | uint32_t(p[2] >> 8) << 16 | uint32_t(p[3] >> 8) << 24;
}

}  // namespace

std::size_t encode_rgba64_line(const uint16_t* src, std::size_t pixels, uint8_t* dst) noexcept
{
    uint8_t* out = dst;
    runs(pixels, [src](std::size_t i) { return high_bytes(src + i * 4); },
         [&out, src](uint32_t run, std::size_t i) {
             const uint16_t* p = src + i * 4;
             out[0] = static_cast<uint8_t>(run);
             out[1] = px::narrow(p[0]);
             out[2] = px::narrow(p[1]);
             out[3] = px::narrow(p[2]);
             out[4] = px::narrow(p[3]);
             out += 5;
         });
    return static_cast<std::size_t>(out - dst);
}

std::size_t encode_g16_line(const uint16_t* src, std::size_t samples, uint8_t* dst) noexcept
{
    uint8_t* out = dst;
    runs(samples, [src](std::size_t i) { return src[i] >> 8; },
         [&out, src](uint32_t run, std::size_t i) {
             out[0] = static_cast<uint8_t>(run);
             out[1] = px::narrow(src[i]);
             out += 2;
         });
    return static_cast<std::size_t>(out - dst);
}

std::size_t decode_rgba32_line(const uint8_t* src, uint16_t* dst, std::size_t pixels) noexcept
{
    std::size_t written = 0, records = 0;
    const uint8_t* in = src;
    while (written < pixels && records < pixels) {
        const std::size_t run = std::min<std::size_t>(in[0], pixels - written);
        const uint16_t value[4] = {px::widen(in[1]), px::widen(in[2]), px::widen(in[3]), px::widen(in[4])};
        for (std::size_t k = 0; k < run; ++k, ++written) std::memcpy(dst + written * 4, value, sizeof value);
        in += 5;
        ++records;
    }
    return static_cast<std::size_t>(in - src);
}

std::size_t decode_g8_line(const uint8_t* src, uint16_t* dst, std::size_t samples) noexcept
{
    std::size_t written = 0, records = 0;
    const uint8_t* in = src;
    while (written < samples && records < samples) {
        const std::size_t run = std::min<std::size_t>(in[0], samples - written);
        std::fill_n(dst + written, run, px::widen(in[1]));
        written += run;
        in += 2;
        ++records;
    }
    return static_cast<std::size_t>(in - src);
}

}  // namespace mur::rle

using namespace mur;

namespace {

// Row `row` of a layer, when it lies inside both the image and the layer.
uint16_t* layer_line(const LayerRecord* layer, int32_t row) noexcept
{
    if (!layer || row < 0 || row >= engine.height || row >= layer->height) return nullptr;
    return px::layer_row(*layer, row);
}

std::size_t line_pixels(const LayerRecord& layer) noexcept
{
    return static_cast<std::size_t>(std::max(0, std::min(engine.width, layer.width)));
}

uint16_t* mask_line(int32_t row) noexcept
{
    if (!engine.mask.plane || row < 0 || row >= engine.height) return nullptr;
    return engine.mask.plane + std::size_t(row) * engine.width;
}

}  // namespace

extern "C" {

MUR_API int32_t MUR_GetRGBA32LayerLineRLE(uint8_t* dst, int32_t layer, int32_t row)
{
    return mur::guard<int32_t>("GetRGBA32LayerLineRLE", 0, [&]() -> int32_t {
        const LayerRecord* source = live_layer(layer);
        const uint16_t* line = layer_line(source, row);
        if (!line || !dst) return 0;
        return static_cast<int32_t>(rle::encode_rgba64_line(line, line_pixels(*source), dst));
    });
}

MUR_API void MUR_PutRGBA32LayerLineRLE(const uint8_t* src, int32_t layer, int32_t row)
{
    mur::guard("PutRGBA32LayerLineRLE", [&] {
        const LayerRecord* target = live_layer(layer);
        uint16_t* line = layer_line(target, row);
        if (line && src) rle::decode_rgba32_line(src, line, line_pixels(*target));
    });
}

MUR_API int32_t MUR_GetMaskLineRLE(uint8_t* dst, int32_t row)
{
    return mur::guard<int32_t>("GetMaskLineRLE", 0, [&]() -> int32_t {
        const uint16_t* line = mask_line(row);
        if (!line || !dst) return 0;
        return static_cast<int32_t>(rle::encode_g16_line(line, static_cast<std::size_t>(engine.width), dst));
    });
}

MUR_API void MUR_PutMaskLineRLE(const uint8_t* src, int32_t row)
{
    mur::guard("PutMaskLineRLE", [&] {
        uint16_t* line = mask_line(row);
        if (line && src) rle::decode_g8_line(src, line, static_cast<std::size_t>(engine.width));
    });
}

MUR_API int32_t MUR_RLECompressRGBA64ToRGBA32(const uint16_t* src, uint8_t* dst, int32_t pixels)
{
    return mur::guard<int32_t>("RLECompressRGBA64ToRGBA32", 0, [&]() -> int32_t {
        if (!src || !dst || pixels <= 0) return 0;
        return static_cast<int32_t>(rle::encode_rgba64_line(src, static_cast<std::size_t>(pixels), dst));
    });
}

MUR_API void MUR_RLEUncompressRGBA32ToRGBA64(const uint8_t* src, uint16_t* dst, int32_t pixels)
{
    mur::guard("RLEUncompressRGBA32ToRGBA64", [&] {
        if (src && dst && pixels > 0) rle::decode_rgba32_line(src, dst, static_cast<std::size_t>(pixels));
    });
}

MUR_API int32_t MUR_RLECompressG16ToG8(const uint16_t* src, uint8_t* dst, int32_t samples)
{
    return mur::guard<int32_t>("RLECompressG16ToG8", 0, [&]() -> int32_t {
        if (!src || !dst || samples <= 0) return 0;
        return static_cast<int32_t>(rle::encode_g16_line(src, static_cast<std::size_t>(samples), dst));
    });
}

MUR_API void MUR_RLEUncompressG8ToG16(const uint8_t* src, uint16_t* dst, int32_t samples)
{
    mur::guard("RLEUncompressG8ToG16", [&] {
        if (src && dst && samples > 0) rle::decode_g8_line(src, dst, static_cast<std::size_t>(samples));
    });
}

}  // extern "C"

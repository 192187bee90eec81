// The mask's flags, display options and whole-plane transfers.
#include "mask/mask.h"
#include "engine/guard.h"
#include "engine/state.h"
#include "imaging/rect_clip.h"
#include "mask/mask_rules.h"

#include <algorithm>
#include <cstring>

namespace mur {
namespace {

uint16_t* plane() noexcept { return engine.mask.plane; }

// Rows and columns of a host picture that lie inside the image.
int32_t rows_inside(int32_t h) noexcept { return std::clamp(h, 0, engine.height); }
int32_t cols_inside(int32_t w) noexcept { return std::clamp(w, 0, engine.width); }

}  // namespace
void mask::save_mask(uint8_t* dst, int32_t stride)
{
    const uint16_t* m = plane();
    const imaging::CallerRows<uint8_t> to = imaging::caller_rows(dst, stride);
    if (!to.usable() || !m) return;
    for (int32_t y = 0; y < engine.height; ++y) {
        uint8_t* d = to.at(y);
        for (int32_t x = 0; x < engine.width; ++x, d += 3)
            d[0] = d[1] = d[2] = static_cast<uint8_t>(255 - (m[std::size_t(y) * engine.width + x] >> 8));
    }
}

void mask::load_mask(const uint8_t* src, int32_t stride, int32_t w, int32_t h)
{
    uint16_t* m = plane();
    const imaging::CallerRows<const uint8_t> from = imaging::caller_rows(src, stride);
    if (!from.usable() || !m) return;
    const int32_t rows = rows_inside(h), cols = cols_inside(w);
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* s = from.at(y);
        for (int32_t x = 0; x < cols; ++x, s += 3) {
            const uint32_t v = ((uint32_t{s[0]} + s[1] + s[2]) / 3) << 8;
            m[std::size_t(y) * engine.width + x] = static_cast<uint16_t>(v < 255 ? 65535 : 65280 - v);
        }
    }
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_EnableMask(int32_t flag)
{
    return mur::guard<int32_t>("EnableMask", 0, [&]() -> int32_t {
        engine.mask.enabled = static_cast<uint8_t>(flag);
        return engine.mask.enabled;
    });
}

MUR_API int32_t MUR_DisplayMask(int32_t flag)
{
    return mur::guard<int32_t>("DisplayMask", 0, [&]() -> int32_t {
        engine.mask.display = static_cast<uint8_t>(flag);
        return engine.mask.display;
    });
}

MUR_API void MUR_SetMaskMakerOn(void) { mur::guard("SetMaskMakerOn", [&] { engine.tool.maskMaker = 1; }); }
MUR_API void MUR_SetEraseModeOn(void) { mur::guard("SetEraseModeOn", [&] { engine.tool.eraseMode = 1; }); }

MUR_API void MUR_SetMaskOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t full)
{
    mur::guard("SetMaskOptions", [&] {
        const int32_t first[3] = {r1, g1, b1}, second[3] = {r2, g2, b2};
        for (int i = 0; i < 3; ++i) {
            engine.mask.tint1[i] = static_cast<int32_t>(static_cast<uint32_t>(first[i] & 0xFFFFFF) << 8);
            engine.mask.tint2[i] = static_cast<int32_t>(static_cast<uint32_t>(second[i] & 0xFFFFFF) << 8);
        }
        engine.mask.tintFull = full;
    });
}

MUR_API void MUR_InvertMask(void)
{
    mur::guard("InvertMask", [&] {
        if (uint16_t* m = plane())
            for (std::size_t i = 0; i < image_pixels(); ++i) m[i] = static_cast<uint16_t>(65535 - m[i]);
    });
}

MUR_API void MUR_ClearMask(int32_t r, int32_t g, int32_t b)
{
    mur::guard("ClearMask", [&] {
        uint16_t* m = plane();
        if (!m) return;
        const uint32_t gray = (uint32_t(r & 0xFFFF) + uint32_t(g & 0xFFFF) + uint32_t(b & 0xFFFF)) / 3;
        std::fill_n(m, image_pixels(), mask::from_gray(gray));
    });
}

MUR_API void MUR_GetMaskData16(uint16_t* dst)
{
    mur::guard("GetMaskData16", [&] { if (dst && plane()) std::memcpy(dst, plane(), image_pixels() * 2); });
}

MUR_API void MUR_SetMaskData16(const uint16_t* src)
{
    mur::guard("SetMaskData16", [&] { if (src && plane()) std::memcpy(plane(), src, image_pixels() * 2); });
}

MUR_API int32_t MUR_GetMask64(int32_t x, int32_t y)
{
    return mur::guard<int32_t>("GetMask64", 0, [&]() -> int32_t {
        const LayerRecord* current = engine.layers.currentRecord;
        if (!current || !current->pixels || !engine.mask.enabled || !plane()) return 0;
        if (x < 0 || y < 0 || x >= engine.width || y >= engine.height) return 0;
        return 65535 - plane()[std::size_t(y) * engine.width + x];
    });
}

MUR_API void MUR_SaveMask(uint8_t* dst, int32_t stride)
{
    mur::guard("SaveMask", [&] { mask::save_mask(dst, stride); });
}

MUR_API void MUR_LoadMask(const uint8_t* src, int32_t stride, int32_t w, int32_t h)
{
    mur::guard("LoadMask", [&] { mask::load_mask(src, stride, w, h); });
}

}  // extern "C"

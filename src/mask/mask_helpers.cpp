// Combining the mask with a gray picture, and applying the mask and picture
// channels to host RGBA32 and RGB24 images.
#include "engine/fixed_point.h"
#include "engine/guard.h"
#include "engine/saturate.h"
#include "engine/state.h"
#include "imaging/rect_clip.h"
#include "mask/mask.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace mur {
namespace {

// "Add" adds masking (lowers the mask values), "Subtract" takes masking away.
enum class Combine { MaskMore, MaskLess, Replace };

Combine combine_operation(const char* name) noexcept
{
    if (name && std::strcmp(name, "Subtract") == 0) return Combine::MaskLess;
    if (name && std::strcmp(name, "Replace") == 0) return Combine::Replace;
    return Combine::MaskMore;
}

// Scales an alpha byte by the mask's high byte h: 0 clears, 255 keeps.
inline uint8_t masked_alpha(uint8_t a, uint32_t h) noexcept
{
    if (h == 0) return 0;
    if (h == 255) return a;
    return static_cast<uint8_t>((a * (h + 1)) >> 8);
}

}  // namespace

void mask::apply_mask_to_alpha(uint8_t* image, int32_t stride, int32_t x0, int32_t y0, int32_t x1, int32_t y1) noexcept
{
    const uint16_t* m = engine.mask.plane;
    const imaging::CallerRows<uint8_t> to = imaging::caller_rows(image, stride);
    if (!to.usable() || !m) return;
    // The rectangle is inclusive and its first pixel is the buffer's first;
    // only the part inside the image has a mask.
    const imaging::ClippedRect area = imaging::clip_rect(x0, y0, int64_t{x1} - x0 + 1, int64_t{y1} - y0 + 1,
                                                         engine.width, engine.height);
    for (int64_t y = area.rows.begin; y < area.rows.end; ++y) {
        uint8_t* p = to.at(y - y0, (area.cols.begin - x0) * 4);
        for (int64_t x = area.cols.begin; x < area.cols.end; ++x, p += 4)
            p[3] = masked_alpha(p[3], m[std::size_t(y) * engine.width + x] >> 8);
    }
}

void mask::combine_mask(const uint8_t* image, int32_t stride, int32_t blackOnly, int32_t level, const char* name)
{
    uint16_t* m = engine.mask.plane;
    const imaging::CallerRows<const uint8_t> from = imaging::caller_rows(image, stride);
    if (!from.usable() || !m) return;
    const Combine operation = combine_operation(name);
    for (int32_t y = 0; y < engine.height; ++y) {
        const uint8_t* s = from.at(y);
        for (int32_t x = 0; x < engine.width; ++x, s += 3) {
            uint32_t v = (uint32_t{s[0]} + s[1] + s[2]) / 3;
            if (blackOnly == 1) v = v == 0 ? static_cast<uint32_t>(level & 0xFF) : 0;
            if (v == 0) continue;
            const uint32_t amount = v << 8;
            uint16_t& mv = m[std::size_t(y) * engine.width + x];
            switch (operation) {
            case Combine::MaskMore: mv = static_cast<uint16_t>(mv < amount ? 0 : mv - amount); break;
            case Combine::MaskLess: mv = static_cast<uint16_t>(std::min<uint32_t>(mv + amount, 65535)); break;
            case Combine::Replace: mv = static_cast<uint16_t>(65280 - amount); break;
            }
        }
    }
}

void mask::replace_from_rgba_image_alpha_range(uint8_t* image, int32_t alpha, int32_t tolerance, int32_t r, int32_t g, int32_t b, int32_t a)
{
    if (!image) return;
    const int64_t t = fx::percent_of_256(tolerance);
    for (std::size_t i = 0; i < image_pixels(); ++i) {
        uint8_t* p = image + i * 4;
        if (std::abs(p[3] - int64_t{alpha}) > t) continue;
        p[0] = static_cast<uint8_t>(r);
        p[1] = static_cast<uint8_t>(g);
        p[2] = static_cast<uint8_t>(b);
        p[3] = static_cast<uint8_t>(a);
    }
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_CombineMask(const uint8_t* image, int32_t stride, int32_t blackOnly, int32_t level, const char* name)
{
    mur::guard("CombineMask", [&] { mask::combine_mask(image, stride, blackOnly, level, name); });
}

MUR_API void MUR_ApplyMaskToAlphaRect_RGBA32(uint8_t* image, int32_t stride, int32_t x0, int32_t y0, int32_t x1,
                                             int32_t y1)
{
    mur::guard("ApplyMaskToAlphaRect_RGBA32", [&] { mask::apply_mask_to_alpha(image, stride, x0, y0, x1, y1); });
}

MUR_API void MUR_ApplyMaskToAlpha_RGBA32(uint8_t* image)
{
    mur::guard("ApplyMaskToAlpha_RGBA32", [&] {
        mask::apply_mask_to_alpha(image, engine.width * 4, 0, 0, engine.width - 1, engine.height - 1);
    });
}

MUR_API void MUR_ReplaceFromRGBAImageAlphaRange(uint8_t* image, int32_t alpha, int32_t tolerance, int32_t r, int32_t g,
                                                int32_t b, int32_t a)
{
    mur::guard("ReplaceFromRGBAImageAlphaRange", [&] {
        mask::replace_from_rgba_image_alpha_range(image, alpha, tolerance, r, g, b, a);
    });
}

MUR_API void MUR_RGBAlphaToRGB(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src)
{
    mur::guard("RGBAlphaToRGB", [&] {
        if (!dst || !src || w <= 0 || h <= 0) return;
        for (std::size_t i = 0; i < std::size_t(w) * h; ++i) dst[i * 3] = dst[i * 3 + 1] = dst[i * 3 + 2] = src[i * 4 + 3];
    });
}

MUR_API void MUR_RGBToRGBAlpha(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src)
{
    mur::guard("RGBToRGBAlpha", [&] {
        if (!dst || !src || w <= 0 || h <= 0) return;
        for (std::size_t i = 0; i < std::size_t(w) * h; ++i)
            dst[i * 4 + 3] = static_cast<uint8_t>((src[i * 3] + src[i * 3 + 1] + src[i * 3 + 2]) / 3);
    });
}

MUR_API void MUR_RGBToRGBA(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src)
{
    mur::guard("RGBToRGBA", [&] {
        if (!dst || !src || w <= 0 || h <= 0) return;
        for (std::size_t i = 0; i < std::size_t(w) * h; ++i) std::memcpy(dst + i * 4, src + i * 3, 3);
    });
}

MUR_API void MUR_RGBAToRGB(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src)
{
    mur::guard("RGBAToRGB", [&] {
        if (!dst || !src || w <= 0 || h <= 0) return;
        for (std::size_t i = 0; i < std::size_t(w) * h; ++i) std::memcpy(dst + i * 3, src + i * 4, 3);
    });
}

}  // extern "C"

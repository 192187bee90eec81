// Transfers between the mask and the current layer.
#include "mask/mask.h"
#include "engine/guard.h"
#include "engine/state.h"
#include "layers/pixel_formats.h"
#include "mask/mask_rules.h"

#include <algorithm>

namespace mur {
namespace {

// Calls fn(pixel, mask value) for every pixel where the current layer and
// the image overlap.
template <class Fn>
void for_each_masked_pixel(Fn fn)
{
    LayerRecord* layer = engine.layers.currentRecord;
    uint16_t* m = engine.mask.plane;
    if (!layer || !layer->pixels || !m) return;
    const px::Overlap area = px::image_overlap(*layer);
    for (int32_t y = 0; y < area.height; ++y) {
        uint16_t* p = px::layer_row(*layer, y);
        uint16_t* mrow = m + std::size_t(y) * engine.width;
        for (int32_t x = 0; x < area.width; ++x, p += 4) fn(p, mrow[x]);
    }
}

}  // namespace
void mask::create_alpha_from_mask(int32_t kind)
{
    if (kind < 0 || kind > 2) return;
    for_each_masked_pixel([kind](uint16_t* p, uint16_t& m) {
        if (kind == 0)
            p[3] = m;
        else if (kind == 1)
            p[3] = static_cast<uint16_t>(std::min<uint32_t>(uint32_t{p[3]} + m, 65535));
        else
            p[3] = static_cast<uint16_t>(std::max<int32_t>(int32_t{p[3]} - m, 0));
    });
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_CreateImageFromMask(void)
{
    mur::guard("CreateImageFromMask", [&] {
        for_each_masked_pixel([](uint16_t* p, uint16_t& m) {
            p[0] = p[1] = p[2] = mask::to_gray(m);
            p[3] = 65535;
        });
    });
}

MUR_API void MUR_CreateAlphaFromMask(int32_t kind)
{
    mur::guard("CreateAlphaFromMask", [&] { mask::create_alpha_from_mask(kind); });
}

MUR_API void MUR_CreateMaskFromImage(void)
{
    mur::guard("CreateMaskFromImage", [&] {
        for_each_masked_pixel([](uint16_t* p, uint16_t& m) { m = mask::from_gray((uint32_t{p[0]} + p[1] + p[2]) / 3); });
    });
}

MUR_API void MUR_CreateMaskFromImageLuma(void)
{
    mur::guard("CreateMaskFromImageLuma", [&] {
        for_each_masked_pixel([](uint16_t* p, uint16_t& m) {
            const uint32_t y = (3 * uint32_t{p[0]} + 4 * uint32_t{p[1]} + p[2]) >> 3;
            m = mask::from_gray(y);
        });
    });
}

MUR_API void MUR_CreateMaskFromAlpha(void)
{
    mur::guard("CreateMaskFromAlpha", [&] {
        for_each_masked_pixel([](uint16_t* p, uint16_t& m) { m = p[3]; });
    });
}

}  // extern "C"

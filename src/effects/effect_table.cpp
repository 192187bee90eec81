// The effect table: every name the dispatcher knows, in dispatch order, with
// its framing, its handler, what it needs and its default dialog values.
// Further effects add their rows here.
#include "effects/effect_handlers.h"
#include "effects/effects.h"
#include "engine/guard.h"

#include "murcore.h"

#include <algorithm>
#include <cstring>

namespace mur::effects {
namespace {

constexpr EffectDefaults kMid{{500, 500, 500, 500, 500, 500}, 0, 0};
constexpr EffectDefaults kThresholdDefaults{{500, 1000, 500, 500, 500, 500}, 0, 0};
constexpr EffectDefaults kMaskHslDefaults{{100, 200, 200, 500, 500, 500}, 0, 0};
constexpr EffectDefaults kHueTurn{{650, 600, 500, 500, 500, 500}, 0, 0};
constexpr EffectDefaults kSmallRadius{{50, 500, 500, 500, 500, 500}, 0, 0};
constexpr EffectDefaults kValueBlurDefaults{{300, 300, 500, 500, 500, 500}, 0, 0};

constexpr EffectRecord native(const char* name, const char* nativeName, Framing framing,
                              EffectDefaults defaults = kMid)
{
    return {name, 9, framing, run_native, nativeName, kNeedsNothing, defaults};
}

constexpr EffectRecord kEffects[] = {
    // Route 2: the current layer in place.
    {"Adjust HSL", 2, Framing::InPlace, adjust_hsl, nullptr, kNeedsNothing, kHueTurn},
    {"Adjust HSV", 2, Framing::InPlace, adjust_hsv, nullptr, kNeedsNothing, kHueTurn},
    {"Threshold", 2, Framing::InPlace, threshold, nullptr, kNeedsNothing, kThresholdDefaults},
    {"Horizontal Flip", 2, Framing::InPlace, horizontal_flip, nullptr, kNeedsNothing, kMid},
    {"Vertical Flip", 2, Framing::InPlace, vertical_flip, nullptr, kNeedsNothing, kMid},
    // Route 3: 24-bit, alpha never written.
    {"Grayscale", 3, Framing::Rgb24, grayscale24, nullptr, kNeedsNothing, kMid},
    {"Negative", 3, Framing::Rgb24, negative, nullptr, kNeedsNothing, kMid},
    // Route 9: native filters; the blurs are premultiplied around the filter.
    native("Box Blur", "Box Blur", Framing::Premultiplied, kSmallRadius),
    native("Anti Alias", "Anti Alias", Framing::Premultiplied),
    native("Smart Blur", "Noise Reduction", Framing::Premultiplied),
    native("Adaptive Blur", "Adaptive Blur", Framing::Premultiplied),
    native("Detail Blur", "Detail Blur", Framing::Premultiplied, kSmallRadius),
    native("Value Blur", "Value Blur", Framing::Premultiplied, kValueBlurDefaults),
    native("Hyper Contrast", "Hyper Contrast", Framing::Direct),
    native("Adjust Lab", "Adjust Lab", Framing::Direct),
    native("Channel", "Channel", Framing::Direct),
    native("Fader", "Fader", Framing::Direct),
    native("Adjust RGBA", "Adjust RGBA", Framing::Direct),
    native("Basic Threshold", "Basic Threshold", Framing::Direct),
    native("Alpha Edge Color", "Alpha Edge Color", Framing::Direct),
    native("Line Art Cleaner", "Line Art Cleaner", Framing::Direct),
    native("Clamp", "Clamp", Framing::Direct),
    native("Noise Reduction", "Noise Reduction", Framing::Premultiplied),
    native("Noise Reduction RGB", "Noise Reduction RGB", Framing::Premultiplied),
    native("Bas Relief", "Bas Relief", Framing::Direct),
    native("Vignette", "Vignette", Framing::Direct),
    native("Borderize", "Borderize", Framing::Direct),
    native("Reflection", "Reflection", Framing::Direct),
    native("Mirror", "Mirror", Framing::Direct),
    native("Gallery Wrap Mirror Auto", "Gallery Wrap Mirror Auto", Framing::Direct),
    // Route 10: chains.
    {"Charcoal", 10, Framing::None, charcoal, nullptr, kNeedsNothing, kValueBlurDefaults},
    {"Photo Pop", 10, Framing::None, photo_pop, nullptr, kNeedsNothing, kMid},
    // Routes 11, 13, 14.
    {"Lua Filter", 11, Framing::None, run_lua, nullptr, kNeedsResource, kMid},
    {"Mask Generate HSL", 13, Framing::None, mask_generate_hsl, nullptr, kNeedsMask, kMaskHslDefaults},
    {"Mask Detail", 13, Framing::None, run_native_mask, "Mask Detail", kNeedsMask, kMid},
    {"Mask High Low", 13, Framing::None, run_native_mask, "Mask High Low", kNeedsMask, kMid},
    {"Distort by Scratch Layer", 14, Framing::None, distort_by_scratch_layer, nullptr, kNeedsScratchLayer, kMid},
};

}  // namespace

std::span<const EffectRecord> effect_table() noexcept { return kEffects; }

const EffectRecord* find_effect(const char* name) noexcept
{
    if (!name) return nullptr;
    for (const EffectRecord& record : kEffects)
        if (std::strcmp(name, record.name) == 0) return &record;
    return nullptr;
}

}  // namespace mur::effects

using namespace mur;

extern "C" {

MUR_API int32_t MUR_IPLEffectInfo(int32_t index, uint8_t* name, int32_t nameCapacity, int32_t* values)
{
    return guard("IPLEffectInfo", int32_t{0}, [&]() -> int32_t {
        const std::span<const effects::EffectRecord> table = effects::effect_table();
        if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return 0;
        const effects::EffectRecord& e = table[static_cast<std::size_t>(index)];
        if (name && nameCapacity > 0) {
            const std::size_t n = std::min(std::strlen(e.name), static_cast<std::size_t>(nameCapacity) - 1);
            std::memcpy(name, e.name, n);
            name[n] = '\0';
        }
        if (values) {
            for (int i = 0; i < 6; ++i) values[i] = e.defaults.sliders[i];
            values[6] = e.defaults.style1;
            values[7] = e.defaults.style2;
            values[8] = e.route;
            values[9] = e.needs;
        }
        return 1;
    });
}

}  // extern "C"

// Blend modes by id and by name. Ids 0..30 are the colour modes (also the
// MERGE_ constants of filter scripts), 32..53 the alpha and mask modes; no
// name gives 31.
#pragma once

#include <cstdint>
#include <string_view>

namespace mur {

enum BlendMode : int32_t {
    kModeNormal = 0,
    kModeMultiply = 1,
    kModeScreen = 2,
    kModeDarken = 3,
    kModeLighten = 4,
    kModeDifference = 5,
    kModeNegation = 6,
    kModeExclusion = 7,
    kModeAnd = 8,
    kModeOr = 9,
    kModeXor = 10,
    kModeOverlay = 11,
    kModeHardLight = 12,
    kModeSoftLight = 13,
    kModeDodge = 14,
    kModeBurn = 15,
    kModeReflect = 16,
    kModeGlow = 17,
    kModeAdd = 18,
    kModeSubtract = 19,
    kModeColor = 20,
    kModeHardColor = 21,
    kModeColorize = 22,
    kModeHslHue = 23,
    kModeHslSat = 24,
    kModeHslLum = 25,
    kModeHslColor = 26,
    kModeTexturize = 27,
    kModeTexturize2 = 28,
    kModeTexturize3 = 29,  // the texture source layer
    kModeSilhouette = 30,
    kModeAlphaNormal = 32,
    kModeAlphaFilter = 33,
    kModeAlphaBlackOutline = 34,
    kModeAlphaOutlineTint1 = 35,
    kModeAlphaOutlineTint2 = 36,
    kModeAlphaInvert = 37,
    kModeAlphaShader = 38,
    kModeAlphaShaderColor = 39,
    kModeAlphaShaderTexture2 = 40,
    kModeAlphaHighlightTexture2 = 41,
    kModeAlphaSmooth = 42,
    kModeAlphaSmooth2 = 43,
    kModeAlphaSmoothLum = 44,
    kModeAlphaSmoothLum2 = 45,
    kModeAlphaSmoothLum3 = 46,
    kModeAlphaSmoothLum4 = 47,
    kModeAlphaSmoothLum5 = 48,
    kModeAlphaOverlayOutline = 49,
    kModeAlphaHighlight = 50,
    kModeLayerMask = 51,
    kModeLuminanceAlpha = 52,
    kModeLuminanceAlphaInvert = 53,
};

inline constexpr int32_t kFirstAlphaMode = 32;
inline constexpr int32_t kBlendModeCount = 54;  // ids 0..53, 31 unused

struct BlendModeInfo {
    int32_t id;
    std::string_view name;         // the name a host passes
    std::string_view luaConstant;  // the filter-script constant, colour modes only
};

inline constexpr BlendModeInfo kBlendModes[] = {
    {kModeNormal, "Normal", "MERGE_NORMAL"},
    {kModeMultiply, "Multiply", "MERGE_MULTIPLY"},
    {kModeScreen, "Screen", "MERGE_SCREEN"},
    {kModeDarken, "Darken", "MERGE_DARKEN"},
    {kModeLighten, "Lighten", "MERGE_LIGHTEN"},
    {kModeDifference, "Difference", "MERGE_DIFFERENCE"},
    {kModeNegation, "Negation", "MERGE_NEGATION"},
    {kModeExclusion, "Exclusion", "MERGE_EXCLUSION"},
    {kModeAnd, "AND", "MERGE_AND"},
    {kModeOr, "OR", "MERGE_OR"},
    {kModeXor, "XOR", "MERGE_XOR"},
    {kModeOverlay, "Overlay", "MERGE_OVERLAY"},
    {kModeHardLight, "Hard Light", "MERGE_HARD_LIGHT"},
    {kModeSoftLight, "Soft Light", "MERGE_SOFT_LIGHT"},
    {kModeDodge, "Dodge", "MERGE_DODGE"},
    {kModeBurn, "Burn", "MERGE_BURN"},
    {kModeReflect, "Reflect", "MERGE_REFLECT"},
    {kModeGlow, "Glow", "MERGE_GLOW"},
    {kModeAdd, "Add", "MERGE_ADD"},
    {kModeSubtract, "Subtract", "MERGE_SUBTRACT"},
    {kModeColor, "Color", "MERGE_COLOR"},
    {kModeHardColor, "Hard Color", "MERGE_HARD_COLOR"},
    {kModeColorize, "Colorize", "MERGE_COLORIZE"},
    {kModeHslHue, "HSL Hue", "MERGE_HSL_HUE"},
    {kModeHslSat, "HSL Sat", "MERGE_HSL_SAT"},
    {kModeHslLum, "HSL Lum", "MERGE_HSL_LUM"},
    {kModeHslColor, "HSL Color", "MERGE_HSL_COLOR"},
    {kModeTexturize, "Texturize", "MERGE_TEXTURIZE"},
    {kModeTexturize2, "Texturize2", "MERGE_TEXTURIZE2"},
    {kModeTexturize3, "Texturize3", "MERGE_TEXTURIZE3"},
    {kModeSilhouette, "Silhoulette", "MERGE_SILHOUETTE"},
    {kModeAlphaNormal, "Alpha Normal", {}},
    {kModeAlphaFilter, "Alpha Filter", {}},
    {kModeAlphaBlackOutline, "Alpha Black Outline", {}},
    {kModeAlphaOutlineTint1, "Alpha Outline Tint 1", {}},
    {kModeAlphaOutlineTint2, "Alpha Outline Tint 2", {}},
    {kModeAlphaInvert, "Alpha Invert", {}},
    {kModeAlphaShader, "Alpha Shader", {}},
    {kModeAlphaShaderColor, "Alpha Shader Color", {}},
    {kModeAlphaShaderTexture2, "Alpha Shader Texture2", {}},
    {kModeAlphaHighlightTexture2, "Alpha Highlight Texture2", {}},
    {kModeAlphaSmooth, "Alpha Smooth", {}},
    {kModeAlphaSmooth2, "Alpha Smooth2", {}},
    {kModeAlphaSmoothLum, "Alpha Smooth Lum", {}},
    {kModeAlphaSmoothLum2, "Alpha Smooth Lum2", {}},
    {kModeAlphaSmoothLum3, "Alpha Smooth Lum3", {}},
    {kModeAlphaSmoothLum4, "Alpha Smooth Lum4", {}},
    {kModeAlphaSmoothLum5, "Alpha Smooth Lum5", {}},
    {kModeAlphaOverlayOutline, "Alpha Overlay Outline", {}},
    {kModeAlphaHighlight, "Alpha Highlight", {}},
    {kModeLayerMask, "Layer Mask", {}},
    {kModeLuminanceAlpha, "Luminance Alpha", {}},
    {kModeLuminanceAlphaInvert, "Luminance Alpha Invert", {}},
};
static_assert(std::size(kBlendModes) == kBlendModeCount - 1, "every id but 31 has a name");

// The id of a mode name, compared exactly; null and unknown names give Normal.
int32_t blend_mode_id(const char* name) noexcept;

// The name of an id; empty for 31 and ids outside 0..53.
std::string_view blend_mode_name(int32_t id) noexcept;

}  // namespace mur

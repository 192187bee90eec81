// Blend modes by id and by name. Ids 0..30 are the colour modes (also the
// MERGE_ constants of filter scripts), 32..53 the alpha and mask modes; no
// name gives 31.
//
// MUR_BLEND_MODES is the one list of the modes: id, enumerator, the name a
// host passes, the filter-script constant, the colour function the mode
// composites with (blend_colour.h) and its flags. The enum, the name table,
// the colour dispatch and the compositing row kernels are all made from it.
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

namespace mur {

// Flags of a mode.
inline constexpr uint8_t kKeepsClear = 1;    // a transparent destination stays transparent
inline constexpr uint8_t kAlphaStage = 2;    // an integer stage rewrites the source first
inline constexpr uint8_t kNeverShown = 4;    // the view leaves such layers out
inline constexpr uint8_t kAddsNothing = 8;   // the stage always leaves no coverage

// X(id, enumerator, name, script constant, colour function, flags)
#define MUR_BLEND_MODES(X)                                                                              \
    X(0, Normal, "Normal", "MERGE_NORMAL", normal, 0)                                                   \
    X(1, Multiply, "Multiply", "MERGE_MULTIPLY", multiply, 0)                                           \
    X(2, Screen, "Screen", "MERGE_SCREEN", screen, 0)                                                   \
    X(3, Darken, "Darken", "MERGE_DARKEN", darken, 0)                                                   \
    X(4, Lighten, "Lighten", "MERGE_LIGHTEN", lighten, 0)                                               \
    X(5, Difference, "Difference", "MERGE_DIFFERENCE", difference, 0)                                   \
    X(6, Negation, "Negation", "MERGE_NEGATION", exclusion, 0)                                          \
    X(7, Exclusion, "Exclusion", "MERGE_EXCLUSION", exclusion, 0)                                       \
    X(8, And, "AND", "MERGE_AND", bitwise_and, 0)                                                       \
    X(9, Or, "OR", "MERGE_OR", bitwise_or, 0)                                                           \
    X(10, Xor, "XOR", "MERGE_XOR", bitwise_xor, 0)                                                      \
    X(11, Overlay, "Overlay", "MERGE_OVERLAY", overlay, 0)                                              \
    X(12, HardLight, "Hard Light", "MERGE_HARD_LIGHT", hard_light, 0)                                   \
    X(13, SoftLight, "Soft Light", "MERGE_SOFT_LIGHT", soft_light, 0)                                   \
    X(14, Dodge, "Dodge", "MERGE_DODGE", dodge, 0)                                                      \
    X(15, Burn, "Burn", "MERGE_BURN", burn, 0)                                                          \
    X(16, Reflect, "Reflect", "MERGE_REFLECT", normal, 0)                                               \
    X(17, Glow, "Glow", "MERGE_GLOW", normal, 0)                                                        \
    X(18, Add, "Add", "MERGE_ADD", add, 0)                                                              \
    X(19, Subtract, "Subtract", "MERGE_SUBTRACT", subtract, 0)                                          \
    X(20, Color, "Color", "MERGE_COLOR", color, kKeepsClear)                                            \
    X(21, HardColor, "Hard Color", "MERGE_HARD_COLOR", hard_color, kKeepsClear)                         \
    X(22, Colorize, "Colorize", "MERGE_COLORIZE", colorize, 0)                                          \
    X(23, HslHue, "HSL Hue", "MERGE_HSL_HUE", hsl_hue, 0)                                               \
    X(24, HslSat, "HSL Sat", "MERGE_HSL_SAT", hsl_sat, 0)                                               \
    X(25, HslLum, "HSL Lum", "MERGE_HSL_LUM", hsl_lum, 0)                                               \
    X(26, HslColor, "HSL Color", "MERGE_HSL_COLOR", hsl_color, 0)                                       \
    X(27, Texturize, "Texturize", "MERGE_TEXTURIZE", texturize, kKeepsClear)                            \
    X(28, Texturize2, "Texturize2", "MERGE_TEXTURIZE2", texturize2, kKeepsClear)                        \
    X(29, Texturize3, "Texturize3", "MERGE_TEXTURIZE3", texturize3, kKeepsClear | kNeverShown)          \
    X(30, Silhouette, "Silhoulette", "MERGE_SILHOUETTE", normal, 0)                                     \
    X(32, AlphaNormal, "Alpha Normal", "", normal, 0)                                                   \
    X(33, AlphaFilter, "Alpha Filter", "", normal, kAlphaStage)                                         \
    X(34, AlphaBlackOutline, "Alpha Black Outline", "", normal, kAlphaStage)                            \
    X(35, AlphaOutlineTint1, "Alpha Outline Tint 1", "", normal, kAlphaStage)                           \
    X(36, AlphaOutlineTint2, "Alpha Outline Tint 2", "", normal, kAlphaStage)                           \
    X(37, AlphaInvert, "Alpha Invert", "", normal, kAlphaStage)                                         \
    X(38, AlphaShader, "Alpha Shader", "", normal, kAlphaStage)                                         \
    X(39, AlphaShaderColor, "Alpha Shader Color", "", normal, kAlphaStage)                              \
    X(40, AlphaShaderTexture2, "Alpha Shader Texture2", "", normal, kAlphaStage)                        \
    X(41, AlphaHighlightTexture2, "Alpha Highlight Texture2", "", normal, kAlphaStage)                  \
    X(42, AlphaSmooth, "Alpha Smooth", "", normal, kAlphaStage)                                         \
    X(43, AlphaSmooth2, "Alpha Smooth2", "", normal, kAlphaStage)                                       \
    X(44, AlphaSmoothLum, "Alpha Smooth Lum", "", normal, kAlphaStage)                                  \
    X(45, AlphaSmoothLum2, "Alpha Smooth Lum2", "", normal, kAlphaStage)                                \
    X(46, AlphaSmoothLum3, "Alpha Smooth Lum3", "", normal, kAlphaStage)                                \
    X(47, AlphaSmoothLum4, "Alpha Smooth Lum4", "", normal, kAlphaStage)                                \
    X(48, AlphaSmoothLum5, "Alpha Smooth Lum5", "", normal, kAlphaStage)                                \
    X(49, AlphaOverlayOutline, "Alpha Overlay Outline", "", normal, kAlphaStage)                        \
    X(50, AlphaHighlight, "Alpha Highlight", "", normal, kAlphaStage)                                   \
    X(51, LayerMask, "Layer Mask", "", normal, kAlphaStage | kAddsNothing)                              \
    X(52, LuminanceAlpha, "Luminance Alpha", "", normal, kAlphaStage)                                   \
    X(53, LuminanceAlphaInvert, "Luminance Alpha Invert", "", normal, kAlphaStage)

enum BlendMode : int32_t {
#define MUR_BLEND_ENUM(id, tag, name, lua, colour, flags) kMode##tag = id,
    MUR_BLEND_MODES(MUR_BLEND_ENUM)
#undef MUR_BLEND_ENUM
};

inline constexpr int32_t kFirstAlphaMode = 32;
inline constexpr int32_t kBlendModeCount = 54;  // ids 0..53, 31 unused

struct BlendModeInfo {
    int32_t id;
    std::string_view name;         // the name a host passes
    std::string_view luaConstant;  // the filter-script constant, colour modes only
    uint8_t flags;
};

inline constexpr BlendModeInfo kBlendModes[] = {
#define MUR_BLEND_INFO(id, tag, name, lua, colour, flags) {id, name, lua, flags},
    MUR_BLEND_MODES(MUR_BLEND_INFO)
#undef MUR_BLEND_INFO
};
static_assert(std::size(kBlendModes) == kBlendModeCount - 1, "every id but 31 has a name");

// What the compositing loops ask of a mode id, made from the list.
struct BlendModeTraits {
    uint8_t flags[kBlendModeCount] = {};
    bool normalColour[kBlendModeCount] = {};  // its colour function is Normal's
};
inline constexpr BlendModeTraits kBlendModeTraits = [] {
    BlendModeTraits t;
    for (bool& normal : t.normalColour) normal = true;  // 31
#define MUR_BLEND_TRAITS(id, tag, name, lua, colour, bits) \
    t.flags[id] = bits;                                    \
    t.normalColour[id] = std::string_view(#colour) == "normal";
    MUR_BLEND_MODES(MUR_BLEND_TRAITS)
#undef MUR_BLEND_TRAITS
    return t;
}();

constexpr bool known_blend_mode_id(int32_t id) { return id >= 0 && id < kBlendModeCount; }

// The flags of an id; 0 for 31 and ids outside 0..53.
constexpr uint8_t blend_mode_flags(int32_t id) { return known_blend_mode_id(id) ? kBlendModeTraits.flags[id] : 0; }

// Modes whose colour function is Normal's (31 and ids outside 0..53 too).
constexpr bool composites_as_normal(int32_t id)
{
    return !known_blend_mode_id(id) || kBlendModeTraits.normalColour[id];
}

// Modes that leave a transparent destination pixel transparent.
constexpr bool keeps_clear_destination(int32_t id) { return (blend_mode_flags(id) & kKeepsClear) != 0; }

// The id of a mode name, compared exactly; null and unknown names give Normal.
int32_t blend_mode_id(const char* name) noexcept;

// The name of an id; empty for 31 and ids outside 0..53.
std::string_view blend_mode_name(int32_t id) noexcept;

}  // namespace mur

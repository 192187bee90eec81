// The effect dispatcher: one table of named effects, each a record of how it
// is framed, what it needs and which handler runs it, and the driver that
// runs a record on the current layer through the IPL buffers.
#pragma once

#include <cstdint>
#include <span>

namespace mur::effects {

// The effect dialog's values as the host passes them.
struct EffectArgs {
    const char* name = nullptr;
    int32_t variant = 0;
    int32_t sliders[6] = {};
    int32_t style1 = 0;
    int32_t style2 = 0;
    int32_t flags[6] = {};        // only the low byte counts
    int32_t red = 0, green = 0, blue = 0;
    const char* resourcePath = nullptr;
};

// How the driver frames a handler.
enum class Framing : uint8_t {
    None,         // the handler reads and stores by itself
    Direct,       // source refilled, result stored from the destination
    Premultiplied,// as Direct, premultiplied around the handler
    InPlace,      // the current layer read into the source, worked in place, stored
    Rgb24,        // the RGB24 buffers filled and allocated, the RGB24 result stored
    WeightedMerge,       // source refilled; the destination weighed by texture and
                         // mask and merged into the layer (mode and opacity from
                         // the context)
    PremultipliedMerge,  // as WeightedMerge, premultiplied around the handler
    Chain,               // source refilled, the handler's destination stored;
                         // source refilled again, the second handler's destination
                         // merged as WeightedMerge (or stored when it leaves the
                         // merge mode at kStoreResult)
};

// A merge mode a handler of a merging framing leaves to have its destination
// stored instead.
inline constexpr int32_t kStoreResult = -1;

// What an effect needs besides the IPL buffers; the driver hands it over.
enum Needs : uint8_t {
    kNeedsNothing = 0,
    kNeedsMask = 1,          // writes the selection mask
    kNeedsScratchLayer = 2,  // reads layer 255
    kNeedsResource = 4,      // reads the file named by the resource path
    kNeedsClipboard = 8,     // reads the clipboard picture
};

// A scripted effect's number in the effect-script list and the value slots
// the dialog's values go to (-1: not passed).
struct ScriptCall {
    int16_t id = 0;                              // 0: the record runs no scripted effect
    int8_t sliderSlots[6] = {0, 1, 2, 4, 5, 6};  // sliders 1..6, raw
    int8_t seedSlot = -1;                        // the variant
    int8_t blendSlot = -1;                       // style 2 through the generator blend remap
    int8_t colourSlot = -1;                      // red here, green and blue in the next two
    int8_t flagSlots[2] = {-1, -1};              // flags 1 and 2
};

// What a handler sees.
struct EffectContext {
    const EffectArgs* args = nullptr;
    int32_t variant = 0;          // the dialog's, or a draw 0..32766 where it gave 0
    float sliderReal[6] = {};     // slider x 0.1
    int32_t packedColour = 0;     // red + green x 256 + blue x 65536
    int32_t width = 0, height = 0;
    uint8_t* source = nullptr;    // RGBA32, rows of width x 4 bytes
    uint8_t* destination = nullptr;
    uint8_t* source24 = nullptr;  // RGB24 (Rgb24 framing only), rows of width x 3 bytes
    uint8_t* destination24 = nullptr;
    const char* nativeName = nullptr;  // the native filter a record runs, when it names one
    const ScriptCall* script = nullptr;  // the scripted effect a record runs
    // Merging framings: the mode (0..30) and opacity (0..255) of the merge. The
    // driver sets them to style 1 (Normal when out of range) and 255, or
    // kStoreResult before a chain's second step; handlers may change them.
    int32_t mergeMode = 0;
    int32_t mergeOpacity = 255;
    // Merging framings: the layer's alpha kept as if its transparency lock
    // were on; the layer's own lock is never touched.
    bool lockAlpha = false;
};

// A handler: false when it could not run (the driver then skips the store).
using EffectHandler = bool (*)(EffectContext&);

// Default dialog values, for the `mur effects` sheet and for hosts.
struct EffectDefaults {
    int16_t sliders[6];
    int8_t style1;
    int8_t style2;
};

struct EffectRecord {
    const char* name;
    uint8_t route;             // the catalogue's route number, 1..14
    Framing framing;
    EffectHandler run;
    const char* nativeName;    // the native filter the handler runs, or null
    uint8_t needs;             // Needs bits
    EffectDefaults defaults;
    EffectHandler then = nullptr;  // a chain's second step
    ScriptCall script = {};        // scripted effects: the effect and its value slots
};

// Every effect in table order.
std::span<const EffectRecord> effect_table() noexcept;

// The record of that exact name (case counts), or null.
const EffectRecord* find_effect(const char* name) noexcept;

// MUR_IPLImageProcess: 1 when the name is in the table and both IPL RGBA32
// buffers exist at the page's size (the effect ran, changed or not), else 0.
int32_t image_process(const EffectArgs& args);

}  // namespace mur::effects

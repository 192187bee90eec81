// Replaying a drawing script: one handler per keyword in one table. A
// keyword whose tool the engine does not offer yet has no handler, only the
// name of what it needs; it is skipped with one line on the log.
#include "replay.h"

#include "murcore.h"
#include "replay_script.h"
#include "replay_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdlib.h>
#include <unistd.h>

namespace mur_tool {
namespace {

constexpr std::size_t kMaxValues = 20;

// The values of the record being replayed: numbers parsed, texts as read.
struct Values {
    double v[kMaxValues] = {};
    std::string_view t[kMaxValues];
    int32_t i(std::size_t k) const { return whole_number(v[k]); }
    int32_t clamped(std::size_t k, int32_t lo, int32_t hi) const { return std::clamp(i(k), lo, hi); }
};

// A handler returns nullptr when done, or what it would need when it skips
// the record; it stops the replay by setting `failure`.
using Handler = const char* (*)(ReplayState&, const Values&);

struct RecordKind {
    RecordShape shape;
    Handler handler;       // nullptr: skipped, needs `needs`
    const char* needs;
    uint32_t textValues;   // bit k: value k is text, not a number
    bool usesPage;         // refused before the first page
};

double unit(double v) { return std::clamp(v, 0.0, 1.0); }

// Page and brush.
const char* description(ReplayState&, const Values&) { return nullptr; }
const char* random_seed(ReplayState& s, const Values& a)
{
    MUR_SetRandomSeed(a.i(0));
    s.toolReady = false;  // the tool reseeds from it
    return nullptr;
}
const char* set_page(ReplayState& s, const Values& a)
{
    const int32_t w = a.i(0), h = a.i(1);
    if (w < 1 || h < 1 || w > s.options->maxSide || h > s.options->maxSide)
        s.failure = "a page of " + std::to_string(w) + " x " + std::to_string(h) + " (sides 1.." +
                    std::to_string(s.options->maxSide) + ")";
    else
        make_page(s, w, h);
    return nullptr;
}
const char* select_brush(ReplayState& s, const Values& a)
{
    const int32_t brush = a.i(0);
    if (brush < 0 || brush > int32_t(Brush::Eraser) || a.v[0] != brush) {
        s.failure = "brush " + std::string(a.t[0]) + " is not one of 0..4";
        return nullptr;
    }
    s.brush = Brush(brush);
    s.softness = unit(a.v[1]);
    s.grain = unit(a.v[2]);
    s.toolReady = false;
    return nullptr;
}
const char* brush_size(ReplayState& s, const Values& a)
{
    s.size = a.clamped(0, 1, kLargestBrush);
    s.toolReady = false;
    return nullptr;
}
const char* brush_density(ReplayState& s, const Values& a)
{
    s.density = a.clamped(0, 0, 256);
    s.toolReady = false;
    return nullptr;
}
const char* brush_opacity(ReplayState& s, const Values& a)
{
    s.opacity = a.clamped(0, 0, 100);
    return nullptr;
}
const char* set_colour(ReplayState& s, const Values& a)
{
    for (int c = 0; c < 3; ++c) s.colour[c] = a.clamped(c, 0, 255);
    return nullptr;
}
const char* colour_banks(ReplayState& s, const Values& a)
{
    s.mixMode = a.i(0);
    for (int c = 0; c < 12; ++c) s.banks[c] = a.clamped(c + 1, 0, 255);
    s.useBanks = true;
    s.toolReady = false;
    return nullptr;
}
const char* rotate_brush(ReplayState& s, const Values& a)
{
    s.rotateMode = a.i(0) != 0;
    s.rotateDegrees = a.i(1) % 360;
    s.toolReady = false;
    return nullptr;
}

// Strokes.
const char* draw_start(ReplayState& s, const Values& a)
{
    finish_stroke(s);
    s.inStroke = true;
    s.points.assign(1, {a.v[0], a.v[1], -1.0});
    return nullptr;
}
const char* smooth_plot(ReplayState& s, const Values& a)
{
    // The begin and end markers carry no point; points outside a stroke go nowhere.
    if (a.v[3] != 0 || a.v[4] != 0 || !s.inStroke) return nullptr;
    const Sample p{a.v[0], a.v[1], unit(a.v[2])};
    if (s.points.size() == 1 && s.points[0].pressure < 0) s.points[0].pressure = p.pressure;
    if (s.points.back().x == p.x && s.points.back().y == p.y)
        s.points.back().pressure = p.pressure;
    else
        s.points.push_back(p);
    return nullptr;
}
const char* draw_stop(ReplayState& s, const Values&)
{
    finish_stroke(s);
    return nullptr;
}
const char* line(ReplayState& s, const Values& a)
{
    finish_stroke(s);
    paint_points(s, {{a.v[0], a.v[1], 1.0}, {a.v[2], a.v[3], 1.0}});
    return nullptr;
}
const char* spline(ReplayState& s, const Values& a)
{
    finish_stroke(s);
    const Sample b[4] = {{a.v[0], a.v[1], 1}, {a.v[2], a.v[3], 1}, {a.v[4], a.v[5], 1}, {a.v[6], a.v[7], 1}};
    paint_bezier(s, b);
    return nullptr;
}
const char* dab(ReplayState& s, const Values& a)
{
    finish_stroke(s);
    paint_points(s, {{a.v[0], a.v[1], unit(a.v[2])}});
    return nullptr;
}

// Masks and the page.
const char* mask_on(ReplayState&, const Values& a)
{
    MUR_EnableMask(a.v[0] != 0 ? 1 : 0);
    return nullptr;
}
const char* mask_clear(ReplayState&, const Values&)
{
    MUR_ClearMask(0, 0, 0);  // black: all editable
    return nullptr;
}
const char* mask_invert(ReplayState&, const Values&)
{
    MUR_InvertMask();
    return nullptr;
}
const char* image_from_mask(ReplayState&, const Values&)
{
    MUR_CreateImageFromMask();
    return nullptr;
}
const char* alpha_from_mask(ReplayState&, const Values&)
{
    MUR_CreateAlphaFromMask(0);
    return nullptr;
}
const char* mask_from_image(ReplayState&, const Values&)
{
    MUR_CreateMaskFromImage();
    return nullptr;
}
const char* mask_from_luma(ReplayState&, const Values&)
{
    MUR_CreateMaskFromImageLuma();
    return nullptr;
}
const char* mask_from_alpha(ReplayState&, const Values&)
{
    MUR_CreateMaskFromAlpha();
    return nullptr;
}
const char* clear_page(ReplayState&, const Values&)
{
    MUR_Clear(0, 0, 0, 0);
    return nullptr;
}
const char* fill_page(ReplayState& s, const Values&)
{
    MUR_ClearMasked(s.colour[0], s.colour[1], s.colour[2], 255);
    return nullptr;
}
const char* flip_horizontal(ReplayState& s, const Values&)
{
    flip_page(s, true);
    return nullptr;
}
const char* flip_vertical(ReplayState& s, const Values&)
{
    flip_page(s, false);
    return nullptr;
}

// The replayer's page buffers.
const char* buffer_from_layer(ReplayState& s, const Values& a)
{
    if (uint8_t* b = page_buffer(s, a.v[0])) MUR_GetRGBA32Layer(b, s.width * 4, kDrawingSlot);
    return nullptr;
}
const char* buffer_to_layer(ReplayState& s, const Values& a)
{
    if (uint8_t* b = page_buffer(s, a.v[0]))
        MUR_LoadRGBA32Layer(b, s.width * 4, kDrawingSlot, 0, 0, s.width, s.height, 0);
    return nullptr;
}
const char* buffer_copy(ReplayState& s, const Values& a)
{
    uint8_t* from = page_buffer(s, a.v[0]);
    uint8_t* to = from ? page_buffer(s, a.v[1]) : nullptr;
    if (to && to != from) std::memcpy(to, from, page_bytes(s));
    return nullptr;
}
const char* buffer_clear(ReplayState& s, const Values& a)
{
    if (uint8_t* b = page_buffer(s, a.v[0])) std::memset(b, 0, page_bytes(s));
    return nullptr;
}
const char* buffer_merge(ReplayState& s, const Values& a)
{
    if (uint8_t* b = page_buffer(s, a.v[0])) MUR_MergeRGBA32Layer(b, kDrawingSlot, a.clamped(1, 0, 53), a.clamped(2, 0, 256));
    return nullptr;
}
const char* buffer_from_mask(ReplayState& s, const Values& a)
{
    if (uint8_t* b = page_buffer(s, a.v[0])) mask_to_rgba(s, b);
    return nullptr;
}
const char* buffer_to_mask(ReplayState& s, const Values& a)
{
    if (uint8_t* b = page_buffer(s, a.v[0])) rgba_to_mask(s, b);
    return nullptr;
}
const char* copy_tool(ReplayState& s, const Values& a)
{
    copy_rectangle(s, a.i(0), a.i(1), a.i(2), a.i(3));
    return nullptr;
}
const char* paste_tool(ReplayState& s, const Values& a)
{
    paste_clip(s, a.i(0), a.i(1));
    return nullptr;
}

// Drawing tools, into the drawing layer, each an undo step.
constexpr const char* kFillModes[] = {"Paint Non-connected", "Erase Non-connected", "Paint Connected",
                                      "Erase Connected",     "Paint Alpha Connected", "Paint Alpha Non-Connected"};
int32_t byte(const Values& a, std::size_t k) { return a.clamped(k, 0, 255); }
const char* flood_fill(ReplayState& s, const Values& a)
{
    const int32_t mode = a.i(3);
    if (mode < 0 || mode > 5 || a.v[3] != mode) {
        s.failure = "fill mode " + std::string(a.t[3]) + " is not one of 0..5";
        return nullptr;
    }
    MUR_SetLayer(kDrawingSlot);
    MUR_IPLFloodFill(byte(a, 4), byte(a, 5), byte(a, 6), a.i(0), a.i(1), a.clamped(2, 0, 50000), kFillModes[mode]);
    MUR_SaveUndoBuffer(1, 0);
    return nullptr;
}
const char* rectangle(ReplayState&, const Values& a)
{
    MUR_SetLayer(kDrawingSlot);
    MUR_IPLRectangle(byte(a, 5), byte(a, 6), byte(a, 7), a.i(0), a.i(1), a.i(2), a.i(3), a.clamped(4, 0, 100));
    MUR_SaveUndoBuffer(1, 0);
    return nullptr;
}
const char* ellipse(ReplayState&, const Values& a)
{
    MUR_SetLayer(kDrawingSlot);
    MUR_IPLEllipse(byte(a, 5), byte(a, 6), byte(a, 7), a.i(0), a.i(1), a.i(2), a.i(3), a.clamped(4, 0, 100));
    MUR_SaveUndoBuffer(1, 0);
    return nullptr;
}
const char* text(ReplayState&, const Values& a)
{
    const std::string words(a.t[2]), family(a.t[8]);
    const int32_t height = a.clamped(3, 1, 2048), weight = a.clamped(9, 0, 900);
    // A family this machine lacks falls back to its sans-serif at the size asked.
    if (!MUR_SetFontByName(0, family.c_str(), height, weight, 0)) MUR_SetFontByName(0, "sans-serif", height, weight, 0);
    MUR_SetLayer(kDrawingSlot);
    MUR_IPLText(byte(a, 5), byte(a, 6), byte(a, 7), a.i(0), a.i(1), 0, 0, 0, 0, words.c_str(), a.i(4) != 0);
    MUR_SaveUndoBuffer(1, 0);
    return nullptr;
}
const char* gradient(ReplayState&, const Values& a)
{
    MUR_SetLayer(kDrawingSlot);
    MUR_IPLGradient(byte(a, 6), byte(a, 7), byte(a, 8), byte(a, 9), byte(a, 10), byte(a, 11), byte(a, 12), byte(a, 13),
                    byte(a, 14), byte(a, 15), byte(a, 16), byte(a, 17), a.clamped(5, 0, 4), a.i(0), a.i(1), a.i(2),
                    a.i(3), a.i(4) == 0 ? "Linear" : "Radial");
    MUR_SaveUndoBuffer(1, 0);
    return nullptr;
}

// Mask shape tools. The strength runs -100..100: positive adds masking
// ("Add"), negative takes it away ("Subtract").
const char* mask_operation(const Values& a, std::size_t k) { return a.v[k] < 0 ? "Subtract" : "Add"; }
int32_t mask_strength(const Values& a, std::size_t k)
{
    const int32_t v = a.clamped(k, -100, 100);
    return v < 0 ? -v : v;
}
const char* mask_ellipse(ReplayState&, const Values& a)
{
    MUR_IPLMaskEllipse(a.i(0), a.i(1), a.i(2), a.i(3), mask_strength(a, 4), 0, mask_operation(a, 4));
    return nullptr;
}
const char* mask_rectangle(ReplayState&, const Values& a)
{
    MUR_IPLMaskRectangle(a.i(0), a.i(1), a.i(2), a.i(3), mask_strength(a, 4), 0, mask_operation(a, 4));
    return nullptr;
}
constexpr const char* kWandModes[] = {"Connected",  "Non-connected", "Color Range",     "Luminance Range",
                                      "Hue Range", "HSL Range",     "Alpha Connected", "Alpha Non-connected"};
const char* mask_wand(ReplayState& s, const Values& a)
{
    const int32_t mode = a.i(4);
    if (mode < 0 || mode > 7 || a.v[4] != mode) {
        s.failure = "wand mode " + std::string(a.t[4]) + " is not one of 0..7";
        return nullptr;
    }
    MUR_SetLayer(kDrawingSlot);
    MUR_IPLMaskWand(a.i(0), a.i(1), a.clamped(2, 0, 50000), a.clamped(3, 0, 100), kWandModes[mode]);
    return nullptr;
}

// Effects: the dispatcher with the record's values; a name it lacks that is
// one of the engine's native filters ("Invert") runs that filter.
const char* filter(ReplayState& s, const Values& a)
{
    int32_t n[18];
    for (int k = 0; k < 18; ++k) n[k] = a.i(k + 1);  // variant, sliders 1-6, styles, flags 1-6, colour
    const std::string name(a.t[0]), path(a.t[19]);
    MUR_SetLayer(kDrawingSlot);
    if (MUR_IPLImageProcess(0, name.c_str(), n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], n[9], n[10],
                            n[11], n[12], n[13], n[14], n[15], n[16], n[17], path.c_str()))
        return nullptr;
    return run_native_filter(s, name.c_str(), n) ? nullptr : "a known effect name";
}
const char* warp(ReplayState&, const Values& a)
{
    MUR_IPLUpdateSrcBuffer32();
    MUR_WarpPointToPoint(a.i(0), a.i(1), a.i(2), a.i(3));
    return nullptr;
}

constexpr uint32_t kFirstAndLast = 1u | (1u << 19);

// Every keyword a drawing script may hold. A tool that lands later only
// fills in its handler here.
constexpr RecordKind kKinds[] = {
    {{"Description", 2}, description, nullptr, 3u, false},
    {{"RandomSeed", 1}, random_seed, nullptr, 0, false},
    {{"SetPage", 4}, set_page, nullptr, 0, false},
    {{"SelectBrush", 3}, select_brush, nullptr, 0, false},
    {{"SetBrushSize", 1}, brush_size, nullptr, 0, false},
    {{"SetBrushDensity", 1}, brush_density, nullptr, 0, false},
    {{"SetBrushOpacity", 1}, brush_opacity, nullptr, 0, false},
    {{"SetColor", 3}, set_colour, nullptr, 0, false},
    {{"SetColorBanks", 13}, colour_banks, nullptr, 0, false},
    {{"RotateBrush", 4}, rotate_brush, nullptr, 0, false},
    {{"DrawStart", 3}, draw_start, nullptr, 0, true},
    {{"SmoothPlot2", 5}, smooth_plot, nullptr, 0, true},
    {{"DrawStop", 1}, draw_stop, nullptr, 0, true},
    {{"Line2", 4}, line, nullptr, 0, true},
    {{"Spline", 8}, spline, nullptr, 0, true},
    {{"Dab", 3}, dab, nullptr, 0, true},
    {{"MaskOn", 1}, mask_on, nullptr, 0, true},
    {{"MaskClear", 0}, mask_clear, nullptr, 0, true},
    {{"MaskInvert", 0}, mask_invert, nullptr, 0, true},
    {{"ImageCreateFromMask", 0}, image_from_mask, nullptr, 0, true},
    {{"AlphaCreateFromMask", 0}, alpha_from_mask, nullptr, 0, true},
    {{"MaskCreateFromImage", 0}, mask_from_image, nullptr, 0, true},
    {{"MaskCreateFromImageLuma", 0}, mask_from_luma, nullptr, 0, true},
    {{"MaskCreateFromAlpha", 0}, mask_from_alpha, nullptr, 0, true},
    {{"ClearPage", 0}, clear_page, nullptr, 0, true},
    {{"FillPage", 0}, fill_page, nullptr, 0, true},
    {{"ImageFlipHorizontal", 0}, flip_horizontal, nullptr, 0, true},
    {{"ImageFlipVertical", 0}, flip_vertical, nullptr, 0, true},
    {{"BufferFromLayer", 1}, buffer_from_layer, nullptr, 0, true},
    {{"BufferToLayer", 1}, buffer_to_layer, nullptr, 0, true},
    {{"BufferCopy", 2}, buffer_copy, nullptr, 0, true},
    {{"BufferClear", 1}, buffer_clear, nullptr, 0, true},
    {{"BufferMergeLayer", 3}, buffer_merge, nullptr, 0, true},
    {{"BufferFromMask", 1}, buffer_from_mask, nullptr, 0, true},
    {{"BufferToMask", 1}, buffer_to_mask, nullptr, 0, true},
    {{"CopyTool", 4}, copy_tool, nullptr, 0, true},
    {{"PasteTool2", 5}, paste_tool, nullptr, 0, true},
    {{"Filter", 20}, filter, nullptr, kFirstAndLast, true},
    {{"Warp", 6}, warp, nullptr, 0, true},
    {{"Flood Fill", 7}, flood_fill, nullptr, 0, true},
    {{"Rectangle", 8}, rectangle, nullptr, 0, true},
    {{"Ellipse", 8}, ellipse, nullptr, 0, true},
    {{"Text", 10}, text, nullptr, (1u << 2) | (1u << 8), true},
    {{"Gradient", 18}, gradient, nullptr, 0, true},
    {{"MaskEllipse", 5}, mask_ellipse, nullptr, 0, true},
    {{"MaskRectangle", 5}, mask_rectangle, nullptr, 0, true},
    {{"MaskWand", 5}, mask_wand, nullptr, 0, true},
};

constexpr bool values_fit()
{
    for (const RecordKind& k : kKinds)
        if (k.shape.values > kMaxValues) return false;
    return true;
}
static_assert(values_fit());

// Parses the record's number values; false with `failure` set.
bool parse_values(ReplayState& s, const ScriptText& script, const ScriptRecord& r, const RecordKind& kind, Values& out)
{
    for (std::size_t k = 0; k < kind.shape.values; ++k) {
        const std::string_view token = script.lines[r.first + k];
        out.t[k] = token;
        if (kind.textValues & (1u << k)) continue;
        if (!parse_number(token, out.v[k])) {
            std::string shown(token.substr(0, 32));
            for (char& c : shown)
                if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
            s.failure = std::string(kind.shape.keyword) + ": value " + std::to_string(k + 1) + " \"" + shown +
                        (token.size() > 32 ? "..." : "") + "\" is not a number";
            return false;
        }
    }
    return true;
}

}  // namespace

ReplayOutcome replay_script(std::string_view text, const ReplayOptions& options)
{
    RecordShape shapes[std::size(kKinds)];
    for (std::size_t k = 0; k < std::size(kKinds); ++k) shapes[k] = kKinds[k].shape;

    ReplayState s;
    s.options = &options;
    ScriptText script;
    ScriptError error;
    if (!read_script_text(text, shapes, std::size(kKinds), script, error)) {
        s.outcome.status = 1;
        s.outcome.error = (error.line ? "line " + std::to_string(error.line) + ": " : std::string()) + error.what;
        return s.outcome;
    }
    const Picture* background = options.background;
    if (background && (background->width > options.maxSide || background->height > options.maxSide)) {
        s.outcome.status = 1;
        s.outcome.error = "the background is larger than " + std::to_string(options.maxSide) + " pixels a side";
        return s.outcome;
    }
    if (background) make_page(s, background->width, background->height);

    for (const ScriptRecord& r : script.records) {
        const RecordKind& kind = kKinds[r.kind];
        const char* needs = kind.needs;
        if (kind.handler) {
            Values values;
            if (!parse_values(s, script, r, kind, values)) {
            } else if (kind.usesPage && s.width == 0) {
                s.failure = std::string(kind.shape.keyword) + " before the first SetPage";
            } else {
                needs = kind.handler(s, values);
            }
        }
        if (!s.failure.empty()) {
            s.outcome.status = 1;
            s.outcome.error = "line " + std::to_string(r.line) + ": " + s.failure;
            break;
        }
        if (needs) {
            ++s.outcome.skipped;
            if (options.log)
                std::fprintf(options.log, "replay: line %u: %.*s skipped: needs %s\n", r.line,
                             int(kind.shape.keyword.size()), kind.shape.keyword.data(), needs);
        } else {
            ++s.outcome.records;
        }
    }
    if (s.outcome.status == 0) {
        finish_stroke(s);
        if (s.outcome.skipped) s.outcome.status = 3;
    }
    s.outcome.dabs = s.dabs;
    s.outcome.width = s.width;
    s.outcome.height = s.height;
    return s.outcome;
}

bool page_pixels(const ReplayOutcome& outcome, std::vector<uint8_t>& rgb)
{
    const int32_t width = outcome.width, height = outcome.height;
    if (width <= 0 || height <= 0) return false;
    MUR_SetScale(1, 1.0f);
    MUR_SetOffset(0, 0);
    MUR_SetViewSize(width, height);
    rgb.assign(std::size_t(width) * height * 3, 0);
    if (!MUR_Render(rgb.data(), width * 3, 0, 0, width, height)) return false;
    for (std::size_t i = 0; i < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);  // the view is BGR
    return true;
}

int replay_command(const char* scriptPath, const char* outPath, const char* inPath)
{
    std::ifstream in(scriptPath, std::ios::binary | std::ios::ate);
    if (!in) {
        std::fprintf(stderr, "replay: cannot open %s\n", scriptPath);
        return 1;
    }
    const std::streamoff length = in.tellg();
    if (length < 0 || std::size_t(length) > kMaxScriptFileBytes) {
        std::fprintf(stderr, "replay: %s: larger than %zu MB\n", scriptPath, kMaxScriptFileBytes >> 20);
        return 1;
    }
    std::string text(std::size_t(length), '\0');
    in.seekg(0);
    if (!in.read(text.data(), length)) {
        std::fprintf(stderr, "replay: cannot read %s\n", scriptPath);
        return 1;
    }
    Picture background;
    std::string error;
    if (inPath && !read_png(inPath, background, error)) {
        std::fprintf(stderr, "replay: %s\n", error.c_str());
        return 1;
    }
    ReplayOptions options;
    options.background = inPath ? &background : nullptr;
    // Filter scripts that the drawing script names run with an empty start
    // folder of their own: a paint_open inside one records nowhere, never
    // over the scripts/ folder of the current directory.
    char startDir[] = "/tmp/mur-replay-XXXXXX";
    const bool ownStartDir = mkdtemp(startDir) != nullptr;
    if (ownStartDir) MUR_SetStartDir(startDir);
    const ReplayOutcome outcome = replay_script(text, options);
    if (ownStartDir) rmdir(startDir);
    int status = outcome.status;
    std::vector<uint8_t> rgb;
    const int32_t w = outcome.width, h = outcome.height;
    if (status == 1) {
        std::fprintf(stderr, "replay: %s\n", outcome.error.c_str());
    } else if (!page_pixels(outcome, rgb)) {
        std::fputs("replay: the script made no page (no SetPage and no IN.png)\n", stderr);
        status = 1;
    } else if (!write_png(outPath, rgb.data(), w, h, 3, error)) {
        std::fprintf(stderr, "replay: %s\n", error.c_str());
        status = 1;
    } else {
        std::printf("wrote %s (%dx%d): %d records, %lld dabs, %d skipped\n", outPath, w, h, outcome.records,
                    static_cast<long long>(outcome.dabs), outcome.skipped);
    }
    MUR_DeleteImage();
    return status;
}

}  // namespace mur_tool

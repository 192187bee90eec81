// The steps of `mur soak`: what a host does with the engine, chosen at random
// from the walk's seed. A step that changes only the current layer and the
// mask is saved as an undo step and checked: undo must bring back the image
// as it was before the step, and redo the step.
#include "murcore.h"
#include "soak_state.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace mur_tool {
namespace {

const char* const kModes[] = {"Normal", "Multiply", "Screen", "Overlay", "Darken", "Difference", "Dodge", "Burn",
                              "Add", "Subtract", "HSL Color", "Colorize", "Texturize3", "Alpha Normal",
                              "Alpha Shader", "Alpha Smooth", "Layer Mask", "Luminance Alpha", "No Such Mode"};
const char* const kFilters[] = {"Value Blur", "Noise Reduction", "Anti Alias", "Grayscale", "Invert",
                                "Basic Threshold", "Hyper Contrast", "Box Blur", "Bas Relief", "Mirror",
                                "Vignette", "Detail Blur", "Adaptive Blur", "Fader", "Borderize"};
const char* const kResizeFilters[] = {"Lanczos3", "Bicubic", "Area Average", "Nearest Neighbor", "Mitchell", "lanczos3"};
const char* const kAnchors[] = {"TL", "TC", "TR", "ML", "MC", "MR", "BL", "BC", "BR", "XX"};

template <class T, std::size_t N>
const T& pick(SoakState& s, const T (&list)[N])
{
    return list[random_between(s.rng, 0, int32_t(N) - 1)];
}

bool current_is_live(const SoakState& s)
{
    return s.current >= 0 && s.current < kSoakSlots && s.slots[s.current].live;
}

int32_t live_slot(SoakState& s)
{
    std::vector<int32_t> live;
    for (int32_t slot = 0; slot < kSoakSlots; ++slot)
        if (s.slots[slot].live) live.push_back(slot);
    return live.empty() ? -1 : live[std::size_t(random_between(s.rng, 0, int32_t(live.size()) - 1))];
}

std::vector<uint8_t> random_bytes(SoakState& s, std::size_t n)
{
    std::vector<uint8_t> bytes(n);
    uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i % 8 == 0) v = next_random(s.rng);
        bytes[i] = static_cast<uint8_t>(v >> (8 * (i % 8)));
    }
    return bytes;
}

// A picture with runs and flat areas, as line codes and deflate meet them.
std::vector<uint8_t> random_picture(SoakState& s, int32_t width, int32_t height, int channels)
{
    std::vector<uint8_t> p = random_bytes(s, std::size_t(width) * height * channels);
    const int32_t flat = random_between(s.rng, 0, 3);
    for (std::size_t i = channels; i < p.size(); ++i)
        if (flat > 0 && (i / channels) % (flat * 7) != 0) p[i] = p[i - channels];
    return p;
}

// Makes the engine's undo back buffers mirror the current layer again, as a
// host does after it changed the layers outside an undo step.
void refresh_back_buffers(SoakState& s)
{
    if (current_is_live(s)) MUR_SetLayer(s.current);
}

// Runs `change` on the current layer and the mask, saves it as an undo step
// and checks that undo brings back the image before it and redo the step.
void pixel_step(SoakState& s, std::string& why, bool dirtyFromDabs, const std::function<void()>& change)
{
    const ImageHash before = image_hash(s);
    const int32_t steps = MUR_GetUndoCount();
    change();
    if (!dirtyFromDabs) MUR_InvalidateDirtyUndoCanvas();
    MUR_SaveUndoBuffer(1, 1);
    s.undoBudgetSinceSave = MUR_GetTotalUndoMemory();
    if (!history_within_budget(s, why)) return;
    if (MUR_GetUndoCount() != steps + 1 || !MUR_CanUndo()) return;
    const ImageHash after = image_hash(s);
    ++s.counts["(undo checked)"];
    MUR_Undo();
    sync_current(s);
    if (MUR_GetRedoCount() != 1) {
        why = "the step just saved could not be undone";
        return;
    }
    const ImageHash undone = image_hash(s);
    if (undone != before) {
        why = "undo did not bring back the image before the step: " + differing_parts(before, undone) +
              " (current layer " + std::to_string(s.current) + ")";
        return;
    }
    MUR_Redo();
    sync_current(s);
    const ImageHash redone = image_hash(s);
    if (redone != after) why = "redo did not bring back the step: " + differing_parts(after, redone);
}

// A whole-document geometry operation, then the page size the host now
// has. Every live slot from 1 up follows the operation; slot 0 stays.
void geometry_step(SoakState& s, std::string& what)
{
    int32_t width = s.width, height = s.height;
    auto all_live = [&](int32_t w, int32_t h) {
        for (int32_t slot = 1; slot < kSoakSlots; ++slot)
            if (s.slots[slot].live) s.slots[slot].width = w, s.slots[slot].height = h;
    };
    switch (random_between(s.rng, 0, 5)) {
    case 0:
        what += " resize";
        width = random_between(s.rng, 8, 160), height = random_between(s.rng, 8, 120);
        MUR_IPLResize(width, height, pick(s, kResizeFilters));
        all_live(width, height);
        break;
    case 1: {
        what += " seam carving";
        // Carved only when the layers share one size, at least 2 x 2.
        int32_t w = 0, h = 0;
        bool same = true;
        for (int32_t slot = 1; slot < kSoakSlots; ++slot) {
            const SoakSlot& l = s.slots[slot];
            if (!l.live) continue;
            if (w == 0) w = l.width, h = l.height;
            same &= l.width == w && l.height == h;
        }
        const int32_t nw = random_between(s.rng, 8, 100), nh = random_between(s.rng, 8, 80);
        if (!same || w < 2 || h < 2) break;
        MUR_IPLSeamCarvingRGBA(nw, nh, 0);
        width = nw, height = nh;
        all_live(nw, nh);
        break;
    }
    case 2:
        what += " canvas";
        width = random_between(s.rng, 8, 160), height = random_between(s.rng, 8, 120);
        MUR_IPLResizePage(width, height, pick(s, kAnchors), random_between(s.rng, 0, 255), 0, 255);
        all_live(width, height);
        break;
    case 3: {
        what += " crop";
        const int32_t left = random_between(s.rng, 0, s.width - 1), top = random_between(s.rng, 0, s.height - 1);
        const int32_t right = random_between(s.rng, left + 1, s.width), bottom = random_between(s.rng, top + 1, s.height);
        MUR_IPLCrop(left, top, right, bottom);
        width = right - left, height = bottom - top;
        all_live(width, height);
        break;
    }
    case 4:
        what += " turn";
        if (random_chance(s.rng, 50)) MUR_IPLRotateLeft();
        else MUR_IPLRotateRight();
        for (int32_t slot = 1; slot < kSoakSlots; ++slot)
            if (s.slots[slot].live) std::swap(s.slots[slot].width, s.slots[slot].height);
        std::swap(width, height);
        break;
    default:
        what += " flip";
        if (random_chance(s.rng, 50)) MUR_IPLFlipHorizontal();
        else MUR_IPLFlipVertical();
        break;
    }
    s.width = width, s.height = height;
    MUR_NewSize(nullptr, s.width, s.height, s.maxBrush, 0);
    MUR_SetBlendBufferCount(1);
    refresh_back_buffers(s);
}

void random_tool(SoakState& s)
{
    MUR_SetTool(float(random_between(s.rng, 20, 100)) / 100.0f, random_between(s.rng, 0, 3),
                random_between(s.rng, 0, 255), random_between(s.rng, 0, 255), random_between(s.rng, 0, 255),
                random_between(s.rng, 0, 30), random_between(s.rng, 1, 20), random_between(s.rng, 0, 255),
                random_between(s.rng, 0, 255), random_between(s.rng, 0, 1), 0, random_between(s.rng, 0, 1), 0, "",
                "", 0);
    MUR_SetSize(random_between(s.rng, 1, s.maxBrush));
    MUR_SetColor(random_between(s.rng, 0, 255), random_between(s.rng, 0, 255), random_between(s.rng, 0, 255));
    MUR_SetAlpha(random_between(s.rng, 1, 100));
    if (random_chance(s.rng, 20)) MUR_SetMixMode(random_between(s.rng, 0, 255), random_between(s.rng, 0, 255));
    if (random_chance(s.rng, 20)) MUR_SetRotateBrushMode(random_between(s.rng, 0, 2), random_between(s.rng, 0, 359));
    if (random_chance(s.rng, 10)) MUR_SetDensity(random_between(s.rng, 0, 255));
}

// Dabs along a random line, some of them past the edges.
void dabs(SoakState& s, int kind)
{
    const int32_t n = random_between(s.rng, 1, 24);
    int32_t x = random_between(s.rng, -20, s.width + 20), y = random_between(s.rng, -20, s.height + 20);
    const int32_t dx = random_between(s.rng, -8, 8), dy = random_between(s.rng, -8, 8);
    const int32_t r = random_between(s.rng, 0, 65535), g = random_between(s.rng, 0, 65535),
                  b = random_between(s.rng, 0, 65535);
    for (int32_t i = 0; i < n; ++i, x += dx, y += dy) {
        if (random_chance(s.rng, 15)) MUR_SetScaleSize(random_between(s.rng, 1, s.maxBrush));
        if (random_chance(s.rng, 20)) MUR_MixBlendBufferSurface(x, y, random_between(s.rng, 0, 255));
        if (kind == 1) MUR_SetEraseModeOn();
        if (kind == 2) MUR_SetMaskMakerOn();
        MUR_DrawDabGrit(x, y, r, g, b);
        MUR_DecDrawingLength();
    }
}

}  // namespace

void start_walk(SoakState& s, uint64_t seed, const char* shareDir)
{
    s.rng.state = seed;
    s.shareDir = shareDir ? shareDir : "";
    MUR_SetLastError(kSoakSentinel);
    MUR_SetRandomSeed(static_cast<int32_t>(seed));
    s.width = random_between(s.rng, 24, 160);
    s.height = random_between(s.rng, 24, 120);
    s.maxBrush = random_between(s.rng, 8, 48);
    MUR_CreateImage(nullptr, s.width, s.height, s.maxBrush, 0);
    MUR_IPLInit(0);
    for (SoakSlot& slot : s.slots) slot = {};
    for (int32_t slot : {1, 2}) {
        MUR_CreateLayer(slot, s.width, s.height);
        s.slots[slot] = {true, s.width, s.height};
        MUR_SetLayerOptions(slot, 1, 0, 100, "Normal");
    }
    s.current = 2;
    MUR_SetLayer(2);
    s.undoLevels = random_between(s.rng, 8, 60);
    s.undoMB = random_between(s.rng, 4, 64);
    MUR_SetUndoLevels(s.undoLevels);
    MUR_SetUndoMB(s.undoMB);
    MUR_SetBlendBufferCount(1);
    random_tool(s);
}

std::string walk_step(SoakState& s, std::string& why)
{
    // Steps that need a current layer with pixels (those below 60 and the
    // alpha steps) fall back to choosing one.
    int choice = random_between(s.rng, 0, 99);
    if (!current_is_live(s) && (choice < 60 || (choice >= 92 && choice < 95))) choice = 70;
    std::string what;
    if (choice < 18) {  // a stroke into the paint layer, merged
        what = "stroke";
        pixel_step(s, why, true, [&] {
            random_tool(s);
            MUR_CreatePaintLayer(random_between(s.rng, 10, 100), random_between(s.rng, 10, 100), pick(s, kModes));
            dabs(s, 0);
            if (random_chance(s.rng, 20)) MUR_BlurPaintLayerAlpha();
            MUR_MergePaintLayer(s.current);
            if (random_chance(s.rng, 30)) MUR_DeletePaintLayer();
        });
    } else if (choice < 24) {  // dabs straight into the layer, or an eraser
        what = "dabs";
        pixel_step(s, why, true, [&] {
            MUR_DeletePaintLayer();
            dabs(s, random_between(s.rng, 0, 1));
        });
    } else if (choice < 28) {  // the mask maker
        what = "mask stroke";
        pixel_step(s, why, true, [&] { dabs(s, 2); });
    } else if (choice < 35) {
        what = "mask";
        pixel_step(s, why, false, [&] {
            switch (random_between(s.rng, 0, 7)) {
            case 0: MUR_ClearMask(random_between(s.rng, 0, 65535), random_between(s.rng, 0, 65535), 0); break;
            case 1: MUR_InvertMask(); break;
            case 2: MUR_CreateMaskFromImage(); break;
            case 3: MUR_CreateMaskFromAlpha(); break;
            case 4: MUR_EnableMask(random_between(s.rng, 0, 1)); break;
            case 5: {
                const int32_t w = random_between(s.rng, 1, s.width + 10), h = random_between(s.rng, 1, s.height + 10);
                const std::vector<uint8_t> gray = random_picture(s, w, h, 3);
                MUR_LoadMask(gray.data(), w * 3, w, h);
                break;
            }
            case 6: {
                const std::vector<uint8_t> gray = random_picture(s, s.width, s.height, 3);
                const char* ops[] = {"Add", "Subtract", "Replace"};
                MUR_CombineMask(gray.data(), s.width * 3, random_between(s.rng, 0, 1), random_between(s.rng, 0, 255),
                                pick(s, ops));
                break;
            }
            default: MUR_CreateMaskFromImageLuma(); break;
            }
        });
    } else if (choice < 42) {
        what = "load";
        pixel_step(s, why, false, [&] {
            const int32_t w = random_between(s.rng, 1, s.width + 16), h = random_between(s.rng, 1, s.height + 16);
            const int32_t pad = random_between(s.rng, 0, 9);
            const std::vector<uint8_t> picture = random_picture(s, w + pad, std::max(h, s.height), 4);
            const std::vector<uint8_t> rgb = random_picture(s, s.width, s.height, 3);
            const int32_t kind = random_between(s.rng, 0, 6);
            what += " " + std::to_string(kind);
            switch (kind) {
            case 0:
                MUR_LoadRGBA32Layer(picture.data(), (w + pad) * 4, s.current, random_between(s.rng, -w, s.width),
                                    random_between(s.rng, -h, s.height), w, h, random_between(s.rng, 0, 1));
                break;
            case 1:
                if (w + pad >= s.width) MUR_LoadRGBA32(picture.data(), (w + pad) * 4, random_between(s.rng, 0, 1));
                break;
            case 2: MUR_LoadRGB24(rgb.data(), s.width * 3, random_between(s.rng, 0, 1)); break;
            case 3: MUR_LoadRGB24ToAlpha(rgb.data(), s.width * 3, random_between(s.rng, 0, 1)); break;
            case 4: MUR_Load(rgb.data(), s.width * 3, random_between(s.rng, 0, s.width), random_between(s.rng, 0, s.height)); break;
            case 5: MUR_ClearMasked(random_between(s.rng, 0, 255), random_between(s.rng, 0, 255), 0, random_between(s.rng, 0, 255)); break;
            default: MUR_ClearMaskedAlpha(random_between(s.rng, 0, 255), 0, random_between(s.rng, 0, 255), random_between(s.rng, 0, 255)); break;
            }
        });
    } else if (choice < 47) {
        what = "filter";
        pixel_step(s, why, false, [&] {
            std::vector<uint8_t> source(std::size_t(s.width) * s.height * 4), result(source.size());
            MUR_GetRGBA32(source.data(), s.width * 4);
            MUR_AdjustRGBA32PreFilter(source.data(), s.width, s.height);
            MUR_IPLNativeFilterRGBA32(source.data(), result.data(), s.width, s.height, pick(s, kFilters),
                                      random_between(s.rng, 0, 1), random_between(s.rng, 0, 1000),
                                      random_between(s.rng, 0, 1000), random_between(s.rng, 0, 1000),
                                      random_between(s.rng, 0, 1000), 0, 0, random_between(s.rng, 0, 3), 0,
                                      random_between(s.rng, 0, 1), 0, 0, 0, 0, 0, random_between(s.rng, 0, 255),
                                      random_between(s.rng, 0, 255), random_between(s.rng, 0, 255));
            MUR_AdjustRGBA32PostFilter(result.data(), s.width, s.height);
            MUR_AdjustRGBA32ByMaskAndTexture(result.data(), s.width, s.height);
            MUR_LoadRGBA32(result.data(), s.width * 4, 1);
        });
    } else if (choice < 51) {
        what = "line codes";
        pixel_step(s, why, false, [&] {
            const int32_t row = random_between(s.rng, 0, s.height - 1);
            std::vector<uint8_t> code(std::size_t(s.width) * 5 + 5), again(code.size());
            const int32_t n = MUR_GetRGBA32LayerLineRLE(code.data(), s.current, row);
            MUR_PutRGBA32LayerLineRLE(code.data(), s.current, row);
            if (MUR_GetRGBA32LayerLineRLE(again.data(), s.current, row) != n ||
                !std::equal(code.begin(), code.begin() + n, again.begin()))
                why = "a layer row put from its line code does not give the same code back";
            std::vector<uint8_t> maskCode(std::size_t(s.width) * 2 + 2), maskAgain(maskCode.size());
            const int32_t m = MUR_GetMaskLineRLE(maskCode.data(), row);
            MUR_PutMaskLineRLE(maskCode.data(), row);
            if (MUR_GetMaskLineRLE(maskAgain.data(), row) != m ||
                !std::equal(maskCode.begin(), maskCode.begin() + m, maskAgain.begin()))
                why = "a mask row put from its line code does not give the same code back";
        });
    } else if (choice < 54) {
        what = "compressed copy";
        const int32_t from = live_slot(s);
        const SoakSlot source = s.slots[from];
        std::vector<uint8_t> packed(std::size_t(source.width) * source.height * 5 + 1024);
        const int32_t bytes = MUR_GetRGBA32LayerCompressed(packed.data(), 0, int32_t(packed.size()), from,
                                                           random_between(s.rng, 0, 9));
        if (bytes <= 0) {
            why = "a layer could not be compressed into a buffer of 5 bytes a pixel";
        } else {
            pixel_step(s, why, false, [&] {
                if (s.slots[s.current].width != source.width || s.slots[s.current].height != source.height) return;
                MUR_LoadRGBA32LayerCompressed(packed.data(), 0, bytes, s.current);
                std::vector<uint8_t> a(std::size_t(source.width) * source.height * 4), b(a.size());
                MUR_GetRGBA32Layer(a.data(), source.width * 4, from);
                MUR_GetRGBA32Layer(b.data(), source.width * 4, s.current);
                // Inside the image both read back alike; a pixel of alpha 0 loads as 0.
                const int32_t cols = std::min(source.width, s.width), rows = std::min(source.height, s.height);
                for (int32_t y = 0; y < rows && why.empty(); ++y)
                    for (int32_t x = 0; x < cols; ++x) {
                        const uint8_t* p = &a[(std::size_t(y) * source.width + x) * 4];
                        const uint8_t* q = &b[(std::size_t(y) * source.width + x) * 4];
                        const uint8_t zero[4] = {0, 0, 0, 0};
                        if (std::memcmp(q, p[3] ? p : zero, 4) != 0) {
                            why = "the compressed copy of a layer does not read back as the layer";
                            break;
                        }
                    }
            });
        }
    } else if (choice < 66) {
        what = "layers";
        const int32_t slot = random_between(s.rng, 0, kSoakSlots - 1);
        switch (random_between(s.rng, 0, 5)) {
        case 0:
        case 1: {
            const bool odd = random_chance(s.rng, 20);
            const int32_t w = odd ? random_between(s.rng, 1, s.width + 30) : s.width;
            const int32_t h = odd ? random_between(s.rng, 1, s.height + 30) : s.height;
            if (MUR_CreateLayer(slot, w, h)) s.slots[slot] = {true, w, h};
            MUR_SetLayerOptions(slot, 1, 0, random_between(s.rng, 0, 100), pick(s, kModes));
            what += " create";
            break;
        }
        case 2:
            MUR_DeleteLayer(slot);
            s.slots[slot] = {};
            what += " delete";
            break;
        case 3: {
            const int32_t other = random_between(s.rng, 0, kSoakSlots - 1);
            MUR_SwapLayers(slot, other);
            std::swap(s.slots[slot], s.slots[other]);
            what += " swap";
            break;
        }
        case 4:
            MUR_SetLayerOptions(slot, random_between(s.rng, 0, 1), 0, random_between(s.rng, 0, 100), pick(s, kModes));
            what += " options";
            break;
        default:
            break;
        }
        if (!current_is_live(s) || random_chance(s.rng, 30)) {
            const int32_t next = live_slot(s);
            if (next >= 0) {
                MUR_SetLayer(next);
                s.current = next;
            }
        }
        refresh_back_buffers(s);
    } else if (choice < 76) {
        what = "undo and redo";
        const int32_t back = random_between(s.rng, 1, 5), forward = random_between(s.rng, 0, back);
        for (int32_t i = 0; i < back; ++i) MUR_Undo();
        for (int32_t i = 0; i < forward; ++i) MUR_Redo();
        sync_current(s);
    } else if (choice < 83) {
        what = "render";
        const int32_t n = random_between(s.rng, 1, 4);
        const float scales[] = {float(n), float(n) + 0.5f, float(n) * 2.5f, 1.0f, 0.5f};
        const float scale = pick(s, scales);
        render_stays_inside(s, n, scale, random_between(s.rng, -20, s.width), random_between(s.rng, -20, s.height),
                            random_between(s.rng, -5, s.width + 20), random_between(s.rng, -5, s.height + 20),
                            random_chance(s.rng, 30), why);
    } else if (choice < 87) {
        what = "pick-up";
        MUR_SetBlendBufferCount(random_between(s.rng, 0, 6));
        MUR_SelectBlendBuffer(random_between(s.rng, 0, 5));
        MUR_SetBlendStrength(random_between(s.rng, 0, 256));
        const int32_t x = random_between(s.rng, -10, s.width + 10), y = random_between(s.rng, -10, s.height + 10);
        MUR_CopyBlendBufferSurface(x, y, random_between(s.rng, 0, 255), random_between(s.rng, 0, 1));
        MUR_MixBlendBufferSurface(x, y, random_between(s.rng, 0, 255));
        if (random_chance(s.rng, 30)) MUR_FilterBlendBuffer(random_between(s.rng, 289, 292), random_between(s.rng, 0, 100));
    } else if (choice < 92) {
        what = "merges";
        const int32_t a = live_slot(s), b = live_slot(s);
        std::vector<uint16_t> composite(std::size_t(s.width) * s.height * 4);
        MUR_Merge(composite.data());
        const int32_t w = random_between(s.rng, 1, 40), h = random_between(s.rng, 1, 40);
        std::vector<uint16_t> part(std::size_t(w) * h * 4);
        MUR_MergeRect(part.data(), random_between(s.rng, -20, s.width), random_between(s.rng, -20, s.height), w, h);
        MUR_MergeLayerIntoRect(a, part.data(), random_between(s.rng, -20, s.width), random_between(s.rng, -20, s.height), w, h);
        MUR_GetColorAtMerged(random_between(s.rng, -5, s.width + 5), random_between(s.rng, -5, s.height + 5));
        if (a != b && b != s.current && random_chance(s.rng, 50)) MUR_MergeLayer(a, b);
    } else if (choice < 95) {
        what = "alpha";
        pixel_step(s, why, false, [&] {
            switch (random_between(s.rng, 0, 3)) {
            case 0: MUR_SetLayerAlpha(s.current, random_between(s.rng, 0, 65535)); break;
            case 1: MUR_InvertAlpha(s.current); break;
            case 2: MUR_NormalizeLayerAlpha(s.current); break;
            default: MUR_CreateBlobFromImage(s.current, random_between(s.rng, 0, 2)); break;
            }
        });
    } else if (choice < 97) {
        what = "tool from a file";
        const std::string script = s.shareDir + (random_chance(s.rng, 50) ? "/textures/canvas_weave.lua"
                                                                          : "/textures/rough_paper.lua");
        if (random_chance(s.rng, 50))
            MUR_SetTool(1.0f, 1, 0, 0, 120, 4, 6, 0, 0, 0, 0, 0, 0, script.c_str(), "", 0);
        else
            MUR_SetBrushShape(script.c_str(), random_between(s.rng, 0, 3));
    } else if (choice < 98 && current_is_live(s) && random_chance(s.rng, 50)) {
        // Both mark the page dirty: the undo step must catch the change.
        what = "pan or push";
        pixel_step(s, why, true, [&] {
            MUR_IPLAllocSrcBuffer32();
            MUR_IPLAllocDstBuffer32();
            if (random_chance(s.rng, 50))
                MUR_IPLPan(random_between(s.rng, -s.width, s.width), random_between(s.rng, -s.height, s.height),
                           random_between(s.rng, 0, 3), random_between(s.rng, 0, 255), random_between(s.rng, 0, 255),
                           random_between(s.rng, 0, 255), random_between(s.rng, 0, 255), random_between(s.rng, 0, 1));
            else
                MUR_WarpPointToPoint(random_between(s.rng, -10, s.width + 10), random_between(s.rng, -10, s.height + 10),
                                     random_between(s.rng, -10, s.width + 10), random_between(s.rng, -10, s.height + 10));
            MUR_IPLFreeSrcBuffer32();
            MUR_IPLFreeDstBuffer32();
        });
    } else if (choice < 98) {
        what = "working buffers";
        MUR_IPLAllocSrcBuffer32();
        MUR_IPLAllocDstBuffer32();
        MUR_ToolAllocSrcBuffer32();
        MUR_ApplyMaskToAlpha_IPLSrcRGBA();
        MUR_IPLUpdateSrcBuffer32();
        MUR_IPLFreeSrcBuffer32();
        MUR_IPLFreeDstBuffer32();
        MUR_ToolFreeSrcBuffer32();
    } else if (choice < 99) {
        what = "history settings";
        if (random_chance(s.rng, 50)) {
            s.undoBudgetSinceSave = std::max(s.undoBudgetSinceSave, MUR_GetTotalUndoMemory());
            s.undoMB = random_between(s.rng, 1, 64);
            MUR_SetUndoMB(s.undoMB);
        } else {
            MUR_ReduceUndo(random_between(s.rng, 0, 2000));
        }
    } else if (random_chance(s.rng, 40)) {
        what = "geometry";
        geometry_step(s, what);
    } else if (random_chance(s.rng, 50)) {
        what = "new size";
        s.width = random_between(s.rng, 24, 160);
        s.height = random_between(s.rng, 24, 120);
        s.maxBrush = random_between(s.rng, 8, 48);
        MUR_NewSize(nullptr, s.width, s.height, s.maxBrush, 0);
        MUR_SetBlendBufferCount(1);
        random_tool(s);
        refresh_back_buffers(s);
    } else {
        what = "new image";
        start_walk(s, next_random(s.rng), s.shareDir.c_str());
    }
    ++s.counts[what];
    return what;
}

}  // namespace mur_tool

// The replayer's page: making it, flipping it, its numbered RGBA32 buffers,
// the copy-and-paste rectangle and native filters on the drawing layer.
#include "murcore.h"
#include "replay_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace mur_tool {

std::size_t page_bytes(const ReplayState& s) { return std::size_t(s.width) * std::size_t(s.height) * 4; }

void make_page(ReplayState& s, int32_t w, int32_t h)
{
    MUR_CreateImage(nullptr, w, h, kLargestBrush, 0);
    for (int32_t slot : {kBackgroundSlot, kDrawingSlot}) {
        MUR_CreateLayer(slot, w, h);
        MUR_SetLayerOptions(slot, 1, 0, 100, "Normal");
    }
    if (const Picture* picture = s.options->background)
        MUR_LoadRGBA32Layer(picture->rgba.data(), picture->width * 4, kBackgroundSlot, 0, 0, picture->width,
                            picture->height, 0);
    MUR_SetLayer(kDrawingSlot);
    MUR_IPLAllocSrcBuffer32();
    MUR_IPLAllocDstBuffer32();
    MUR_SetUndoLevels(4);
    s.width = w;
    s.height = h;
    s.sampleCap = 4 * (w + h) + 16;  // beyond that a segment runs far off the page
    for (auto& b : s.buffers) std::vector<uint8_t>().swap(b);
    s.bufferBytes = 0;
    s.clip.clear();
    s.clipW = s.clipH = 0;
    s.inStroke = false;
    s.points.clear();
    s.toolReady = false;  // the new image has new grit buffers
}

void flip_page(ReplayState& s, bool horizontal)
{
    std::vector<uint8_t> pixels(page_bytes(s));
    const std::size_t row = std::size_t(s.width) * 4;
    for (int32_t slot : {kBackgroundSlot, kDrawingSlot}) {
        MUR_GetRGBA32Layer(pixels.data(), s.width * 4, slot);
        for (int32_t y = 0; y < s.height; ++y) {
            uint8_t* r = &pixels[y * row];
            if (horizontal)
                for (int32_t x = 0; x < s.width / 2; ++x)
                    std::swap_ranges(r + x * 4, r + x * 4 + 4, r + (s.width - 1 - x) * 4);
            else if (y < s.height / 2)
                std::swap_ranges(r, r + row, &pixels[(s.height - 1 - y) * row]);
        }
        MUR_LoadRGBA32Layer(pixels.data(), s.width * 4, slot, 0, 0, s.width, s.height, 0);
    }
}

uint8_t* page_buffer(ReplayState& s, double index)
{
    if (!(index >= 0 && index < kPageBuffers && index == static_cast<int>(index))) {
        char shown[32];
        std::snprintf(shown, sizeof shown, "%g", index);
        s.failure = "page buffer " + std::string(shown) + " is not one of 0.." + std::to_string(kPageBuffers - 1);
        return nullptr;
    }
    std::vector<uint8_t>& b = s.buffers[static_cast<int>(index)];
    if (b.empty()) {
        if (s.bufferBytes + page_bytes(s) > kPageBufferBudget) {
            s.failure = "the page buffers would take more than " + std::to_string(kPageBufferBudget >> 20) + " MB";
            return nullptr;
        }
        b.assign(page_bytes(s), 0);
        s.bufferBytes += b.size();
    }
    return b.data();
}

void mask_to_rgba(const ReplayState& s, uint8_t* rgba)
{
    const std::size_t pixels = std::size_t(s.width) * s.height;
    std::vector<uint8_t> rgb(pixels * 3);
    MUR_SaveMask(rgb.data(), s.width * 3);
    for (std::size_t i = 0; i < pixels; ++i) {
        std::memcpy(rgba + i * 4, &rgb[i * 3], 3);
        rgba[i * 4 + 3] = 255;
    }
}

void rgba_to_mask(const ReplayState& s, const uint8_t* rgba)
{
    const std::size_t pixels = std::size_t(s.width) * s.height;
    std::vector<uint8_t> rgb(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i) std::memcpy(&rgb[i * 3], rgba + i * 4, 3);
    MUR_LoadMask(rgb.data(), s.width * 3, s.width, s.height);
}

void copy_rectangle(ReplayState& s, int32_t x, int32_t y, int32_t w, int32_t h)
{
    // Clipped to the page, in 64 bits: the corners may be anywhere.
    const int64_t x0 = std::clamp<int64_t>(x, 0, s.width), y0 = std::clamp<int64_t>(y, 0, s.height);
    const int64_t x1 = std::clamp<int64_t>(int64_t{x} + std::max(w, 0), 0, s.width);
    const int64_t y1 = std::clamp<int64_t>(int64_t{y} + std::max(h, 0), 0, s.height);
    s.clipW = static_cast<int32_t>(x1 - x0);
    s.clipH = static_cast<int32_t>(y1 - y0);
    s.clip.assign(std::size_t(s.clipW) * s.clipH * 4, 0);
    if (s.clip.empty()) return;
    std::vector<uint8_t> page(page_bytes(s));
    MUR_GetRGBA32Layer(page.data(), s.width * 4, kDrawingSlot);
    for (int64_t row = 0; row < s.clipH; ++row)
        std::memcpy(&s.clip[std::size_t(row) * s.clipW * 4], &page[(std::size_t(y0 + row) * s.width + x0) * 4],
                    std::size_t(s.clipW) * 4);
}

// The rectangle laid on a transparent page at (x, y) and merged over the
// drawing layer (Normal, full opacity).
void paste_clip(ReplayState& s, int32_t x, int32_t y)
{
    if (s.clip.empty()) return;
    std::vector<uint8_t> page(page_bytes(s), 0);
    bool any = false;
    for (int32_t row = 0; row < s.clipH; ++row) {
        const int64_t py = int64_t{y} + row;
        if (py < 0 || py >= s.height) continue;
        const int64_t from = std::max<int64_t>(0, -int64_t{x}), to = std::min<int64_t>(s.clipW, int64_t{s.width} - x);
        if (from >= to) continue;
        std::memcpy(&page[(std::size_t(py) * s.width + std::size_t(x + from)) * 4],
                    &s.clip[(std::size_t(row) * s.clipW + std::size_t(from)) * 4], std::size_t(to - from) * 4);
        any = true;
    }
    if (any) MUR_MergeRGBA32Layer(page.data(), kDrawingSlot, 0, 256);
}

bool run_native_filter(ReplayState& s, const char* name, const int32_t n[18])
{
    std::vector<uint8_t> source(page_bytes(s)), result(page_bytes(s));
    MUR_GetRGBA32Layer(source.data(), s.width * 4, kDrawingSlot);
    if (!MUR_IPLNativeFilterRGBA32(source.data(), result.data(), s.width, s.height, name, 0, n[1], n[2], n[3], n[4],
                                   n[5], n[6], n[7], n[8], n[9], n[10], n[11], n[12], n[13], n[14], n[15], n[16], n[17]))
        return false;
    MUR_LoadRGBA32(result.data(), s.width * 4, 1);
    return true;
}

}  // namespace mur_tool

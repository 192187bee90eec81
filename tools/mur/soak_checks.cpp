// The invariants `mur soak` checks after every step.
#include "murcore.h"
#include "soak_state.h"

#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace mur_tool {
namespace {

uint64_t mix(uint64_t h, uint64_t v)
{
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h * 0xFF51AFD7ED558CCDull;
}

uint64_t hash_bytes(uint64_t h, const uint8_t* p, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t v;
        std::memcpy(&v, p + i, 8);
        h = mix(h, v);
    }
    for (; i < n; ++i) h = mix(h, p[i]);
    return h;
}

// A side cut to the view size, when one is set.
int64_t cut_to_view(int64_t extent, int32_t view) { return view > 0 ? std::min<int64_t>(extent, view) : extent; }

}  // namespace

ImageHash image_hash(const SoakState& s)
{
    ImageHash parts(kSoakSlots + 1, 0);
    std::vector<uint16_t> pixels;
    // The part of each layer inside the image: undo keeps the image's
    // rectangle, so a layer larger than the image has parts it cannot reach.
    for (int32_t slot = 0; slot < kSoakSlots; ++slot) {
        if (!s.slots[slot].live) continue;
        pixels.assign(std::size_t(s.width) * s.height * 4, 0);
        MUR_GetRGBA64Layer(pixels.data(), s.width * 8, slot);
        parts[slot] = hash_bytes(1, reinterpret_cast<const uint8_t*>(pixels.data()), pixels.size() * 2);
    }
    pixels.assign(std::size_t(s.width) * s.height, 0);
    MUR_GetMaskData16(pixels.data());
    parts[kSoakSlots] = hash_bytes(1, reinterpret_cast<const uint8_t*>(pixels.data()), pixels.size() * 2);
    return parts;
}

std::string differing_parts(const ImageHash& a, const ImageHash& b)
{
    std::string out;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) out += (out.empty() ? "" : ", ") + (i < kSoakSlots ? "layer " + std::to_string(i) : "the mask");
    return out;
}

void sync_current(SoakState& s) { s.current = MUR_GetLayerNum(); }

bool layers_match(const SoakState& s, std::string& why)
{
    int32_t live = 0;
    for (const SoakSlot& l : s.slots) live += l.live ? 1 : 0;
    if (MUR_GetLayerCount() != live) {
        why = "the engine holds " + std::to_string(MUR_GetLayerCount()) + " layers, the host made " +
              std::to_string(live);
        return false;
    }
    if (MUR_GetLayerNum() != s.current) {
        why = "the current layer is " + std::to_string(MUR_GetLayerNum()) + ", the host chose " +
              std::to_string(s.current);
        return false;
    }
    return true;
}

std::size_t process_heap_bytes()
{
    if (__sanitizer_get_current_allocated_bytes) return __sanitizer_get_current_allocated_bytes();
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

bool heap_within_budget(const SoakState& s, std::string& why)
{
    // What the image owns at most: its layers, the paint layer, mask, back
    // buffers and texture, the working buffers, the brush's buffers and the
    // random tables; then the history's budget; then this host's own
    // buffers and the library's, as a margin.
    const std::size_t page = std::size_t(s.width) * s.height;
    const std::size_t brush = std::size_t(s.maxBrush);
    std::size_t owned = page * (8 + 2 + 10 + 1 + 6 * 4 + 2 * 3) + 20 * (brush + 25) * (brush + 25) +
                        brush * brush * (2 + 20 * 8) + 4 * 1000000 + (std::size_t(1) << 20);
    for (const SoakSlot& l : s.slots)
        if (l.live) owned += std::size_t(l.width) * l.height * 8;
    const std::size_t history = std::size_t(std::max(s.undoBudgetSinceSave, MUR_GetTotalUndoMemory())) << 20;
    const std::size_t budget = owned + history + owned / 2 + (std::size_t(48) << 20);
    const std::size_t used = process_heap_bytes();
    if (used > budget) {
        why = "the heap holds " + std::to_string(used >> 10) + " KB, more than the " + std::to_string(budget >> 10) +
              " KB the image and the history may own";
        return false;
    }
    return true;
}

bool history_within_budget(const SoakState& s, std::string& why)
{
    // A save drops the oldest entries until the history fits its budget, but
    // keeps the newest even when that alone is larger; the back buffers
    // count too.
    const int64_t image = int64_t{s.width} * s.height * 10;
    const int64_t allowed = int64_t{MUR_GetTotalUndoMemory()} + (2 * image >> 20) + 1;
    if (MUR_GetCurrentUndoMemory() > allowed) {
        why = "after a save the history holds " + std::to_string(MUR_GetCurrentUndoMemory()) + " MB of a budget of " +
              std::to_string(MUR_GetTotalUndoMemory()) + " MB";
        return false;
    }
    return true;
}

bool undo_then_redo_restores(SoakState& s, std::string& why)
{
    if (!MUR_CanUndo()) return true;
    const ImageHash before = image_hash(s);
    const int32_t undone = MUR_GetRedoCount();
    MUR_Undo();
    // An entry whose layer is gone cannot be undone; then redo would redo
    // an earlier step, which is not the pair this checks.
    if (MUR_GetRedoCount() != undone + 1) {
        sync_current(s);
        return true;
    }
    MUR_Redo();
    sync_current(s);
    const ImageHash after = image_hash(s);
    if (after != before) {
        why = "undo then redo did not restore " + differing_parts(before, after);
        return false;
    }
    return true;
}

bool render_stays_inside(SoakState& s, int32_t n, float scale, int32_t x, int32_t y, int32_t w, int32_t h,
                         bool bottomUp, std::string& why)
{
    const int32_t viewW = random_between(s.rng, 0, 2) == 0 ? 0 : random_between(s.rng, 1, s.width + 8);
    const int32_t viewH = random_between(s.rng, 0, 2) == 0 ? 0 : random_between(s.rng, 1, s.height + 8);
    MUR_SetScale(n, scale);
    MUR_SetViewSize(viewW, viewH);
    // The rows and columns the header promises for this call.
    const int64_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int64_t cw = x0 + w > s.width ? s.width - x0 : w, ch = y0 + h > s.height ? s.height - y0 : h;
    int64_t cols = 0, rows = 0;
    if (cw > 0 && ch > 0) {
        if (scale == float(n)) {
            cols = cw, rows = ch;
        } else if (scale > float(n)) {
            cols = int64_t(float(cw) / scale), rows = int64_t(float(ch) / scale);
        } else {
            cols = int64_t{n} * cw, rows = int64_t{n} * ch;
        }
        cols = cut_to_view(cols, viewW), rows = cut_to_view(rows, viewH);
    }
    constexpr std::size_t kMargin = 64;
    const int64_t stride = cols * 3 + random_between(s.rng, 0, 7);
    const std::size_t inside = std::size_t(std::max<int64_t>(rows, 1)) * std::size_t(std::max<int64_t>(stride, 1));
    std::vector<uint8_t> buffer(inside + 2 * kMargin, 0xA5);
    uint8_t* first = buffer.data() + kMargin + (bottomUp && rows > 1 ? std::size_t(rows - 1) * std::size_t(stride) : 0);
    const int32_t result =
        MUR_Render(first, static_cast<int32_t>(bottomUp ? -stride : stride), x, y, w, h);
    for (std::size_t i = 0; i < kMargin; ++i)
        if (buffer[i] != 0xA5 || buffer[buffer.size() - 1 - i] != 0xA5) {
            why = "the render of (" + std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(w) + ", " +
                  std::to_string(h) + ") at scale " + std::to_string(n) + "/" + std::to_string(scale) +
                  " wrote outside its " + std::to_string(rows) + " rows of " + std::to_string(cols) + " pixels";
            return false;
        }
    // Between the rows' pixels, the padding of the stride stays untouched.
    for (int64_t r = 0; r < rows; ++r)
        for (int64_t b = cols * 3; b < stride; ++b)
            if (buffer[kMargin + std::size_t(r * stride + b)] != 0xA5) {
                why = "the render wrote into the padding of row " + std::to_string(r);
                return false;
            }
    (void)result;
    return true;
}

}  // namespace mur_tool

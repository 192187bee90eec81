// Random sequences of drawing, saves, undos, redos, level changes, layer
// switches and forced allocation failures, checked after every step against a
// reference model that keeps whole-image copies instead of patches.
#include "support/engine_fixture.h"

#include "undo/history.h"

#include <algorithm>
#include <array>
#include <random>
#include <sstream>
#include <vector>

namespace mur::test {
namespace {

constexpr int32_t W = 64;
constexpr int32_t H = 48;
constexpr int32_t kSlots[2] = {2, 3};

using Plane = std::vector<uint16_t>;  // whole image, 4 values a pixel for layers, 1 for the mask

struct Rect {
    int32_t x0, y0, x1, y1;  // inclusive
};

struct ModelEntry {
    bool color = false;
    bool mask = false;
    Rect rect{};
    int32_t layer = 0;
    Plane colorCopy;  // whole image; only `rect` is meaningful
    Plane maskCopy;
    bool holds() const { return color || mask; }
};

int64_t area(const Rect& r) { return int64_t{r.x1 - r.x0 + 1} * (r.y1 - r.y0 + 1); }
int32_t color_kb(const Rect& r) { return static_cast<int32_t>(area(r) * 8 / 1024); }
int32_t mask_kb(const Rect& r) { return static_cast<int32_t>(area(r) * 2 / 1024); }
int32_t estimate_kb(const Rect& r) { return static_cast<int32_t>(area(r) * 10 / 1024); }

// Copies the rectangle between two whole-image planes with `n` values a pixel.
void copy_rect(const Plane& from, Plane& to, const Rect& r, int n)
{
    for (int32_t y = r.y0; y <= r.y1; ++y)
        std::copy_n(from.begin() + (y * W + r.x0) * n, (r.x1 - r.x0 + 1) * n, to.begin() + (y * W + r.x0) * n);
}

// The history's rules, on whole-image copies.
struct Model {
    std::array<Plane, 2> layers{Plane(W * H * 4, 0), Plane(W * H * 4, 0)};
    Plane mask = Plane(W * H, 65535);
    Plane back = Plane(W * H * 4, 0);
    Plane backMask = Plane(W * H, 65535);
    int current = 0;  // index into kSlots
    std::array<ModelEntry, kUndoSlots> entries{};
    std::array<int, kUndoSlots> entryLayer{};
    int levels = 0;
    int redo = 0;
    int32_t used = W * H * 10 / 1024;
    int32_t limit = 0;
    Rect dirty{W - 1, H - 1, 0, 0};
    int failuresLeft = 0;  // allocations that are made to fail

    Plane& layer_of(int32_t slot) { return layers[slot == kSlots[0] ? 0 : 1]; }
    void lower(int32_t kb) { used = std::max(0, used - kb); }

    void free_entry(ModelEntry& e) { e = ModelEntry{}; }
    bool try_alloc()
    {
        if (failuresLeft > 0) {
            --failuresLeft;
            return false;
        }
        return true;
    }

    void set_layer(int index)
    {
        current = index;
        back = layers[index];
        backMask = mask;
    }

    void clear()
    {
        dirty = {W - 1, H - 1, 0, 0};
        redo = 0;
        for (ModelEntry& e : entries) free_entry(e);
        used = W * H * 10 / 1024;
        back = layers[current];
        backMask = mask;
    }

    void remove_abandoned()
    {
        if (redo < 1) return;
        for (int i = 0; i < redo; ++i) {
            if (entries[i].color) lower(color_kb(entries[i].rect));
            if (entries[i].mask) lower(mask_kb(entries[i].rect));
            free_entry(entries[i]);
        }
        for (int i = redo; i < levels; ++i) {
            entries[i - redo] = entries[i];
            entryLayer[i - redo] = entryLayer[i];
        }
        for (int i = levels - redo; i < levels; ++i) free_entry(entries[i]);
        redo = 0;
    }

    int reduce(int32_t kb)
    {
        const int before = redo;
        remove_abandoned();
        int freed = before;
        int64_t freedKB = 0;
        for (int k = levels - 1; k >= 0; --k) {
            if (!entries[k].color) continue;
            if (freedKB >= kb) break;
            const int32_t est = estimate_kb(entries[k].rect);
            free_entry(entries[k]);
            lower(est);
            freedKB += est;
            ++freed;
        }
        return freed;
    }

    bool drop_oldest()
    {
        for (int k = kUndoSlots - 1; k >= 0; --k) {
            ModelEntry& e = entries[k];
            if (!e.holds()) continue;
            lower((e.color ? color_kb(e.rect) : 0) + (e.mask ? mask_kb(e.rect) : 0));
            free_entry(e);
            if (redo > k) redo = k;
            return true;
        }
        return false;
    }

    bool can_undo() const { return redo < levels && entries[redo].holds(); }

    // The guarded allocator's retry rule.
    bool alloc(int32_t bytes)
    {
        for (;;) {
            if (try_alloc()) return true;
            if (!can_undo() && redo == 0) return false;
            if (reduce(bytes / 1024) == 0 && !drop_oldest()) return false;
        }
    }

    void save(bool wantColor, bool wantMask)
    {
        Rect r{std::max(dirty.x0, 0), std::max(dirty.y0, 0), std::min(dirty.x1, W - 1), std::min(dirty.y1, H - 1)};
        if (r.x1 <= r.x0 || r.y1 <= r.y0) r = {0, 0, W - 1, H - 1};
        remove_abandoned();
        ModelEntry fresh;
        fresh.rect = r;
        bool recorded = false;
        if (wantColor || wantMask) {
            int k = levels;
            for (;;) {
                do {
                    if (--k < 0) break;
                    ModelEntry& old = entries[k];
                    if (old.color) lower(color_kb(old.rect));
                    if (old.mask) lower(mask_kb(old.rect));
                    free_entry(old);
                } while (limit <= estimate_kb(r) + used && k != 0);
                if (k < 0) break;
                if (wantColor && !fresh.color && try_alloc()) {
                    fresh.color = true;
                    used += color_kb(r);
                }
                if (wantMask && !fresh.mask && try_alloc()) {
                    fresh.mask = true;
                    used += mask_kb(r);
                }
                if ((!wantColor || fresh.color) && (!wantMask || fresh.mask)) {
                    recorded = true;
                    break;
                }
            }
            if (!recorded) {
                if (fresh.color) lower(color_kb(r));
                if (fresh.mask) lower(mask_kb(r));
            }
        }
        if (recorded) {
            fresh.layer = kSlots[current];
            if (fresh.color) fresh.colorCopy = back;
            if (fresh.mask) fresh.maskCopy = backMask;
            for (int k = levels - 2; k >= 0; --k) {
                entries[k + 1] = entries[k];
                entryLayer[k + 1] = entryLayer[k];
            }
            entries[0] = fresh;
            entryLayer[0] = kSlots[current];
        }
        if (wantColor) copy_rect(layers[current], back, r, 4);
        if (wantMask) copy_rect(mask, backMask, r, 1);
        dirty = {W - 1, H - 1, 0, 0};
    }

    void apply(int index)
    {
        ModelEntry& e = entries[index];
        const int target = entryLayer[index] == kSlots[0] ? 0 : 1;
        if (target != current) set_layer(target);
        if (e.color) {
            copy_rect(e.colorCopy, layers[current], e.rect, 4);
            copy_rect(back, e.colorCopy, e.rect, 4);
            copy_rect(layers[current], back, e.rect, 4);
        }
        if (e.mask) {
            copy_rect(e.maskCopy, mask, e.rect, 1);
            copy_rect(backMask, e.maskCopy, e.rect, 1);
            copy_rect(mask, backMask, e.rect, 1);
        }
    }

    void undo()
    {
        if (redo >= levels || !entries[redo].holds()) return;
        apply(redo);
        ++redo;
    }

    void redo_step()
    {
        if (redo == 0) return;
        --redo;
        apply(redo);
    }

    int undo_count() const
    {
        return static_cast<int>(std::count_if(entries.begin(), entries.end(), [](auto& e) { return e.holds(); }));
    }
};

std::string first_difference(const Plane& model, const uint16_t* engineValues, int n)
{
    for (std::size_t i = 0; i < model.size(); ++i)
        if (model[i] != engineValues[i]) {
            std::ostringstream out;
            out << "first at (" << (i / n) % W << ", " << i / n / W << "): engine " << engineValues[i] << ", model "
                << model[i];
            return out.str();
        }
    return "none";
}

class UndoHistoryModel : public EngineTest, public ::testing::WithParamInterface<uint32_t> {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create_image(W, H, 8);
        for (int32_t slot : kSlots) ASSERT_EQ(MUR_CreateLayer(slot, W, H), 1);
        MUR_SetLayer(kSlots[0]);
    }

    void expect_same(const Model& m, const std::string& step)
    {

        for (int i = 0; i < 2; ++i) {
            const uint16_t* pixels = engine.layers.slots[kSlots[i]].pixels;
            ASSERT_TRUE(std::equal(m.layers[i].begin(), m.layers[i].end(), pixels))
                << "layer " << kSlots[i] << " after " << step << ": " << first_difference(m.layers[i], pixels, 4);
        }
        ASSERT_TRUE(std::equal(m.mask.begin(), m.mask.end(), engine.mask.plane))
            << "mask after " << step << ": " << first_difference(m.mask, engine.mask.plane, 1);
        ASSERT_EQ(MUR_CanUndo(), m.can_undo() ? 1 : 0) << step;
        ASSERT_EQ(MUR_CanRedo(), m.redo != 0 ? 1 : 0) << step;
        ASSERT_EQ(MUR_GetUndoCount(), m.undo_count()) << step;
        ASSERT_EQ(MUR_GetRedoCount(), m.redo) << step;
        ASSERT_EQ(engine.undo.undoUsedKB, m.used) << step;
        ASSERT_EQ(MUR_GetLayerNum(), kSlots[m.current]) << step;
    }
};

TEST_P(UndoHistoryModel, EngineMatchesTheModelAfterEveryStep)
{
    std::mt19937 rng(GetParam());
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    Model m;
    const int32_t limits[] = {0, 20, 45, 80, 1 << 30};

    auto set_levels = [&](int n) {
        MUR_SetUndoLevels(n);
        m.levels = n;
        m.clear();
    };
    auto set_limit = [&](int32_t kb) {
        engine.undo.undoLimitKB = kb;
        m.limit = kb;
    };
    set_levels(pick(1, 8));
    set_limit(limits[pick(0, 4)]);

    for (int step = 0; step < 400; ++step) {
        std::ostringstream what;
        const int op = pick(0, 99);
        if (op < 35) {
            // Draw a rectangle of colour into one of the layers, or into the mask.
            Rect r{pick(-4, W - 1), pick(-4, H - 1), 0, 0};
            r.x1 = std::min(W - 1, r.x0 + pick(0, W / 2));
            r.y1 = std::min(H - 1, r.y0 + pick(0, H / 2));
            const Rect in{std::max(r.x0, 0), std::max(r.y0, 0), r.x1, r.y1};
            const uint16_t value = static_cast<uint16_t>(pick(0, 65535));
            if (pick(0, 3) == 0) {
                for (int32_t y = in.y0; y <= in.y1; ++y)
                    for (int32_t x = in.x0; x <= in.x1; ++x) {
                        engine.mask.plane[y * W + x] = value;
                        m.mask[y * W + x] = value;
                    }
                what << "mask draw";
            } else {
                const int which = pick(0, 3) == 0 ? 1 - m.current : m.current;
                uint16_t* pixels = engine.layers.slots[kSlots[which]].pixels;
                for (int32_t y = in.y0; y <= in.y1; ++y)
                    for (int32_t x = in.x0; x <= in.x1; ++x)
                        for (int c = 0; c < 4; ++c) {
                            pixels[(y * W + x) * 4 + c] = static_cast<uint16_t>(value + c);
                            m.layers[which][(y * W + x) * 4 + c] = static_cast<uint16_t>(value + c);
                        }
                what << "draw on layer " << kSlots[which];
            }
            undo::widen_dirty(r.x0, r.y0, r.x1, r.y1);
            m.dirty = {std::min(m.dirty.x0, r.x0), std::min(m.dirty.y0, r.y0), std::max(m.dirty.x1, r.x1),
                       std::max(m.dirty.y1, r.y1)};
        } else if (op < 60) {
            const bool color = pick(0, 4) != 0, mask = pick(0, 2) == 0;
            const int failures = pick(0, 5) == 0 ? pick(1, 3) : 0;
            mem::fail_allocations(0, failures);
            MUR_SaveUndoBuffer(color, mask);
            mem::reset_failures();
            m.failuresLeft = failures;
            m.save(color, mask);
            m.failuresLeft = 0;
            what << "save color " << color << " mask " << mask << " with " << failures << " failures";
        } else if (op < 75) {
            MUR_Undo();
            m.undo();
            what << "undo";
        } else if (op < 87) {
            MUR_Redo();
            m.redo_step();
            what << "redo";
        } else if (op < 91) {
            const int index = pick(0, 1);
            MUR_SetLayer(kSlots[index]);
            m.set_layer(index);
            what << "set layer " << kSlots[index];
        } else if (op < 94) {
            const int n = pick(0, 8);
            set_levels(n);
            what << "levels " << n;
        } else if (op < 96) {
            const int32_t kb = limits[pick(0, 4)];
            set_limit(kb);
            what << "limit " << kb;
        } else {
            // Memory pressure: a guarded allocation that fails a few times.
            const int32_t bytes = pick(0, 1) ? pick(0, 900) : pick(1024, 40000);
            const int failures = pick(1, 4);
            mem::fail_allocations(0, failures);
            void* block = MUR_Alloc(bytes);
            mem::reset_failures();
            m.failuresLeft = failures;
            const bool modelGot = m.alloc(bytes);
            m.failuresLeft = 0;
            ASSERT_EQ(block != nullptr, modelGot) << "alloc " << bytes;
            MUR_Free(block);
            what << "alloc " << bytes << " with " << failures << " failures";
        }
        what << " (step " << step << ")";
        expect_same(m, what.str());
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, UndoHistoryModel, ::testing::Range(1u, 25u));

}  // namespace
}  // namespace mur::test

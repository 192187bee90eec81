// Compositing: the layer merge of a 4096 x 4096 layer in several modes, one
// pixel of paint compositing per call, and the view of a 4000 x 3000 document
// drawn 1:1, reduced and magnified. Beside them, in the same run: memcpy of
// the merged bytes and pixman's OVER on 8-bit and float pixels of the same
// size (when pixman is installed).
#include "engine/state.h"
#include "imaging/png_codec.h"
#include "murcore.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifdef MUR_BENCH_PIXMAN
#include <pixman.h>
#endif

namespace {

// A photograph as 16-bit colour, tiled (mirrored) over any size.
struct Photo {
    std::vector<uint8_t> rgba;
    int32_t width = 0, height = 0;
    explicit Photo(const char* name)
    {
        mur::imaging::Rgba32Picture picture;
        const std::string path = std::string(MUR_TESTDATA_DIR) + "/" + name;
        if (mur::imaging::read_png(path.c_str(), picture)) {
            width = picture.width, height = picture.height;
            rgba.assign(picture.pixels, picture.pixels + std::size_t(width) * height * 4);
            mur::imaging::release_picture(picture);
        } else {  // no photograph: a colour ramp
            width = height = 256;
            rgba.resize(256 * 256 * 4);
            for (int i = 0; i < 256 * 256; ++i) rgba[i * 4] = uint8_t(i), rgba[i * 4 + 1] = uint8_t(i >> 8), rgba[i * 4 + 2] = 99;
        }
    }
    const uint8_t* at(int64_t x, int64_t y) const
    {
        const int64_t px = (x / width) % 2 ? width - 1 - x % width : x % width;
        const int64_t py = (y / height) % 2 ? height - 1 - y % height : y % height;
        return rgba.data() + (py * width + px) * 4;
    }
};

const Photo& photo(int k)
{
    static const Photo photos[3] = {Photo("astronaut.png"), Photo("coffee.png"), Photo("chelsea.png")};
    return photos[k % 3];
}

// Fills a layer from a photograph with an alpha given per pixel.
template <class Alpha>
void paint_layer(uint16_t* pixels, int32_t stride, int32_t w, int32_t h, const Photo& from, Alpha alpha)
{
    for (int32_t y = 0; y < h; ++y) {
        uint16_t* row = pixels + int64_t{y} * stride;
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* c = from.at(x, y);
            row[x * 4 + 0] = uint16_t(c[0] << 8);
            row[x * 4 + 1] = uint16_t(c[1] << 8);
            row[x * 4 + 2] = uint16_t(c[2] << 8);
            row[x * 4 + 3] = alpha(x, y);
        }
    }
}

// ---- The layer merge -----------------------------------------------------------

constexpr int32_t kSide = 4096;
constexpr int64_t kPixels = int64_t{kSide} * kSide;

enum MergeCase { NormalOpaque, NormalHalf, Multiply, SoftLight, Color };
const char* const kMergeModes[] = {"Normal", "Normal", "Multiply", "Soft Light", "Color"};

void BM_MergeLayer(benchmark::State& state)
{
    const auto which = static_cast<MergeCase>(state.range(0));
    MUR_CreateImage(nullptr, kSide, kSide, 64, 0);
    MUR_CreateLayer(2, kSide, kSide);
    MUR_CreateLayer(3, kSide, kSide);
    MUR_SetLayerOptions(3, 1, 0, 100, kMergeModes[which]);
    mur::LayerRecord& dst = mur::engine.layers.slots[2];
    mur::LayerRecord& src = mur::engine.layers.slots[3];
    paint_layer(dst.pixels, dst.stride, kSide, kSide, photo(0), [](int, int) { return uint16_t(65535); });
    // Half-transparent sources vary their alpha a little around one half.
    paint_layer(src.pixels, src.stride, kSide, kSide, photo(1), [which](int x, int y) {
        return which == NormalOpaque ? uint16_t(65535) : uint16_t(30000 + ((x * 7 + y * 13) & 0x1FFF));
    });
    const std::vector<uint16_t> original(dst.pixels, dst.pixels + kPixels * 4);
    for (auto _ : state) {
        MUR_MergeLayer(3, 2);
        state.PauseTiming();
        std::memcpy(dst.pixels, original.data(), original.size() * 2);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
    const char* labels[] = {"Normal, opaque", "Normal, half-transparent", "Multiply", "Soft Light", "Color"};
    state.SetLabel(labels[which]);
    MUR_DeleteImage();
}
BENCHMARK(BM_MergeLayer)->DenseRange(NormalOpaque, Color)->Unit(benchmark::kMillisecond)->UseRealTime();

// memcpy of the bytes an opaque merge writes (8 per pixel), counted in pixels.
void BM_MemcpyLayer(benchmark::State& state)
{
    std::vector<uint16_t> a(kPixels * 4, 1), b(kPixels * 4, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
    state.SetLabel("8 bytes a pixel");
}
BENCHMARK(BM_MemcpyLayer)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef MUR_BENCH_PIXMAN
// pixman's OVER of a half-transparent premultiplied source onto an opaque
// destination, 4096 x 4096, on 8-bit a8r8g8b8 and on float RGBA pixels.
void BM_PixmanOver(benchmark::State& state)
{
    const bool floats = state.range(0) != 0;
    const pixman_format_code_t format = floats ? PIXMAN_rgba_float : PIXMAN_a8r8g8b8;
    const int bytes = floats ? 16 : 4;
    std::vector<uint8_t> s(std::size_t(kPixels) * bytes), d(std::size_t(kPixels) * bytes);
    for (int32_t y = 0; y < kSide; ++y)
        for (int32_t x = 0; x < kSide; ++x) {
            const uint8_t* c = photo(1).at(x, y);
            const uint8_t* e = photo(0).at(x, y);
            const int a = (30000 + ((x * 7 + y * 13) & 0x1FFF)) >> 8;
            const std::size_t i = std::size_t(y) * kSide + x;
            if (floats) {
                float* sp = reinterpret_cast<float*>(s.data()) + i * 4;
                float* dp = reinterpret_cast<float*>(d.data()) + i * 4;
                for (int k = 0; k < 3; ++k) sp[k] = c[k] / 255.0f * (a / 255.0f), dp[k] = e[k] / 255.0f;
                sp[3] = a / 255.0f, dp[3] = 1.0f;
            } else {
                uint32_t* sp = reinterpret_cast<uint32_t*>(s.data()) + i;
                uint32_t* dp = reinterpret_cast<uint32_t*>(d.data()) + i;
                *sp = uint32_t(a) << 24 | uint32_t(c[0] * a / 255) << 16 | uint32_t(c[1] * a / 255) << 8 | uint32_t(c[2] * a / 255);
                *dp = 0xFF000000u | uint32_t(e[0]) << 16 | uint32_t(e[1]) << 8 | e[2];
            }
        }
    pixman_image_t* src = pixman_image_create_bits(format, kSide, kSide, reinterpret_cast<uint32_t*>(s.data()), kSide * bytes);
    pixman_image_t* dst = pixman_image_create_bits(format, kSide, kSide, reinterpret_cast<uint32_t*>(d.data()), kSide * bytes);
    for (auto _ : state) pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kSide, kSide);
    pixman_image_unref(src);
    pixman_image_unref(dst);
    state.SetItemsProcessed(state.iterations() * kPixels);
    state.SetLabel(floats ? "pixman OVER, float" : "pixman OVER, a8r8g8b8");
}
BENCHMARK(BM_PixmanOver)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// ---- One pixel of paint compositing ------------------------------------------

void BM_MergePixel(benchmark::State& state)
{
    const auto mode = static_cast<int32_t>(state.range(0));
    std::mt19937 rng(7);
    struct Case {
        uint32_t s[4];
        int32_t d[4];
    };
    std::vector<Case> cases(4096);
    for (Case& c : cases) {
        for (int k = 0; k < 3; ++k) c.s[k] = rng() % 65281, c.d[k] = int32_t(rng() % 65281);
        c.s[3] = 1 + rng() % 65000;
        c.d[3] = int32_t(1 + rng() % 65534);
    }
    std::size_t i = 0;
    for (auto _ : state) {
        Case c = cases[i++ & 4095];
        MUR_MergePixel(&c.d[0], &c.d[1], &c.d[2], &c.d[3], c.s[0], c.s[1], c.s[2], c.s[3], mode, 256, 0);
        benchmark::DoNotOptimize(c);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(mode == 0 ? "Normal, partly covered" : "Multiply, partly covered");
}
BENCHMARK(BM_MergePixel)->Arg(0)->Arg(1);

// ---- The view -------------------------------------------------------------------

constexpr int32_t kPageW = 4000;
constexpr int32_t kPageH = 3000;
constexpr int32_t kViewW = 1920;
constexpr int32_t kViewH = 1080;

// A document of `layers` visible Normal layers: an opaque photograph at the
// bottom, and above it layers that each hold a soft-edged opaque disc and a
// half-transparent glaze band of another photograph; optionally a stroke in
// progress in the paint layer over the current (top) layer.
void build_document(int layers, bool stroke)
{
    MUR_CreateImage(nullptr, kPageW, kPageH, 256, 0);
    for (int slot = 1; slot <= layers; ++slot) {
        MUR_CreateLayer(slot, kPageW, kPageH);
        MUR_SetLayerOptions(slot, 1, 0, 100, "Normal");
        mur::LayerRecord& layer = mur::engine.layers.slots[slot];
        if (slot == 1) {
            paint_layer(layer.pixels, layer.stride, kPageW, kPageH, photo(0), [](int, int) { return uint16_t(65535); });
            continue;
        }
        const double cx = 700 + (slot * 977) % 2600, cy = 500 + (slot * 613) % 2000;
        const int band = (slot * 421) % 2400;
        paint_layer(layer.pixels, layer.stride, kPageW, kPageH, photo(slot), [=](int x, int y) {
            const double r = std::hypot(x - cx, y - cy);
            double a = r < 860 ? 1.0 : r < 900 ? (900 - r) / 40 : 0.0;
            if (y >= band && y < band + 600) a = std::max(a, 0.46);
            return uint16_t(a * 65535);
        });
    }
    MUR_SetLayer(layers);
    if (!stroke) return;
    MUR_CreatePaintLayer(100, 100, "Normal");
    mur::LayerRecord& paint = mur::engine.paintLayer;
    for (int32_t y = 0; y < kPageH; ++y)
        for (int32_t x = 0; x < kPageW; ++x) {
            const double off = std::abs((x - 1000) * 0.6 - (y - 1000)) / 100.0;  // a 200-pixel diagonal band
            if (off >= 1) continue;
            uint16_t* p = paint.pixels + int64_t{y} * paint.stride + x * 4;
            p[0] = 0xC000, p[1] = 0x4000, p[2] = 0x2000, p[3] = uint16_t((1 - off * off) * 65535);
        }
    MUR_SetPaintLayerExtents(0, 0, kPageW, kPageH);
}

enum ViewPath { OneToOne = 0, Reduced2 = 1, Magnified4 = 2 };

void BM_Render(benchmark::State& state)
{
    const auto path = static_cast<ViewPath>(state.range(0));
    const auto layers = static_cast<int>(state.range(1));
    const bool stroke = state.range(2) != 0;
    omp_set_num_threads(static_cast<int>(state.range(3)));
    build_document(layers, stroke);
    std::vector<uint8_t> out(std::size_t(kViewW) * kViewH * 3);
    MUR_SetViewSize(kViewW, kViewH);
    // The image rectangle each path turns into a 1920 x 1080 view.
    const int32_t scale = path == Magnified4 ? 4 : 1;
    MUR_SetScale(scale, path == Reduced2 ? 2.0f : 1.0f);
    const int32_t w = path == Reduced2 ? kViewW * 2 : path == Magnified4 ? kViewW / 4 : kViewW;
    const int32_t h = path == Reduced2 ? kViewH * 2 : path == Magnified4 ? kViewH / 4 : kViewH;
    const int32_t x = path == Reduced2 ? 40 : 1000, y = path == Reduced2 ? 200 : 900;
    for (auto _ : state) benchmark::DoNotOptimize(MUR_Render(out.data(), kViewW * 3, x, y, w, h));
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    const char* names[] = {"1:1", "reduced by 2", "magnified by 4"};
    state.SetLabel(std::string(names[path]) + (stroke ? ", paint layer" : ""));
    MUR_DeleteImage();
    omp_set_num_threads(omp_get_num_procs());
}
BENCHMARK(BM_Render)
    ->ArgNames({"path", "layers", "paint", "threads"})
    ->ArgsProduct({{OneToOne, Reduced2, Magnified4}, {1, 4, 16}, {0, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// memcpy of the bytes of one 1920 x 1080 view of 4 layers (8 bytes a pixel
// each), counted in frames.
void BM_MemcpyView(benchmark::State& state)
{
    const std::size_t bytes = std::size_t(kViewW) * kViewH * 8 * 4;
    std::vector<uint8_t> a(bytes, 1), b(bytes, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel("4 layers of view pixels");
}
BENCHMARK(BM_MemcpyView)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

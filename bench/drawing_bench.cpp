// The drawing tools beside their peers, in one run: the flood fill of a
// 4096 x 4096 region (one colour, and a maze of 1-pixel walls), and the
// "Connected" magic wand on it through its export, beside
// OpenCV's floodFill (4-connected, fixed range, mask only); the HSV shift of
// a 4096 x 4096 page beside OpenCV's cvtColor to HSV_FULL and back and a
// plain scalar loop of the same formulas (whose bytes ours must equal); and
// text at 16 and 64 pixels beside cairo with the same font. Thread counts
// are the argument where a loop is threaded.
#include "bench_pictures.h"
#include "imaging/color_spaces.h"
#include "imaging/colour_adjust.h"
#include "imaging/flood_fill.h"
#include "imaging/text_render.h"
#include "platform/fonts.h"
#include "murcore.h"

#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifdef MUR_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif
#ifdef MUR_BENCH_CAIRO
#include <cairo.h>
#endif

namespace {

constexpr int32_t kSide = 4096;
constexpr int64_t kPixels = int64_t{kSide} * kSide;

void pixel_rate(benchmark::State& state)
{
    state.counters["Mpixel/s"] = benchmark::Counter(double(state.iterations()) * kPixels * 1e-6, benchmark::Counter::kIsRate);
}

// ---- Flood fill ------------------------------------------------------------------

// One colour everywhere, or a maze: walls of 1 pixel on the odd rows and
// columns, passages carved by a seeded depth-first walk, so the one region
// winds through every even cell.
std::vector<uint8_t> fill_picture(bool maze)
{
    std::vector<uint8_t> rgba(std::size_t(kPixels) * 4, 0);
    auto set = [&](int32_t x, int32_t y, uint8_t v) {
        uint8_t* p = &rgba[(std::size_t(y) * kSide + x) * 4];
        p[0] = p[1] = p[2] = v;
        p[3] = 255;
    };
    for (int32_t y = 0; y < kSide; ++y)
        for (int32_t x = 0; x < kSide; ++x) set(x, y, maze ? 20 : 200);
    if (!maze) return rgba;
    constexpr int32_t cells = kSide / 2;
    std::vector<uint8_t> seen(std::size_t(cells) * cells, 0);
    std::vector<std::pair<int32_t, int32_t>> stack{{0, 0}};
    seen[0] = 1;
    set(0, 0, 200);
    std::mt19937 rng(5);
    while (!stack.empty()) {
        const auto [cx, cy] = stack.back();
        int32_t options[4][2], n = 0;
        for (const auto& d : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const int32_t nx = cx + d.first, ny = cy + d.second;
            if (nx >= 0 && ny >= 0 && nx < cells && ny < cells && !seen[std::size_t(ny) * cells + nx])
                options[n][0] = nx, options[n][1] = ny, ++n;
        }
        if (!n) {
            stack.pop_back();
            continue;
        }
        const int k = int(rng() % unsigned(n));
        const int32_t nx = options[k][0], ny = options[k][1];
        seen[std::size_t(ny) * cells + nx] = 1;
        set(cx + nx, cy + ny, 200);  // the wall between the two cells
        set(2 * nx, 2 * ny, 200);
        stack.emplace_back(nx, ny);
    }
    return rgba;
}

const std::vector<uint8_t>& fill_page(bool maze)
{
    static const std::vector<uint8_t> flat = fill_picture(false), walls = fill_picture(true);
    return maze ? walls : flat;
}

void BM_FloodFillPlane(benchmark::State& state)
{
    const std::vector<uint8_t>& page = fill_page(state.range(0) != 0);
    const mur::imaging::ConstImageView view(page.data(), kSide, kSide, std::ptrdiff_t{kSide} * 4, 4);
    std::vector<uint8_t> plane(static_cast<std::size_t>(kPixels));
    const int32_t limit = mur::imaging::flood_distance_limit(1000);
    int64_t marked = 0;
    for (auto _ : state) {
        std::memset(plane.data(), 0, plane.size());
        marked = mur::imaging::flood_fill_plane(view, 0, 0, mur::imaging::flood_seed_at(view, 0, 0), limit,
                                                mur::imaging::FloodKey::Rgb, plane.data());
        benchmark::DoNotOptimize(plane.data());
    }
    state.counters["filled"] = double(marked);
    pixel_rate(state);
}
BENCHMARK(BM_FloodFillPlane)->ArgName("maze")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The "Connected" magic wand through its export: the layer copied into the
// tool source buffer, the fill's plane, and the mask written through it.
void BM_MaskWandConnected(benchmark::State& state)
{
    MUR_CreateImage(nullptr, kSide, kSide, 64, 0);
    MUR_CreateLayer(2, kSide, kSide);
    MUR_SetLayer(2);
    MUR_LoadRGBA32Layer(fill_page(state.range(0) != 0).data(), kSide * 4, 2, 0, 0, kSide, kSide, 0);
    // Every click writes the same mask: nothing to reset between them.
    for (auto _ : state) MUR_IPLMaskWand(0, 0, 1000, 100, "Connected");
    pixel_rate(state);
    MUR_DeleteImage();
}
BENCHMARK(BM_MaskWandConnected)->ArgName("maze")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef MUR_BENCH_OPENCV
void BM_OpenCVFloodFillMaskOnly(benchmark::State& state)
{
    cv::setNumThreads(1);
    // floodFill reads one or three channels: the same picture as RGB24.
    const std::vector<uint8_t>& page = fill_page(state.range(0) != 0);
    std::vector<uint8_t> rgb(std::size_t(kPixels) * 3);
    for (int64_t i = 0; i < kPixels; ++i) std::memcpy(&rgb[std::size_t(i) * 3], &page[std::size_t(i) * 4], 3);
    cv::Mat image(kSide, kSide, CV_8UC3, rgb.data());
    cv::Mat mask(kSide + 2, kSide + 2, CV_8UC1);
    // Per channel 36 either way: inside the squared limit 3901 of tolerance 1000 for greys.
    const cv::Scalar range(36, 36, 36);
    int filled = 0;
    for (auto _ : state) {
        mask.setTo(0);
        filled = cv::floodFill(image, mask, cv::Point(0, 0), cv::Scalar(), nullptr, range, range,
                               4 | cv::FLOODFILL_FIXED_RANGE | cv::FLOODFILL_MASK_ONLY | (1 << 8));
        benchmark::DoNotOptimize(mask.data);
    }
    state.counters["filled"] = filled;
    pixel_rate(state);
}
BENCHMARK(BM_OpenCVFloodFillMaskOnly)->ArgName("maze")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// ---- HSV shift -------------------------------------------------------------------

const std::vector<uint8_t>& colour_page()
{
    static const std::vector<uint8_t> page = mur_bench::photo_like(kSide);
    return page;
}

constexpr mur::imaging::HueShift kShift{40, 10, -5};

// The plain loop: the conversions and shifts written out once per pixel.
void scalar_hsv_shift(uint8_t* rgba, int64_t pixels)
{
    for (int64_t i = 0; i < pixels; ++i, rgba += 4) {
        mur::color::Hsv c = mur::color::rgb_to_hsv({rgba[0] / 255.0, rgba[1] / 255.0, rgba[2] / 255.0});
        if (c.h < 0) {
            c.h = 0;
            c.s = 0;
        } else {
            c.h = std::fmod(c.h + kShift.hue, 360.0);
            if (c.h < 0) c.h += 360;
            c.s = std::clamp(c.s + kShift.second / 100.0, 0.0, 1.0);
        }
        c.v = std::clamp(c.v + kShift.third / 100.0, 0.0, 1.0);
        const mur::color::Rgb o = mur::color::hsv_to_rgb(c);
        rgba[0] = mur::color::to_byte(o.r);
        rgba[1] = mur::color::to_byte(o.g);
        rgba[2] = mur::color::to_byte(o.b);
    }
}

void BM_HsvShift(benchmark::State& state)
{
    omp_set_num_threads(static_cast<int>(state.range(0)));
    std::vector<uint8_t> work = colour_page(), reference = colour_page();
    scalar_hsv_shift(reference.data(), kPixels);
    mur::imaging::adjust_hsv(mur::imaging::rgba32_view(work.data(), kSide, kSide, kSide * 4), kShift, true);
    if (work != reference) state.SkipWithError("bytes differ from the scalar loop");
    for (auto _ : state) {
        state.PauseTiming();
        work = colour_page();
        state.ResumeTiming();
        mur::imaging::adjust_hsv(mur::imaging::rgba32_view(work.data(), kSide, kSide, kSide * 4), kShift, true);
        benchmark::DoNotOptimize(work.data());
    }
    pixel_rate(state);
}
BENCHMARK(BM_HsvShift)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScalarLoopHsvShift(benchmark::State& state)
{
    std::vector<uint8_t> work = colour_page();
    for (auto _ : state) {
        state.PauseTiming();
        work = colour_page();
        state.ResumeTiming();
        scalar_hsv_shift(work.data(), kPixels);
        benchmark::DoNotOptimize(work.data());
    }
    pixel_rate(state);
}
BENCHMARK(BM_ScalarLoopHsvShift)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef MUR_BENCH_OPENCV
void BM_OpenCVCvtColorHsvFullRoundTrip(benchmark::State& state)
{
    cv::setNumThreads(static_cast<int>(state.range(0)));
    std::vector<uint8_t> work = colour_page();
    cv::Mat rgba(kSide, kSide, CV_8UC4, work.data()), hsv;
    for (auto _ : state) {
        cv::cvtColor(rgba, hsv, cv::COLOR_RGB2HSV_FULL);
        cv::cvtColor(hsv, rgba, cv::COLOR_HSV2RGB_FULL, 4);
        benchmark::DoNotOptimize(rgba.data);
    }
    pixel_rate(state);
}
BENCHMARK(BM_OpenCVCvtColorHsvFullRoundTrip)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// ---- Text ------------------------------------------------------------------------

// A paragraph of 2,000 characters in lines of 80.
const std::string& paragraph()
{
    static const std::string text = [] {
        const char* words = "Pigment settles into the tooth of the paper while the wash is still wet, and a "
                            "second glaze deepens the shadow without lifting what lies below it. ";
        std::string s;
        int column = 0;
        for (std::size_t i = 0; s.size() < 2000; ++i) {
            const char c = words[i % std::strlen(words)];
            if (++column >= 80 && c == ' ') {
                s += '\n';
                column = 0;
            } else {
                s += c;
            }
        }
        return s;
    }();
    return text;
}

// The DejaVu Sans file through fontconfig, as the text tool finds it.
const char* dejavu_file()
{
    static std::string file = [] {
        mur::platform::choose_font_by_name(1, "DejaVu Sans", 16, 400, false);
        return std::string(mur::platform::font_record(1)->file);
    }();
    return file.c_str();
}

void glyph_rate(benchmark::State& state)
{
    state.counters["glyphs/s"] = benchmark::Counter(double(state.iterations()) * 2000, benchmark::Counter::kIsRate);
}

void BM_TextParagraph(benchmark::State& state)
{
    const auto px = static_cast<int32_t>(state.range(0));
    std::vector<uint8_t> page(std::size_t(4096) * 2048 * 4, 0);
    const mur::imaging::ImageView view = mur::imaging::rgba32_view(page.data(), 4096, 2048, 4096 * 4);
    mur::imaging::TextFont font{dejavu_file(), 0, px, true};
    if (!mur::imaging::draw_text(view, font, 0, 0, paragraph().c_str(), {0, 0, 0, 255})) state.SkipWithError("no font");
    for (auto _ : state) {
        mur::imaging::draw_text(view, font, 0, 0, paragraph().c_str(), {20, 40, 60, 255});
        benchmark::DoNotOptimize(page.data());
    }
    glyph_rate(state);
}
BENCHMARK(BM_TextParagraph)->ArgName("px")->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);

#ifdef MUR_BENCH_CAIRO
void BM_CairoTextParagraph(benchmark::State& state)
{
    const double px = double(state.range(0));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4096, 2048);
    cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, px);
    cairo_set_source_rgb(cr, 20 / 255.0, 40 / 255.0, 60 / 255.0);
    cairo_font_extents_t extents;
    cairo_font_extents(cr, &extents);
    // cairo draws one line a call.
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= paragraph().size();) {
        const std::size_t end = std::min(paragraph().find('\n', start), paragraph().size());
        lines.push_back(paragraph().substr(start, end - start));
        start = end + 1;
    }
    for (auto _ : state) {
        double y = extents.ascent;
        for (const std::string& line : lines) {
            cairo_move_to(cr, 0, y);
            cairo_show_text(cr, line.c_str());
            y += extents.height;
        }
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    }
    glyph_rate(state);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoTextParagraph)->ArgName("px")->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

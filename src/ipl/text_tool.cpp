// The text tool: a line or lines of text laid over the current layer with
// the text tool's font, and the choice of that font by name.
#include "ipl/ipl.h"

#include "engine/guard.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/text_render.h"
#include "ipl/ipl_buffers.h"
#include "ipl/tool_store.h"
#include "platform/fonts.h"
#include "undo/history.h"

#include <algorithm>
#include <cmath>

namespace mur::ipl {
namespace {

// The straight pixel p with the colour laid over it at coverage c, as the
// premultiplied arithmetic does it: P' = (colour c + P (255 - c)) / 255.
void lay_over(uint8_t* p, const uint8_t colour[3], uint32_t c) noexcept
{
    const double a = p[3], keep = 255.0 - c;
    const double alpha = (255.0 * c + a * keep) / 255;
    if (!(alpha > 0)) return;
    for (int i = 0; i < 3; ++i) {
        const double premultiplied = (colour[i] * double(c) + p[i] * a / 255 * keep) / 255;
        p[i] = static_cast<uint8_t>(std::min(255.0, premultiplied * 255 / alpha + 0.5));
    }
    p[3] = static_cast<uint8_t>(std::min(255.0, alpha + 0.5));
}

}  // namespace

bool text_font(int32_t which, bool smooth, imaging::TextFont& font) noexcept
{
    platform::FontRecord* record = platform::font_record(which);
    if (!record || !platform::resolve_font_file(*record)) return false;
    font.file = record->file;
    font.faceIndex = record->faceIndex;
    font.pixelHeight = record->pixelHeight;
    font.smooth = smooth;
    return true;
}

void draw_text(int32_t r, int32_t g, int32_t b, int32_t x, int32_t y, const char* text, bool smooth)
{
    IplBuffer& source = engine.ipl.src32;
    LayerRecord* layer = current_layer_with_pixels();
    if (!text || !layer || !holds_page(source, 4)) return;
    fill_rgba32_from_current_layer(source);
    imaging::TextFont font;
    if (!text_font(platform::kTextToolFont, smooth, font)) return;

    // The glyphs' coverage, drawn white into a transparent box from the text's
    // corner (less the em a glyph may reach back) to the page's end.
    const int64_t margin = font.pixelHeight + 2;
    const int64_t left = std::max<int64_t>(int64_t{x} - margin, 0), top = std::max<int64_t>(int64_t{y} - margin, 0);
    const int64_t right = engine.width, bottom = engine.height;
    if (left >= right || top >= bottom) return;
    const auto boxW = static_cast<int32_t>(right - left), boxH = static_cast<int32_t>(bottom - top);
    mem::Owned<uint8_t> box(static_cast<uint8_t*>(mem::try_alloc(std::size_t(boxW) * std::size_t(boxH) * 4)));
    if (!box) return;
    const imaging::ImageView boxView = imaging::rgba32_view(box.get(), boxW, boxH, std::ptrdiff_t{boxW} * 4);
    if (!imaging::draw_text(boxView, font, static_cast<int32_t>(x - left), static_cast<int32_t>(y - top), text,
                            {255, 255, 255, 255}))
        return;

    const uint8_t colour[3] = {static_cast<uint8_t>(std::clamp(r, 0, 255)), static_cast<uint8_t>(std::clamp(g, 0, 255)),
                               static_cast<uint8_t>(std::clamp(b, 0, 255))};
    const std::ptrdiff_t stride = std::ptrdiff_t{engine.width} * 4;
    for (int32_t by = 0; by < boxH; ++by)
        for (int32_t bx = 0; bx < boxW; ++bx) {
            const uint32_t c = box[(std::size_t(by) * boxW + bx) * 4 + 3];
            if (!c) continue;
            uint8_t* p = source.data + (top + by) * stride + (left + bx) * 4;
            if (!smooth || c == 255) {
                p[0] = colour[0];
                p[1] = colour[1];
                p[2] = colour[2];
                p[3] = 255;
            } else {
                lay_over(p, colour, c);
            }
        }
    store_changed_pixels(source.data, *layer);
    undo::mark_page_dirty();
}

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_IPLText(int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y, int32_t /*ignored1*/,
                         int32_t /*ignored2*/, int32_t /*ignored3*/, int32_t /*ignored4*/, const char* text,
                         int32_t smooth)
{
    guard("IPLText", [&] { ipl::draw_text(red, green, blue, x, y, text, smooth != 0); });
}

MUR_API int32_t MUR_SetFontByName(int32_t which, const char* family, int32_t pixelHeight, int32_t weight,
                                  int32_t italic)
{
    return guard("SetFontByName", 0, [&]() -> int32_t {
        return platform::choose_font_by_name(which, family, pixelHeight, weight, italic != 0) ? 1 : 0;
    });
}

}  // extern "C"

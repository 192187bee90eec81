// The engine's own filters on RGBA32 buffers, found by name through one
// table and run through one entry, on the IPL buffers or on given buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace mur::ipl {

// What a caller passes: the dialog's integers (sliders 0..1000), styles,
// flags (low byte counts) and colour (0..255).
struct NativeFilterParams {
    int32_t intParam = 0;
    int32_t sliders[6] = {};
    int32_t style1 = 0;
    int32_t style2 = 0;
    int32_t flags[6] = {};
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;
};

// The data extents of a picture (alpha != 0); x0 > x1 when it has none.
struct Extents {
    int32_t x0, y0, x1, y1;
};

// What a filter sees. Filters read `input()` and write `destination`; in
// single-buffer mode both are the destination. Whatever else a filter needs
// the driver hands it here, so that filters never reach into the engine:
// for page-sized buffers the selection mask, a stage that stores the
// destination into the current layer, and that layer's data extents.
struct NativeFilterContext {
    uint8_t* source = nullptr;
    uint8_t* destination = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;            // bytes, width * 4
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // working bounds: the whole buffer
    double slider[6] = {};         // slider1..6 as 0..1
    int32_t intParam = 0;
    int32_t style1 = 0;
    int32_t style2 = 0;
    uint8_t flag[6] = {};          // flag1..6
    double red = 0, green = 0, blue = 0;  // 0..1
    bool singleBuffer = false;
    uint16_t toolColour[3] = {};   // the tool's colour, 16-bit

    uint16_t* mask = nullptr;      // the selection mask, page-sized buffers only
    // Stores the destination into the current layer through the texture and
    // the enabled mask; null where there is nothing to store into.
    void (*storeStage)(const NativeFilterContext&) noexcept = nullptr;
    // The current layer's data extents; null where the buffers are not the
    // page's, and a filter then looks at its input.
    Extents (*layerExtents)() noexcept = nullptr;

    uint8_t* input() const noexcept { return singleBuffer ? destination : source; }
    uint8_t* pixel(uint8_t* buffer, int32_t x, int32_t y) const noexcept
    {
        return buffer + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x) * 4;
    }
    const uint8_t* pixel(const uint8_t* buffer, int32_t x, int32_t y) const noexcept
    {
        return buffer + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x) * 4;
    }
    std::size_t pixels() const noexcept { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height); }
};

using NativeFilterFunction = void (*)(NativeFilterContext&);

struct NativeFilter {
    const char* name;
    NativeFilterFunction run;
};

// The 26 filters in dispatch order.
std::span<const NativeFilter> native_filters() noexcept;

// The dispatcher's form, on the IPL source and destination buffers and the
// page size: 0 when either buffer is absent or there is no name (nothing
// done), else 1. Unless
// `singleBuffer`, the source is first copied into the destination.
int32_t run_native_filter_on_ipl_buffers(const char* name, bool singleBuffer, const NativeFilterParams& params);

// The brush-shape form, on the given buffers (rows of width * 4 bytes): the
// same steps. True when a filter of that name ran.
bool run_native_filter(uint8_t* source, uint8_t* destination, int32_t width, int32_t height, const char* name,
                       bool singleBuffer, const NativeFilterParams& params);

// "Value Blur" in place on one RGBA32 buffer, with its two dialog sliders
// (0..1000): slider1 sets how much a darker pixel keeps when a brighter one
// spreads into it (0 = it takes the brighter colour), slider2 the same when a
// darker pixel spreads into a brighter one.
void value_blur(uint8_t* rgba, int32_t width, int32_t height, int32_t slider1, int32_t slider2) noexcept;

}  // namespace mur::ipl

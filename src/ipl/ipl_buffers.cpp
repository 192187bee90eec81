// The page-sized working buffers of image processing: allocation, refill,
// host copies and release, and the start and stop of the imaging module.
#include "ipl/ipl_buffers.h"

#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "layers/layers.h"
#include "mask/mask.h"

#include <cstring>

namespace mur::ipl {
namespace {

// Set by MUR_IPLInit, cleared by MUR_IPLExit. Our imaging module needs no
// start-up of its own, so the flag only records that the host asked.
bool g_started = false;

std::size_t page_bytes(int32_t bytesPerPixel) noexcept { return image_pixels() * static_cast<std::size_t>(bytesPerPixel); }

}  // namespace

void release(IplBuffer& buffer)
{
    mem::release_and_null(buffer.data);
    buffer.bytes = 0;
}

bool keep_or_allocate(IplBuffer& buffer, int32_t bytesPerPixel)
{
    const std::size_t bytes = page_bytes(bytesPerPixel);
    if (buffer.data && buffer.bytes == bytes) return true;
    release(buffer);
    if (bytes == 0) return false;
    buffer.data = x_NewCharUndoReduce(bytes);
    if (!buffer.data) return false;
    buffer.bytes = bytes;
    return true;
}

void fill_rgba32_from_current_layer(IplBuffer& buffer)
{
    if (engine.layers.currentRecord) layers::read_rgba32(engine.layers.currentLayer, buffer.data, engine.width * 4);
}

bool holds_page(const IplBuffer& buffer, int32_t bytesPerPixel) noexcept
{
    return buffer.data && buffer.bytes > 0 && buffer.bytes == page_bytes(bytesPerPixel);
}

namespace {

// A host page image copied into a buffer of the page's size.
void copy_from_host(IplBuffer& buffer, const uint8_t* image)
{
    if (!image || !buffer.data || buffer.bytes != page_bytes(4)) return;
    std::memcpy(buffer.data, image, buffer.bytes);
}

}  // namespace

bool started() noexcept { return g_started; }

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_IPLAllocSrcBuffer32(void)
{
    guard("IPLAllocSrcBuffer32", [&] {
        if (ipl::keep_or_allocate(engine.ipl.src32, 4)) ipl::fill_rgba32_from_current_layer(engine.ipl.src32);
    });
}

MUR_API void MUR_IPLAllocDstBuffer32(void)
{
    guard("IPLAllocDstBuffer32", [&] { ipl::keep_or_allocate(engine.ipl.dst32, 4); });
}

MUR_API void MUR_IPLAllocSrcBuffer24(void)
{
    guard("IPLAllocSrcBuffer24", [&] {
        if (ipl::keep_or_allocate(engine.ipl.src24, 3)) layers::read_rgb24(engine.ipl.src24.data, engine.width * 3);
    });
}

MUR_API void MUR_IPLAllocDstBuffer24(void)
{
    guard("IPLAllocDstBuffer24", [&] { ipl::keep_or_allocate(engine.ipl.dst24, 3); });
}

MUR_API void MUR_ToolAllocSrcBuffer32(void)
{
    guard("ToolAllocSrcBuffer32", [&] {
        if (ipl::keep_or_allocate(engine.ipl.toolSrc32, 4)) ipl::fill_rgba32_from_current_layer(engine.ipl.toolSrc32);
    });
}

MUR_API void MUR_ToolAllocDstBuffer32(void)
{
    guard("ToolAllocDstBuffer32", [&] { ipl::keep_or_allocate(engine.ipl.toolDst32, 4); });
}

MUR_API void MUR_IPLSetSrcBuffer32(const uint8_t* image)
{
    guard("IPLSetSrcBuffer32", [&] { ipl::copy_from_host(engine.ipl.src32, image); });
}

MUR_API void MUR_IPLSetDstBuffer32(const uint8_t* image)
{
    guard("IPLSetDstBuffer32", [&] { ipl::copy_from_host(engine.ipl.dst32, image); });
}

MUR_API void MUR_IPLUpdateSrcBuffer32(void)
{
    guard("IPLUpdateSrcBuffer32", [&] {
        if (engine.ipl.src32.data && engine.ipl.src32.bytes == ipl::page_bytes(4))
            ipl::fill_rgba32_from_current_layer(engine.ipl.src32);
    });
}

MUR_API void MUR_IPLFreeSrcBuffer32(void) { guard("IPLFreeSrcBuffer32", [&] { ipl::release(engine.ipl.src32); }); }
MUR_API void MUR_IPLFreeDstBuffer32(void) { guard("IPLFreeDstBuffer32", [&] { ipl::release(engine.ipl.dst32); }); }
MUR_API void MUR_IPLFreeSrcBuffer24(void) { guard("IPLFreeSrcBuffer24", [&] { ipl::release(engine.ipl.src24); }); }
MUR_API void MUR_IPLFreeDstBuffer24(void) { guard("IPLFreeDstBuffer24", [&] { ipl::release(engine.ipl.dst24); }); }
MUR_API void MUR_ToolFreeSrcBuffer32(void) { guard("ToolFreeSrcBuffer32", [&] { ipl::release(engine.ipl.toolSrc32); }); }
MUR_API void MUR_ToolFreeDstBuffer32(void) { guard("ToolFreeDstBuffer32", [&] { ipl::release(engine.ipl.toolDst32); }); }

MUR_API void MUR_ApplyMaskToAlpha_IPLSrcRGBA(void)
{
    guard("ApplyMaskToAlpha_IPLSrcRGBA", [&] {
        if (engine.ipl.src32.data && engine.ipl.src32.bytes == ipl::page_bytes(4) && engine.mask.enabled)
            mask::apply_mask_to_alpha(engine.ipl.src32.data, engine.width * 4, 0, 0, engine.width - 1, engine.height - 1);
    });
}

// The imaging module is our own code and needs no start-up or shut-down;
// both calls may be repeated and only keep the started flag.
MUR_API void MUR_IPLInit(int32_t /*ignored*/) { mur::guard("IPLInit", [&] { ipl::g_started = true; }); }
MUR_API void MUR_IPLExit(void) { mur::guard("IPLExit", [&] { ipl::g_started = false; }); }

}  // extern "C"

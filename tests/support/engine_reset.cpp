#include "support/engine_reset.h"

#include "engine/memory.h"
#include "engine/random.h"
#include "engine/state.h"
#include "imaging/lua_sandbox.h"
#include "imaging/text_render.h"
#include "platform/avi_compression.h"
#include "platform/clipboard.h"
#include "platform/fonts.h"
#include "murcore.h"
#include "undo/history.h"

#include <new>

namespace mur::test {

void reset_engine()
{
    mem::reset_failures();
    MUR_DeleteImage();
    MUR_ToolFreeSrcBuffer32();  // the tool buffers outlive the image
    MUR_ToolFreeDstBuffer32();
    MUR_DeleteNewRGBA();        // so does the holding buffer
    MUR_CloseAVI();             // and so do the recorders
    MUR_CloseGIF();
    MUR_I2PDF_Reset();
    MUR_ClearClipEX2Cache();    // the transform cache and the clipboard too
    platform::empty_clipboard();
    ToolSettings& tool = engine.tool;
    for (RandomByteTable* table : {&tool.randomTableA, &tool.randomTableB, &tool.pixColorVaryTable, &tool.pixLumVaryTable})
        DeleteRandArrayBtye(*table);
    for (LayerRecord& buffer : engine.blend.buffers) mem::release_and_null(buffer.pixels);
    mem::release_and_null(engine.layers.texture);
    undo::release_all_entries();
    engine.~EngineState();
    new (&engine) EngineState();
    rng_seed(0);
    // Outside the engine state: the host's handlers and the script limits.
    MUR_SetMessageBoxHandler(nullptr, nullptr);
    MUR_SetDebugOutputHandler(nullptr, nullptr);
    MUR_SetEscapeKeyHandler(nullptr, nullptr);
    imaging::set_script_limits({});
    MUR_SetAVICompression(0, 0);
    platform::detach_avi_compression_dialog();
    // And the fonts: the records and the cached faces and glyphs.
    imaging::clear_text_cache();
    platform::reset_font_records();
}

}  // namespace mur::test

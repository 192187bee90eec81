// The plug-in reader on arbitrary bytes: the PE resource walk and the PiPL
// property lists behind it must stay inside the file, leave nothing
// allocated, and list only filters with a name.
#include "engine/memory.h"
#include "io/plugin_files.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static mur::io::PluginFilter filters[mur::io::kMaxPiplResources];
    const std::size_t liveBefore = mur::mem::live_blocks();
    mur::io::ByteSource source = mur::io::memory_source(data, size);
    const int found = mur::io::read_plugin_filters(source, filters);
    if (found < 0 || found > mur::io::kMaxPiplResources) __builtin_trap();
    for (int i = 0; i < found; ++i) {
        if (!filters[i].texts.name[0]) __builtin_trap();
        if (std::strcmp(filters[i].texts.category, "**Hidden**") == 0) __builtin_trap();
    }
    if (mur::mem::live_blocks() != liveBefore) __builtin_trap();
    return 0;
}

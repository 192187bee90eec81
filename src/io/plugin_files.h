// Filter plug-ins on disk: the filters a `.8bf` file describes, the walk over
// a plug-in folder, and the path of one listed filter.
#pragma once

#include "io/pipl.h"
#include "io/pe_resources.h"

#include <cstddef>
#include <cstdint>

namespace mur::io {

inline constexpr int kMaxPluginFolderDepth = 8;
inline constexpr std::size_t kPluginPathCapacity = 4096;

// One listed filter of a file: its property list's texts and the resource
// it came from.
struct PluginFilter {
    PiplFilter texts;
    uint32_t id = 0;
    char resourceName[sizeof PiplResource::name] = {};
};

// The filters one open file describes, in the order of its resources;
// `filters` holds kMaxPiplResources. Returns their number.
int read_plugin_filters(ByteSource& source, PluginFilter* filters) noexcept;

// Told of each filter found: its listed path (the file's path, with '#' and
// the resource's number or name when the file holds several filters), its
// category and its name (UTF-8).
using PluginVisitor = void (*)(void* context, const char* path, const char* category, const char* name);

// Walks the folder and its subfolders (down to kMaxPluginFolderDepth, links
// to folders not followed) in byte order of names, reading every regular
// file whose name ends in ".8bf" in any case. Returns the number of filters
// visited, or -1 when the folder cannot be read. The visitor must not throw.
int32_t walk_plugin_folder(const char* folder, PluginVisitor visit, void* context);

// The file a listed path names, and which of its filters: true when the
// file (the path itself, or the part before its last '#') lists that filter
// now. `file` holds kPluginPathCapacity bytes.
bool find_listed_filter(const char* listedPath, char* file) noexcept;

}  // namespace mur::io

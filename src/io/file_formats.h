// The formats the engine writes, by extension.
#pragma once

#include "imaging/line_writer.h"

#include <cstdint>

namespace mur {

enum class FileKind { Lines, Gif, Psd };

struct FileFormat {
    const char* extension;  // with its dot, lower case
    FileKind kind;
    imaging::LineFormat lines;  // FileKind::Lines only
};

namespace io {

// The format of an extension for pictures of 3 (RGB24) or 4 (RGBA32)
// channels; null for an extension the engine does not write.
const FileFormat* file_format(const char* extension, int32_t channels) noexcept;

}  // namespace io
}  // namespace mur

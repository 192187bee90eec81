// Writing a file so that a failure never leaves half a file behind and never
// destroys the file it was to replace: the bytes go to a new file beside the
// destination, which takes the destination's name only once it is complete.
#pragma once

#include <cstdio>

namespace mur::imaging {

// Paths longer than this are refused.
inline constexpr int kMaxPathBytes = 4096;

struct ReplacingFile {
    std::FILE* file = nullptr;
    char path[kMaxPathBytes + 1] = {};
    char tempPath[kMaxPathBytes + 40] = {};
};

// Creates the temporary file beside `path`; false when the path is empty,
// too long or its folder cannot be written.
bool open_replacing(ReplacingFile& out, const char* path) noexcept;

// Closes the temporary file and gives it the destination's name; false (and
// the temporary file removed) when a write, the close or the rename failed.
bool commit_replacing(ReplacingFile& out) noexcept;

// Closes and removes the temporary file; the destination stays as it was.
void abandon_replacing(ReplacingFile& out) noexcept;

}  // namespace mur::imaging

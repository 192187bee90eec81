// The resources of a Windows executable (a filter plug-in is one), found by
// bounded reads: the DOS and PE headers (PE32 and PE32+), the section table
// and the resource tree, never the whole file. Every offset is checked
// against its section and the file before anything is read through it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur::io {

// Bytes of a file in memory or read piece by piece from an open file. Small
// reads are served from a window of the file, refilled as they move on.
struct ByteSource {
    static constexpr std::size_t kWindowBytes = 1024;

    const uint8_t* memory = nullptr;  // the whole contents, or
    int fd = -1;                      // an open file
    uint64_t size = 0;                // or an upper bound, until a read meets the end
    uint64_t windowStart = 0;
    uint32_t windowBytes = 0;
    uint8_t window[kWindowBytes];
};

ByteSource memory_source(const uint8_t* data, std::size_t size) noexcept;
// The source over an open file; false when it is no regular file. A file
// the caller knows to be regular is not asked for its size: reads past its
// end fail when they meet it.
bool file_source(ByteSource& source, int fd, bool regular = false) noexcept;

// Copies `bytes` bytes at `offset`; false when they are not all in the file
// or cannot be read.
bool read_bytes(ByteSource& source, uint64_t offset, void* out, std::size_t bytes) noexcept;

inline constexpr int kMaxPiplResources = 64;
inline constexpr uint32_t kMaxPiplBytes = 1u << 20;

// One resource of type "PIPL" (its first language), by where its data lie.
struct PiplResource {
    uint64_t fileOffset = 0;
    uint32_t size = 0;
    uint32_t id = 0;             // the resource's number, when it has one
    char name[40] = {};          // or its name (ASCII, others as '?'), empty for a number
};

// Finds up to `capacity` (at most kMaxPiplResources) resources of type
// "PIPL" (any case) whose data lie inside their section and the file and
// hold at most kMaxPiplBytes. Returns their number; 0 for anything that is
// not a readable PE file.
int find_pipl_resources(ByteSource& source, PiplResource* out, int capacity) noexcept;

}  // namespace mur::io

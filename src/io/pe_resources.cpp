#include "io/pe_resources.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace mur::io {
namespace {

inline constexpr uint32_t kMaxSections = 96;          // the format's own limit
inline constexpr int kMaxEntriesVisited = 4096;       // directory entries looked at in one file
inline constexpr uint32_t kSubdirectoryBit = 0x80000000u;
inline constexpr uint64_t kUnknownSize = uint64_t{1} << 62;

uint16_t u16(const uint8_t* p) noexcept { return uint16_t(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) noexcept { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool pread_all(int fd, uint64_t offset, uint8_t* out, std::size_t bytes) noexcept
{
    while (bytes) {
        const ssize_t got = pread(fd, out, bytes, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        offset += uint64_t(got);
        bytes -= std::size_t(got);
    }
    return true;
}

struct Section {
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;        // what the file holds of it, within the file
    uint32_t rawOffset = 0;
};

struct Image {
    ByteSource& source;
    Section sections[kMaxSections];
    uint32_t sectionCount = 0;
    uint32_t resourceRva = 0;
    int entriesVisited = 0;
};

// The file offset of `bytes` bytes at `rva`, all inside one section's data
// in the file; false otherwise.
bool map_rva(const Image& image, uint64_t rva, uint64_t bytes, uint64_t& offset) noexcept
{
    for (uint32_t i = 0; i < image.sectionCount; ++i) {
        const Section& s = image.sections[i];
        if (rva < s.virtualAddress) continue;
        const uint64_t into = rva - s.virtualAddress;
        if (into >= s.rawSize || bytes > s.rawSize - into) continue;
        offset = uint64_t(s.rawOffset) + into;
        return true;
    }
    return false;
}

bool read_rva(Image& image, uint64_t rva, void* out, std::size_t bytes) noexcept
{
    uint64_t offset = 0;
    return map_rva(image, rva, bytes, offset) && read_bytes(image.source, offset, out, bytes);
}

// The headers up to the section table; false for anything but a PE32 or
// PE32+ image with a resource directory.
bool read_headers(Image& image) noexcept
{
    uint8_t dos[64];
    if (!read_bytes(image.source, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const uint64_t pe = u32(dos + 0x3C);
    uint8_t coff[24];
    if (!read_bytes(image.source, pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0) return false;
    const uint32_t sections = u16(coff + 6);
    const uint32_t optionalSize = u16(coff + 20);
    const uint64_t optional = pe + 24;

    uint8_t magic[2];
    if (!read_bytes(image.source, optional, magic, 2)) return false;
    uint32_t countAt = 0;
    switch (u16(magic)) {
    case 0x10b: countAt = 92; break;   // PE32
    case 0x20b: countAt = 108; break;  // PE32+
    default: return false;
    }
    const uint32_t directoriesAt = countAt + 4;
    const uint32_t resourceAt = directoriesAt + 2 * 8;
    if (optionalSize < resourceAt + 8) return false;
    uint8_t count[4], resource[8];
    if (!read_bytes(image.source, optional + countAt, count, 4) || u32(count) < 3 ||
        !read_bytes(image.source, optional + resourceAt, resource, 8))
        return false;
    image.resourceRva = u32(resource);
    if (image.resourceRva == 0 || u32(resource + 4) == 0) return false;

    if (sections == 0 || sections > kMaxSections) return false;
    uint8_t table[kMaxSections * 40];
    if (!read_bytes(image.source, optional + optionalSize, table, sections * 40)) return false;
    for (uint32_t i = 0; i < sections; ++i) {
        const uint8_t* row = table + i * 40;
        Section s;
        s.virtualAddress = u32(row + 12);
        s.rawOffset = u32(row + 20);
        uint64_t raw = u32(row + 16);
        if (s.rawOffset >= image.source.size) raw = 0;
        raw = std::min<uint64_t>(raw, image.source.size - std::min<uint64_t>(s.rawOffset, image.source.size));
        s.rawSize = static_cast<uint32_t>(raw);
        if (s.rawSize) image.sections[image.sectionCount++] = s;
    }
    return image.sectionCount > 0;
}

struct Directory {
    uint32_t named = 0;
    uint32_t total = 0;
    uint64_t entriesRva = 0;
};

bool read_directory(Image& image, uint32_t offset, Directory& directory) noexcept
{
    uint8_t header[16];
    const uint64_t rva = uint64_t(image.resourceRva) + offset;
    if (!read_rva(image, rva, header, sizeof header)) return false;
    directory.named = u16(header + 12);
    directory.total = directory.named + u16(header + 14);
    directory.entriesRva = rva + 16;
    // Every entry it claims lies in the same section.
    uint64_t inFile = 0;
    return map_rva(image, rva, 16 + uint64_t(directory.total) * 8, inFile);
}

// Entry `index` of a directory: its name word and its data word; false when
// unreadable or past the number this file may visit.
bool read_entry(Image& image, const Directory& directory, uint32_t index, uint32_t& name, uint32_t& data) noexcept
{
    if (++image.entriesVisited > kMaxEntriesVisited) return false;
    uint8_t entry[8];
    if (!read_rva(image, directory.entriesRva + uint64_t(index) * 8, entry, sizeof entry)) return false;
    name = u32(entry);
    data = u32(entry + 4);
    return true;
}

// A resource directory string (a 16-bit length, then UTF-16 units) as ASCII
// into `out` (capacity bytes, terminated; other characters as '?'). False
// when unreadable.
bool read_name(Image& image, uint32_t offset, char* out, std::size_t capacity) noexcept
{
    uint8_t length[2];
    const uint64_t rva = uint64_t(image.resourceRva) + offset;
    if (!read_rva(image, rva, length, 2)) return false;
    const std::size_t units = std::min<std::size_t>(u16(length), capacity - 1);
    uint8_t text[2 * 64];
    if (units > 64 || !read_rva(image, rva + 2, text, units * 2)) return false;
    for (std::size_t i = 0; i < units; ++i) {
        const uint16_t c = u16(text + 2 * i);
        out[i] = c >= 0x20 && c < 0x7F ? char(c) : '?';
    }
    out[units] = 0;
    return true;
}

bool is_pipl_type(Image& image, uint32_t nameWord) noexcept
{
    if (!(nameWord & kSubdirectoryBit)) return false;
    uint8_t text[10];
    const uint64_t rva = uint64_t(image.resourceRva) + (nameWord & ~kSubdirectoryBit);
    if (!read_rva(image, rva, text, sizeof text) || u16(text) != 4) return false;
    static constexpr char kPipl[] = "PIPL";
    for (int i = 0; i < 4; ++i) {
        const uint16_t c = u16(text + 2 + 2 * i);
        if (c != uint8_t(kPipl[i]) && c != uint8_t(kPipl[i] + 32)) return false;
    }
    return true;
}

// The first language of one named resource, when it is data inside the file.
bool read_resource(Image& image, uint32_t nameWord, uint32_t dataWord, PiplResource& out) noexcept
{
    if (!(dataWord & kSubdirectoryBit)) return false;
    Directory languages;
    if (!read_directory(image, dataWord & ~kSubdirectoryBit, languages) || languages.total == 0) return false;
    uint32_t languageName = 0, entryWord = 0;
    if (!read_entry(image, languages, 0, languageName, entryWord) || (entryWord & kSubdirectoryBit)) return false;
    uint8_t entry[16];
    if (!read_rva(image, uint64_t(image.resourceRva) + entryWord, entry, sizeof entry)) return false;
    const uint32_t dataRva = u32(entry), size = u32(entry + 4);
    if (size == 0 || size > kMaxPiplBytes) return false;
    uint64_t offset = 0;
    if (!map_rva(image, dataRva, size, offset) || offset + size > image.source.size) return false;

    out = {};
    out.fileOffset = offset;
    out.size = size;
    if (nameWord & kSubdirectoryBit) {
        if (!read_name(image, nameWord & ~kSubdirectoryBit, out.name, sizeof out.name)) return false;
    } else {
        out.id = nameWord;
    }
    return true;
}

}  // namespace

ByteSource memory_source(const uint8_t* data, std::size_t size) noexcept
{
    ByteSource source;
    source.memory = data;
    source.size = data ? size : 0;
    return source;
}

bool file_source(ByteSource& source, int fd, bool regular) noexcept
{
    source.memory = nullptr;
    source.fd = fd;
    source.windowStart = 0;
    source.windowBytes = 0;
    if (regular && fd >= 0) {
        // The size is learnt when a read meets the end.
        source.size = kUnknownSize;
        return true;
    }
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    source.size = uint64_t(st.st_size);
    return true;
}

bool read_bytes(ByteSource& source, uint64_t offset, void* out, std::size_t bytes) noexcept
{
    if (offset > source.size || bytes > source.size - offset) return false;
    if (bytes == 0) return true;
    if (source.memory) {
        std::memcpy(out, source.memory + offset, bytes);
        return true;
    }
    if (bytes > ByteSource::kWindowBytes) return pread_all(source.fd, offset, static_cast<uint8_t*>(out), bytes);
    if (offset < source.windowStart || offset + bytes > source.windowStart + source.windowBytes) {
        // The aligned window around the bytes, or one starting at them when
        // they straddle a boundary.
        uint64_t start = offset & ~uint64_t(ByteSource::kWindowBytes - 1);
        if (offset + bytes > start + ByteSource::kWindowBytes) start = offset;
        const uint32_t length = uint32_t(std::min<uint64_t>(ByteSource::kWindowBytes, source.size - start));
        source.windowBytes = 0;
        uint32_t got = 0;
        while (got < length) {
            const ssize_t n = pread(source.fd, source.window + got, length - got, static_cast<off_t>(start + got));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) {
                source.size = start + got;  // the end of the file
                break;
            }
            got += uint32_t(n);
        }
        source.windowStart = start;
        source.windowBytes = got;
        if (offset + bytes > start + got) return false;
    }
    std::memcpy(out, source.window + (offset - source.windowStart), bytes);
    return true;
}

int find_pipl_resources(ByteSource& source, PiplResource* out, int capacity) noexcept
{
    capacity = std::min(capacity, kMaxPiplResources);
    if (!out || capacity <= 0) return 0;
    Image image{source, {}, 0, 0, 0};
    if (!read_headers(image)) return 0;

    Directory types;
    if (!read_directory(image, 0, types)) return 0;
    int found = 0;
    // Named types come first in a directory; PIPL is always one.
    for (uint32_t t = 0; t < types.named && found < capacity; ++t) {
        uint32_t typeName = 0, typeData = 0;
        if (!read_entry(image, types, t, typeName, typeData)) return found;
        if (!(typeData & kSubdirectoryBit) || !is_pipl_type(image, typeName)) continue;
        Directory names;
        if (!read_directory(image, typeData & ~kSubdirectoryBit, names)) continue;
        for (uint32_t n = 0; n < names.total && found < capacity; ++n) {
            uint32_t name = 0, data = 0;
            if (!read_entry(image, names, n, name, data)) return found;
            if (read_resource(image, name, data, out[found])) ++found;
        }
    }
    return found;
}

}  // namespace mur::io

#include "platform/memory_status.h"

#include <sys/resource.h>
#include <sys/sysinfo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mur::platform {
namespace {

// The user address space of an x86-64 or AArch64 process with 4-level pages.
constexpr uint64_t kUserAddressSpace = uint64_t{1} << 47;

// Reads "<key>: <number> kB" from a /proc text; false when the key is absent.
bool read_kb(const char* text, const char* key, uint64_t& bytes) noexcept
{
    const std::size_t keyLength = std::strlen(key);
    for (const char* line = text; line && *line;) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            bytes = std::strtoull(line + keyLength + 1, nullptr, 10) * 1024u;
            return true;
        }
        line = std::strchr(line, '\n');
        if (line) ++line;
    }
    return false;
}

// Reads a small /proc file into `buffer`; an empty text when it cannot.
void read_text(const char* path, char* buffer, std::size_t capacity) noexcept
{
    buffer[0] = '\0';
    std::FILE* file = std::fopen(path, "r");
    if (!file) return;
    std::size_t n = std::fread(buffer, 1, capacity - 1, file);
    buffer[n] = '\0';
    std::fclose(file);
}

}  // namespace

MemoryStatus parse_memory_status(const char* meminfo, const char* selfStatus, uint64_t addressSpace) noexcept
{
    MemoryStatus s;
    uint64_t memTotal = 0, memAvailable = 0, memFree = 0, swapTotal = 0, swapFree = 0;
    read_kb(meminfo, "MemTotal", memTotal);
    if (!read_kb(meminfo, "MemAvailable", memAvailable) && read_kb(meminfo, "MemFree", memFree))
        memAvailable = memFree;
    read_kb(meminfo, "SwapTotal", swapTotal);
    read_kb(meminfo, "SwapFree", swapFree);
    s.totalPhys = memTotal;
    s.availPhys = memAvailable;
    s.totalPageFile = memTotal + swapTotal;
    s.availPageFile = memAvailable + swapFree;
    uint64_t mapped = 0;
    read_kb(selfStatus, "VmSize", mapped);
    s.totalVirtual = addressSpace;
    s.availVirtual = addressSpace > mapped ? addressSpace - mapped : 0;
    return s;
}

MemoryStatus read_memory_status() noexcept
{
    char meminfo[8192];
    char selfStatus[8192];
    read_text("/proc/meminfo", meminfo, sizeof meminfo);
    read_text("/proc/self/status", selfStatus, sizeof selfStatus);

    uint64_t addressSpace = kUserAddressSpace;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        addressSpace = std::min<uint64_t>(addressSpace, limit.rlim_cur);

    MemoryStatus s = parse_memory_status(meminfo, selfStatus, addressSpace);
    if (s.totalPhys == 0) {
        // No /proc: fall back on the kernel's own summary.
        struct sysinfo info {};
        if (sysinfo(&info) == 0) {
            const uint64_t unit = info.mem_unit ? info.mem_unit : 1;
            s.totalPhys = info.totalram * unit;
            s.availPhys = (info.freeram + info.bufferram) * unit;
            s.totalPageFile = s.totalPhys + info.totalswap * unit;
            s.availPageFile = s.availPhys + info.freeswap * unit;
        }
    }
    return s;
}

}  // namespace mur::platform

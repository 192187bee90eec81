// Memory figures of the machine and of this process, in bytes.
#pragma once

#include <cstdint>

namespace mur::platform {

struct MemoryStatus {
    uint64_t totalPhys = 0;      // installed memory
    uint64_t availPhys = 0;      // memory that can be had without swapping
    uint64_t totalPageFile = 0;  // what can be committed: memory plus swap
    uint64_t availPageFile = 0;  // of that, what is still free
    uint64_t totalVirtual = 0;   // this process's address space
    uint64_t availVirtual = 0;   // of that, what is not mapped yet
};

MemoryStatus read_memory_status() noexcept;

// Parses the text of /proc/meminfo and of /proc/self/status into a status;
// figures missing from the texts stay 0. Exposed for tests.
MemoryStatus parse_memory_status(const char* meminfo, const char* selfStatus, uint64_t addressSpace) noexcept;

}  // namespace mur::platform

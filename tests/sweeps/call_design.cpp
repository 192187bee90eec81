#include "sweeps/call_design.h"

#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <set>

namespace mur::sweep {
namespace {

constexpr int32_t kHostileInts[] = {0, -1, 1, INT32_MIN, INT32_MAX};
constexpr double kHostileFloats[] = {0, -1, 1, double(INT32_MIN), double(INT32_MAX), NAN, 1e30, -1e30};
// Values a host might really pass: slots and sizes, percentages, a brush size.
constexpr int32_t kBenignInts[] = {0, 1, 2, 16, 100};
constexpr double kBenignFloats[] = {0, 1, 0.5, 16, 100};

uint8_t* map_guarded(std::size_t bytes)
{
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t total = bytes + 2 * page;
    void* at = mmap(nullptr, total, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (at == MAP_FAILED) {
        std::perror("mmap");
        std::exit(2);
    }
    auto* inside = static_cast<uint8_t*>(at) + page;
    if (mprotect(inside, bytes, PROT_READ | PROT_WRITE) != 0) {
        std::perror("mprotect");
        std::exit(2);
    }
    return inside;
}

bool is_pointer(ArgKind kind) { return kind == ArgKind::Buffer || kind == ArgKind::Window || kind == ArgKind::Handler; }

// The uniform row at pool position `base`: numbers there, pointers to
// buffers (or null when `nullPointers`), texts empty (or null).
// Texts: null or empty in the hostile pool, the first two names in the
// benign one.
Row uniform_row(const ExportInfo& info, int base, bool nullPointers)
{
    Row row(info.argCount);
    for (int i = 0; i < info.argCount; ++i) {
        const ArgKind kind = info.args[i];
        if (is_pointer(kind) || kind == ArgKind::Text)
            row[i] = nullPointers ? 0 : 1;
        else
            row[i] = static_cast<uint8_t>(base);
    }
    return row;
}

}  // namespace

int pool_size(Pools pools, ArgKind kind, int benignTexts)
{
    const bool hostile = pools == Pools::Hostile;
    switch (kind) {
    case ArgKind::Int:
    case ArgKind::Unsigned: return kNumberPositions;
    case ArgKind::Float:
    case ArgKind::Double: return hostile ? int(std::size(kHostileFloats)) : int(std::size(kBenignFloats));
    case ArgKind::Buffer:
    case ArgKind::Window:
    case ArgKind::Handler: return 2;
    case ArgKind::Text: return hostile ? 3 : benignTexts;
    }
    return 1;
}

std::vector<Row> covering_rows(const ExportInfo& info, const DesignOptions& options)
{
    std::set<Row> seen;
    std::vector<Row> rows;
    auto add = [&](const Row& row) {
        if (seen.insert(row).second) rows.push_back(row);
    };
    auto size_of = [&](int arg) { return pool_size(options.pools, info.args[arg], options.benignTexts); };
    for (int base : options.bases) {
        const Row start = uniform_row(info, base, false);
        for (int arg = 0; arg < info.argCount; ++arg)
            for (int v = 0; v < size_of(arg); ++v) {
                Row row = start;
                row[arg] = static_cast<uint8_t>(v);
                add(row);
            }
    }
    for (int base = 0; base < kNumberPositions; ++base) {
        add(uniform_row(info, base, false));
        add(uniform_row(info, base, true));
    }
    if (options.bases.empty() || info.argCount < 2) return rows;
    std::size_t pairs = 0;
    for (int i = 0; i < info.argCount; ++i)
        for (int j = i + 1; j < info.argCount; ++j) pairs += std::size_t(size_of(i)) * std::size_t(size_of(j));
    if (!options.pairwise && pairs > options.cheapPairs) return rows;
    const Row start = uniform_row(info, options.bases.front(), false);
    for (int i = 0; i < info.argCount; ++i)
        for (int j = i + 1; j < info.argCount; ++j)
            for (int vi = 0; vi < size_of(i); ++vi)
                for (int vj = 0; vj < size_of(j); ++vj) {
                    Row row = start;
                    row[i] = static_cast<uint8_t>(vi);
                    row[j] = static_cast<uint8_t>(vj);
                    add(row);
                }
    return rows;
}

void map_caller_memory(CallerMemory& memory, bool patterned)
{
    for (uint8_t*& buffer : memory.buffers) {
        buffer = map_guarded(kBufferBytes);
        if (patterned)
            for (std::size_t i = 0; i < (std::size_t{1} << 20); ++i) buffer[i] = static_cast<uint8_t>(i * 37 + i / 251);
    }
    for (char*& text : memory.emptyText) text = reinterpret_cast<char*>(map_guarded(4096));
    memory.longText = reinterpret_cast<char*>(map_guarded(kBufferBytes));
    std::memset(memory.longText, 'A', kBufferBytes - 1);
}

void fill_args(const ExportInfo& info, const Row& row, Pools pools, const CallerMemory& memory, ArgValue* args)
{
    const bool hostile = pools == Pools::Hostile;
    for (int i = 0; i < info.argCount; ++i) {
        const int v = row[i];
        switch (info.args[i]) {
        case ArgKind::Int: args[i].i32 = hostile ? kHostileInts[v] : kBenignInts[v]; break;
        case ArgKind::Unsigned: args[i].u32 = static_cast<uint32_t>(hostile ? kHostileInts[v] : kBenignInts[v]); break;
        case ArgKind::Float: args[i].f32 = static_cast<float>(hostile ? kHostileFloats[v] : kBenignFloats[v]); break;
        case ArgKind::Double: args[i].f64 = hostile ? kHostileFloats[v] : kBenignFloats[v]; break;
        case ArgKind::Buffer:
        case ArgKind::Window:
        case ArgKind::Handler: args[i].ptr = v == 0 ? nullptr : memory.buffers[i]; break;
        case ArgKind::Text:
            if (hostile)
                args[i].text = v == 0 ? nullptr : v == 1 ? memory.emptyText[i] : memory.longText;
            else
                args[i].text = memory.benignTexts.at(v).c_str();
            break;
        }
    }
}

std::string describe_call(const ExportInfo& info, const Row& row, Pools pools, const CallerMemory& memory)
{
    ArgValue args[kMaxArgs];
    fill_args(info, row, pools, memory, args);
    std::string out = std::string(info.name) + "(";
    char text[64];
    for (int i = 0; i < info.argCount; ++i) {
        if (i) out += ", ";
        switch (info.args[i]) {
        case ArgKind::Int:
            if (args[i].i32 == INT32_MIN)
                out += "INT_MIN";
            else if (args[i].i32 == INT32_MAX)
                out += "INT_MAX";
            else
                out += std::to_string(args[i].i32);
            break;
        case ArgKind::Unsigned: out += std::to_string(args[i].u32) + "u"; break;
        case ArgKind::Float:
        case ArgKind::Double:
            std::snprintf(text, sizeof text, "%g", info.args[i] == ArgKind::Float ? args[i].f32 : args[i].f64);
            out += text;
            break;
        case ArgKind::Buffer:
        case ArgKind::Window: out += args[i].ptr ? "buffer" : "NULL"; break;
        case ArgKind::Handler: out += args[i].ptr ? "a quiet handler" : "NULL"; break;
        case ArgKind::Text:
            if (!args[i].text)
                out += "NULL";
            else if (args[i].text == memory.longText)
                out += "\"AAA...\" (16 MB)";
            else
                out += "\"" + std::string(args[i].text) + "\"";
            break;
        }
    }
    return out + ")";
}

bool inside_contract(const ExportInfo& info, const ArgValue* args, const ImageSize& image)
{
    for (int k = 0; k < info.needCount; ++k) {
        const BufferNeed& need = info.needs[k];
        if (!args[need.arg].ptr) continue;
        if (!need.bytes) return false;  // a caller buffer where an engine block belongs
        if (need.bytes(args, image) > static_cast<Big>(kBufferBytes)) return false;
    }
    return true;
}

}  // namespace mur::sweep

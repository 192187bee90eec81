// The argument values the sweeps call exports with, and the covering design
// that picks which combinations to try.
//
// Each argument kind has a small pool of values; a design row holds one pool
// index per argument. The rows of an export are:
//   - uniform rows: every number at the same pool position (all 0, all -1,
//     all INT_MIN, ...), every pointer null or every pointer a buffer;
//   - one-factor rows: each value of each argument, with the others at each
//     of a few uniform bases;
//   - pairwise rows: each pair of values of each pair of arguments, the
//     others at the first base (all of them in full mode, in quick mode only
//     for exports where that stays small).
#pragma once

#include "sweeps/export_table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mur::sweep {

using Row = std::vector<uint8_t>;

// Pools. Numbers: the first five positions mean the same in every numeric
// pool (0, -1, 1, the smallest, the largest); floats add NaN and +-1e30.
// Pointers: null or a buffer. Texts: null, empty, or very long.
enum class Pools { Hostile, Benign };

// Positions in the numeric pools, and the pool sizes (texts of the benign
// pool: as many as CallerMemory::benignTexts holds).
inline constexpr int kNumberPositions = 5;
int pool_size(Pools pools, ArgKind kind, int benignTexts);

struct DesignOptions {
    Pools pools = Pools::Hostile;
    int benignTexts = 0;
    std::vector<int> bases;       // pool positions of the uniform bases
    bool pairwise = false;        // every pair of every export
    std::size_t cheapPairs = 0;   // otherwise pairs only while they are at most this many rows
};

std::vector<Row> covering_rows(const ExportInfo& info, const DesignOptions& options);

// Caller memory for the arguments: per pointer argument a buffer of
// kBufferBytes between inaccessible pages, zero-filled; text arguments get
// their own zeroed and long-text buffers, so no two arguments share memory.
inline constexpr std::size_t kBufferBytes = std::size_t{16} << 20;

struct CallerMemory {
    uint8_t* buffers[kMaxArgs] = {};
    char* longText = nullptr;            // kBufferBytes - 1 letters and a terminator
    char* emptyText[kMaxArgs] = {};
    std::vector<std::string> benignTexts;  // names and paths of the benign pool
};

// Maps the buffers once per process (call before forking children). With
// `patterned`, the first megabyte of each buffer holds a pattern instead of
// zeros, so that a call that loads it and one that only clears differ.
void map_caller_memory(CallerMemory& memory, bool patterned = false);

// The values of a row.
void fill_args(const ExportInfo& info, const Row& row, Pools pools, const CallerMemory& memory, ArgValue* args);

// "MUR_Name(buffer, INT_MIN, ...)" for reports.
std::string describe_call(const ExportInfo& info, const Row& row, Pools pools, const CallerMemory& memory);

// True when every buffer argument holds what the contract asks for this
// call; `image` is the image the call meets.
bool inside_contract(const ExportInfo& info, const ArgValue* args, const ImageSize& image);

}  // namespace mur::sweep

// Every export of the public header as data, for the sweeps that call them
// all: its name, the kinds and names of its arguments, what it returns, a
// function that calls it with argument values from an array, and the buffer
// sizes its arguments promise. The table is generated at build time from the
// header and from buffer_contract.txt by gen_export_table.py.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mur::sweep {

enum class ArgKind : char {
    Int = 'i',      // int32_t
    Unsigned = 'u', // uint32_t
    Float = 'f',    // float
    Double = 'd',   // double
    Buffer = 'p',   // a pointer to pixels or values the export reads or writes
    Text = 's',     // const char*: a name or a path
    Window = 'w',   // MUR_Window, only stored and passed on
    Handler = 'h',  // a function the engine calls back: null or one that does nothing
};

enum class ReturnKind : char { Void = 'v', Int = 'i', Unsigned = 'u', Pointer = 'p', Text = 's' };

union ArgValue {
    int32_t i32;
    uint32_t u32;
    float f32;
    double f64;
    void* ptr;
    const char* text;
};

// What a call returned, widened: integers as themselves, pointers as their
// address.
struct CallResult {
    int64_t value = 0;
};

// The image the call met, for the sizes the contract speaks of.
struct ImageSize {
    int64_t width = 0;
    int64_t height = 0;
};

// Bytes an argument's buffer must hold for the call, as the header promises;
// kUnbounded when no buffer can be large enough (a negative stride that runs
// before the pointer, or a size that overflows). Arguments without an entry
// in the contract need no more than an image-sized buffer of 8 bytes a pixel.
using Big = __int128;
inline constexpr Big kUnbounded = Big{1} << 100;
using NeedFn = Big (*)(const ArgValue* args, const ImageSize& image);

struct BufferNeed {
    int arg;      // index of the pointer argument
    NeedFn bytes; // null: the argument must be a block the engine handed out (or null)
};

inline constexpr int kMaxArgs = 24;
inline constexpr int kMaxNeeds = 6;

struct ExportInfo {
    const char* name;
    int argCount;
    ArgKind args[kMaxArgs];
    const char* argNames[kMaxArgs];
    ReturnKind returns;
    void (*call)(const ArgValue* args, CallResult& result);
    int needCount;
    BufferNeed needs[kMaxNeeds];
    int releasedBy;  // the export that takes back a returned block (its only argument), or -1
    // What a failure of the export is documented to replace rather than
    // leave as it was (the lifecycle and re-creation exports): a mask of
    // kReplacesLayers, kReplacesPaint, kReplacesMask, kReplacesUndo; and the argument naming
    // the one layer slot it replaces, or -1.
    unsigned failureReplaces;
    int failureSlotArg;
};

inline constexpr unsigned kReplacesLayers = 1, kReplacesMask = 2, kReplacesUndo = 4, kReplacesPaint = 8;

extern const ExportInfo kExports[];
extern const std::size_t kExportCount;

}  // namespace mur::sweep

// The one sandbox every script of the engine runs in, texture scripts and
// filter scripts alike, on the one Lua the library is built with: LuaJIT 2.1
// (MUR_LUAJIT=1) or Lua 5.1.
//
// A sandboxed state has the base library without dofile, load, loadfile,
// loadstring, require, module and newproxy (print writes to the debug sink),
// and the table, string and math libraries; the string library lacks its
// pattern functions (find, match, gmatch, gsub: their backtracking runs in C,
// out of reach of any instruction check) and has a string.rep that refuses
// results beyond the memory cap. No io, os, package, debug, ffi, jit or bit.
// math.random and math.randomseed use the engine's generator with a state of
// the script's own, seeded by the host, so both builds draw the same numbers.
// Only text chunks load.
//
// Limits: a run stops when the calling thread has spent its CPU seconds, when
// request_script_cancel() is called (from any thread or a signal handler),
// or when an allocation would take the state past its memory cap. A count
// hook checks every 10,000 instructions; once a run is stopped the hook
// raises the stop at every instruction, so pcall cannot swallow it. LuaJIT's
// compiled traces never run hooks, so under LuaJIT every protected call also
// runs the profiler in line mode: each trace then carries a guard and leaves
// for the interpreter at every 10 ms tick, where the tick arms the hook for
// the next instruction.
#pragma once

#include <cstddef>
#include <cstdint>

struct lua_State;

namespace mur::imaging {

struct ScriptLimits {
    double seconds = 30.0;                              // CPU seconds per run; 0 = none
    std::size_t memoryBytes = std::size_t{512} << 20;   // the state's heap; 0 = none
};

// The limits of every script run from now on (MUR_LuaSetLimits).
ScriptLimits script_limits() noexcept;
void set_script_limits(const ScriptLimits& limits) noexcept;

// Stops the script that runs now at its next check. Safe from any thread and
// from a signal handler; a request while no script runs is forgotten when the
// next one starts.
void request_script_cancel() noexcept;

enum class ScriptStop : uint8_t { None, Time, Memory, Cancel };

struct SandboxBudget;

struct Sandbox {
    lua_State* L = nullptr;
    SandboxBudget* budget = nullptr;
};

// True when the library runs scripts on LuaJIT.
bool sandbox_is_luajit() noexcept;

// A fresh state under `limits`, its clock started, with math.random seeded
// from `seed`; with `hostFfi`, the FFI library kept for the host's prelude
// (LuaJIT only). False when the memory cannot be had (the sandbox stays
// empty).
bool open_sandbox(Sandbox& box, const ScriptLimits& limits, uint32_t seed, bool hostFfi = false) noexcept;

// Closes the state; the sandbox is empty afterwards. Empty ones are ignored.
void close_sandbox(Sandbox& box) noexcept;

// Compiles a text chunk (a first line starting with '#' is skipped, as the
// stand-alone interpreter does). 0 with the function on the stack, or a Lua
// error status with the message on the stack. Precompiled chunks are refused.
int load_script_text(Sandbox& box, const char* source, std::size_t size, const char* chunkName) noexcept;

// lua_pcall and lua_cpcall with the stop checks running. A run that was
// stopped reports an error even if the script caught it.
int sandbox_pcall(Sandbox& box, int args, int results) noexcept;
int sandbox_cpcall(Sandbox& box, int (*function)(lua_State*), void* data) noexcept;

// Why the run was stopped; None when it was not.
ScriptStop sandbox_stop(const Sandbox& box) noexcept;

// The text of a failed call whose error value is on top of the stack (a stop
// wins over whatever the script made of it), into `out` (always terminated).
void describe_script_error(const Sandbox& box, char* out, std::size_t capacity) noexcept;

// For host functions that do long work between two instructions: raises the
// stop as a Lua error when the time is up or a cancel was requested.
void check_script_stop(lua_State* L);

// Under LuaJIT, pushes the FFI library kept by open_sandbox for the host's
// own prelude code (never for a script) and returns true; false under Lua
// 5.1. Protected mode only.
bool push_ffi_library(lua_State* L);

// A script number as a 32-bit integer: truncated, wrapped modulo 2^32; NaN
// and infinities give 0.
int32_t script_int32(double value) noexcept;

}  // namespace mur::imaging

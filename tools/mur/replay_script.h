// Reading a drawing script: the whole file as text, split into lines (one
// token a line) and grouped into records by a table of keywords and value
// counts. Untrusted input: lines are bounded, numbers are parsed strictly,
// a bad file stops at the line it went wrong on. Nothing here touches the
// engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mur_tool {

inline constexpr std::size_t kMaxScriptFileBytes = std::size_t{32} << 20;
inline constexpr std::size_t kMaxScriptLineBytes = 4096;

// A keyword and how many value lines follow it.
struct RecordShape {
    std::string_view keyword;
    uint8_t values;
};

struct ScriptRecord {
    uint16_t kind;       // index into the shape table
    uint32_t line;       // 1-based line of the keyword
    uint32_t first;      // index of the first value in ScriptText::lines
};

struct ScriptText {
    std::vector<std::string_view> lines;   // views into the caller's text
    std::vector<ScriptRecord> records;
    bool ended = false;                    // the "ScriptEnd" trailer was read
};

struct ScriptError {
    uint32_t line = 0;   // 0: the file as a whole
    std::string what;
};

// Splits `text` into lines ("\n", a "\r" before it dropped) and reads the
// header ("1554", "Description" and its two lines) and the records up to
// "ScriptEnd" or the end of the text. False with the reason in `error` for a
// missing header, an over-long line, a NUL byte, an unknown keyword or a
// record cut short.
bool read_script_text(std::string_view text, const RecordShape* shapes, std::size_t shapeCount, ScriptText& out,
                      ScriptError& error);

// A value line as a number: an optional sign, digits with an optional
// fraction and exponent, nothing else (no blanks, no hex, no inf or nan).
bool parse_number(std::string_view token, double& value) noexcept;

// A real as a whole number, truncated toward zero and held to the 32-bit range.
int32_t whole_number(double value) noexcept;

}  // namespace mur_tool

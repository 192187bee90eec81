#include "replay_script.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace mur_tool {
namespace {

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

// Digits from `i` on; how many.
std::size_t digits(std::string_view s, std::size_t& i) noexcept
{
    const std::size_t start = i;
    while (i < s.size() && is_digit(s[i])) ++i;
    return i - start;
}

bool split_lines(std::string_view text, std::vector<std::string_view>& lines, ScriptError& error)
{
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
        const std::string_view before = text.substr(0, nul);
        error = {uint32_t(1 + std::count(before.begin(), before.end(), '\n')), "a NUL byte"};
        return false;
    }
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        const bool last = end == std::string_view::npos;
        if (last) end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > kMaxScriptLineBytes) {
            error = {uint32_t(lines.size() + 1), "a line longer than " + std::to_string(kMaxScriptLineBytes) + " bytes"};
            return false;
        }
        lines.push_back(line);
        at = end + 1;
    }
    return true;
}

}  // namespace

bool parse_number(std::string_view token, double& value) noexcept
{
    std::size_t i = 0;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    const std::size_t mantissaStart = i;
    std::size_t count = digits(token, i);
    if (i < token.size() && token[i] == '.') {
        ++i;
        count += digits(token, i);
    }
    if (count == 0) return false;
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
        if (digits(token, i) == 0) return false;
    }
    if (i != token.size()) return false;
    // from_chars takes no '+'; the sign is put back afterwards.
    const bool negative = token[0] == '-';
    const auto result = std::from_chars(token.data() + mantissaStart, token.data() + token.size(), value);
    if (result.ec != std::errc() || result.ptr != token.data() + token.size() || !std::isfinite(value)) return false;
    if (negative) value = -value;
    return true;
}

int32_t whole_number(double value) noexcept
{
    if (!(value == value)) return 0;
    if (value <= -2147483648.0) return INT32_MIN;
    if (value >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(value);
}

bool read_script_text(std::string_view text, const RecordShape* shapes, std::size_t shapeCount, ScriptText& out,
                      ScriptError& error)
{
    out = {};
    if (text.size() > kMaxScriptFileBytes) {
        error = {0, "larger than " + std::to_string(kMaxScriptFileBytes >> 20) + " MB"};
        return false;
    }
    if (!split_lines(text, out.lines, error)) return false;
    if (out.lines.empty() || out.lines[0] != "1554") {
        error = {1, "not a drawing script (its first line is not 1554)"};
        return false;
    }
    std::size_t at = 1;
    while (at < out.lines.size()) {
        const std::string_view keyword = out.lines[at];
        const uint32_t line = uint32_t(at + 1);
        if (keyword == "ScriptEnd") {
            out.ended = true;
            return true;
        }
        // The last line of a file that ends with a line end is empty.
        if (keyword.empty() && at + 1 == out.lines.size()) return true;
        std::size_t kind = 0;
        while (kind < shapeCount && shapes[kind].keyword != keyword) ++kind;
        if (kind == shapeCount) {
            std::string shown(keyword.substr(0, 40));
            for (char& c : shown)
                if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
            error = {line, "unknown keyword \"" + shown + (keyword.size() > 40 ? "...\"" : "\"")};
            return false;
        }
        const std::size_t values = shapes[kind].values;
        // A file ending with a line end has an empty last line, not a value.
        const std::size_t available = out.lines.size() - at - 1 - (out.lines.back().empty() ? 1 : 0);
        if (values > available) {
            error = {line, std::string(keyword) + " cut short: " + std::to_string(values) + " values expected, " +
                               std::to_string(available) + " found"};
            return false;
        }
        out.records.push_back({uint16_t(kind), line, uint32_t(at + 1)});
        at += 1 + values;
    }
    return true;
}

}  // namespace mur_tool

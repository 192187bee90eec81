// Tools choose their mode by its name: a table of {name, mode} records read
// by exact comparison (case counts).
#pragma once

#include <cstddef>
#include <cstring>

namespace mur::ipl {

template <class Mode>
struct NamedMode {
    const char* name;
    Mode mode;
};

// The mode named `name`; false for null or a name not in the table.
template <class Mode, std::size_t N>
bool find_named_mode(const NamedMode<Mode> (&table)[N], const char* name, Mode& mode) noexcept
{
    if (!name) return false;
    for (const NamedMode<Mode>& m : table)
        if (std::strcmp(name, m.name) == 0) {
            mode = m.mode;
            return true;
        }
    return false;
}

}  // namespace mur::ipl

// The last-error text: 511 characters at most, always terminated, never
// cleared by the engine.
#pragma once

#include <cstddef>

namespace mur {

inline constexpr std::size_t kErrorTextCapacity = 512;

// Copies at most 511 characters of `text`; null is ignored.
void set_error_text(const char* text) noexcept;

// Sets "<operation> Excpt", the text every caught fault leaves.
void set_fault_text(const char* operation) noexcept;

}  // namespace mur

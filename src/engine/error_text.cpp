#include "engine/error_text.h"

#include "engine/guard.h"
#include "engine/state.h"

#include <cstring>

namespace mur {

void set_error_text(const char* text) noexcept
{
    if (!text) return;
    std::size_t n = strnlen(text, kErrorTextCapacity - 1);
    std::memcpy(engine.ErrorText, text, n);
    engine.ErrorText[n] = '\0';
}

void set_fault_text(const char* operation) noexcept
{
    char text[kErrorTextCapacity];
    std::size_t n = strnlen(operation, kErrorTextCapacity - 7);
    std::memcpy(text, operation, n);
    std::memcpy(text + n, " Excpt", 7);
    set_error_text(text);
}

}  // namespace mur

extern "C" {

MUR_API void MUR_SetLastError(const char* text)
{
    mur::guard_silent([&] { mur::set_error_text(text); });
}

MUR_API const char* MUR_GetLastError(void)
{
    return mur::guard_silent<const char*>(nullptr, [&] { return mur::engine.ErrorText; });
}

}  // extern "C"

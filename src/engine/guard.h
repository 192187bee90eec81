// The guard around every export body: a fault stops the operation, leaves
// "<operation> Excpt" as the last-error text and makes the export return its
// failure value. What the body did before the fault stays done.
#pragma once

#include "engine/error_text.h"

#include <utility>

namespace mur {

template <class Body>
void guard(const char* operation, Body&& body) noexcept
{
    try {
        std::forward<Body>(body)();
    } catch (...) {
        set_fault_text(operation);
    }
}

template <class Result, class Body>
Result guard(const char* operation, Result failure, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        set_fault_text(operation);
        return failure;
    }
}

// For the few exports that swallow a fault without a text.
template <class Body>
void guard_silent(Body&& body) noexcept
{
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

template <class Result, class Body>
Result guard_silent(Result failure, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return failure;
    }
}

}  // namespace mur

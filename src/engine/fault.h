// A fault inside the engine: something that must stop the current operation.
// The export guard catches it (and every other exception) and reports it
// through the last-error text.
#pragma once

#include <exception>

namespace mur {

struct Fault : std::exception {
    explicit Fault(const char* what) noexcept : what_(what) {}
    const char* what() const noexcept override { return what_; }

private:
    const char* what_;
};

}  // namespace mur

#pragma once

#include <exception>
#include <functional>

namespace lumora {

// A long loop reports the fraction of its work done (0 to 1) to such a
// callback; the callback returns false to stop the loop, which then throws
// Cancelled. An empty callback lets the loop run to its end.
using ProgressCallback = std::function<bool(double)>;

// The user stopped a long operation. What it was changing is the caller's to
// put back.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "Cancelled"; }
};

inline void reportProgress(const ProgressCallback& progress, double fraction) {
    if (progress && !progress(fraction)) throw Cancelled();
}

}  // namespace lumora

#pragma once
// Runs the main loop until condition() holds, looking at it at least every 50 ms, so that
// conditions no loop event announces (a file written by another process, a request seen by
// the test server) are noticed too.
#include "platform/RunLoop.h"

#include <chrono>
#include <functional>

namespace talv::test {

inline bool waitUntil(const std::function<bool()>& condition, double timeoutSeconds = 15.0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (!RunLoop::runUntil(condition, 0.05))
        if (std::chrono::steady_clock::now() > deadline) return false;
    return true;
}

}  // namespace talv::test

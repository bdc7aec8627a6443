#pragma once
// The run loop: GLib main contexts. "The current loop" is the calling thread's thread-default
// GMainContext (the global default one on the main thread, a worker's own on a worker thread).
#include "platform/Date.h"

#include <functional>
#include <memory>
#include <optional>

namespace talv {

// A one-shot timer. Owning handle: destroying it invalidates the timer, so an action that
// uses its owner never runs after the owner has gone. Invalidate on the thread whose loop
// serves the timer.
class Timer {
public:
    Timer() = default;
    ~Timer();
    Timer(Timer&& other) noexcept = default;
    Timer& operator=(Timer&& other) noexcept;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Cancels the timer if it has not fired; harmless when it has, or twice.
    void invalidate();
    // True until the timer has fired or been invalidated.
    bool isValid() const;
    std::optional<Date> fireDate() const;

private:
    friend class RunLoop;
    struct State;
    explicit Timer(std::shared_ptr<State> state) : state_(std::move(state)) {}
    std::shared_ptr<State> state_;
};

class RunLoop {
public:
    // Runs operation once on the current loop, after the delay.
    static void performAfterDelay(double seconds, std::function<void()> operation);
    // Runs action once on the current loop at the fire date (at once when it has passed).
    [[nodiscard]] static Timer scheduledTimer(Date fireDate, std::function<void()> action);
    // Runs the current loop until condition() holds, checking it before each wait and after
    // each event, or until the timeout. Returns condition(). Whoever makes the condition true
    // from another thread must wake the loop, for instance with postToMainThread().
    static bool runUntil(const std::function<bool()>& condition, std::optional<double> timeoutSeconds);
    // Queues operation to run on the main (global default) context. Thread-safe.
    static void postToMainThread(std::function<void()> operation);
};

}  // namespace talv

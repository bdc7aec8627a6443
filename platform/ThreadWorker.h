#pragma once
// ThreadWorker runs one task on a new thread and, when given a completion call, reports the
// task's result back on the thread that made the worker (through a port served by that
// thread's thread-default GMainContext).
//
// The task is called as task(*target, argument) or, when it can take it, as
// task(*target, argument, worker) so that it can poll cancelled(). The completion call is
// didEnd(*target, result) (didEnd(*target) for a task returning nothing). Target and argument
// are kept alive until the task and its completion have run, and are released on the
// creating thread, so the worker thread never destroys its owner. The worker thread has its
// own thread-default GMainContext while the task runs.
//
// The owner holds the returned worker; destroying it asks for cancellation, waits for the
// task to end (join) and drops a completion call that has not run yet.
#include "platform/ConditionLock.h"
#include "platform/ThreadMessage.h"
#include "platform/UniqueFunction.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>
#include <typeinfo>

namespace talv {

class ThreadWorker {
public:
    // Starts the task; none (and a log line) when the target or the task is missing (null).
    template <typename T, typename Task, typename Arg>
    static std::unique_ptr<ThreadWorker> workOn(std::shared_ptr<T> target, Task task, Arg argument) {
        return workOn(std::move(target), std::move(task), std::move(argument), NoCompletion{});
    }
    template <typename T, typename Task, typename Arg, typename DidEnd>
    static std::unique_ptr<ThreadWorker> workOn(std::shared_ptr<T> target, Task task, Arg argument, DidEnd didEnd);

    ~ThreadWorker();
    ThreadWorker(const ThreadWorker&) = delete;
    ThreadWorker& operator=(const ThreadWorker&) = delete;

    // Asks the task to stop; from any thread. Asking twice changes nothing.
    void markAsCancelled();
    // True once cancellation has been asked; from any thread.
    bool cancelled() const;

private:
    struct NoCompletion {};
    static constexpr int kRunning = 0;
    static constexpr int kCancelAsked = 1;

    ThreadWorker() = default;
    void start(UniqueFunction body);
    static void reportMissing(bool hasTarget, const std::type_info& target, const std::type_info& task);
    static void reportFailure(std::exception_ptr failure);

    template <typename F>
    static bool isMissing(const F& f) {
        if constexpr (std::is_pointer_v<F> || std::is_member_pointer_v<F>) return f == nullptr;
        else if constexpr (requires { f == nullptr; }) return f == nullptr;  // std::function
        else return false;
    }

    ConditionLock cancelled_{kRunning};
    ThreadMessage replies_;  // served by the creating thread
    std::thread thread_;
};

template <typename T, typename Task, typename Arg, typename DidEnd>
std::unique_ptr<ThreadWorker> ThreadWorker::workOn(std::shared_ptr<T> target, Task task, Arg argument, DidEnd didEnd) {
    constexpr bool takesWorker = std::is_invocable_v<Task&, T&, Arg&, ThreadWorker&>;
    static_assert(takesWorker || std::is_invocable_v<Task&, T&, Arg&>, "the task cannot take the argument");
    if (!target || isMissing(task)) {
        reportMissing(target != nullptr, typeid(T), typeid(Task));
        return nullptr;
    }
    std::unique_ptr<ThreadWorker> worker(new ThreadWorker);
    worker->start([&self = *worker, replies = worker->replies_.port(), target = std::move(target),
                   task = std::move(task), argument = std::move(argument), didEnd = std::move(didEnd)]() mutable {
        auto runTask = [&] {
            if constexpr (takesWorker) return std::invoke(task, *target, argument, self);
            else return std::invoke(task, *target, argument);
        };
        using Result = decltype(runTask());
        constexpr bool hasResult = !std::is_void_v<Result>;
        // The outcome: the result, or (for a task returning nothing) whether it returned.
        std::optional<std::conditional_t<hasResult, Result, bool>> outcome;
        try {
            if constexpr (hasResult) {
                outcome.emplace(runTask());
            } else {
                runTask();
                outcome.emplace(true);
            }
        } catch (...) {
            reportFailure(std::current_exception());
        }
        // Completion, and the release of target and argument, happen on the creating thread.
        replies.send([target = std::move(target), argument = std::move(argument), didEnd = std::move(didEnd),
                      outcome = std::move(outcome)]() mutable {
            if constexpr (!std::is_same_v<DidEnd, NoCompletion>) {
                if (!outcome || isMissing(didEnd)) return;
                if constexpr (hasResult) std::invoke(didEnd, *target, *outcome);
                else std::invoke(didEnd, *target);
            }
        });
    });
    return worker;
}

}  // namespace talv

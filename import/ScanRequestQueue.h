#pragma once
// The scan driver's pending requests, oldest first and without duplicates, and the condition
// lock the scan thread sleeps on (1: nothing pending, 2: requests pending). The main thread
// queues without ever waiting; the scan thread waits for work, drains the queue during its pass
// (also while the main thread appends) and ends the pass. Thread-safe.
#include "platform/ConditionLock.h"

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace talv {

class ScanRequestQueue {
public:
    // Appends the request unless it is pending already; wakes an idle scan thread. Never waits.
    void queue(const std::string& request) { queue(std::vector<std::string>{request}); }
    // Appends each request not pending already, in order, all before a pass can see any of them.
    void queue(const std::vector<std::string>& requests);

    // Scan thread: waits until requests are pending and holds the lock for the pass.
    void beginPass();
    // Scan thread, during its pass: the oldest pending request, removed; none when drained.
    std::optional<std::string> next();
    // Scan thread: releases the lock, with requests pending again (a new pass is due) or not.
    void endPass();

    // True when nothing is pending and no pass runs.
    bool isIdle();
    // Wakes an idle scan thread without a request (to let it stop).
    void wake();

    std::vector<std::string> pending() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::string> requests_;  // guarded by mutex_
    ConditionLock lock_{1};
};

}  // namespace talv

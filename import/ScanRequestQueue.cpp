#include "import/ScanRequestQueue.h"

#include <algorithm>

namespace talv {

namespace {
constexpr int kNothingPending = 1;
constexpr int kRequestsPending = 2;
}  // namespace

void ScanRequestQueue::queue(const std::vector<std::string>& requests) {
    std::lock_guard lock(mutex_);
    // Taken only when idle: a running or already woken pass picks the requests up itself.
    const bool idle = lock_.tryLockWhenCondition(kNothingPending);
    for (const std::string& request : requests)
        if (std::find(requests_.begin(), requests_.end(), request) == requests_.end()) requests_.push_back(request);
    if (idle) lock_.unlockWithCondition(requests_.empty() ? kNothingPending : kRequestsPending);
}

void ScanRequestQueue::beginPass() { lock_.lockWhenCondition(kRequestsPending); }

std::optional<std::string> ScanRequestQueue::next() {
    std::lock_guard lock(mutex_);
    if (requests_.empty()) return std::nullopt;
    std::string request = std::move(requests_.front());
    requests_.pop_front();
    return request;
}

void ScanRequestQueue::endPass() {
    std::lock_guard lock(mutex_);
    lock_.unlockWithCondition(requests_.empty() ? kNothingPending : kRequestsPending);
}

bool ScanRequestQueue::isIdle() {
    if (!lock_.tryLockWhenCondition(kNothingPending)) return false;
    lock_.unlockWithCondition(kNothingPending);
    return true;
}

void ScanRequestQueue::wake() {
    if (lock_.tryLockWhenCondition(kNothingPending)) lock_.unlockWithCondition(kRequestsPending);
}

std::vector<std::string> ScanRequestQueue::pending() const {
    std::lock_guard lock(mutex_);
    return {requests_.begin(), requests_.end()};
}

}  // namespace talv

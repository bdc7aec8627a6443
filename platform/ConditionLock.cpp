#include "platform/ConditionLock.h"

namespace talv {

void ConditionLock::lock() {
    std::unique_lock guard(mutex_);
    changed_.wait(guard, [this] { return !locked_; });
    locked_ = true;
}

bool ConditionLock::tryLock() {
    std::lock_guard guard(mutex_);
    if (locked_) return false;
    locked_ = true;
    return true;
}

void ConditionLock::lockWhenCondition(int condition) {
    std::unique_lock guard(mutex_);
    changed_.wait(guard, [this, condition] { return !locked_ && condition_ == condition; });
    locked_ = true;
}

bool ConditionLock::tryLockWhenCondition(int condition) {
    std::lock_guard guard(mutex_);
    if (locked_ || condition_ != condition) return false;
    locked_ = true;
    return true;
}

void ConditionLock::unlock() {
    {
        std::lock_guard guard(mutex_);
        locked_ = false;
    }
    changed_.notify_all();
}

void ConditionLock::unlockWithCondition(int condition) {
    {
        std::lock_guard guard(mutex_);
        locked_ = false;
        condition_ = condition;
    }
    changed_.notify_all();
}

int ConditionLock::condition() const {
    std::lock_guard guard(mutex_);
    return condition_;
}

}  // namespace talv

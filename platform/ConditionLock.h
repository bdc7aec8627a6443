#pragma once
// A lock with an integer condition: lockWhenCondition() waits until the lock is free and the
// condition has the asked value; tryLockWhenCondition() never waits. Thread-safe; the thread
// that locked unlocks.
#include <condition_variable>
#include <mutex>

namespace talv {

class ConditionLock {
public:
    explicit ConditionLock(int condition = 0) : condition_(condition) {}
    ConditionLock(const ConditionLock&) = delete;
    ConditionLock& operator=(const ConditionLock&) = delete;

    void lock();
    bool tryLock();
    void lockWhenCondition(int condition);
    bool tryLockWhenCondition(int condition);
    // REQUIRES: the lock is held by the caller.
    void unlock();
    void unlockWithCondition(int condition);

    int condition() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool locked_ = false;  // guarded by mutex_
    int condition_;        // guarded by mutex_
};

}  // namespace talv

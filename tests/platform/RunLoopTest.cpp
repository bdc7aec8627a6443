#include "platform/ConditionLock.h"
#include "platform/NotificationCenter.h"
#include "platform/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using talv::Date;
using talv::RunLoop;
using talv::Timer;

TEST(RunLoop, TimersFireOnceAtTheirDateUnlessInvalidated) {
    std::vector<std::string> fired;
    Timer kept = RunLoop::scheduledTimer(Date::now().addingSeconds(0.05), [&] { fired.push_back("kept"); });
    Timer invalidated = RunLoop::scheduledTimer(Date::now().addingSeconds(0.01), [&] { fired.push_back("invalidated"); });
    std::optional<Timer> dropped = RunLoop::scheduledTimer(Date::now(), [&] { fired.push_back("dropped"); });
    Timer past = RunLoop::scheduledTimer(Date::now().addingSeconds(-5), [&] { fired.push_back("past"); });
    RunLoop::performAfterDelay(0.1, [&] { fired.push_back("delayed"); });
    EXPECT_TRUE(invalidated.isValid());
    invalidated.invalidate();
    invalidated.invalidate();
    dropped.reset();
    EXPECT_FALSE(invalidated.isValid());

    EXPECT_TRUE(RunLoop::runUntil([&] { return fired.size() == 3; }, 5.0));
    RunLoop::runUntil([] { return false; }, 0.05);
    EXPECT_EQ(fired, (std::vector<std::string>{"past", "kept", "delayed"}));
    EXPECT_FALSE(kept.isValid());  // fired
    EXPECT_TRUE(kept.fireDate());

    // A timer may drop its own handle while it fires.
    std::optional<Timer> self;
    bool ran = false;
    self = RunLoop::scheduledTimer(Date::now(), [&] {
        self.reset();
        ran = true;
    });
    EXPECT_TRUE(RunLoop::runUntil([&] { return ran; }, 5.0));
}

TEST(RunLoop, RunUntilTimesOutAndPostsFromOtherThreadsArrive) {
    Date start = Date::now();
    EXPECT_FALSE(RunLoop::runUntil([] { return false; }, 0.05));
    EXPECT_GE(Date::now().secondsSince1970 - start.secondsSince1970, 0.045);

    std::atomic<bool> done{false};
    std::thread::id ranOn;
    std::thread poster([&] {
        RunLoop::postToMainThread([&] {
            ranOn = std::this_thread::get_id();
            done = true;
        });
    });
    EXPECT_TRUE(RunLoop::runUntil([&] { return done.load(); }, 5.0));
    poster.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(ConditionLock, LockWhenConditionWaitsAndTryLockNeverDoes) {
    talv::ConditionLock lock(1);
    EXPECT_FALSE(lock.tryLockWhenCondition(2));
    ASSERT_TRUE(lock.tryLockWhenCondition(1));
    EXPECT_FALSE(lock.tryLockWhenCondition(1));  // held
    EXPECT_FALSE(lock.tryLock());

    std::atomic<bool> gotIt{false};
    std::thread waiter([&] {
        lock.lockWhenCondition(2);
        gotIt = true;
        lock.unlockWithCondition(1);
    });
    lock.unlockWithCondition(1);  // free, but not the awaited condition
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(gotIt);
    lock.lock();
    lock.unlockWithCondition(2);
    waiter.join();
    EXPECT_TRUE(gotIt);
    EXPECT_EQ(lock.condition(), 1);
}

TEST(NotificationCenter, ObserversFilterByNameAndSenderAndStopWhenRemoved) {
    talv::NotificationCenter center;
    int sender = 0, other = 0;
    std::vector<std::string> seen;
    auto byName = center.addObserver("orvane.talv.force-rescan", nullptr, [&](const talv::Notification& n) {
        seen.push_back("name:" + n.userInfo.find("path")->textOr(""));
    });
    auto bySender = center.addObserver("", &sender, [&](const talv::Notification& n) { seen.push_back("sender:" + n.name); });
    talv::ObserverToken removedDuringPost;
    auto remover = center.addObserver("orvane.talv.showWindow", nullptr, [&](const talv::Notification&) {
        seen.push_back("remover");
        removedDuringPost.reset();
    });
    removedDuringPost = center.addObserver("orvane.talv.showWindow", nullptr, [&](const talv::Notification&) {
        seen.push_back("removed");
    });

    center.postNotificationName("orvane.talv.force-rescan", &other, talv::Value(talv::Value::Dictionary{{"path", "/x"}}));
    center.postNotificationName("orvane.talv.showWindow", &sender);
    center.postNotificationName("orvane.talv.showWindow");
    byName.reset();
    center.postNotificationName("orvane.talv.force-rescan", &sender, talv::Value(talv::Value::Dictionary{{"path", "/y"}}));
    EXPECT_EQ(seen, (std::vector<std::string>{"name:/x", "sender:orvane.talv.showWindow", "remover", "remover",
                                              "sender:orvane.talv.force-rescan"}));

    // A token outliving its center is harmless.
    talv::ObserverToken late;
    {
        talv::NotificationCenter shortLived;
        late = shortLived.addObserver("x", nullptr, [](const talv::Notification&) {});
    }
    late.reset();
}

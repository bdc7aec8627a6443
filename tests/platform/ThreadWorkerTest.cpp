#include "platform/Log.h"
#include "platform/RunLoop.h"
#include "platform/ThreadWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

using talv::RunLoop;
using talv::ThreadWorker;

namespace {

struct Owner {
    std::thread::id taskThread;
    std::thread::id completionThread;
    std::optional<std::string> result;
    int completions = 0;

    std::string upper(const std::string& text) {
        taskThread = std::this_thread::get_id();
        std::string out = text;
        for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return out;
    }
    void didEnd(const std::string& r) {
        completionThread = std::this_thread::get_id();
        result = r;
        ++completions;
    }
};

}  // namespace

TEST(ThreadWorker, OneArgumentAndTwoArgumentTasksReportBackOnTheCreatingThread) {
    auto owner = std::make_shared<Owner>();
    auto worker = ThreadWorker::workOn(owner, &Owner::upper, std::string("abc"), &Owner::didEnd);
    ASSERT_TRUE(worker);
    ASSERT_TRUE(RunLoop::runUntil([&] { return owner->completions == 1; }, 5.0));
    EXPECT_EQ(owner->result, "ABC");
    EXPECT_NE(owner->taskThread, std::this_thread::get_id());
    EXPECT_EQ(owner->completionThread, std::this_thread::get_id());

    // A task that can take the worker gets it as its second argument.
    std::atomic<const ThreadWorker*> seen{nullptr};
    auto second = ThreadWorker::workOn(
        owner,
        [&seen](Owner&, int n, ThreadWorker& w) {
            seen = &w;
            return std::to_string(n * 2);
        },
        21, &Owner::didEnd);
    ASSERT_TRUE(RunLoop::runUntil([&] { return owner->completions == 2; }, 5.0));
    EXPECT_EQ(seen.load(), second.get());
    EXPECT_EQ(owner->result, "42");
}

TEST(ThreadWorker, CancellationAskedBeforeTheFirstPollIsSeenByIt) {
    auto owner = std::make_shared<Owner>();
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    std::optional<bool> firstPoll;
    auto worker = ThreadWorker::workOn(
        owner,
        [opened](Owner&, int, ThreadWorker& w) {
            opened.wait();
            return w.cancelled();
        },
        0, [&](Owner&, bool polled) { firstPoll = polled; });
    EXPECT_FALSE(worker->cancelled());
    worker->markAsCancelled();
    worker->markAsCancelled();
    EXPECT_TRUE(worker->cancelled());
    gate.set_value();
    ASSERT_TRUE(RunLoop::runUntil([&] { return firstPoll.has_value(); }, 5.0));
    EXPECT_TRUE(*firstPoll);

    // Destroying a worker whose task polls until cancelled stops and joins it.
    std::atomic<int> rounds{0};
    auto poller = ThreadWorker::workOn(owner, [&](Owner&, int, ThreadWorker& w) {
        while (!w.cancelled()) {
            ++rounds;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }, 0);
    while (rounds == 0) std::this_thread::yield();
    poller.reset();
    int after = rounds;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(rounds, after);
}

TEST(ThreadWorker, WithoutACompletionNoCallComesBackAndTargetIsReleasedOnTheCreatingThread) {
    struct Tracked {
        std::thread::id* destroyedOn;
        ~Tracked() { *destroyedOn = std::this_thread::get_id(); }
    };
    std::thread::id destroyedOn;
    std::atomic<bool> ran{false};
    auto target = std::make_shared<Tracked>(Tracked{&destroyedOn});
    std::weak_ptr<Tracked> watch = target;
    talv::LogCapture log;
    auto worker = ThreadWorker::workOn(std::move(target), [&](Tracked&, int) { ran = true; }, 0);
    auto nullCompletion = ThreadWorker::workOn(std::make_shared<Owner>(), &Owner::upper, std::string("x"),
                                               std::function<void(Owner&, const std::string&)>());
    ASSERT_TRUE(RunLoop::runUntil([&] { return watch.expired(); }, 5.0));
    RunLoop::runUntil([] { return false; }, 0.05);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(log.lines().empty());  // the empty completion was never called
    EXPECT_EQ(destroyedOn, std::this_thread::get_id());
}

TEST(ThreadWorker, MissingTargetOrTaskStartsNothing) {
    talv::LogCapture log;
    EXPECT_FALSE(ThreadWorker::workOn(std::shared_ptr<Owner>(), &Owner::upper, std::string("x")));
    EXPECT_TRUE(log.contains("\nThreadWorker reports: Target (null) does not respond to selector"));
    log.clear();
    std::function<int(Owner&, int)> none;
    EXPECT_FALSE(ThreadWorker::workOn(std::make_shared<Owner>(), none, 1));
    EXPECT_TRUE(log.contains("Owner does not respond to selector std::function"));
}

TEST(ThreadWorker, DestroyingTheWorkerDropsACompletionNotYetRun) {
    auto owner = std::make_shared<Owner>();
    auto worker = ThreadWorker::workOn(owner, &Owner::upper, std::string("late"), &Owner::didEnd);
    worker.reset();  // joins: the task has run, its completion waits on this thread's loop
    RunLoop::runUntil([] { return false; }, 0.05);
    EXPECT_EQ(owner->completions, 0);
    EXPECT_EQ(owner.use_count(), 1);
}

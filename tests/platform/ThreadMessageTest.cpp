#include "platform/Log.h"
#include "platform/MainThreadMessage.h"
#include "platform/RunLoop.h"
#include "platform/ThreadMessage.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using talv::MainThreadMessage;
using talv::RunLoop;
using talv::ThreadMessage;

namespace {

struct Recorder {
    std::vector<std::string> calls;
    std::vector<std::thread::id> threads;
    void record(std::string what) {
        calls.push_back(std::move(what));
        threads.push_back(std::this_thread::get_id());
    }
    void ping() { record("ping"); }
    void one(const std::shared_ptr<std::string>& text) { record(*text); }
    void two(const std::shared_ptr<std::string>& a, int b) { record(*a + "+" + std::to_string(b)); }
};

bool runUntilCalls(const Recorder& r, size_t n) {
    return RunLoop::runUntil([&] { return r.calls.size() >= n; }, 5.0);
}

}  // namespace

TEST(ThreadMessage, CallsRunInOrderOnTheServingThreadWithTheirArgumentsKeptAlive) {
    auto port = MainThreadMessage::sharedThreadMessage().port();
    auto recorder = std::make_shared<Recorder>();
    std::weak_ptr<std::string> firstArgument;
    std::weak_ptr<Recorder> target = recorder;

    std::thread sender([&, r = recorder]() mutable {
        auto text = std::make_shared<std::string>("first");
        firstArgument = text;
        ThreadMessage::sendMessageTo(r, &Recorder::one, std::move(text), port);
        ThreadMessage::sendMessageTo(r, &Recorder::ping, port);
        ThreadMessage::sendMessageTo(r, &Recorder::two, std::make_shared<std::string>("third"), 3, port);
        ThreadMessage::sendMessageTo(r, [](Recorder& rec, int n) { rec.record(std::to_string(n)); }, 4, port);
    });
    sender.join();
    recorder.reset();  // the queued calls keep the target alive

    EXPECT_FALSE(firstArgument.expired());  // posted, not yet run
    ASSERT_FALSE(target.expired());
    auto kept = target.lock();
    ASSERT_TRUE(runUntilCalls(*kept, 4));
    EXPECT_EQ(kept->calls, (std::vector<std::string>{"first", "ping", "third+3", "4"}));
    for (auto id : kept->threads) EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_TRUE(firstArgument.expired());  // released once its call has run
}

TEST(ThreadMessage, NullTargetsAndClosedPortsSendNothingAndReleaseTheArguments) {
    auto argument = std::make_shared<std::string>("x");
    std::weak_ptr<std::string> watch = argument;
    ThreadMessage::sendMessageTo(std::shared_ptr<Recorder>(), &Recorder::one, std::move(argument),
                                 MainThreadMessage::sharedThreadMessage().port());
    EXPECT_TRUE(watch.expired());

    auto recorder = std::make_shared<Recorder>();
    auto pending = std::make_shared<std::string>("pending");
    watch = pending;
    talv::MessagePort port;
    {
        ThreadMessage own;
        port = own.port();
        ThreadMessage::sendMessageTo(recorder, &Recorder::one, std::move(pending), port);
        EXPECT_FALSE(watch.expired());
    }
    EXPECT_TRUE(watch.expired());  // dropped with its port
    ThreadMessage::sendMessageTo(recorder, &Recorder::ping, port);
    ThreadMessage::sendMessageTo(recorder, &Recorder::ping, talv::MessagePort());
    RunLoop::runUntil([] { return false; }, 0.05);
    EXPECT_TRUE(recorder->calls.empty());
    EXPECT_EQ(recorder.use_count(), 1);
}

TEST(ThreadMessage, AFailingCallIsLoggedAndTheNextOneStillRuns) {
    talv::LogCapture log;
    ThreadMessage messages;
    auto recorder = std::make_shared<Recorder>();
    ThreadMessage::sendMessageTo(recorder, [](Recorder&) { throw std::runtime_error("boom"); }, messages.port());
    ThreadMessage::sendMessageTo(recorder, &Recorder::ping, messages.port());
    ASSERT_TRUE(runUntilCalls(*recorder, 1));
    EXPECT_TRUE(log.contains("boom"));
}

// A thread with its own loop serves its own port.
TEST(ThreadMessage, APortIsServedByTheLoopOfTheThreadThatMadeIt) {
    auto recorder = std::make_shared<Recorder>();
    std::promise<talv::MessagePort> portReady;
    std::thread server([&] {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        {
            ThreadMessage messages;
            portReady.set_value(messages.port());
            RunLoop::runUntil([&] { return recorder->calls.size() == 2; }, 5.0);
        }
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    });
    auto port = portReady.get_future().get();
    ThreadMessage::sendMessageTo(recorder, &Recorder::ping, port);
    ThreadMessage::sendMessageTo(recorder, [](Recorder& r, int n) { r.record(std::to_string(n)); }, 2, port);
    std::thread::id serverId = server.get_id();
    server.join();
    ASSERT_EQ(recorder->calls, (std::vector<std::string>{"ping", "2"}));
    EXPECT_EQ(recorder->threads[0], serverId);
    EXPECT_EQ(recorder->threads[1], serverId);
}

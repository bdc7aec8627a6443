#pragma once
// Thread messages: a ThreadMessage owns a message port served by the GMainContext that was the
// thread-default context of the thread that made it. Any thread may post a call to the port:
// a target (kept alive until the call has run) and a callable run as callable(*target,
// objects...) with up to two objects (also kept alive, then released, on the serving thread).
// Calls posted to one port run one at a time, in the order the port received them. Posting
// never waits: the port's queue has no limit.
#include "platform/UniqueFunction.h"

#include <functional>
#include <memory>
#include <utility>

namespace talv {

// A handle on a port; copies share the port. A port whose ThreadMessage has gone, or a
// default-made handle, drops what it is sent.
class MessagePort {
public:
    MessagePort() = default;
    // Queues call for the serving thread; false, dropping it, when the port is closed.
    bool send(UniqueFunction call) const;

    struct Queue;  // opaque

private:
    friend class ThreadMessage;
    explicit MessagePort(std::shared_ptr<Queue> queue) : queue_(std::move(queue)) {}
    std::shared_ptr<Queue> queue_;
};

class ThreadMessage {
public:
    // Serves the port on the calling thread's thread-default GMainContext.
    ThreadMessage();
    // Closes the port: calls that have not run are dropped.
    ~ThreadMessage();
    ThreadMessage(const ThreadMessage&) = delete;
    ThreadMessage& operator=(const ThreadMessage&) = delete;

    MessagePort port() const { return port_; }

    // Posts selector(*target) / selector(*target, object) / selector(*target, object, object2)
    // to the thread serving port. A null target sends nothing.
    template <typename T, typename Selector>
    static void sendMessageTo(std::shared_ptr<T> target, Selector selector, const MessagePort& port) {
        post(port, std::move(target), std::move(selector));
    }
    template <typename T, typename Selector, typename A>
    static void sendMessageTo(std::shared_ptr<T> target, Selector selector, A object, const MessagePort& port) {
        post(port, std::move(target), std::move(selector), std::move(object));
    }
    template <typename T, typename Selector, typename A, typename B>
    static void sendMessageTo(std::shared_ptr<T> target, Selector selector, A object, B object2,
                              const MessagePort& port) {
        post(port, std::move(target), std::move(selector), std::move(object), std::move(object2));
    }

private:
    template <typename T, typename Selector, typename... Objects>
    static void post(const MessagePort& port, std::shared_ptr<T> target, Selector selector, Objects... objects) {
        static_assert(std::is_invocable_v<Selector&, T&, Objects&...>, "the selector cannot take these arguments");
        if (!target) return;
        port.send([target = std::move(target), selector = std::move(selector), ... objects = std::move(objects)]() mutable {
            std::invoke(selector, *target, objects...);
        });
    }

    MessagePort port_;
};

}  // namespace talv

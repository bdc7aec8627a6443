#include "platform/ThreadMessage.h"

#include "platform/Log.h"

#include <glib.h>

#include <deque>
#include <exception>
#include <mutex>

namespace talv {

struct MessagePort::Queue {
    std::mutex mutex;
    std::deque<UniqueFunction> calls;  // guarded by mutex
    GSource* source = nullptr;         // guarded by mutex; null once the port is closed
};

namespace {

using QueuePtr = std::shared_ptr<MessagePort::Queue>;

// The source is ready (ready time 0) exactly while calls are queued; ready time and queue
// change together under the queue's mutex.
gboolean dispatchPort(GSource*, GSourceFunc callback, gpointer data) { return callback(data); }

GSourceFuncs gPortFuncs = {nullptr, nullptr, dispatchPort, nullptr, nullptr, nullptr};

void runCall(UniqueFunction& call) {
    // A throw must not unwind through GLib's dispatch.
    try {
        call();
    } catch (const std::exception& e) {
        logf("A thread message call failed: {}", e.what());
    } catch (...) {
        logf("A thread message call failed");
    }
}

// One call per dispatch, so that the context's other sources get their turns in between.
gboolean drainOne(gpointer data) {
    QueuePtr queue = *static_cast<QueuePtr*>(data);
    UniqueFunction call;
    {
        std::lock_guard lock(queue->mutex);
        if (queue->calls.empty()) return G_SOURCE_CONTINUE;
        call = std::move(queue->calls.front());
        queue->calls.pop_front();
        if (queue->calls.empty() && queue->source) g_source_set_ready_time(queue->source, -1);
    }
    runCall(call);
    return G_SOURCE_CONTINUE;  // call, with its target and objects, is released here
}

void deleteQueueRef(gpointer data) { delete static_cast<QueuePtr*>(data); }

}  // namespace

bool MessagePort::send(UniqueFunction call) const {
    if (!queue_) return false;
    std::lock_guard lock(queue_->mutex);
    if (!queue_->source) return false;
    queue_->calls.push_back(std::move(call));
    g_source_set_ready_time(queue_->source, 0);
    return true;
}

ThreadMessage::ThreadMessage() : port_(std::make_shared<MessagePort::Queue>()) {
    GSource* source = g_source_new(&gPortFuncs, sizeof(GSource));
    g_source_set_name(source, "talv message port");
    g_source_set_callback(source, drainOne, new QueuePtr(port_.queue_), deleteQueueRef);
    g_source_set_ready_time(source, -1);
    GMainContext* context = g_main_context_ref_thread_default();
    g_source_attach(source, context);
    g_main_context_unref(context);
    port_.queue_->source = source;
}

ThreadMessage::~ThreadMessage() {
    std::deque<UniqueFunction> dropped;
    GSource* source = nullptr;
    {
        std::lock_guard lock(port_.queue_->mutex);
        source = std::exchange(port_.queue_->source, nullptr);
        dropped.swap(port_.queue_->calls);
    }
    g_source_destroy(source);
    g_source_unref(source);
}

}  // namespace talv

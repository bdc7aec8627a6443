#include "platform/RunLoop.h"

#include "platform/Log.h"

#include <glib.h>

#include <cmath>
#include <utility>

namespace talv {
namespace {

using Operation = std::function<void()>;

gboolean runOnce(gpointer data) {
    (*static_cast<Operation*>(data))();
    return G_SOURCE_REMOVE;
}

void deleteOperation(gpointer data) { delete static_cast<Operation*>(data); }

// Attaches source to context (the current loop when null) with operation as its one-shot
// callback; the caller keeps its own reference to the source.
void attach(GSource* source, GMainContext* context, Operation operation) {
    g_source_set_callback(source, runOnce, new Operation(std::move(operation)), deleteOperation);
    GMainContext* target = context ? g_main_context_ref(context) : g_main_context_ref_thread_default();
    g_source_attach(source, target);
    g_main_context_unref(target);
}

guint delayMillis(double seconds) {
    if (!(seconds > 0)) return 0;
    return static_cast<guint>(std::min(std::ceil(seconds * 1000), double{G_MAXUINT}));
}

}  // namespace

struct Timer::State {
    GSource* source;
    Date fireDate;
    ~State() {
        g_source_destroy(source);
        g_source_unref(source);
    }
};

Timer::~Timer() { invalidate(); }

Timer& Timer::operator=(Timer&& other) noexcept {
    if (this != &other) {
        invalidate();
        state_ = std::move(other.state_);
    }
    return *this;
}

void Timer::invalidate() { state_.reset(); }

bool Timer::isValid() const { return state_ && !g_source_is_destroyed(state_->source); }

std::optional<Date> Timer::fireDate() const {
    if (!state_) return std::nullopt;
    return state_->fireDate;
}

void RunLoop::performAfterDelay(double seconds, std::function<void()> operation) {
    GSource* source = g_timeout_source_new(delayMillis(seconds));
    attach(source, nullptr, std::move(operation));
    g_source_unref(source);
}

Timer RunLoop::scheduledTimer(Date fireDate, std::function<void()> action) {
    GSource* source = g_timeout_source_new(delayMillis(fireDate.secondsSince1970 - Date::now().secondsSince1970));
    attach(source, nullptr, std::move(action));
    return Timer(std::shared_ptr<Timer::State>(new Timer::State{source, fireDate}));
}

bool RunLoop::runUntil(const std::function<bool()>& condition, std::optional<double> timeoutSeconds) {
    GMainContext* context = g_main_context_ref_thread_default();
    if (!g_main_context_acquire(context)) {
        logf("The run loop of this thread is run by another thread");
        g_main_context_unref(context);
        return condition();
    }
    bool timedOut = false;
    GSource* timeout = nullptr;
    if (timeoutSeconds) {
        timeout = g_timeout_source_new(delayMillis(*timeoutSeconds));
        attach(timeout, context, [&timedOut] { timedOut = true; });
    }
    while (!condition() && !timedOut) g_main_context_iteration(context, TRUE);
    if (timeout) {
        g_source_destroy(timeout);
        g_source_unref(timeout);
    }
    g_main_context_release(context);
    g_main_context_unref(context);
    return condition();
}

void RunLoop::postToMainThread(std::function<void()> operation) {
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    attach(source, g_main_context_default(), std::move(operation));
    g_source_unref(source);
}

}  // namespace talv

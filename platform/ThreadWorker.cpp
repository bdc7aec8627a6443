#include "platform/ThreadWorker.h"

#include "platform/Log.h"

#include <cxxabi.h>
#include <glib.h>

#include <cstdlib>
#include <string>

namespace talv {
namespace {

std::string readableName(const std::type_info& type) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : type.name();
    std::free(demangled);
    return name;
}

}  // namespace

ThreadWorker::~ThreadWorker() {
    markAsCancelled();
    if (!thread_.joinable()) return;
    if (thread_.get_id() == std::this_thread::get_id()) {
        // Only a task that destroys its own worker gets here; joining would never return.
        logf("ThreadWorker destroyed by its own task; its thread ends on its own");
        thread_.detach();
        return;
    }
    thread_.join();
}

void ThreadWorker::markAsCancelled() {
    if (cancelled_.tryLockWhenCondition(kRunning)) cancelled_.unlockWithCondition(kCancelAsked);
}

bool ThreadWorker::cancelled() const { return cancelled_.condition() == kCancelAsked; }

void ThreadWorker::start(UniqueFunction body) {
    thread_ = std::thread([body = std::move(body)]() mutable {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        body();
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    });
}

void ThreadWorker::reportMissing(bool hasTarget, const std::type_info& target, const std::type_info& task) {
    logf("\nThreadWorker reports: Target {} does not respond to selector {}.",
         hasTarget ? readableName(target) : "(null)", readableName(task));
}

void ThreadWorker::reportFailure(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        logf("ThreadWorker task failed: {}", e.what());
    } catch (...) {
        logf("ThreadWorker task failed");
    }
}

}  // namespace talv

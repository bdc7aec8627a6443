#pragma once
// The transcript view's render thread: turns render requests into pages with a transcript store
// and an identity cache connection of its own (opened at its first request, kept while it runs).
// Only the newest waiting request is rendered: every request asks for the page the view should
// show now, so an older one would only be replaced at once. A render that fails is tried once
// more (unless a newer request is waiting), then the page says that the chat cannot be shown.
// Thread-safe: queue() may be called from any thread and never waits for a render.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace talv {

class TalTemplatizer;

struct RenderRequest {
    std::uint64_t number = 0;               // increases with every request
    std::optional<std::int64_t> chatID;     // none: the page shown when no chat is selected
    std::string searchText;
    std::shared_ptr<TalTemplatizer> renderer;  // kept alive until the render has ended
};

struct RenderedPage {
    std::uint64_t number = 0;  // of the request it answers
    std::optional<std::int64_t> chatID;
    std::string html;
    bool failed = false;  // the page says that the chat cannot be shown
};

class TranscriptRenderThread {
public:
    // `deliver` is called on the render thread with each finished page.
    explicit TranscriptRenderThread(std::function<void(RenderedPage)> deliver);
    // Lets a running render finish, drops what waits, and joins.
    ~TranscriptRenderThread();
    TranscriptRenderThread(const TranscriptRenderThread&) = delete;
    TranscriptRenderThread& operator=(const TranscriptRenderThread&) = delete;

    void queue(RenderRequest request);

private:
    void run();
    std::optional<RenderRequest> waitForRequest();
    bool hasNewerRequest();

    std::function<void(RenderedPage)> deliver_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<RenderRequest> newest_;  // guarded by mutex_
    bool stopping_ = false;                // guarded by mutex_
    std::thread thread_;
};

// The plain page shown instead of a chat that cannot be read.
std::string unreadableChatPage();

}  // namespace talv

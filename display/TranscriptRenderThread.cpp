#include "display/TranscriptRenderThread.h"

#include "display/TalTemplatizer.h"
#include "identity/TalvCacheDatabase.h"
#include "platform/Log.h"
#include "platform/Strings.h"
#include "store/OrvaneExtras.h"
#include "store/TalvDatabase.h"

namespace talv {
namespace {

// The render thread's own connections, opened when first needed and again after a failure.
class Connections {
public:
    std::optional<std::string> render(const RenderRequest& request) {
        if (!db_) db_ = TalvDatabase::open();
        if (!cache_) cache_ = TalvCacheDatabase::open();
        if (!db_ || !cache_ || !request.renderer) {
            db_.reset();
            cache_.reset();
            return std::nullopt;
        }
        std::optional<std::string> page = request.renderer->renderChat(request.chatID, *db_, *cache_, request.searchText);
        if (!page) logf("Cannot render the chat {}: {}", request.chatID.value_or(0), db_->db().lastErrorMessage());
        return page;
    }

private:
    std::optional<TalvDatabase> db_;
    std::optional<TalvCacheDatabase> cache_;
};

}  // namespace

std::string unreadableChatPage() {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><meta name=\"color-scheme\" content=\"light dark\">"
           "<style>body { font: 13px sans-serif; margin: 3em; text-align: center; opacity: 0.7; }</style></head><body><p>" +
           htmlEscapedString(tr("This chat transcript cannot be shown: it could not be read from the archive.")) +
           "</p></body></html>";
}

TranscriptRenderThread::TranscriptRenderThread(std::function<void(RenderedPage)> deliver)
    : deliver_(std::move(deliver)), thread_(&TranscriptRenderThread::run, this) {}

TranscriptRenderThread::~TranscriptRenderThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        newest_.reset();
    }
    wake_.notify_one();
    thread_.join();
}

void TranscriptRenderThread::queue(RenderRequest request) {
    {
        std::lock_guard lock(mutex_);
        newest_ = std::move(request);
    }
    wake_.notify_one();
}

std::optional<RenderRequest> TranscriptRenderThread::waitForRequest() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stopping_ || newest_; });
    if (stopping_) return std::nullopt;
    return std::exchange(newest_, std::nullopt);
}

bool TranscriptRenderThread::hasNewerRequest() {
    std::lock_guard lock(mutex_);
    return newest_.has_value() || stopping_;
}

void TranscriptRenderThread::run() {
    Connections connections;
    while (std::optional<RenderRequest> request = waitForRequest()) {
        std::optional<std::string> page = connections.render(*request);
        // One more try for a chat that could not be read, unless the view asks for another page by now.
        if (!page) {
            if (hasNewerRequest()) continue;
            page = connections.render(*request);
        }
        RenderedPage rendered{request->number, request->chatID, page ? std::move(*page) : unreadableChatPage(), !page};
        // The renderer goes with the request, on this thread, before the page is handed over.
        request.reset();
        deliver_(std::move(rendered));
    }
}

}  // namespace talv

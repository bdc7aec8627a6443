#include "identity/ABImageLoader.h"

namespace talv {

ABImageLoader::~ABImageLoader() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

int ABImageLoader::beginLoading(Bytes data, std::weak_ptr<ABImageClient> client) {
    std::lock_guard lock(mutex_);
    const int tag = ++lastTag_;
    queue_.push_back({tag, std::move(data), std::move(client)});
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    wake_.notify_one();
    return tag;
}

void ABImageLoader::run() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        Request request = std::move(queue_.front());
        queue_.pop_front();
        // The client may take locks of its own that are held while it asks for pictures.
        lock.unlock();
        if (auto client = request.client.lock()) client->consumeImageData(request.data, request.tag);
        lock.lock();
    }
}

}  // namespace talv

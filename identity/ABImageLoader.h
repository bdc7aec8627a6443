#pragma once
// The address book's asynchronous picture loading: a request is answered at once with a tag,
// and the picture reaches the client later on the loader's own thread.
#include "platform/Value.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace talv {

class ABImageClient {
public:
    virtual ~ABImageClient() = default;
    // Called on the loader's thread with the tag beginLoading answered; empty bytes when the
    // card has no picture.
    virtual void consumeImageData(const Bytes& data, int tag) = 0;
};

class ABImageLoader {
public:
    ABImageLoader() = default;
    // Stops and joins the thread; pictures not delivered yet are dropped.
    ~ABImageLoader();
    ABImageLoader(const ABImageLoader&) = delete;
    ABImageLoader& operator=(const ABImageLoader&) = delete;

    // Queues `data` for `client` and answers the request's tag (unique for this loader). The
    // client is held weakly: one that is gone by delivery time is skipped. Thread-safe.
    int beginLoading(Bytes data, std::weak_ptr<ABImageClient> client);

private:
    struct Request {
        int tag;
        Bytes data;
        std::weak_ptr<ABImageClient> client;
    };
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Request> queue_;  // guarded by mutex_
    int lastTag_ = 0;            // guarded by mutex_
    bool stopping_ = false;      // guarded by mutex_
    std::thread thread_;         // started by the first request, under mutex_
};

}  // namespace talv

#pragma once
// A small HTTP/1.1 server for the updater's tests, on 127.0.0.1 at a port of its own. Each
// connection is answered on a thread of its own and closed after one response.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace talv::test {

struct HttpResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool sendLength = true;      // Content-Length, else the body ends when the connection closes
    size_t stallAfter = 0;       // with stallSeconds: bytes of the body sent before the stall
    double stallSeconds = 0;     // silence before the rest of the body
};

class TestHttpServer {
public:
    using Handler = std::function<HttpResponse(const std::string& path)>;
    explicit TestHttpServer(Handler handler);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // "http://127.0.0.1:<port>" followed by path.
    std::string url(std::string_view path = "") const;
    std::vector<std::string> requestedPaths() const;

private:
    void serve();
    void answer(int connection);

    Handler handler_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> paths_;       // guarded by mutex_
    std::vector<std::thread> connections_;  // guarded by mutex_
    std::thread acceptor_;
};

}  // namespace talv::test

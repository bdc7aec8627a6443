#include "tests/update/TestHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace talv::test {
namespace {

void sendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n <= 0) return;
        data.remove_prefix(static_cast<size_t>(n));
    }
}

const char* reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    default: return "Status";
    }
}

}  // namespace

TestHttpServer::TestHttpServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the test server cannot listen");
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { serve(); });
}

TestHttpServer::~TestHttpServer() {
    stopping_ = true;
    acceptor_.join();
    ::close(listener_);
    std::lock_guard lock(mutex_);
    for (auto& t : connections_) t.join();
}

std::string TestHttpServer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> TestHttpServer::requestedPaths() const {
    std::lock_guard lock(mutex_);
    return paths_;
}

void TestHttpServer::serve() {
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, connection] {
            answer(connection);
            ::close(connection);
        });
    }
}

void TestHttpServer::answer(int connection) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<size_t>(n));
    }
    const size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    {
        std::lock_guard lock(mutex_);
        paths_.push_back(path);
    }
    HttpResponse r = handler_(path);
    std::string head = "HTTP/1.1 " + std::to_string(r.status) + " " + reason(r.status) + "\r\nConnection: close\r\n";
    if (r.sendLength) head += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
    for (const auto& [name, value] : r.headers) head += name + ": " + value + "\r\n";
    sendAll(connection, head + "\r\n");
    std::string_view body(r.body);
    if (r.stallSeconds > 0) {
        sendAll(connection, body.substr(0, r.stallAfter));
        body.remove_prefix(std::min(r.stallAfter, body.size()));
        const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(r.stallSeconds);
        while (!stopping_ && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    sendAll(connection, body);
}

}  // namespace talv::test

#pragma once
// One HTTP download into a private temporary file, run by libcurl on a worker thread
// (ThreadWorker). It reports what happens as events through a sink that the owner gives;
// the sink is called on the worker thread and posts the events to the owner's thread.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace talv {
class ThreadWorker;
}

namespace talv::update {

struct DownloadError {
    int code = 0;  // libcurl's code, or one of the negative codes below
    std::string description;

    static constexpr int kRefusedAddress = -1;
    static constexpr int kTooManyRedirects = -2;
    static constexpr int kFileError = -3;
};

// Whether a URL may be fetched: https anywhere, plain http only to a loopback address
// ("localhost", 127.0.0.0/8, ::1). Otherwise false with the reason in *why.
bool isAllowedDownloadURL(std::string_view url, std::string* why);

struct TransferEvent {
    enum Kind { Began, Response, Created, Data, Finished, Failed, Ended } kind;
    std::int64_t count = 0;           // Response: expected length (-1 unknown); Data: block size
    std::filesystem::path path{};     // Created, Finished
    DownloadError error{};            // Failed
};

struct TransferRequest {
    std::string url;
    std::string extension;           // forced on the file name when not empty
    std::filesystem::path folder;    // where the temporary file is made
    double timeoutSeconds = 10.0;    // to connect, and without any data before giving up
};

class HttpTransfer {
public:
    using Sink = std::function<void(TransferEvent)>;
    HttpTransfer(TransferRequest request, Sink sink) : request_(std::move(request)), sink_(std::move(sink)) {}

    // The worker's task. Events: Began, then Response, Created, Data... and Finished or
    // Failed, then always Ended last. A cancelled transfer deletes its file and sends no
    // Finished or Failed. Redirects (at most 10) are followed, each address checked as above.
    void run(int /*unused*/, ThreadWorker& worker);

private:
    TransferRequest request_;
    Sink sink_;
};

// The file name for a download: the URL's last path component (percent-decoded, "download"
// when empty or not one plain component) with its extension replaced by `extension` when
// that is not empty.
std::string suggestedFileName(std::string_view url, std::string_view extension);

}  // namespace talv::update

#include "update/HttpTransfer.h"

#include "platform/StringFormat.h"
#include "platform/Strings.h"
#include "platform/ThreadWorker.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <fmt/format.h>
#include <gio/gio.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

namespace fs = std::filesystem;

namespace talv::update {
namespace {

constexpr int kMaxRedirects = 10;

bool isLoopbackHost(const std::string& host) {
    if (g_ascii_strcasecmp(host.c_str(), "localhost") == 0) return true;
    GInetAddress* address = g_inet_address_new_from_string(host.c_str());
    if (!address) return false;
    bool loopback = g_inet_address_get_is_loopback(address);
    g_object_unref(address);
    return loopback;
}

// The file being written: made exclusively with mode 0600 under a fresh name, so that
// nothing placed in a shared temporary folder beforehand can redirect the write.
struct Destination {
    int fd = -1;
    fs::path path;
    ~Destination() {
        if (fd >= 0) ::close(fd);
    }
    bool open(const fs::path& folder, const std::string& name) {
        fs::path p(name);
        std::string templ = (folder / (p.stem().string() + "-XXXXXX" + p.extension().string())).string();
        fd = g_mkstemp_full(templ.data(), O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        path = templ;
        return true;
    }
    void discard() {
        if (fd >= 0) ::close(std::exchange(fd, -1));
        if (!path.empty()) ::unlink(path.c_str());
    }
};

struct Session {
    CURL* curl = nullptr;
    const TransferRequest* request;
    const HttpTransfer::Sink* sink;
    ThreadWorker* worker;
    std::string url;
    Destination destination;
    std::optional<DownloadError> writeError;
    char errorText[CURL_ERROR_SIZE] = {};
    // Stall detection: the bytes seen and when they last grew.
    curl_off_t lastBytes = 0;
    std::chrono::steady_clock::time_point lastChange = std::chrono::steady_clock::now();
    bool stalled = false;

    long responseCode() const {
        long code = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
        return code;
    }

    bool createDestination() {
        curl_off_t length = -1;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        (*sink)({TransferEvent::Response, static_cast<std::int64_t>(length)});
        if (!destination.open(request->folder, suggestedFileName(url, request->extension))) {
            writeError = DownloadError{DownloadError::kFileError, formatString(tr("Cannot create a file in %@: %@"),
                                                                               {request->folder.string(), std::strerror(errno)})};
            return false;
        }
        (*sink)({TransferEvent::Created, 0, destination.path});
        return true;
    }
};

size_t onData(char* data, size_t, size_t size, void* user) {
    auto& s = *static_cast<Session*>(user);
    if (s.responseCode() / 100 == 3) return size;  // the body of a redirect is not the file
    if (s.destination.fd < 0 && !s.createDestination()) return 0;
    for (size_t done = 0; done < size;) {
        ssize_t n = ::write(s.destination.fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            s.writeError = DownloadError{DownloadError::kFileError, formatString(tr("Cannot write %@: %@"),
                                                                                 {s.destination.path.string(), std::strerror(errno)})};
            return 0;
        }
        done += static_cast<size_t>(n);
    }
    (*s.sink)({TransferEvent::Data, static_cast<std::int64_t>(size)});
    return size;
}

// Called at least once a second while the transfer lasts, data or not.
int onProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto& s = *static_cast<Session*>(user);
    if (s.worker->cancelled()) return 1;
    const auto now = std::chrono::steady_clock::now();
    if (received != s.lastBytes) {
        s.lastBytes = received;
        s.lastChange = now;
    } else if (now - s.lastChange > std::chrono::duration<double>(s.request->timeoutSeconds)) {
        s.stalled = true;
        return 1;
    }
    return 0;
}

void configure(Session& s) {
    CURL* c = s.curl;
    const long timeoutMillis = static_cast<long>(std::ceil(s.request->timeoutSeconds * 1000));
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);  // followed here, so that each address is checked first
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");  // encoded content is decoded while it is saved
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, timeoutMillis);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Orvane Updater");
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, s.errorText);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &s);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &s);
}

// Runs the transfer through its redirects: none when it was cancelled, else the outcome.
std::optional<DownloadError> perform(Session& s) {
    for (int hops = 0;; ++hops) {
        std::string why;
        if (!isAllowedDownloadURL(s.url, &why)) return DownloadError{DownloadError::kRefusedAddress, why};
        s.errorText[0] = '\0';
        s.lastBytes = 0;
        s.lastChange = std::chrono::steady_clock::now();
        curl_easy_setopt(s.curl, CURLOPT_URL, s.url.c_str());
        CURLcode rc = curl_easy_perform(s.curl);
        if (s.worker->cancelled()) return std::nullopt;
        if (s.writeError) return s.writeError;
        if (s.stalled)
            return DownloadError{CURLE_OPERATION_TIMEDOUT, formatString(tr("No answer from %@ for %@ seconds"),
                                                                        {s.url, fmt::format("{}", s.request->timeoutSeconds)})};
        if (rc != CURLE_OK) return DownloadError{rc, *s.errorText ? s.errorText : curl_easy_strerror(rc)};
        const long code = s.responseCode();
        if (code / 100 != 3) break;
        char* location = nullptr;
        curl_easy_getinfo(s.curl, CURLINFO_REDIRECT_URL, &location);
        if (!location)
            return DownloadError{CURLE_HTTP_RETURNED_ERROR,
                                 formatString(tr("%@ answered %d without an address"), {s.url, std::int64_t{code}})};
        if (hops == kMaxRedirects)
            return DownloadError{DownloadError::kTooManyRedirects, formatString(tr("Too many redirects from %@"), {s.request->url})};
        s.url = location;
    }
    if (s.destination.fd < 0 && !s.createDestination()) return s.writeError;  // an empty file
    return DownloadError{};
}

}  // namespace

bool isAllowedDownloadURL(std::string_view url, std::string* why) {
    GUri* uri = g_uri_parse(std::string(url).c_str(), G_URI_FLAGS_NONE, nullptr);
    std::string scheme = uri ? g_uri_get_scheme(uri) : "";
    std::string host = uri && g_uri_get_host(uri) ? g_uri_get_host(uri) : "";
    if (uri) g_uri_unref(uri);
    for (char& c : scheme) c = g_ascii_tolower(c);
    if (scheme == "https" && !host.empty()) return true;
    if (scheme == "http" && isLoopbackHost(host)) return true;
    if (why) {
        *why = formatString(scheme == "http" ? tr("Refused the plain http address %@: only https is allowed")
                                             : tr("Refused the address %@: not an https address"),
                            {std::string(url)});
    }
    return false;
}

std::string suggestedFileName(std::string_view url, std::string_view extension) {
    std::string path(url.substr(0, url.find_first_of("?#")));
    std::string last = path.substr(path.find_last_of('/') + 1);
    if (path.find("://") != std::string::npos && path.find('/', path.find("://") + 3) == std::string::npos) last.clear();
    std::unique_ptr<char, decltype(&g_free)> decoded(g_uri_unescape_string(last.c_str(), "/"), g_free);
    std::string name = decoded ? decoded.get() : "";
    if (name.empty() || name == "." || name == "..") name = "download";
    if (extension.empty()) return name;
    fs::path p(name);
    return p.stem().string() + "." + std::string(extension);
}

void HttpTransfer::run(int, ThreadWorker& worker) {
    sink_({TransferEvent::Began});
    Session s;
    s.request = &request_;
    s.sink = &sink_;
    s.worker = &worker;
    s.url = request_.url;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    std::optional<DownloadError> outcome =
        curl ? (s.curl = curl.get(), configure(s), perform(s)) : DownloadError{CURLE_FAILED_INIT, tr("Cannot start a transfer")};
    if (outcome && outcome->code == 0) {
        ::close(std::exchange(s.destination.fd, -1));
        sink_({TransferEvent::Finished, 0, s.destination.path});
    } else {
        s.destination.discard();
        if (outcome) sink_({TransferEvent::Failed, 0, {}, *outcome});
    }
    sink_({TransferEvent::Ended});
}

}  // namespace talv::update

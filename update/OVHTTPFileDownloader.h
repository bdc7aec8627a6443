#pragma once
// Downloads files over HTTP(S) into temporary files, any number at once, each keyed by its URL.
// The transfers run on worker threads; every delegate call is made on the thread that made the
// downloader (through its thread-default GMainContext), never after the download was aborted
// or the downloader destroyed. Use the downloader from that thread only.
#include "platform/ThreadMessage.h"
#include "update/HttpTransfer.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace talv {
class ThreadWorker;
}

namespace talv::update {

class OVHTTPFileDownloader;

// Every call is optional; the refcon is the caller's value given back unchanged.
class OVHTTPFileDownloaderDelegate {
public:
    virtual ~OVHTTPFileDownloaderDelegate() = default;
    virtual void downloadStarted(OVHTTPFileDownloader&, std::uint32_t /*refcon*/) {}
    // The fraction received (0.0 to 1.0), or -1.0 when the size is not known.
    virtual void downloadProgress(OVHTTPFileDownloader&, std::uint32_t /*refcon*/, double /*percent*/) {}
    // The file is the caller's from now on.
    virtual void downloadFinished(OVHTTPFileDownloader&, std::uint32_t /*refcon*/, const std::filesystem::path&) {}
    virtual void downloadError(OVHTTPFileDownloader&, std::uint32_t /*refcon*/, const DownloadError&) {}
};

class OVHTTPFileDownloader {
public:
    OVHTTPFileDownloader();
    // Aborts what is in progress and waits for the worker threads.
    ~OVHTTPFileDownloader();
    OVHTTPFileDownloader(const OVHTTPFileDownloader&) = delete;
    OVHTTPFileDownloader& operator=(const OVHTTPFileDownloader&) = delete;

    // Starts a download unless one for the URL is in progress (then logged and ignored).
    // fileSize: the expected size, or 0 to take the server's. With
    // useDownloadsVolumeForTempFile the temporary file is made on the file system of the user's
    // downloads folder, so that it can be moved there without copying.
    void downloadURL(const std::string& url, const std::optional<std::string>& extension, std::int64_t fileSize,
                     bool useDownloadsVolumeForTempFile, std::weak_ptr<OVHTTPFileDownloaderDelegate> delegate,
                     std::uint32_t refcon);
    void downloadURL(const std::string& url, const std::optional<std::string>& extension,
                     std::weak_ptr<OVHTTPFileDownloaderDelegate> delegate, std::uint32_t refcon);
    // Cancels the URL's download; false when there was none. No delegate call follows.
    bool abortDownloadURL(const std::string& url);

    // To connect, and without data before a transfer fails (10 seconds unless set).
    void setTimeout(double seconds) { timeout_ = seconds; }

    // The user's downloads folder (the XDG download folder, else ~/Downloads, made when missing);
    // none when it cannot be made.
    static std::optional<std::filesystem::path> getUsersDownloadsFolder();

private:
    using TransferID = std::uint64_t;
    struct Record {
        std::string url;
        TransferID dl;
        std::weak_ptr<OVHTTPFileDownloaderDelegate> delegate;
        std::uint32_t refcon;
        bool useDownloadsFolderVolume;
        std::string extension;
        std::optional<std::int64_t> length;
        std::optional<std::int64_t> downloaded;
        std::filesystem::path path;
    };

    void handle(TransferID id, TransferEvent event);
    void remove(const std::shared_ptr<Record>& record);
    std::filesystem::path temporaryFolder(bool onDownloadsVolume) const;

    ThreadMessage messages_;  // first made, last gone: closing it drops calls for a gone downloader
    std::map<std::string, std::shared_ptr<Record>> mDownloads;
    std::map<TransferID, std::shared_ptr<Record>> mKeyedDownloads;
    std::map<TransferID, std::unique_ptr<ThreadWorker>> workers_;  // until each thread has ended
    TransferID nextID_ = 1;
    double timeout_ = 10.0;
};

}  // namespace talv::update

#include "update/OVHTTPFileDownloader.h"

#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/ThreadWorker.h"

#include <curl/curl.h>
#include <glib.h>
#include <sys/stat.h>

#include <mutex>

namespace fs = std::filesystem;

namespace talv::update {
namespace {

std::optional<dev_t> deviceOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return st.st_dev;
}

}  // namespace

OVHTTPFileDownloader::OVHTTPFileDownloader() {
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

OVHTTPFileDownloader::~OVHTTPFileDownloader() {
    for (auto& [id, worker] : workers_) worker->markAsCancelled();
    workers_.clear();  // joins
}

void OVHTTPFileDownloader::downloadURL(const std::string& url, const std::optional<std::string>& extension,
                                       std::weak_ptr<OVHTTPFileDownloaderDelegate> delegate, std::uint32_t refcon) {
    downloadURL(url, extension, 0, false, std::move(delegate), refcon);
}

void OVHTTPFileDownloader::downloadURL(const std::string& url, const std::optional<std::string>& extension,
                                       std::int64_t fileSize, bool useDownloadsVolumeForTempFile,
                                       std::weak_ptr<OVHTTPFileDownloaderDelegate> delegate, std::uint32_t refcon) {
    if (mDownloads.count(url)) {
        logf("OVHTTPFileDownloader: attempted to download {} again", url);
        return;
    }
    const TransferID id = nextID_++;
    auto record = std::make_shared<Record>(Record{url, id, std::move(delegate), refcon, useDownloadsVolumeForTempFile,
                                                  extension.value_or(""), std::nullopt, std::nullopt, {}});
    if (fileSize != 0) record->length = fileSize;

    TransferRequest request{url, record->extension, temporaryFolder(useDownloadsVolumeForTempFile), timeout_};
    // The downloader outlives every call queued on its port: closing the port drops them.
    auto sink = [port = messages_.port(), this, id](TransferEvent event) {
        port.send([this, id, event = std::move(event)]() mutable { handle(id, std::move(event)); });
    };
    auto transfer = std::make_shared<HttpTransfer>(std::move(request), std::move(sink));
    auto worker = ThreadWorker::workOn(transfer, &HttpTransfer::run, 0);
    if (!worker) return;
    workers_.emplace(id, std::move(worker));
    mDownloads.emplace(url, record);
    mKeyedDownloads.emplace(id, record);
}

bool OVHTTPFileDownloader::abortDownloadURL(const std::string& url) {
    auto it = mDownloads.find(url);
    if (it == mDownloads.end()) return false;
    std::shared_ptr<Record> record = it->second;
    if (auto worker = workers_.find(record->dl); worker != workers_.end()) worker->second->markAsCancelled();
    remove(record);
    return true;
}

void OVHTTPFileDownloader::remove(const std::shared_ptr<Record>& record) {
    mDownloads.erase(record->url);
    mKeyedDownloads.erase(record->dl);
}

void OVHTTPFileDownloader::handle(TransferID id, TransferEvent event) {
    if (event.kind == TransferEvent::Ended) {
        workers_.erase(id);  // its thread has nothing left to do
        return;
    }
    auto it = mKeyedDownloads.find(id);
    if (it == mKeyedDownloads.end()) return;  // aborted
    std::shared_ptr<Record> record = it->second;
    std::shared_ptr<OVHTTPFileDownloaderDelegate> delegate = record->delegate.lock();
    switch (event.kind) {
    case TransferEvent::Began:
        if (delegate) delegate->downloadStarted(*this, record->refcon);
        break;
    case TransferEvent::Response:
        if (!(record->length > 0)) record->length = event.count;
        break;
    case TransferEvent::Created:
        record->path = event.path;
        break;
    case TransferEvent::Data: {
        double percent = -1.0;
        if (record->length > 0) {
            record->downloaded = record->downloaded.value_or(0) + event.count;
            percent = *record->downloaded >= *record->length
                          ? 1.0
                          : static_cast<double>(*record->downloaded) / static_cast<double>(*record->length);
        }
        if (delegate) delegate->downloadProgress(*this, record->refcon, percent);
        break;
    }
    case TransferEvent::Finished:
        remove(record);
        if (delegate) delegate->downloadFinished(*this, record->refcon, record->path);
        break;
    case TransferEvent::Failed:
        remove(record);
        if (delegate) delegate->downloadError(*this, record->refcon, event.error);
        break;
    case TransferEvent::Ended: break;
    }
}

fs::path OVHTTPFileDownloader::temporaryFolder(bool onDownloadsVolume) const {
    fs::path temporary = Paths::temporary();
    if (!onDownloadsVolume) return temporary;
    auto downloads = getUsersDownloadsFolder();
    if (!downloads) return temporary;
    auto device = deviceOf(*downloads);
    if (!device || deviceOf(temporary) == device) return temporary;
    return *downloads;
}

std::optional<fs::path> OVHTTPFileDownloader::getUsersDownloadsFolder() {
    const char* special = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
    fs::path folder = special && *special ? fs::path(special) : Paths::home() / "Downloads";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        logf("Cannot make the downloads folder {}: {}", folder.string(), ec.message());
        return std::nullopt;
    }
    return folder;
}

}  // namespace talv::update

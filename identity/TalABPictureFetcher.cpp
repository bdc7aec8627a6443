#include "identity/TalABPictureFetcher.h"

#include "identity/TalvCacheDatabase.h"
#include "platform/Log.h"
#include "store/Transaction.h"

#include <pthread.h>
#include <sched.h>
#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace talv {
namespace {

void lowerThreadPriority() {
    sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
}

void storePicture(TalvCacheDatabase& cache, const std::string& abuuid, const Bytes& picture) {
    Transaction update(cache.db());
    if (cache.db().executeUpdate("UPDATE ABMap SET Picture = ? WHERE ABUUID = ?;",
                                 {picture.empty() ? SqlValue() : SqlValue(picture), abuuid}) == SQLITE_OK &&
        update.commit())
        return;
    logf("Cannot store the picture of {}: {}", abuuid, cache.db().lastErrorMessage());
}

}  // namespace

// The requests still out (tag to ABUUID) and the pictures that arrived for the fetch thread to
// store. The address book delivers on its own thread, so everything is under the mutex.
class TalABPictureFetcher::PictureMap : public ABImageClient {
public:
    void consumeImageData(const Bytes& data, int tag) override {
        std::lock_guard lock(mutex);
        const auto request = tags.find(tag);
        if (request == tags.end()) return;
        arrived.emplace_back(request->second, data);
        tags.erase(request);
        changed.notify_all();
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::map<int, std::string> tags;                       // guarded by mutex
    std::vector<std::pair<std::string, Bytes>> arrived;     // guarded by mutex
    bool stopping = false;                                  // guarded by mutex
};

TalABPictureFetcher::TalABPictureFetcher() : map_(std::make_shared<PictureMap>()), thread_([this] { abPictureFetcher(); }) {}

TalABPictureFetcher::~TalABPictureFetcher() {
    {
        std::lock_guard lock(map_->mutex);
        map_->stopping = true;
    }
    map_->changed.notify_all();
    waitUntilDone();
}

void TalABPictureFetcher::waitUntilDone() {
    if (thread_.joinable()) thread_.join();
}

void TalABPictureFetcher::abPictureFetcher() {
    auto cache = TalvCacheDatabase::open();
    if (!cache) return;
    std::vector<std::string> abuuids;
    std::set<std::string> seen;  // a person's rows share one ABUUID; one request serves them all
    if (auto rs = cache->db().executeQuery("SELECT ABUUID FROM ABMap WHERE ABUUID LIKE '%ABPerson';"))
        while (rs->next())
            if (auto abuuid = rs->stringForColumn("ABUUID"); abuuid && seen.insert(*abuuid).second) abuuids.push_back(std::move(*abuuid));

    lowerThreadPriority();
    book_ = AddressBook::shared();
    for (const std::string& abuuid : abuuids) fetchPicture(abuuid);

    std::unique_lock lock(map_->mutex);
    while (true) {
        map_->changed.wait_for(lock, std::chrono::seconds(5), [this] { return map_->stopping || map_->tags.empty() || !map_->arrived.empty(); });
        const auto arrived = std::exchange(map_->arrived, {});
        const bool done = map_->stopping || map_->tags.empty();
        lock.unlock();
        for (const auto& [abuuid, picture] : arrived) storePicture(*cache, abuuid, picture);
        if (done) return;
        lock.lock();
    }
}

void TalABPictureFetcher::fetchPicture(const std::string& abuuid) {
    const auto cards = book_->recordsWithUniqueId(abuuid);
    if (cards.empty()) return;
    // Held across the request: the picture may arrive before its tag would otherwise be recorded.
    std::lock_guard lock(map_->mutex);
    map_->tags[book_->beginLoadingImageData(*cards.front(), map_)] = abuuid;
}

}  // namespace talv

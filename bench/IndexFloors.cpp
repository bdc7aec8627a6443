#include "bench/IndexFloors.h"

#include "bench/Report.h"
#include "bench/Stopwatch.h"
#include "identity/CacheIdentityServices.h"
#include "identity/TalvCacheDatabase.h"
#include "import/AdiumLogParser.h"
#include "import/AdiumXMLLogParser.h"
#include "import/FireXMLLogParser.h"
#include "import/IChatReader.h"
#include "import/TalvHelperController.h"
#include "import/TranscriptWalk.h"
#include "store/TalvDatabase.h"
#include "store/Transaction.h"

#include <cstdint>
#include <functional>
#include <utility>

namespace fs = std::filesystem;

namespace talv::bench {
namespace {

// Records are written in batches so that memory stays bounded on large archives.
constexpr std::size_t kBatchMessages = 200000;

struct Totals {
    std::int64_t files = 0, bytes = 0, messages = 0;
    double readSeconds = 0, writeSeconds = 0, readCpu = 0, writeCpu = 0;
};

std::int64_t bytesOf(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_directory(path, ec)) return static_cast<std::int64_t>(fs::file_size(path, ec));
    std::int64_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(path, ec))
        if (entry.is_regular_file(ec)) total += static_cast<std::int64_t>(entry.file_size(ec));
    return total;
}

std::optional<ChatRecord> readTranscript(const fs::path& path) {
    static const AdiumLogParser html;
    static const AdiumXMLLogParser xml;
    static const FireXMLLogParser fire;
    const std::string ext = path.extension().string();
    if (ext == ".ichat" || ext == ".chat") return IChatReader::readChatFile(path.string());
    if (ext == ".chatlog") return xml.parseLogFile(path);
    if (ext == ".xhtml") return fire.parseLogFile(path);
    return html.parseLogFile(path);
}

// The folders and extensions of the scan passes.
std::vector<std::pair<std::string, std::vector<std::string_view>>> passFolders() {
    return {{TalvHelperController::iChatFolder(), {"ichat", "chat"}},
            {TalvHelperController::adiumFolder(), {"html", "chatlog", "AdiumHTMLLog"}},
            {TalvHelperController::fireFolder(), {"xhtml"}}};
}

}  // namespace

bool measureIndexFloors(const fs::path& database) {
    // The identity cache as the application prepares it at start, so that names are cached.
    auto cache = TalvCacheDatabase::open();
    if (!cache) return false;
    cache->db().setLogsErrors(false);
    if (!cache->createTablesAsNeeded()) return false;
    CacheIdentityServices identities;
    auto store = TalvDatabase::openAt(database, &identities);
    if (!store) return false;
    store->db().setLogsErrors(false);
    if (!store->createTablesAsNeeded()) return false;
    store->db().setLogsErrors(true);

    Totals totals;
    std::vector<std::pair<std::string, ChatRecord>> batch;
    std::size_t batchMessages = 0;
    std::int64_t refused = 0;
    auto flush = [&] {
        Stopwatch clock;
        for (const auto& [path, r] : batch)
            refused += !store->addChat(path, r.Kind, r.Participants, r.Messages, r.StartDate, r.EndDate,
                                       r.HasHyperlinks, r.HasPictures, r.HasEmails);
        totals.writeSeconds += clock.seconds();
        totals.writeCpu += clock.cpuSeconds();
        batch.clear();
        batchMessages = 0;
    };

    Transaction pass(store->db());
    if (!pass.began()) return false;
    for (const auto& [folder, extensions] : passFolders()) {
        TranscriptWalk(folder, extensions, kTranscriptEpoch).forEachTaken([&](const TranscriptFile& file) {
            Stopwatch clock;
            auto record = readTranscript(file.path);
            totals.readSeconds += clock.seconds();
            totals.readCpu += clock.cpuSeconds();
            ++totals.files;
            totals.bytes += bytesOf(file.path);
            if (!record) return true;
            totals.messages += static_cast<std::int64_t>(record->Messages.size());
            batchMessages += record->Messages.size();
            batch.emplace_back(file.path.string(), std::move(*record));
            if (batchMessages >= kBatchMessages) flush();
            return true;
        });
    }
    flush();
    Stopwatch commit;
    if (!pass.commit() || refused != 0) return false;
    totals.writeSeconds += commit.seconds();
    totals.writeCpu += commit.cpuSeconds();

    report("files", static_cast<double>(totals.files));
    report("bytes", static_cast<double>(totals.bytes));
    report("messages", static_cast<double>(totals.messages));
    report("read_seconds", totals.readSeconds);
    report("write_seconds", totals.writeSeconds);
    report("read_cpu", totals.readCpu);
    report("write_cpu", totals.writeCpu);
    return true;
}

}  // namespace talv::bench

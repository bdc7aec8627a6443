#include "bench/LongMessages.h"

#include "bench/Report.h"
#include "bench/Stopwatch.h"
#include "display/TranscriptPage.h"
#include "identity/CacheIdentityServices.h"
#include "identity/TalvCacheDatabase.h"
#include "import/AdiumLogParser.h"
#include "store/TalvDatabase.h"

#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace talv::bench {
namespace {

constexpr std::size_t kMessageBytes = 1 << 20;

std::string repeated(std::string_view piece) {
    std::string text;
    text.reserve(kMessageBytes + piece.size());
    while (text.size() < kMessageBytes) text += piece;
    return text;
}

bool writeLog(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "<div class=\"receive\"><span class=\"timestamp\">1:00:00 PM</span> <span class=\"sender\">bob: </span>"
           "<pre class=\"message\">"
        << text << "</pre></div>\n";
    return static_cast<bool>(out);
}

std::optional<std::int64_t> chatIDOf(TalvDatabase& store, const std::string& path) {
    auto rs = store.db().executeQuery("SELECT ROWID FROM Chats WHERE FilePath = ?;", {path});
    return rs && rs->next() ? std::optional<std::int64_t>(rs->int64ForColumn("ROWID")) : std::nullopt;
}

bool measure(const char* kind, const std::string& text, const fs::path& folder, TalvDatabase& store) {
    const fs::path log = folder / fmt::format("{} (2010-01-04).html", kind);
    if (!writeLog(log, text)) return false;

    Stopwatch indexing;
    auto chat = AdiumLogParser().parseLogFile(log);
    if (!chat || !store.addChat(log.string(), chat->Kind, chat->Participants, chat->Messages, chat->StartDate,
                                chat->EndDate, chat->HasHyperlinks, chat->HasPictures, chat->HasEmails))
        return false;
    report(fmt::format("long_{}_index_seconds", kind), indexing.seconds());
    report(fmt::format("long_{}_index_cpu", kind), indexing.cpuSeconds());

    const auto chatID = chatIDOf(store, log.string());
    Stopwatch rendering;
    if (!chatID || !renderTranscriptPage(*chatID, "", chooseStyle(std::nullopt))) return false;
    report(fmt::format("long_{}_render_seconds", kind), rendering.seconds());
    report(fmt::format("long_{}_render_cpu", kind), rendering.cpuSeconds());
    return true;
}

}  // namespace

bool measureLongMessages(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    auto cache = TalvCacheDatabase::open();
    if (!cache) return false;
    cache->db().setLogsErrors(false);
    if (!cache->createTablesAsNeeded()) return false;
    CacheIdentityServices identities;
    auto store = TalvDatabase::open(&identities);
    if (!store) return false;
    store->db().setLogsErrors(false);
    if (!store->createTablesAsNeeded()) return false;
    store->db().setLogsErrors(true);
    return measure("prose", repeated("the quick brown fox jumps over the lazy dog "), folder, *store) &&
           measure("word", std::string(kMessageBytes, 'a'), folder, *store) &&
           measure("tags", repeated("<b>x</b>"), folder, *store) &&
           measure("links", repeated("http://www.example.com/path?q=1 "), folder, *store);
}

}  // namespace talv::bench

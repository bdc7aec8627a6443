#include "bench/RenderTimings.h"

#include "bench/Report.h"
#include "bench/Stopwatch.h"
#include "display/TranscriptPage.h"
#include "store/TalvDatabase.h"

#include <algorithm>
#include <optional>
#include <cstdint>
#include <vector>

namespace talv::bench {
namespace {

std::int64_t messagesOf(TalvDatabase& store, std::int64_t chatID) {
    auto rs = store.db().executeQuery("SELECT COUNT(*) AS N FROM Messages WHERE ChatID = ?;", {chatID});
    return rs && rs->next() ? rs->int64ForColumn("N") : 0;
}

bool measure(const char* name, std::int64_t chatID, int rounds, TalvDatabase& store) {
    const std::filesystem::path style = chooseStyle(std::nullopt);
    std::vector<double> seconds, cpu;
    std::size_t bytes = 0;
    for (int r = 0; r < rounds; ++r) {
        Stopwatch clock;
        auto page = renderTranscriptPage(chatID, "", style);
        seconds.push_back(clock.seconds());
        cpu.push_back(clock.cpuSeconds());
        if (!page) return false;
        bytes = page->size();
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(cpu.begin(), cpu.end());
    report(fmt::format("{}_seconds", name), seconds[seconds.size() / 2]);
    report(fmt::format("{}_cpu", name), cpu[cpu.size() / 2]);
    report(fmt::format("{}_messages", name), static_cast<double>(messagesOf(store, chatID)));
    report(fmt::format("{}_bytes", name), static_cast<double>(bytes));
    return true;
}

}  // namespace

bool measureRender(int rounds) {
    auto store = TalvDatabase::open();
    if (!store) return false;
    auto chatAt = [&](const char* sql) -> std::optional<std::int64_t> {
        auto rs = store->db().executeQuery(sql);
        if (!rs || !rs->next()) return std::nullopt;
        return rs->int64ForColumn("ChatID");
    };
    const auto largest = chatAt("SELECT ChatID FROM Messages GROUP BY ChatID ORDER BY COUNT(*) DESC LIMIT 1;");
    const auto typical = chatAt("SELECT ChatID FROM Messages GROUP BY ChatID ORDER BY COUNT(*) LIMIT 1 "
                                "OFFSET (SELECT COUNT(DISTINCT ChatID) FROM Messages) / 2;");
    return largest && typical && measure("render_largest", *largest, rounds, *store) &&
           measure("render_typical", *typical, rounds, *store);
}

}  // namespace talv::bench

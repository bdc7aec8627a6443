#include "bench/SearchIndexFigures.h"

#include "bench/Report.h"
#include "store/TalvDatabase.h"

namespace talv::bench {
namespace {

std::optional<double> number(FMDatabase& db, const char* sql) {
    auto rs = db.executeQuery(sql);
    if (!rs || !rs->next()) return std::nullopt;
    const double value = rs->doubleForColumn("v");
    rs->close();
    return value;
}

}  // namespace

bool prepareArchiveWithoutSearchIndex() {
    auto store = TalvDatabase::open();
    if (!store || !store->createTablesAsNeeded()) return false;
    for (const char* sql : {"DROP TRIGGER ChatsTextMessageInsert;", "DROP TRIGGER ChatsTextMessageDelete;",
                            "DROP TRIGGER ChatsTextMessageMovedFrom;", "DROP TRIGGER ChatsTextMessageMovedTo;",
                            "DROP TABLE ChatsText;", "DROP TABLE ChatsTextPending;"})
        if (store->db().executeUpdate(sql) != 0) return false;
    return true;
}

bool measureSearchIndexSize() {
    auto store = TalvDatabase::open();
    if (!store) return false;
    const auto text = number(store->db(), "SELECT total(length(CAST(Message AS BLOB))) AS v FROM Messages;");
    // dbstat counts the pages of each table; SQLite builds without it give no index size.
    const auto index = number(store->db(), "SELECT total(pgsize) AS v FROM dbstat WHERE name LIKE 'ChatsText%';");
    if (!text) return false;
    report("message_text_bytes", *text);
    if (index) report("search_index_bytes", *index);
    return true;
}

}  // namespace talv::bench

#include "browse/HeadlessBrowser.h"

#include "browse/FilterEntries.h"
#include "identity/CaseInsensitive.h"
#include "platform/Strings.h"

#include <algorithm>

namespace talv {

HeadlessBrowser::HeadlessBrowser(TalvDatabase db, TalvCacheDatabase cacheDB, Date now) {
    prepareWhenFilters(when_, now);
    preparePartFilters(participants_);
    prepareContentsFilters(contents_);
    engine_ = std::make_unique<TalSQLiteDataSource>(
        TalSQLiteDataSource::Outlets{contents_, participants_, when_, state_, table_}, std::move(db), std::move(cacheDB));
    engine_->applicationDidFinishLaunching();
}

std::unique_ptr<HeadlessBrowser> HeadlessBrowser::open(Date now) {
    auto db = TalvDatabase::open();
    auto cacheDB = TalvCacheDatabase::open();
    if (!db || !cacheDB) return nullptr;
    return std::make_unique<HeadlessBrowser>(std::move(*db), std::move(*cacheDB), now);
}

void HeadlessBrowser::select(TalvFilterArrayController& list, const std::vector<std::string>& titles, bool translated,
                             std::vector<std::string>& missing) {
    std::vector<std::size_t> indexes;
    const Value::Array& entries = list.arrangedObjects();
    for (const std::string& title : titles) {
        const std::string shown = translated ? tr(title) : title;
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const Value& entry) {
            const Value* entryTitle = entry.find("title");
            return entryTitle && equalsIgnoringCase(entryTitle->textOr(""), shown);
        });
        if (found == entries.end()) missing.push_back(title);
        else indexes.push_back(static_cast<std::size_t>(found - entries.begin()));
    }
    // As in the window: All is never selected together with other entries, and stands for no choice.
    auto all = std::find_if(entries.begin(), entries.end(), [](const Value& entry) { return entry.find("IsAll") != nullptr; });
    const std::size_t allIndex = static_cast<std::size_t>(all - entries.begin());
    if (indexes.empty() || std::find(indexes.begin(), indexes.end(), allIndex) != indexes.end()) indexes = {allIndex};
    list.setSelectionIndexes(indexes);
}

std::vector<std::string> HeadlessBrowser::apply(const Choice& choice) {
    std::vector<std::string> missing;
    select(when_, choice.when, true, missing);
    select(contents_, choice.contents, true, missing);
    select(participants_, {}, false, missing);
    if (!missing.empty()) return missing;
    state_.setSearchText(choice.search);
    table_.setSortDescriptors(choice.sort ? std::vector<SortDescriptor>{*choice.sort} : std::vector<SortDescriptor>{});
    engine_->refilter();  // fills the participants list for the other filters
    if (!choice.participants.empty()) {
        select(participants_, choice.participants, false, missing);
        if (!missing.empty()) return missing;
        engine_->refilter();
    }
    return missing;
}

std::vector<HeadlessBrowser::Row> HeadlessBrowser::rows() {
    std::vector<Row> rows;
    rows.reserve(table_.rowCount());
    for (std::size_t r = 0; r < table_.rowCount(); ++r) {
        auto text = [&](const char* column) { return table_.cell(column, r).textOr(""); };
        rows.push_back(Row{table_.cell("id", r).integerOr(0), text("participants"), text("topic"), text("datestarted"),
                           text("duration"), text("kind"), text("filename")});
    }
    return rows;
}

}  // namespace talv

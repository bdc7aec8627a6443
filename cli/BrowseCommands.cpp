// talvessa-cli list and participants: the query engine without a window, driven as the main
// window drives it.
#include "browse/FilterEntries.h"
#include "browse/HeadlessBrowser.h"
#include "cli/Commands.h"
#include "cli/OutputText.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <fmt/format.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace talv::cli {
namespace {

// Without --sort, the newest chats come first.
const SortDescriptor kNewestFirst{"datestarted", false};

// The sortable columns of the chats table: the names a user gives (column identifiers and sort
// keys) and the Chats column each sorts by.
constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kSortKeys{{
    {"participants", "participants"},
    {"topic", "subject"},
    {"subject", "subject"},
    {"datestarted", "datestarted"},
    {"duration", "duration"},
    {"kind", "kind"},
    {"filename", "filename"},
}};

// The width plain listings fit: the terminal's, else $COLUMNS; none (no limit) for a pipe or a file.
std::optional<std::size_t> terminalWidth() {
    winsize size{};
    if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    const char* columns = std::getenv("COLUMNS");
    std::size_t width = 0;
    if (columns && std::from_chars(columns, columns + std::strlen(columns), width).ec == std::errc{} && width > 0)
        return width;
    return std::nullopt;
}

// "KEY", "KEY:asc" or "KEY:desc"; none for any other key or direction.
std::optional<SortDescriptor> parseSort(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    const std::string_view name = text.substr(0, colon);
    const std::string_view direction = colon == std::string_view::npos ? "asc" : text.substr(colon + 1);
    if (direction != "asc" && direction != "desc") return std::nullopt;
    auto key = std::find_if(kSortKeys.begin(), kSortKeys.end(), [&](const auto& k) { return k.first == name; });
    if (key == kSortKeys.end()) return std::nullopt;
    return SortDescriptor{std::string(key->second), direction == "asc"};
}

std::string titleOf(const Value& entry) {
    const Value* title = entry.find("title");
    return title ? title->textOr("") : "";
}

std::vector<std::string> titlesOf(const Value::Array& entries) {
    std::vector<std::string> titles;
    for (const Value& entry : entries) titles.push_back(titleOf(entry));
    return titles;
}

// Opens the archive, applies the options to a browser and hands it to `print` once the engine's
// delayed requests have run. Exit code 2 for a bad option or an unknown title.
int browse(const ParsedArguments& args, const std::function<void(HeadlessBrowser&)>& print) {
    HeadlessBrowser::Choice choice{args.values("when"), args.values("contents"), args.values("participant"),
                                   args.value("search").value_or("")};
    choice.sort = kNewestFirst;
    if (auto sort = args.value("sort")) {
        choice.sort = parseSort(*sort);
        if (!choice.sort) {
            return usageError(formatString(tr("cannot sort by '%@': give participants, topic, datestarted, duration, "
                                              "kind or filename, optionally followed by :asc or :desc"),
                                           {*sort}));
        }
    }
    if (!prepareArchive()) return 1;
    const std::optional<std::int64_t> stored = archiveCount("SELECT COUNT(*) AS n FROM Chats;");
    if (!stored) return 1;
    if (*stored == 0) {
        fmt::print(stderr, "talvessa-cli: {}\n",
                   tr("the archive holds no chats yet; 'talvessa-cli index' reads your transcripts into it."));
    }
    const Date now = Date::now();
    std::unique_ptr<HeadlessBrowser> opened = HeadlessBrowser::open(now);
    if (!opened) {
        fmt::print(stderr, "talvessa-cli: {}\n", tr("cannot open the archive or the identity cache"));
        return 1;
    }
    HeadlessBrowser& browser = *opened;

    const std::vector<std::string> missing = browser.apply(choice);
    if (!missing.empty()) {
        const std::string& title = missing.front();
        auto named = [&](const std::vector<std::string>& titles) {
            return std::find(titles.begin(), titles.end(), title) != titles.end();
        };
        const auto [option, entries] = named(choice.when)       ? std::pair{"when", whenFilterEntries(now)}
                                       : named(choice.contents) ? std::pair{"contents", contentsFilterEntries()}
                                                                : std::pair{"participant", browser.participantEntries()};
        return usageError(formatString(tr("no --%@ entry is titled '%@'; the titles are: %@"),
                                       {std::string(option), title, fmt::format("{}", fmt::join(titlesOf(entries), ", "))}));
    }
    if (browser.readFailure()) {
        reportUnreadableArchive(*browser.readFailure());
        return 1;
    }
    // The requests the selection changes scheduled would find the lists built: no need to wait for them.
    print(browser);
    return 0;
}

void printRows(HeadlessBrowser& browser, bool json) {
    const std::vector<HeadlessBrowser::Row> rows = browser.rows();
    if (json) {
        fmt::print("{{\"statistics\": {}, \"count\": {}, \"chats\": [", jsonString(browser.statistics()), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const HeadlessBrowser::Row& r = rows[i];
            fmt::print("{}\n  {{\"id\": {}, \"participants\": {}, \"topic\": {}, \"datestarted\": {}, \"duration\": {}, "
                       "\"kind\": {}, \"filename\": {}}}",
                       i == 0 ? "" : ",", r.id, jsonString(r.participants), jsonString(r.topic), jsonString(r.datestarted),
                       jsonString(r.duration), jsonString(r.kind), jsonString(r.filename));
        }
        fmt::print("{}]}}\n", rows.empty() ? "" : "\n");
        return;
    }
    if (!rows.empty()) {
        std::vector<std::vector<std::string>> table{
            {tr("ID"), tr("Participants"), tr("Topic"), tr("Date Started"), tr("Duration"), tr("Kind"), tr("File Name")}};
        for (const HeadlessBrowser::Row& r : rows) {
            table.push_back({std::to_string(r.id), singleLine(r.participants), singleLine(r.topic), singleLine(r.datestarted),
                             singleLine(r.duration), singleLine(r.kind), singleLine(r.filename)});
        }
        fmt::print("{}", alignedColumns(table, terminalWidth()));
    }
    fmt::print("{}\n", singleLine(browser.statistics()));
}

std::vector<std::string> partsOf(const Value& entry) {
    std::vector<std::string> parts;
    if (const Value* list = entry.find("parts"); list && list->asArray()) {
        for (const Value& part : *list->asArray()) parts.push_back(part.textOr(""));
    }
    return parts;
}

void printParticipants(HeadlessBrowser& browser, bool json) {
    const Value::Array& entries = browser.participantEntries();
    if (json) {
        fmt::print("{{\"participants\": [");
        for (std::size_t i = 0; i < entries.size(); ++i) {
            fmt::print("{}\n  {{\"title\": {}, \"parts\": {}}}", i == 0 ? "" : ",",
                       jsonString(titleOf(entries[i])), jsonStringArray(partsOf(entries[i])));
        }
        fmt::print("\n]}}\n");
        return;
    }
    std::vector<std::vector<std::string>> table;
    for (const Value& entry : entries) {
        std::vector<std::string> parts = partsOf(entry);
        for (std::string& part : parts) part = singleLine(part);
        table.push_back({singleLine(titleOf(entry)), fmt::format("{}", fmt::join(parts, ", "))});
    }
    fmt::print("{}", alignedColumns(table, terminalWidth()));
}

}  // namespace

int runList(const ParsedArguments& args) {
    return browse(args, [&](HeadlessBrowser& browser) { printRows(browser, args.has("json")); });
}

int runParticipants(const ParsedArguments& args) {
    return browse(args, [&](HeadlessBrowser& browser) { printParticipants(browser, args.has("json")); });
}

}  // namespace talv::cli

#include "bench/BrowseTimings.h"

#include "bench/Report.h"
#include "bench/Stopwatch.h"
#include "browse/HeadlessBrowser.h"

#include <algorithm>
#include <vector>

namespace talv::bench {
namespace {

struct Case {
    const char* name;
    HeadlessBrowser::Choice choice;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The chat count that opens the statistics line ("%d chats, %@").
double chatsListed(const HeadlessBrowser& browser) {
    try {
        return std::stod(browser.statistics());
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace

bool measureBrowse(int rounds, const std::string& shortSearch, const std::string& longSearch) {
    auto browser = HeadlessBrowser::open(Date::now());
    if (!browser) return false;

    // The person with the first entry of the participants list under All.
    browser->apply({});
    const Value::Array& people = browser->participantEntries();
    const std::string person = people.size() > 1 ? people[1].find("title")->textOr("") : "";

    const HeadlessBrowser::Choice all{};
    const std::vector<Case> cases = {
        {"all", all},
        {"this_week", {.when = {"This Week"}}},
        {"participant", {.participants = {person}}},
        {"links", {.contents = {"Links"}}},
        {"before_last_year", {.when = {"Before Last Year"}}},
        {"links_last_year", {.when = {"Last Year"}, .contents = {"Links"}}},
        {"links_search_short", {.contents = {"Links"}, .search = shortSearch}},
        {"search_short", {.search = shortSearch}},
        {"search_long", {.search = longSearch}},
    };
    // Each case with the statements the engine runs, then with the reference statements.
    for (bool reference : {false, true}) {
        browser->setRunsReferenceStatements(reference);
        const std::string suffix = reference ? "_reference" : "";
        for (const Case& c : cases) {
            // Each rebuild starts from another list, as a click in the window does: All, or Links for All.
            const HeadlessBrowser::Choice& before = c.choice.when.empty() && c.choice.contents.empty() &&
                                                            c.choice.participants.empty() && c.choice.search.empty()
                                                        ? cases[3].choice
                                                        : all;
            std::vector<double> seconds, cpu;
            for (int r = 0; r < rounds; ++r) {
                browser->apply(before);
                Stopwatch clock;
                if (!browser->apply(c.choice).empty()) return false;
                seconds.push_back(clock.seconds());
                cpu.push_back(clock.cpuSeconds());
            }
            report(fmt::format("{}{}_seconds", c.name, suffix), median(seconds));
            report(fmt::format("{}{}_cpu", c.name, suffix), median(cpu));
            report(fmt::format("{}{}_rows", c.name, suffix), chatsListed(*browser));
        }
    }
    return true;
}

}  // namespace talv::bench

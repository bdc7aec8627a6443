#pragma once
// Timings of the chats list over the indexed archive: one filter rebuild per filter entry and
// per search text, each as the window asks for it (HeadlessBrowser::apply).
#include <string>

namespace talv::bench {

// Reports <name>_seconds, <name>_cpu and <name>_rows for all, this_week, participant, links,
// before_last_year, links_last_year, links_search_short, search_short and search_long: the median
// of `rounds` rebuilds each; then the same as <name>_reference_... with the reference statements.
bool measureBrowse(int rounds, const std::string& shortSearch, const std::string& longSearch);

}  // namespace talv::bench

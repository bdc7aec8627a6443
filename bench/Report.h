#pragma once
// The driver's output: one tab-separated line per figure, "name<TAB>value", that scripts/bench
// gathers into its table.
#include <fmt/format.h>

#include <string_view>

namespace talv::bench {

inline void report(std::string_view name, double value) { fmt::print("{}\t{:.9g}\n", name, value); }

}  // namespace talv::bench

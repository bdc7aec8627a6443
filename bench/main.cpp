// talvessa-bench: the measurements of scripts/bench that need the core's own code.
//   talvessa-bench --transcripts-home HOME floors DBFOLDER
//   talvessa-bench --transcripts-home HOME browse ROUNDS SHORT_TEXT LONG_TEXT
//   talvessa-bench --transcripts-home HOME render ROUNDS
//   talvessa-bench --transcripts-home HOME long-messages FOLDER
//   talvessa-bench --transcripts-home HOME without-search-index | search-index-size
// The databases are those of the XDG folders in the environment, as for talvessa-cli.
#include "bench/BrowseTimings.h"
#include "bench/IndexFloors.h"
#include "bench/LongMessages.h"
#include "bench/RenderTimings.h"
#include "bench/SearchIndexFigures.h"
#include "platform/Paths.h"

#include <fmt/format.h>

#include <clocale>
#include <string>
#include <vector>

using namespace talv;

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 3 || args[0] != "--transcripts-home") {
        fmt::print(stderr, "Usage: talvessa-bench --transcripts-home HOME (floors DBFOLDER | browse ROUNDS SHORT LONG | render ROUNDS"
                           " | long-messages FOLDER | without-search-index | search-index-size)\n");
        return 2;
    }
    Paths::setTranscriptsHomeOverride(args[1]);
    if (args[2] == "without-search-index") return bench::prepareArchiveWithoutSearchIndex() ? 0 : 1;
    if (args[2] == "search-index-size") return bench::measureSearchIndexSize() ? 0 : 1;
    if (args.size() < 4) {
        fmt::print(stderr, "talvessa-bench: {} needs an argument\n", args[2]);
        return 2;
    }
    if (args[2] == "floors") return bench::measureIndexFloors(args[3]) ? 0 : 1;
    if (args[2] == "browse" && args.size() == 6) return bench::measureBrowse(std::stoi(args[3]), args[4], args[5]) ? 0 : 1;
    if (args[2] == "render") return bench::measureRender(std::stoi(args[3])) ? 0 : 1;
    if (args[2] == "long-messages") return bench::measureLongMessages(args[3]) ? 0 : 1;
    fmt::print(stderr, "talvessa-bench: unknown command\n");
    return 2;
}

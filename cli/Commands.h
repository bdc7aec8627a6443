#pragma once
// The commands of talvessa-cli. Each takes its parsed options and returns the exit code:
// 0 success, 1 failure, 2 bad usage.
#include "platform/CommandLine.h"
#include "store/SqlValue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talv::cli {

struct Command {
    const char* name;
    const char* arguments;  // positional arguments in the usage line
    const char* summary;
    std::vector<OptionSpec> options;
    int (*run)(const ParsedArguments&);
};

// Checks, creates or upgrades both databases as the application does at start-up. False, with
// a message on standard error, when the transcript archive cannot be read.
bool prepareArchive();
// The number an archive query names "n" (the first row's), or none, with the message for an
// archive that cannot be read on standard error, when the query fails.
std::optional<std::int64_t> archiveCount(const std::string& sql, const std::vector<SqlValue>& args = {});
// Prints the message for an archive that cannot be read, for SQLite's `reason`.
void reportUnreadableArchive(std::string_view reason);
// Prints a command's bad usage; answers its exit code, 2.
int usageError(const std::string& message);
// A chat ID written as a whole number; none for anything else.
std::optional<std::int64_t> parseChatID(const std::string& text);

int runIndex(const ParsedArguments& args);
int runWatch(const ParsedArguments& args);
int runList(const ParsedArguments& args);
int runParticipants(const ParsedArguments& args);
int runShow(const ParsedArguments& args);
int runDelete(const ParsedArguments& args);
int runOpen(const ParsedArguments& args);
int runReveal(const ParsedArguments& args);

}  // namespace talv::cli

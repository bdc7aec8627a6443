#pragma once
// The commands of talvessa-cli. Each takes its parsed options and returns the exit code:
// 0 success, 1 failure, 2 bad usage.
#include "platform/CommandLine.h"

#include <vector>

namespace talv::cli {

struct Command {
    const char* name;
    const char* arguments;  // positional arguments in the usage line
    const char* summary;
    std::vector<OptionSpec> options;
    int (*run)(const ParsedArguments&);
};

// Creates or upgrades both databases as the application does at start-up. False, with a
// message on standard error, when the transcript archive cannot be opened.
bool prepareArchive();

int runIndex(const ParsedArguments& args);
int runWatch(const ParsedArguments& args);
int runList(const ParsedArguments& args);
int runParticipants(const ParsedArguments& args);
int runShow(const ParsedArguments& args);

}  // namespace talv::cli

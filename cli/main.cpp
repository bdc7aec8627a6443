// talvessa-cli: the Talvessa core without a window.
#include "cli/Commands.h"
#include "display/ApplicationResources.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <fmt/format.h>

#include <algorithm>
#include <clocale>
#include <optional>
#include <string>
#include <vector>

using namespace talv;
using namespace talv::cli;

namespace {

const OptionSpec kParticipant{"participant", true, true, N_("a participants list entry, by its title (repeatable)")};
const OptionSpec kSort{"sort", true, false,
                       N_("KEY[:asc|:desc], KEY one of participants, topic, datestarted, duration, kind, filename")};
const OptionSpec kJson{"json", false, false, N_("print one JSON object")};

// The date-range and contents lists and the search text, then `more`.
std::vector<OptionSpec> withFilterOptions(std::vector<OptionSpec> more) {
    std::vector<OptionSpec> specs{
        {"when", true, true,
         N_("a date range by its title (repeatable): All, Today, Yesterday, This Week, Last Week, This Month, Last Month, "
            "Last 3 Months, Last 6 Months, This Year, Last Year, Before Last Year")},
        {"contents", true, true, N_("a contents entry by its title (repeatable): All, E-mails, Links, Pictures")},
        {"search", true, false, N_("text that a message must contain")},
    };
    specs.insert(specs.end(), more.begin(), more.end());
    return specs;
}

const std::vector<Command>& commands() {
    static const std::vector<Command> all = {
        {"index", "", N_("index every transcript of iChat, Adium and Fire once, then exit"), {}, runIndex},
        {"watch", "", N_("keep the archive current as the application does, until interrupted"), {}, runWatch},
        {"list", "", N_("list the chats that pass the filters, as the chats table shows them, then the statistics line"),
         withFilterOptions({kParticipant, kSort, kJson}), runList},
        {"participants", "", N_("list the participants list's entries for the other filters"),
         withFilterOptions({kJson}), runParticipants},
        {"show", "[ID]", N_("write the rendered page of a chat; without an ID, the page shown when no chat is selected"),
         {{"none", false, false, N_("the page shown when no chat is selected")},
          {"search", true, false, N_("text to mark in the page")},
          {"style", true, false, N_("a message style by name (among the user's, then the built-in ones) or by path")},
          {"output", true, false, N_("the file to write (default: standard output)")}},
         runShow},
        {"delete", "ID", N_("delete a chat from the archive, so that indexing never reads its file again"),
         {{"trash", false, false, N_("also move the transcript file to the Trash (as the preference MoveToTrashOnDelete does)")},
          {"keep-file", false, false, N_("leave the transcript file where it is, whatever the preference says")}},
         runDelete},
        {"open", "ID", N_("open a chat's transcript file in the client that wrote it"), {}, runOpen},
        {"reveal", "ID", N_("show a chat's transcript file in the file manager"), {}, runReveal},
    };
    return all;
}

const std::vector<OptionSpec> kGlobalOptions = {
    {"transcripts-home", true, false, N_("home folder under which the chat clients' folders are found")},
    {"verbose", false, false, N_("write the log lines to standard error as well")},
    {"help", false, false, N_("show this help")},
    {"version", false, false, N_("show the version")},
};

void printUsage() {
    fmt::print("{}\n\n{}\n", tr("Usage: talvessa-cli [--transcripts-home DIR] [--verbose] COMMAND [OPTIONS]"),
               tr("Commands:"));
    for (const auto& c : commands()) fmt::print("  {:<14}{}\n", c.name, tr(c.summary));
    fmt::print("\n{}\n{}\n{}\n", tr("Global options:"), describeOptions(kGlobalOptions),
               tr("'talvessa-cli COMMAND --help' describes a command."));
}

void printCommandUsage(const Command& c) {
    fmt::print("{}\n\n{}.\n",
               formatString(tr("Usage: talvessa-cli [global options] %@"), {fmt::format("{}{}{}", c.name, *c.arguments ? " " : "", c.arguments)}),
               tr(c.summary));
    if (!c.options.empty()) fmt::print("\n{}\n{}", tr("Options:"), describeOptions(c.options));
}

int globalUsageError(const std::string& message) {
    fmt::print(stderr, "talvessa-cli: {}\n{}\n", message, tr("Try 'talvessa-cli --help'."));
    return 2;
}

// The first global option (other than --help, which commands take too) among a command's words.
std::optional<std::string> globalOptionAmong(const std::vector<std::string>& words) {
    for (const std::string& word : words) {
        if (word.rfind("--", 0) != 0) continue;
        const std::string name = word.substr(2, word.find('=') - 2);
        for (const OptionSpec& global : kGlobalOptions) {
            if (global.name == name && name != "help") return name;
        }
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    bindStringTable(applicationLocaleDirectory());
    std::vector<std::string> args(argv + 1, argv + argc);

    // Global options come before the command; "--transcripts-home" may take the next word.
    auto commandAt = args.begin();
    while (commandAt != args.end() && commandAt->rfind("--", 0) == 0) {
        if (*commandAt++ == "--transcripts-home" && commandAt != args.end()) ++commandAt;
    }
    std::string error;
    auto global = parseArguments({args.begin(), commandAt}, kGlobalOptions, error);
    if (!global) return globalUsageError(error);
    if (global->has("version")) {
        fmt::print("talvessa-cli {}\n", TALV_VERSION);
        return 0;
    }
    if (global->has("help") || commandAt == args.end()) {
        printUsage();
        return global->has("help") ? 0 : 2;
    }
    auto command = std::find_if(commands().begin(), commands().end(), [&](const Command& c) { return c.name == *commandAt; });
    if (command == commands().end()) return globalUsageError(formatString(tr("unknown command '%@'"), {*commandAt}));

    std::vector<OptionSpec> specs = command->options;
    specs.push_back({"help", false, false, N_("show this help")});
    const std::vector<std::string> commandWords(commandAt + 1, args.end());
    auto parsed = parseArguments(commandWords, specs, error);
    if (!parsed) {
        if (auto global = globalOptionAmong(commandWords)) {
            error += formatString(tr("; '--%@' is a global option and goes before the command: talvessa-cli --%@ ... %@ ..."),
                                  {*global, *global, std::string(command->name)});
        }
        return globalUsageError(error);
    }
    if (parsed->has("help")) {
        printCommandUsage(*command);
        return 0;
    }
    if (auto home = global->value("transcripts-home")) talv::Paths::setTranscriptsHomeOverride(*home);
    if (global->has("verbose")) setLogEcho(echoToStandardError);
    return command->run(*parsed);
}

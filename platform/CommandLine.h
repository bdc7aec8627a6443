#pragma once
// Parsing of command-line arguments: "--name value" options (flags, single or repeated) and positionals.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace talv {

struct OptionSpec {
    std::string name;  // without the leading "--"
    bool takesValue = false;
    bool repeatable = false;
    std::string help;  // English, marked with N_(); shown translated
};

struct ParsedArguments {
    std::map<std::string, std::vector<std::string>> options;  // option name to its values ("" for flags)
    std::vector<std::string> positionals;

    bool has(const std::string& name) const { return options.count(name) != 0; }
    std::optional<std::string> value(const std::string& name) const;
    std::vector<std::string> values(const std::string& name) const;
};

// Parses `args` against `specs`; "--name=value" and "--name value" both work. On a bad option,
// a missing value or a repeated single option, returns none and sets `error`.
std::optional<ParsedArguments> parseArguments(const std::vector<std::string>& args,
                                              const std::vector<OptionSpec>& specs, std::string& error);

// The options part of a usage text, one line per option, in the user's language.
std::string describeOptions(const std::vector<OptionSpec>& specs);

}  // namespace talv

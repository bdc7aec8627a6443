#include "platform/CommandLine.h"

#include <algorithm>

namespace talv {

std::optional<std::string> ParsedArguments::value(const std::string& name) const {
    auto it = options.find(name);
    if (it == options.end() || it->second.empty()) return std::nullopt;
    return it->second.back();
}

std::vector<std::string> ParsedArguments::values(const std::string& name) const {
    auto it = options.find(name);
    return it == options.end() ? std::vector<std::string>{} : it->second;
}

std::optional<ParsedArguments> parseArguments(const std::vector<std::string>& args,
                                              const std::vector<OptionSpec>& specs, std::string& error) {
    ParsedArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
                error = "unknown option '" + arg + "'";
                return std::nullopt;
            }
            parsed.positionals.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        auto spec = std::find_if(specs.begin(), specs.end(), [&](const OptionSpec& s) { return s.name == name; });
        if (spec == specs.end()) {
            error = "unknown option '--" + name + "'";
            return std::nullopt;
        }
        std::string value;
        if (spec->takesValue) {
            if (inlineValue) value = *inlineValue;
            else if (i + 1 < args.size()) value = args[++i];
            else {
                error = "option '--" + name + "' needs a value";
                return std::nullopt;
            }
        } else if (inlineValue) {
            error = "option '--" + name + "' takes no value";
            return std::nullopt;
        }
        auto& slot = parsed.options[name];
        if (!slot.empty() && !spec->repeatable) {
            error = "option '--" + name + "' given twice";
            return std::nullopt;
        }
        slot.push_back(value);
    }
    return parsed;
}

std::string describeOptions(const std::vector<OptionSpec>& specs) {
    std::string out;
    for (const auto& s : specs) {
        std::string left = "  --" + s.name + (s.takesValue ? " VALUE" : "");
        if (left.size() < 28) left.resize(28, ' ');
        else left += "  ";
        out += left + s.help + "\n";
    }
    return out;
}

}  // namespace talv

#include "platform/CommandLine.h"

#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <glib.h>

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
                error = formatString(tr("unknown option '%@'"), {arg});
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
            error = formatString(tr("unknown option '%@'"), {"--" + name});
            return std::nullopt;
        }
        std::string value;
        if (spec->takesValue) {
            if (inlineValue) value = *inlineValue;
            else if (i + 1 < args.size()) value = args[++i];
            else {
                error = formatString(tr("option '--%@' needs a value"), {name});
                return std::nullopt;
            }
        } else if (inlineValue) {
            error = formatString(tr("option '--%@' takes no value"), {name});
            return std::nullopt;
        }
        auto& slot = parsed.options[name];
        if (!slot.empty() && !spec->repeatable) {
            error = formatString(tr("option '--%@' given twice"), {name});
            return std::nullopt;
        }
        slot.push_back(value);
    }
    return parsed;
}

std::string describeOptions(const std::vector<OptionSpec>& specs) {
    std::string out;
    for (const auto& s : specs) {
        std::string left = "  --" + s.name + (s.takesValue ? " " + tr("VALUE") : "");
        // Padded by display width: a translated placeholder may hold letters of two bytes.
        const long width = g_utf8_strlen(left.c_str(), -1);
        left.append(width < 28 ? static_cast<std::size_t>(28 - width) : 2, ' ');
        out += left + tr(s.help) + "\n";
    }
    return out;
}

}  // namespace talv

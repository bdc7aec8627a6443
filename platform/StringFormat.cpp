#include "platform/StringFormat.h"

#include <fmt/format.h>

#include <cctype>
#include <vector>

namespace talv {

std::string formatString(std::string_view format, std::initializer_list<FormatArgument> arguments) {
    const std::vector<FormatArgument> args(arguments);
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        const std::size_t start = i++;
        if (i < format.size() && format[i] == '%') {
            out += '%';
            continue;
        }
        // Optional position "N$", precision ".N", length modifiers, then the conversion.
        std::size_t position = 0;
        std::size_t j = i;
        while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) ++j;
        if (j > i && j < format.size() && format[j] == '$') {
            position = static_cast<std::size_t>(std::stoul(std::string(format.substr(i, j - i))));
            i = j + 1;
        }
        int precision = 6;
        if (i < format.size() && format[i] == '.') {
            std::size_t k = ++i;
            while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) ++i;
            precision = i > k ? std::stoi(std::string(format.substr(k, i - k))) : 0;
        }
        while (i < format.size() && (format[i] == 'l' || format[i] == 'h' || format[i] == 'q')) ++i;
        if (i >= format.size()) {
            out += format.substr(start);
            break;
        }
        const char conversion = format[i];
        const std::size_t index = position ? position - 1 : next++;
        const FormatArgument* arg = index < args.size() ? &args[index] : nullptr;
        const std::string asWritten(format.substr(start, i - start + 1));
        switch (conversion) {
        case '@':
        case 's':
            if (auto text = arg ? std::get_if<std::string>(arg) : nullptr) out += *text;
            else if (auto number = arg ? std::get_if<std::int64_t>(arg) : nullptr) out += std::to_string(*number);
            else out += asWritten;
            break;
        case 'd':
        case 'i':
        case 'u':
            if (auto number = arg ? std::get_if<std::int64_t>(arg) : nullptr) out += std::to_string(*number);
            else if (auto real = arg ? std::get_if<double>(arg) : nullptr) out += std::to_string(static_cast<std::int64_t>(*real));
            else out += asWritten;
            break;
        case 'f':
            if (auto real = arg ? std::get_if<double>(arg) : nullptr) out += fmt::format("{:.{}f}", *real, precision);
            else if (auto number = arg ? std::get_if<std::int64_t>(arg) : nullptr)
                out += fmt::format("{:.{}f}", static_cast<double>(*number), precision);
            else out += asWritten;
            break;
        default:
            out += asWritten;
        }
    }
    return out;
}

}  // namespace talv

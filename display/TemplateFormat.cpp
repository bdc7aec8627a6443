#include "display/TemplateFormat.h"

#include <cctype>

namespace talv {

std::string formatWithObjects(std::string_view format, std::span<const std::string> arguments) {
    std::string out;
    out.reserve(format.size());
    std::size_t next = 0;
    auto argument = [&](std::size_t index) -> std::string_view {
        return index < arguments.size() ? std::string_view(arguments[index]) : std::string_view();
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        if (format[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (format[i + 1] == '@') {
            out += argument(next++);
            ++i;
        } else {
            std::size_t digitsEnd = i + 1;
            while (digitsEnd < format.size() && std::isdigit(static_cast<unsigned char>(format[digitsEnd]))) ++digitsEnd;
            std::size_t digits = digitsEnd - i - 1;
            if (digits > 0 && digits <= 3 && format.compare(digitsEnd, 2, "$@") == 0) {
                std::size_t position = 0;
                for (std::size_t d = i + 1; d < digitsEnd; ++d) position = position * 10 + (format[d] - '0');
                if (position > 0) out += argument(position - 1);
                i = digitsEnd + 1;
            } else {
                out += '%';
            }
        }
    }
    return out;
}

}  // namespace talv

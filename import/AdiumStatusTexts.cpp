#include "import/AdiumStatusTexts.h"

#include <map>
#include <vector>

namespace talv {
namespace {

// Status types that Adium writes: contact status changes, account events, protocol messages,
// delivery errors and file transfers; the with-text forms take the sender, then the text.
const std::map<std::string, std::string, std::less<>>& table() {
    static const std::map<std::string, std::string, std::less<>> texts = {
        {"AdiumStatus_online", "%@ is online"},
        {"AdiumStatusWithText_online", "%@ is online: %@"},
        {"AdiumStatus_offline", "%@ went offline"},
        {"AdiumStatusWithText_offline", "%@ went offline: %@"},
        {"AdiumStatus_away", "%@ went away"},
        {"AdiumStatusWithText_away", "%@ went away: %@"},
        {"AdiumStatus_idle", "%@ went idle"},
        {"AdiumStatusWithText_idle", "%@ went idle: %@"},
        {"AdiumStatus_available", "%@ is available"},
        {"AdiumStatusWithText_available", "%@ is available: %@"},
        {"AdiumStatus_return_away", "%@ came back"},
        {"AdiumStatusWithText_return_away", "%@ came back: %@"},
        {"AdiumStatus_return_idle", "%@ is no longer idle"},
        {"AdiumStatus_away_message", "%@ set an away message"},
        {"AdiumStatusWithText_away_message", "%@ is away: %@"},
        {"AdiumStatus_mobile", "%@ is on a mobile device"},
        {"AdiumStatus_return_mobile", "%@ is no longer on a mobile device"},
        {"AdiumStatus_connected", "You have connected"},
        {"AdiumStatusWithText_connected", "%2$@"},
        {"AdiumStatus_disconnected", "You have disconnected"},
        {"AdiumStatusWithText_disconnected", "%2$@"},
        {"AdiumStatusWithText_purple", "%2$@"},
        {"AdiumStatus_chat-error", "A message could not be sent"},
        {"AdiumStatusWithText_chat-error", "%2$@"},
        {"AdiumStatus_error", "An error occurred"},
        {"AdiumStatusWithText_error", "%2$@"},
        {"AdiumStatusWithText_notification", "%2$@"},
        {"AdiumStatus_fileTransferStarted", "%@ started a file transfer"},
        {"AdiumStatusWithText_fileTransferStarted", "%2$@"},
        {"AdiumStatus_fileTransferCompleted", "A file transfer with %@ completed"},
        {"AdiumStatusWithText_fileTransferCompleted", "%2$@"},
        {"AdiumStatus_fileTransferAborted", "A file transfer with %@ was cancelled"},
        {"AdiumStatusWithText_fileTransferAborted", "%2$@"},
        {"AdiumStatus_fileTransferWaitingRemote", "Waiting for %@ to accept a file transfer"},
        {"AdiumStatusWithText_fileTransferWaitingRemote", "%2$@"},
        {"AdiumEvent_windowOpened", "%@ opened the chat window"},
        {"AdiumEvent_windowClosed", "%@ closed the chat window"},
    };
    return texts;
}

}  // namespace

std::optional<std::string_view> AdiumStatusTexts::format(std::string_view key) {
    auto found = table().find(key);
    if (found == table().end()) return std::nullopt;
    return found->second;
}

std::string AdiumStatusTexts::fill(std::string_view format, std::initializer_list<std::string_view> arguments) {
    std::vector<std::string_view> args(arguments);
    auto argument = [&](std::size_t index) { return index < args.size() ? args[index] : std::string_view(); };
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
        } else if (format[i + 1] == '@') {
            out += argument(next++);
            ++i;
        } else if (format[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (i + 3 < format.size() && format[i + 1] >= '1' && format[i + 1] <= '9' &&
                   format.substr(i + 2, 2) == "$@") {
            out += argument(static_cast<std::size_t>(format[i + 1] - '1'));
            i += 3;
        } else {
            out += format[i];
        }
    }
    return out;
}

}  // namespace talv

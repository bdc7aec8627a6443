#include "import/AdiumStatusTexts.h"

#include "platform/Strings.h"

#include <map>

namespace talv {
namespace {

// Status types that Adium writes: contact status changes, account events, protocol messages,
// delivery errors and file transfers; the with-text forms take the sender, then the text.
const std::map<std::string, std::string, std::less<>>& englishTexts() {
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
        // The sender of window events is always the account: leaving it out keeps a Jabber
        // handle from reading as an e-mail address in every chat.
        {"AdiumEvent_windowOpened", "Chat window opened"},
        {"AdiumEvent_windowClosed", "Chat window closed"},
    };
    return texts;
}

}  // namespace

std::optional<std::string> AdiumStatusTexts::format(std::string_view key) {
    auto found = englishTexts().find(key);
    if (found == englishTexts().end()) return std::nullopt;
    return tr(found->second);
}

}  // namespace talv

#include "import/AdiumStatusTexts.h"

#include "platform/Strings.h"

#include <map>

namespace talv {
namespace {

// Status types that Adium writes: contact status changes, account events, protocol messages,
// delivery errors and file transfers; the with-text forms take the sender, then the text.
const std::map<std::string, std::string, std::less<>>& englishTexts() {
    static const std::map<std::string, std::string, std::less<>> texts = {
        {"AdiumStatus_online", N_("%@ is online")},
        {"AdiumStatusWithText_online", N_("%@ is online: %@")},
        {"AdiumStatus_offline", N_("%@ went offline")},
        {"AdiumStatusWithText_offline", N_("%@ went offline: %@")},
        {"AdiumStatus_away", N_("%@ went away")},
        {"AdiumStatusWithText_away", N_("%@ went away: %@")},
        {"AdiumStatus_idle", N_("%@ went idle")},
        {"AdiumStatusWithText_idle", N_("%@ went idle: %@")},
        {"AdiumStatus_available", N_("%@ is available")},
        {"AdiumStatusWithText_available", N_("%@ is available: %@")},
        {"AdiumStatus_return_away", N_("%@ came back")},
        {"AdiumStatusWithText_return_away", N_("%@ came back: %@")},
        {"AdiumStatus_return_idle", N_("%@ is no longer idle")},
        {"AdiumStatus_away_message", N_("%@ set an away message")},
        {"AdiumStatusWithText_away_message", N_("%@ is away: %@")},
        {"AdiumStatus_mobile", N_("%@ is on a mobile device")},
        {"AdiumStatus_return_mobile", N_("%@ is no longer on a mobile device")},
        {"AdiumStatus_connected", N_("You have connected")},
        // TRANSLATORS: "%2$@" is the status text as Adium wrote it; keep it as it is.
        {"AdiumStatusWithText_connected", N_("%2$@")},
        {"AdiumStatus_disconnected", N_("You have disconnected")},
        {"AdiumStatusWithText_disconnected", N_("%2$@")},
        {"AdiumStatusWithText_purple", N_("%2$@")},
        {"AdiumStatus_chat-error", N_("A message could not be sent")},
        {"AdiumStatusWithText_chat-error", N_("%2$@")},
        {"AdiumStatus_error", N_("An error occurred")},
        {"AdiumStatusWithText_error", N_("%2$@")},
        {"AdiumStatusWithText_notification", N_("%2$@")},
        {"AdiumStatus_fileTransferStarted", N_("%@ started a file transfer")},
        {"AdiumStatusWithText_fileTransferStarted", N_("%2$@")},
        {"AdiumStatus_fileTransferCompleted", N_("A file transfer with %@ completed")},
        {"AdiumStatusWithText_fileTransferCompleted", N_("%2$@")},
        {"AdiumStatus_fileTransferAborted", N_("A file transfer with %@ was cancelled")},
        {"AdiumStatusWithText_fileTransferAborted", N_("%2$@")},
        {"AdiumStatus_fileTransferWaitingRemote", N_("Waiting for %@ to accept a file transfer")},
        {"AdiumStatusWithText_fileTransferWaitingRemote", N_("%2$@")},
        // The sender of window events is always the account: leaving it out keeps a Jabber
        // handle from reading as an e-mail address in every chat.
        {"AdiumEvent_windowOpened", N_("Chat window opened")},
        {"AdiumEvent_windowClosed", N_("Chat window closed")},
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

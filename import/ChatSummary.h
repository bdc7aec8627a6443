#pragma once
// The closing steps shared by the Adium and Fire readers: link and e-mail flags, participants
// and the chat's dates, computed from the message list. Thread-safe.
#include "store/ChatRecord.h"

#include <string>
#include <vector>

namespace talv {

class ChatSummary {
public:
    // Start: the first message's time (or, when it has none, the first time found; else now).
    // End: the time of the last message that has a sender and a time, never before the start;
    // the start when there is none. "HasPictures" is false. Only messages with a sender count for
    // "HasEmails".
    static ChatRecord summarize(std::vector<MessageRecord> messages, std::string kind);
};

}  // namespace talv

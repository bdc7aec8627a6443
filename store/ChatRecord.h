#pragma once
// The hand-off from a transcript reader to the store: one chat and its messages.
#include "platform/Date.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace talv {

class AttributedString;

struct MessageRecord {
    std::string Sender;                  // handle; empty for a system or status line
    std::optional<Date> Timestamp;       // absent: the store uses the moment of indexing
    std::string Message;                 // plain text
    bool FromMe = false;
    bool InlineImage = false;
    std::shared_ptr<const AttributedString> RichData;  // iChat only: the rich text with attachments
};

struct ChatRecord {
    std::string Kind;                    // "iChat", "Adium" or "Fire"
    std::vector<std::string> Participants;  // ordered, no duplicates
    std::vector<MessageRecord> Messages;    // transcript order
    std::optional<Date> StartDate;
    std::optional<Date> EndDate;
    bool HasHyperlinks = false;
    bool HasEmails = false;
    bool HasPictures = false;
};

}  // namespace talv

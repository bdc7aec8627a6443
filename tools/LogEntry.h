#pragma once
// One line of a transcript to write: a message, a status change or an event, with plain text.
// The writers turn line breaks, links and e-mail addresses in the text into each format's markup.
#include "platform/Date.h"
#include "platform/Value.h"

#include <optional>
#include <string>

namespace talv {

struct LogPicture {
    std::string fileName;  // a single path component
    Bytes data;
};

struct LogEntry {
    enum class Kind { Message, Status, Event };
    Kind kind = Kind::Message;
    std::string sender;      // handle; empty: no sender is written
    std::string alias;       // Adium XML: display name, written when not empty
    Date time;
    std::string text;        // plain text
    std::string type;        // Adium XML: status or event type; Fire: event name of an Event
    bool fromMe = false;     // Adium HTML: class "send"; Fire: the sender carries "self"
    std::optional<LogPicture> picture;  // Adium XML folder form: a picture shown after the text
};

}  // namespace talv

#pragma once
// A transcript as iChat saves it, for the writers of ".ichat" keyed archives and ".chat"
// typedstreams: the root list holds the service name, an empty text, the messages and the
// participants. Used by tests and the demo archive.
#include "platform/AttributedString.h"
#include "platform/Date.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talv::tools {

// Message flag bits iChat writes.
inline constexpr std::uint32_t IChatFlagRead = 0x1;
inline constexpr std::uint32_t IChatFlagFromMe = 0x4;
inline constexpr std::uint32_t IChatFlagHidden = 0x8;
inline constexpr std::uint32_t IChatFlagPathSender = 0x20;

// One account. Equal accounts are written as one shared object.
struct IChatPresentity {
    std::string service = "AIM";
    std::optional<std::string> id;
    bool operator==(const IChatPresentity&) const = default;
};

// One message; no sender makes a system line. A "NSLink" attribute holding text is written as a URL,
// an attachment as a text attachment with its file wrapper.
struct IChatMessage {
    std::optional<IChatPresentity> sender;
    std::optional<Date> time;
    AttributedString text;
    std::uint32_t flags = IChatFlagRead;
    std::optional<IChatPresentity> subject = std::nullopt;  // keyed archives only: whom a system line is about
};

struct IChatTranscript {
    std::string service = "AIM";
    std::vector<IChatPresentity> participants;
    std::vector<IChatMessage> messages;
};

// A ".ichat" keyed archive: `$top` holds "root" and "metadata" (service and participant IDs).
Bytes writeKeyedTranscript(const IChatTranscript& transcript);
// A ".chat" typedstream; participants appear inside the first message that names them and are
// referenced back afterwards.
Bytes writeTypedStreamTranscript(const IChatTranscript& transcript, bool bigEndian = false);

// Text whose characters carry a link to url.
AttributedString linkedText(std::string_view text, std::string_view url);
// One attachment character holding a regular file; with a path, also "FezInlineFilePath".
AttributedString inlineFile(Bytes contents, std::string preferredName, std::optional<std::string> inlinePath);

}  // namespace talv::tools

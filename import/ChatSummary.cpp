#include "import/ChatSummary.h"

#include "platform/LinkPatterns.h"

#include <algorithm>

namespace talv {
namespace {

Date startDate(const std::vector<MessageRecord>& messages) {
    for (const MessageRecord& m : messages)
        if (m.Timestamp) return *m.Timestamp;
    return Date::now();
}

std::optional<Date> lastSenderDate(const std::vector<MessageRecord>& messages) {
    for (auto m = messages.rbegin(); m != messages.rend(); ++m)
        if (!m->Sender.empty() && m->Timestamp) return m->Timestamp;
    return std::nullopt;
}

}  // namespace

ChatRecord ChatSummary::summarize(std::vector<MessageRecord> messages, std::string kind) {
    ChatRecord chat;
    chat.Kind = std::move(kind);
    for (const MessageRecord& m : messages) {
        if (!chat.HasHyperlinks) chat.HasHyperlinks = containsLink(m.Message);
        // Status lines name accounts, often Jabber handles that read as addresses.
        if (!chat.HasEmails && !m.Sender.empty()) chat.HasEmails = containsEmail(m.Message);
        auto& who = chat.Participants;
        if (!m.Sender.empty() && std::find(who.begin(), who.end(), m.Sender) == who.end()) who.push_back(m.Sender);
    }
    Date start = startDate(messages);
    chat.StartDate = start;
    chat.EndDate = std::max(start, lastSenderDate(messages).value_or(start));
    chat.Messages = std::move(messages);
    return chat;
}

}  // namespace talv

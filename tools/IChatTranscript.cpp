#include "tools/IChatTranscript.h"

#include "tools/KeyedArchiveWriter.h"
#include "tools/TypedStreamWriter.h"

#include <functional>
#include <map>
#include <memory>

namespace talv::tools {

AttributedString linkedText(std::string_view text, std::string_view url) {
    return AttributedString(text, {{std::string(LinkAttributeName), Value(url)}});
}

AttributedString inlineFile(Bytes contents, std::string preferredName, std::optional<std::string> inlinePath) {
    auto wrapper = std::make_shared<const FileWrapper>(
        FileWrapper{FileWrapper::Kind::RegularFile, std::move(preferredName), std::move(contents), {}});
    Attributes attributes{{std::string(AttachmentAttributeName), TextAttachment{wrapper}}};
    if (inlinePath) attributes.emplace(std::string(InlineFilePathAttributeName), Value(*inlinePath));
    return AttributedString(std::u16string(1, u'\xFFFC'), std::move(attributes));
}

namespace {

// Equal accounts share one archived object.
const IChatPresentity* canonical(std::vector<const IChatPresentity*>& seen, const IChatPresentity& presentity) {
    for (const IChatPresentity* known : seen) {
        if (*known == presentity) return known;
    }
    seen.push_back(&presentity);
    return &presentity;
}

}  // namespace

Bytes writeKeyedTranscript(const IChatTranscript& transcript) {
    KeyedArchiveWriter writer;
    std::map<const IChatPresentity*, Uid> presentities;
    std::vector<const IChatPresentity*> seen;
    auto presentity = [&](const IChatPresentity& account) {
        const IChatPresentity* key = canonical(seen, account);
        if (auto found = presentities.find(key); found != presentities.end()) return found->second;
        Uid id = account.id ? writer.encodeString(*account.id) : Uid{0};
        Uid uid = writer.encodeObject("Presentity", {"NSObject"}, {{"ID", id}, {"ServiceName", writer.encodeString(account.service)}});
        presentities.emplace(key, uid);
        return uid;
    };

    std::vector<Uid> messages;
    for (const IChatMessage& message : transcript.messages) {
        Uid sender = message.sender ? presentity(*message.sender) : Uid{0};
        Uid time = message.time ? writer.encodeDate(*message.time) : Uid{0};
        Uid text = writer.encodeAttributedString(message.text);
        std::vector<KeyedField> fields{
            {"Sender", sender}, {"Time", time}, {"MessageText", text}, {"Flags", static_cast<std::int64_t>(message.flags)}};
        if (message.subject) fields.push_back({"Subject", presentity(*message.subject)});
        messages.push_back(writer.encodeObject("InstantMessage", {"NSObject"}, fields));
    }
    std::vector<Uid> participants, ids;
    for (const IChatPresentity& account : transcript.participants) {
        participants.push_back(presentity(account));
        if (account.id) ids.push_back(writer.encodeString(*account.id));
    }
    Uid root = writer.encodeArray({writer.encodeString(transcript.service), writer.encodeString(""), writer.encodeArray(messages),
                                   writer.encodeArray(participants)});
    Uid metadata = writer.encodeDictionary({{writer.encodeString("Service"), writer.encodeString(transcript.service)},
                                            {writer.encodeString("PresentityIDs"), writer.encodeArray(ids)}});
    return writer.finish({{"root", root}, {"metadata", metadata}});
}

Bytes writeTypedStreamTranscript(const IChatTranscript& transcript, bool bigEndian) {
    TypedStreamWriter writer(bigEndian);
    std::vector<const IChatPresentity*> seen;
    auto presentityGroup = [&](const IChatPresentity& account) {
        writer.types("@");
        writer.object({"Presentity", "NSObject"}, canonical(seen, account), [&] {
            writer.stringGroup(account.service);
            if (account.id) {
                writer.stringGroup(*account.id);
            } else {
                writer.types("@");
                writer.nil();
            }
        });
    };
    auto arrayGroup = [&](std::size_t count, const std::function<void(std::size_t)>& element) {
        writer.types("@");
        writer.object({"NSMutableArray", "NSArray", "NSObject"}, nullptr, [&] {
            writer.types("i");
            writer.integer(static_cast<std::int64_t>(count));
            for (std::size_t i = 0; i < count; ++i) element(i);
        });
    };

    arrayGroup(4, [&](std::size_t part) {
        switch (part) {
        case 0: writer.stringGroup(transcript.service); break;
        case 1: writer.stringGroup(""); break;
        case 2:
            arrayGroup(transcript.messages.size(), [&](std::size_t i) {
                const IChatMessage& message = transcript.messages[i];
                writer.types("@");
                writer.object({"InstantMessage", "NSObject"}, nullptr, [&] {
                    if (message.sender) {
                        presentityGroup(*message.sender);
                    } else {
                        writer.types("@");
                        writer.nil();
                    }
                    if (message.time) {
                        writer.dateGroup(*message.time);
                    } else {
                        writer.types("@");
                        writer.nil();
                    }
                    writer.attributedStringGroup(message.text);
                    writer.types("I");
                    writer.integer(message.flags);
                });
            });
            break;
        default:
            arrayGroup(transcript.participants.size(), [&](std::size_t i) { presentityGroup(transcript.participants[i]); });
        }
    });
    std::string bytes = writer.finish();
    return Bytes(bytes.begin(), bytes.end());
}

}  // namespace talv::tools

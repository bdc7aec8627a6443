#include "import/IChatArchiveClasses.h"

#include "import/FoundationArchiveClasses.h"
#include "import/KeyedUnarchiver.h"
#include "import/TypedStreamUnarchiver.h"
#include "platform/Log.h"

#include <fmt/format.h>

namespace talv {

std::string Presentity::description() const {
    return fmt::format("<{} ({})>", senderID.value_or("(null)"), service.value_or("(null)"));
}

std::string InstantMessage::description() const {
    return fmt::format("<IM 0x{:X}> {}: {}", reinterpret_cast<std::uintptr_t>(this), sender ? sender->description() : "(null)",
                       text ? text->utf8() : "");
}

namespace {

template <typename Decoder>
std::optional<std::string> optionalText(Decoder& coder, const ObjectPtr& object, std::string_view what) {
    if (!object) return std::nullopt;
    auto text = textOf(object);
    if (!text) coder.fail(fmt::format("{}: {} is a {}", coder.className(), what, object->className()));
    return text;
}

template <typename Decoder>
ObjectPtr makePresentity(Decoder& coder, const ObjectPtr& service, const ObjectPtr& senderID) {
    auto presentity = std::make_shared<Presentity>();
    presentity->service = optionalText(coder, service, "service");
    presentity->senderID = optionalText(coder, senderID, "ID");
    return presentity;
}

// Fields of the wrong type make the message malformed rather than fail the whole archive.
ObjectPtr makeMessage(const ObjectPtr& sender, const ObjectPtr& subject, const ObjectPtr& date, const ObjectPtr& text,
                      std::uint32_t flags) {
    auto message = std::make_shared<InstantMessage>();
    auto malformed = [](std::string_view field, const ObjectPtr& object) {
        return std::make_shared<MalformedMessage>(fmt::format("InstantMessage: {} is a {}", field, object->className()));
    };
    message->sender = std::dynamic_pointer_cast<const Presentity>(sender);
    if (sender && !message->sender) return malformed("sender", sender);
    message->subject = std::dynamic_pointer_cast<const Presentity>(subject);
    if (subject && !message->subject) return malformed("subject", subject);
    if (auto* archived = objectAs<ArchivedDate>(date)) message->date = archived->date;
    else if (date) return malformed("date", date);
    if (auto* rich = objectAs<ArchivedAttributedString>(text)) {
        message->text = rich->text;
    } else if (auto* plain = objectAs<ArchivedString>(text)) {
        message->text = std::make_shared<const AttributedString>(plain->text);
    } else if (text) {
        return malformed("text", text);
    }
    message->flags = flags;
    return message;
}

// Objects are reached by reference in a keyed archive, so a damaged one costs only its message.
ObjectPtr decodeKeyedMessage(KeyedUnarchiver& c) {
    try {
        auto flags = static_cast<std::uint32_t>(c.decodeInteger("Flags").value_or(0));
        ObjectPtr sender = c.decodeObject("Sender");
        ObjectPtr subject = c.decodeObject("Subject");
        ObjectPtr date = c.decodeObject("Time");
        return makeMessage(sender, subject, date, c.decodeObject("MessageText"), flags);
    } catch (const ArchiveError& error) {
        return std::make_shared<MalformedMessage>(error.what());
    }
}

// A typedstream is read in sequence: only fields that were read whole but are of the wrong type
// can be left out; damage inside them loses the stream's place and fails the archive.
ObjectPtr decodeSequentialMessage(TypedStreamUnarchiver& c) {
    ObjectPtr sender = c.decodeObject();
    ObjectPtr date = c.decodeObject();
    ObjectPtr text = c.decodeObject();
    auto flags = c.decodeGroup();
    if (flags.size() != 1 || flags.front().type == '@')
        return std::make_shared<MalformedMessage>("InstantMessage: flags are not a number");
    return makeMessage(sender, nullptr, date, text, static_cast<std::uint32_t>(flags.front().integer));
}

template <typename Decoder>
ObjectPtr makeAIM(Decoder& coder) {
    logf("initWithCoder called on {}", coder.className());
    logf("Decoding an obj");
    ObjectPtr unknown = coder.decodeObject();
    logf("unknown obj is {}", describe(unknown));
    logf("Done Decoding obj");
    return std::make_shared<AIM>();
}

template <typename Decoder>
ObjectPtr makePerson(Decoder& coder) {
    logf("initWithCoder called on {}", coder.className());
    return std::make_shared<Person>();
}

ArchiveClassRegistry buildRegistry() {
    ArchiveClassRegistry registry;
    addFoundationClasses(registry);
    registry.add("Presentity",
                 {[](KeyedUnarchiver& c) { return makePresentity(c, c.decodeObject("ServiceName"), c.decodeObject("ID")); },
                  [](TypedStreamUnarchiver& c) {
                      ObjectPtr service = c.decodeObject();
                      return makePresentity(c, service, c.decodeObject());
                  }});
    registry.add("InstantMessage", {decodeKeyedMessage, decodeSequentialMessage});
    registry.add("AIM", {makeAIM<KeyedUnarchiver>, makeAIM<TypedStreamUnarchiver>});
    registry.add("Person", {makePerson<KeyedUnarchiver>, makePerson<TypedStreamUnarchiver>});
    return registry;
}

}  // namespace

const ArchiveClassRegistry& iChatArchiveClasses() {
    static const ArchiveClassRegistry registry = buildRegistry();
    return registry;
}

}  // namespace talv

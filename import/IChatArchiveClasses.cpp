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

template <typename Decoder>
ObjectPtr makeMessage(Decoder& coder, const ObjectPtr& sender, const ObjectPtr& date, const ObjectPtr& text,
                      std::uint32_t flags) {
    auto message = std::make_shared<InstantMessage>();
    if (sender) {
        message->sender = std::dynamic_pointer_cast<const Presentity>(sender);
        if (!message->sender) coder.fail(fmt::format("InstantMessage: sender is a {}", sender->className()));
    }
    if (date) {
        auto* archived = objectAs<ArchivedDate>(date);
        if (!archived) coder.fail(fmt::format("InstantMessage: date is a {}", date->className()));
        message->date = archived->date;
    }
    if (auto* rich = objectAs<ArchivedAttributedString>(text)) {
        message->text = rich->text;
    } else if (auto* plain = objectAs<ArchivedString>(text)) {
        message->text = std::make_shared<const AttributedString>(plain->text);
    } else if (text) {
        coder.fail(fmt::format("InstantMessage: text is a {}", text->className()));
    }
    message->flags = flags;
    return message;
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
    registry.add("InstantMessage",
                 {[](KeyedUnarchiver& c) {
                      auto flags = static_cast<std::uint32_t>(c.decodeInteger("Flags").value_or(0));
                      return makeMessage(c, c.decodeObject("Sender"), c.decodeObject("Time"), c.decodeObject("MessageText"), flags);
                  },
                  [](TypedStreamUnarchiver& c) {
                      ObjectPtr sender = c.decodeObject();
                      ObjectPtr date = c.decodeObject();
                      ObjectPtr text = c.decodeObject();
                      auto flags = c.decodeGroup();
                      if (flags.size() != 1 || flags.front().type == '@') c.fail("InstantMessage: flags are not a number");
                      return makeMessage(c, sender, date, text, static_cast<std::uint32_t>(flags.front().integer));
                  }});
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

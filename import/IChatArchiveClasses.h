#pragma once
// The classes iChat archives its transcripts with, decoded from keyed archives and typedstreams.
// `AIM` and `Person` appear in the archives but carry nothing the reader uses.
#include "import/ArchivedObject.h"
#include "platform/AttributedString.h"
#include "platform/Date.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace talv {

// One participant account.
class Presentity : public ArchivedObject {
public:
    std::string description() const override;
    std::optional<std::string> service;
    std::optional<std::string> senderID;
};

// One message or system line.
class InstantMessage : public ArchivedObject {
public:
    std::string description() const override;
    std::shared_ptr<const Presentity> sender;  // null for a line iChat wrote itself
    std::shared_ptr<const Presentity> subject;  // keyed archives: whom a system line is about
    std::optional<Date> date;
    std::shared_ptr<const AttributedString> text;
    std::uint32_t flags = 0;
};

// A message whose fields could not be decoded (a field of the wrong type, a damaged object it
// refers to): left out, the rest of the transcript is read.
class MalformedMessage : public ArchivedObject {
public:
    explicit MalformedMessage(std::string reason) : reason(std::move(reason)) {}
    std::string reason;
};

class AIM : public ArchivedObject {
public:
    std::optional<std::string> protocol;  // never filled
};

class Person : public ArchivedObject {};

// The Foundation and AppKit classes together with the four iChat classes; built once, shared by
// all threads (read only).
const ArchiveClassRegistry& iChatArchiveClasses();

}  // namespace talv

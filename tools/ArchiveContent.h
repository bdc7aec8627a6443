#pragma once
// Deterministic, realistic chat content for the archive generator: people with accounts on
// several services, and chats of messages with links, e-mail addresses, pictures and status lines.
#include "platform/Date.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace talv::tools {

enum class Service { AIM, Jabber, ICQ, GTalk };
const char* serviceName(Service s);  // "AIM", "Jabber", "ICQ", "GTalk"

struct Account {
    Service service;
    std::string handle;  // screen name, JID or number
};

struct Person {
    std::string firstName, lastName;
    std::vector<Account> accounts;
    bool hasPhoto = false;
    std::string uid;  // stable card identifier
};

enum class TranscriptFormat { IChatKeyed, IChatTypedstream, AdiumHtml, AdiumXmlFile, AdiumXmlFolder, Fire };

struct GeneratedMessage {
    std::string senderHandle;  // empty for a status line
    bool fromMe = false;
    Date time;
    std::string text;
    std::string link;  // the link inside text, when it has one
    bool hasLink = false, hasEmail = false;
    std::optional<std::uint32_t> pictureSeed;  // set for an inline picture
    bool isStatus = false;
};

struct GeneratedChat {
    TranscriptFormat format;
    Account me;                       // the local account used
    std::vector<std::size_t> people;  // indexes into the people list, in order of first appearance
    std::vector<Account> remote;      // the remote account of each person above
    std::vector<GeneratedMessage> messages;
    Date start;
};

struct ArchiveOptions {
    std::uint64_t seed = 1;
    int people = 12;
    int chats = 60;
    int messagesPerChat = 24;  // average; some chats are shorter, a few much longer
    int longChats = 0;             // chats of exactly longChatMessages messages, spread over the archive
    int longChatMessages = 10000;
    double pictureShare = 0.15, linkShare = 0.25, emailShare = 0.15;  // share of chats carrying each
    int spanDays = 3 * 365;     // how far back chats go from `now`
    Date now = Date::now();
    std::vector<TranscriptFormat> formats = {TranscriptFormat::IChatKeyed, TranscriptFormat::IChatTypedstream,
                                             TranscriptFormat::AdiumHtml, TranscriptFormat::AdiumXmlFile,
                                             TranscriptFormat::AdiumXmlFolder, TranscriptFormat::Fire};
};

struct ArchiveContent {
    Person me;
    std::vector<Person> people;
    std::vector<GeneratedChat> chats;
};

// The same options and seed always give the same content.
ArchiveContent generateArchiveContent(const ArchiveOptions& options);

// A small PNG picture (a coloured pattern) made from a seed.
std::vector<std::uint8_t> makePicture(std::uint32_t seed, int width, int height);

}  // namespace talv::tools

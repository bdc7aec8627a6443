#include "tools/ArchiveWriter.h"

#include "platform/AttributedString.h"
#include "platform/CalendarDate.h"
#include "tools/AdiumHTMLLogWriter.h"
#include "tools/AdiumXMLLogWriter.h"
#include "tools/ContactsWriter.h"
#include "tools/FireLogWriter.h"
#include "tools/IChatTranscript.h"

#include <fmt/format.h>

#include <fstream>
#include <set>
#include <stdexcept>

namespace fs = std::filesystem;

namespace talv::tools {
namespace {

std::string pictureName(std::uint32_t seed) { return "photo-" + std::to_string(seed % 100000) + ".png"; }

void writeBytes(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void mustWrite(bool written, const fs::path& path) {
    if (!written) throw std::runtime_error("cannot write " + path.string());
}

// A name that is safe as one path component, as the clients made them.
std::string safeName(std::string name) {
    for (char& c : name)
        if (c == '/' || c == ':') c = '-';
    return name;
}

std::string displayName(const ArchiveContent& content, const GeneratedChat& chat) {
    const Person& p = content.people[chat.people[0]];
    return p.firstName + " " + p.lastName;
}

AttributedString iChatText(const GeneratedMessage& m) {
    if (m.pictureSeed) {
        AttributedString text(m.text + " ");
        // Half the pictures carry the inline path as well, half only the attachment.
        std::optional<std::string> inlinePath;
        if (*m.pictureSeed % 2) inlinePath = "/Users/alex/Library/Caches/com.apple.iChat/Pictures/" + pictureName(*m.pictureSeed);
        text.append(inlineFile(makePicture(*m.pictureSeed, 160, 120), pictureName(*m.pictureSeed), inlinePath));
        return text;
    }
    const auto at = m.link.empty() ? std::string::npos : m.text.find(m.link);
    if (at == std::string::npos) return AttributedString(m.text);
    AttributedString text(m.text.substr(0, at));
    std::string url = m.link.rfind("www.", 0) == 0 ? "http://" + m.link : m.link;
    text.append(linkedText(m.link, url));
    text.append(AttributedString(m.text.substr(at + m.link.size())));
    return text;
}

// Where iChat saves a chat: named after the first person and the minute it started.
fs::path iChatPath(const fs::path& folder, const ArchiveContent& content, const GeneratedChat& chat, bool keyed) {
    const CalendarDate start(chat.start);
    const std::string name = safeName(displayName(content, chat)) + " on " +
                             start.descriptionWithCalendarFormat("%Y-%m-%d at %H.%M");
    return keyed ? folder / start.descriptionWithCalendarFormat("%Y-%m-%d") / (name + ".ichat") : folder / (name + ".chat");
}

void writeIChat(const fs::path& path, const GeneratedChat& chat, bool keyed) {
    IChatTranscript t;
    t.service = serviceName(chat.me.service);
    for (const auto& account : chat.remote) t.participants.push_back({t.service, account.handle});
    for (const auto& m : chat.messages) {
        IChatMessage im;
        if (!m.isStatus) im.sender = IChatPresentity{t.service, m.senderHandle};
        im.time = m.time;
        im.text = iChatText(m);
        im.flags = IChatFlagRead | (m.fromMe ? IChatFlagFromMe : 0);
        t.messages.push_back(std::move(im));
    }
    writeBytes(path, keyed ? writeKeyedTranscript(t) : writeTypedStreamTranscript(t));
}

// `path`, or when an earlier chat of the archive took it, the first free "name N.ext": two chats
// of one person that start in the same minute (or second) would otherwise share one file.
fs::path unusedPath(const fs::path& path, std::set<fs::path>& used) {
    fs::path candidate = path;
    for (int n = 2; !used.insert(candidate).second; ++n)
        candidate = path.parent_path() / fmt::format("{} {}{}", path.stem().string(), n, path.extension().string());
    return candidate;
}

bool withinOneDay(const GeneratedChat& chat) {
    const auto day = [](Date d) { return CalendarDate(d).descriptionWithCalendarFormat("%Y-%m-%d"); };
    return chat.messages.empty() || day(chat.start) == day(chat.messages.back().time);
}

std::vector<LogEntry> logEntries(const ArchiveContent& content, const GeneratedChat& chat, bool withPictures) {
    std::vector<LogEntry> entries;
    for (const auto& m : chat.messages) {
        LogEntry e;
        e.time = m.time;
        e.text = m.text;
        if (m.isStatus) {
            e.kind = LogEntry::Kind::Status;
            e.type = "away";
        } else {
            e.sender = m.senderHandle;
            e.fromMe = m.fromMe;
            if (!m.fromMe) {
                for (std::size_t i = 0; i < chat.remote.size(); ++i)
                    if (chat.remote[i].handle == m.senderHandle)
                        e.alias = content.people[chat.people[i]].firstName + " " + content.people[chat.people[i]].lastName;
            }
            if (m.pictureSeed && withPictures) e.picture = LogPicture{pictureName(*m.pictureSeed), makePicture(*m.pictureSeed, 160, 120)};
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace

WrittenArchive writeArchive(const fs::path& home, const ArchiveContent& content) {
    WrittenArchive out;
    out.iChatFolder = home / "Documents/iChats";
    out.adiumUserFolder = home / "Library/Application Support/Adium 2.0/Users/Default";
    out.fireFolder = home / "Library/Application Support/Fire/Sessions";
    const fs::path adiumLogs = out.adiumUserFolder / "Logs";
    std::set<fs::path> used;

    for (const auto& chat : content.chats) {
        const std::string service = serviceName(chat.me.service);
        const std::string contact = chat.remote[0].handle;
        const fs::path contactFolder = adiumLogs / (service + "." + safeName(chat.me.handle)) / safeName(contact);
        const fs::path chatlog = contactFolder / AdiumXMLLogWriter::fileName(safeName(contact), chat.start);
        fs::path path;
        switch (chat.format) {
        case TranscriptFormat::IChatKeyed:
        case TranscriptFormat::IChatTypedstream: {
            const bool keyed = chat.format == TranscriptFormat::IChatKeyed;
            path = unusedPath(iChatPath(out.iChatFolder, content, chat, keyed), used);
            writeIChat(path, chat, keyed);
            break;
        }
        case TranscriptFormat::AdiumHtml:
            // Adium 1.x renamed the old ".html" logs; both names occur in real folders.
            path = contactFolder / AdiumHTMLLogWriter::fileName(safeName(contact), chat.start);
            if (out.files % 2) path.replace_extension(".AdiumHTMLLog");
            fs::create_directories(contactFolder);
            if (!used.count(path) && withinOneDay(chat)) {
                used.insert(path);
                mustWrite(AdiumHTMLLogWriter::write(path, logEntries(content, chat, false)), path);
                break;
            }
            // An HTML log holds one contact's day, its times no date: another chat of that day,
            // or one that goes on past midnight, is written as XML.
            [[fallthrough]];
        case TranscriptFormat::AdiumXmlFile:
            path = unusedPath(chatlog, used);
            fs::create_directories(contactFolder);
            mustWrite(AdiumXMLLogWriter::writeFile(path, chat.me.handle, service, logEntries(content, chat, false)), path);
            break;
        case TranscriptFormat::AdiumXmlFolder:
            path = unusedPath(chatlog, used);
            mustWrite(AdiumXMLLogWriter::writeFolder(path, chat.me.handle, service, logEntries(content, chat, true)), path);
            break;
        case TranscriptFormat::Fire:
            path = unusedPath(out.fireFolder / (safeName(contact) + "-" + service) / FireLogWriter::fileName(chat.start), used);
            fs::create_directories(path.parent_path());
            mustWrite(FireLogWriter::write(path, service, logEntries(content, chat, false)), path);
            break;
        }
        out.transcripts.push_back(path);
        ++out.files;
    }
    writeBuddyList(out.adiumUserFolder / "libpurple/blist.xml", content);
    return out;
}

}  // namespace talv::tools

// talvessa-mkarchive: writes a home folder of chat transcripts as iChat, Adium and Fire laid them
// out, with the people's address cards and Adium's contact list. The same seed gives the same files.
#include "platform/CommandLine.h"
#include "platform/UserDefaults.h"
#include "tools/ArchiveWriter.h"
#include "tools/ContactsWriter.h"

#include <fmt/format.h>

#include <clocale>
#include <map>

using namespace talv;
using namespace talv::tools;

namespace {

const std::vector<OptionSpec> kOptions = {
    {"seed", true, false, "seed of the content (default 1)"},
    {"people", true, false, "number of people (default 12)"},
    {"chats", true, false, "number of chats (default 60)"},
    {"messages", true, false, "average messages per chat (default 24)"},
    {"long-chats", true, false, "number of chats of --long-messages messages each (default 0)"},
    {"long-messages", true, false, "messages in each long chat (default 10000)"},
    {"pictures", true, false, "share of chats with a picture, 0 to 1 (default 0.15)"},
    {"links", true, false, "share of chats with a link (default 0.25)"},
    {"emails", true, false, "share of chats with an e-mail address (default 0.15)"},
    {"span-days", true, false, "how many days back the chats go (default 1095)"},
    {"formats", true, false, "comma-separated: ichat,chat,adium-html,chatlog-file,chatlog-folder,fire (default all)"},
    {"contacts", true, false, "also write the people's vCards into this folder and make it the address book"},
    {"help", false, false, "show this help"},
};

int usage(int code) {
    fmt::print(code ? stderr : stdout, "Usage: talvessa-mkarchive DIR [OPTIONS]\n\nOptions:\n{}", describeOptions(kOptions));
    return code;
}

std::vector<TranscriptFormat> parseFormats(const std::string& list) {
    static const std::map<std::string, TranscriptFormat> names = {
        {"ichat", TranscriptFormat::IChatKeyed},          {"chat", TranscriptFormat::IChatTypedstream},
        {"adium-html", TranscriptFormat::AdiumHtml},      {"chatlog-file", TranscriptFormat::AdiumXmlFile},
        {"chatlog-folder", TranscriptFormat::AdiumXmlFolder}, {"fire", TranscriptFormat::Fire}};
    std::vector<TranscriptFormat> formats;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        auto it = names.find(list.substr(start, end - start));
        if (it == names.end()) throw std::invalid_argument("unknown format '" + list.substr(start, end - start) + "'");
        formats.push_back(it->second);
        start = end + 1;
    }
    return formats;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::string error;
    auto args = parseArguments({argv + 1, argv + argc}, kOptions, error);
    if (!args) {
        fmt::print(stderr, "talvessa-mkarchive: {}\n", error);
        return usage(2);
    }
    if (args->has("help")) return usage(0);
    if (args->positionals.size() != 1) return usage(2);

    ArchiveOptions options;
    try {
        if (auto v = args->value("seed")) options.seed = std::stoull(*v);
        if (auto v = args->value("people")) options.people = std::max(1, std::stoi(*v));
        if (auto v = args->value("chats")) options.chats = std::max(0, std::stoi(*v));
        if (auto v = args->value("messages")) options.messagesPerChat = std::max(1, std::stoi(*v));
        if (auto v = args->value("long-chats")) options.longChats = std::max(0, std::stoi(*v));
        if (auto v = args->value("long-messages")) options.longChatMessages = std::max(1, std::stoi(*v));
        if (auto v = args->value("pictures")) options.pictureShare = std::stod(*v);
        if (auto v = args->value("links")) options.linkShare = std::stod(*v);
        if (auto v = args->value("emails")) options.emailShare = std::stod(*v);
        if (auto v = args->value("span-days")) options.spanDays = std::max(1, std::stoi(*v));
        if (auto v = args->value("formats")) options.formats = parseFormats(*v);
    } catch (const std::exception& e) {
        fmt::print(stderr, "talvessa-mkarchive: bad option value: {}\n", e.what());
        return 2;
    }

    const ArchiveContent content = generateArchiveContent(options);
    try {
        const WrittenArchive written = writeArchive(args->positionals[0], content);
        fmt::print("Wrote {} transcripts of {} people into {}\n", written.files, content.people.size(), args->positionals[0]);
        if (auto contacts = args->value("contacts")) {
            writeVCards(*contacts, content);
            auto& defaults = UserDefaults::standard();
            defaults.setObject("AddressBookFolder", *contacts);
            defaults.setObject("AddressBookMeCard", cardUniqueID(content.me));
            defaults.synchronize();
            fmt::print("Wrote {} address cards into {}\n", content.people.size() + 1, *contacts);
        }
    } catch (const std::exception& e) {
        fmt::print(stderr, "talvessa-mkarchive: {}\n", e.what());
        return 1;
    }
    return 0;
}

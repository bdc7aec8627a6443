// Writes seed transcripts for the fuzz targets: every feature the writers know, in both formats.
// Usage: seed-writer KEYED_DIR TYPED_DIR
#include "tools/IChatTranscript.h"

#include <fstream>
#include <string>

using namespace talv;
using namespace talv::tools;

namespace {

void save(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    IChatPresentity alice{"AIM", "alice"}, path{"AIM", "/Users/me/bob"};
    IChatTranscript chat;
    chat.participants = {alice, path, IChatPresentity{"Jabber", std::nullopt}};
    AttributedString rich(std::string_view("see "));
    rich.append(linkedText("this", "http://example.com/a"));
    rich.append(inlineFile(Bytes{0x89, 'P', 'N', 'G', 0, 1}, "p.png", "/tmp/p.png"));
    rich.append(inlineFile(Bytes{1, 2, 3}, "q.png", std::nullopt));
    rich.append(AttributedString(std::string_view(" mail x@example.com \xC3\xA9\xF0\x9F\x98\x80"), {{"NSColor", Value(3)}}));
    chat.messages = {{alice, Date{1.2e9}, rich, IChatFlagRead},
                     {path, Date{1.2e9 + 60.5}, AttributedString(std::string_view("from a path")), IChatFlagRead | IChatFlagPathSender},
                     {std::nullopt, Date{1.2e9 + 120}, AttributedString(std::string_view("%@ left")), IChatFlagRead},
                     {alice, std::nullopt, AttributedString(), IChatFlagRead | IChatFlagFromMe | IChatFlagHidden}};
    std::string keyed = argv[1], typed = argv[2];
    save(keyed + "/transcript.ichat", writeKeyedTranscript(chat));
    save(typed + "/transcript.chat", writeTypedStreamTranscript(chat));
    save(typed + "/transcript-big-endian.chat", writeTypedStreamTranscript(chat, true));
    return 0;
}

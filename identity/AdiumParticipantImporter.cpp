#include "identity/AdiumParticipantImporter.h"

#include "platform/Log.h"
#include "platform/Paths.h"

#include <expat.h>
#include <glib.h>

#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace talv {
namespace {

struct ParserDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserPtr = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserDeleter>;

bool isWhitespace(gunichar c) { return g_unichar_isspace(c) || c == 0x0B || c == 0x85; }
bool isLineBreak(gunichar c) { return c == '\n' || c == '\r' || c == 0x85 || c == 0x2028 || c == 0x2029; }

fs::path adiumUserFolder() { return Paths::transcriptsHome() / "Library/Application Support/Adium 2.0/Users/Default"; }

}  // namespace

struct AdiumParticipantImporter::ExpatHandlers {
    static void XMLCALL start(void* importer, const XML_Char* name, const XML_Char** attributes) {
        static_cast<AdiumParticipantImporter*>(importer)->startElement(name, attributes);
    }
    static void XMLCALL end(void* importer, const XML_Char* name) { static_cast<AdiumParticipantImporter*>(importer)->endElement(name); }
    static void XMLCALL characters(void* importer, const XML_Char* data, int length) {
        static_cast<AdiumParticipantImporter*>(importer)->characters(data, length);
    }
};

std::vector<AdiumContact> AdiumParticipantImporter::importParticipants() {
    const fs::path folder = adiumUserFolder();
    std::error_code ec;
    const fs::path old = folder / "libgaim" / "blist.xml";
    return importParticipants(fs::exists(old, ec) ? old : folder / "libpurple" / "blist.xml");
}

std::vector<AdiumContact> AdiumParticipantImporter::importParticipants(const fs::path& file) {
    result.clear();
    currentContact = {};
    currentBuffer.clear();
    inContact = false;
    inServerName = false;

    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    ParserPtr parser(XML_ParserCreate(nullptr));
    if (!parser) return {};
    XML_SetUserData(parser.get(), this);
    XML_SetElementHandler(parser.get(), &ExpatHandlers::start, &ExpatHandlers::end);
    XML_SetCharacterDataHandler(parser.get(), &ExpatHandlers::characters);

    char chunk[64 * 1024];
    bool done = false;
    while (!done) {
        in.read(chunk, sizeof chunk);
        done = in.gcount() < static_cast<std::streamsize>(sizeof chunk);
        if (XML_Parse(parser.get(), chunk, static_cast<int>(in.gcount()), done) == XML_STATUS_ERROR) {
            logf("Adium contact list {}: {} at line {}", file.string(), XML_ErrorString(XML_GetErrorCode(parser.get())),
                 XML_GetCurrentLineNumber(parser.get()));
            break;
        }
    }
    return result;
}

void AdiumParticipantImporter::startElement(const char* name, const char** attributes) {
    if (g_ascii_strcasecmp(name, "buddy") == 0) {
        inContact = true;
    } else if (g_ascii_strcasecmp(name, "setting") == 0) {
        inServerName = false;
        for (const char** a = attributes; a[0]; a += 2)
            if (std::string_view(a[0]) == "name") inServerName = g_ascii_strcasecmp(a[1], "servernick") == 0;
    }
}

void AdiumParticipantImporter::endElement(const char* name) {
    const std::string text = bufferText();
    if (g_ascii_strcasecmp(name, "buddy") == 0) {
        inContact = false;
        if (currentContact.name) result.push_back({currentContact.participant, *currentContact.name});
        currentContact = {};
    } else if (g_ascii_strcasecmp(name, "name") == 0) {
        currentContact.participant = text;
    } else if (g_ascii_strcasecmp(name, "alias") == 0) {
        // An empty alias names nobody, like an empty server nickname.
        if (currentContact.participant != text && !text.empty()) currentContact.name = text;
    } else if (g_ascii_strcasecmp(name, "setting") == 0 && inServerName) {
        if (!currentContact.name && !text.empty()) currentContact.name = text;
        inServerName = false;
    }
    currentBuffer.clear();
}

void AdiumParticipantImporter::characters(const char* data, int length) {
    if (inContact) currentBuffer.append(data, static_cast<std::size_t>(length));
}

// The buffer trimmed at both ends, without the white space at its line breaks: a name written
// over two indented lines is joined as one word, whatever pieces the parser delivered it in.
std::string AdiumParticipantImporter::bufferText() const {
    std::string text;
    std::string pendingSpace;
    bool spaceHasBreak = false;
    for (const char* p = currentBuffer.c_str(); *p; p = g_utf8_next_char(p)) {
        const gunichar c = g_utf8_get_char(p);
        const char* next = g_utf8_next_char(p);
        if (isWhitespace(c)) {
            pendingSpace.append(p, next);
            spaceHasBreak = spaceHasBreak || isLineBreak(c);
            continue;
        }
        if (!text.empty() && !spaceHasBreak) text += pendingSpace;
        pendingSpace.clear();
        spaceHasBreak = false;
        text.append(p, next);
    }
    return text;
}

}  // namespace talv

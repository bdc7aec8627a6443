#include "import/OVXMLEngine.h"

#include <expat.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace talv {
namespace {

void XMLCALL startElement(void* engine, const XML_Char* name, const XML_Char** attributes) {
    static_cast<OVXMLEngine*>(engine)->didStartElement(name, attributes);
}

void XMLCALL endElement(void* engine, const XML_Char*) { static_cast<OVXMLEngine*>(engine)->didEndElement(); }

void XMLCALL characters(void* engine, const XML_Char* text, int length) {
    static_cast<OVXMLEngine*>(engine)->foundCharacters(std::string_view(text, static_cast<std::size_t>(length)));
}

}  // namespace

void OVXMLEngine::didStartElement(const char* name, const char** attributes) {
    if (++depth_ > kMaxDepth) {
        XML_StopParser(parser_, XML_FALSE);
        return;
    }
    OVXMLEntity::Attributes map;
    for (const char** a = attributes; a[0] && a[1]; a += 2) map.emplace(a[0], a[1]);
    if (receiver_) {
        receiver_ = receiver_->didStartElement(name, std::move(map));
    } else {
        entities_.push_back(std::make_unique<OVXMLEntity>(name, nullptr, std::move(map)));
        receiver_ = entities_.back().get();
    }
}

void OVXMLEngine::didEndElement() {
    if (depth_-- > kMaxDepth) return;  // an element that was never built
    if (receiver_) receiver_ = receiver_->didEndElement();
}

void OVXMLEngine::foundCharacters(std::string_view text) {
    if (receiver_) receiver_->foundCharacters(text);
}

OVXMLEntityList OVXMLEngine::run(std::istream& in) {
    entities_.clear();
    receiver_ = nullptr;
    depth_ = 0;
    std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate(nullptr), &XML_ParserFree);
    if (!parser) return {};
    parser_ = parser.get();
    XML_SetUserData(parser_, this);
    XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetElementHandler(parser_, startElement, endElement);
    XML_SetCharacterDataHandler(parser_, characters);

    // The first fatal error (or a stop) ends the parse; what was built so far is the result.
    char buffer[64 * 1024];
    bool ok = true;
    while (ok) {
        in.read(buffer, sizeof buffer);
        std::streamsize count = in.gcount();
        bool final = count < static_cast<std::streamsize>(sizeof buffer);
        ok = XML_Parse(parser_, buffer, static_cast<int>(count), final) == XML_STATUS_OK && !final;
    }
    parser_ = nullptr;
    receiver_ = nullptr;
    return std::move(entities_);
}

OVXMLEntityList OVXMLEngine::parseXMLFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return run(in);
}

OVXMLEntityList OVXMLEngine::parseXMLData(std::string_view data) {
    std::istringstream in{std::string(data)};
    return run(in);
}

}  // namespace talv

#include "import/OVXMLEngine.h"

#include <expat.h>
#include <fmt/format.h>
#include <glib.h>

#include <memory>

namespace talv {
namespace {

void XMLCALL startElement(void* engine, const XML_Char* name, const XML_Char** attributes) {
    static_cast<OVXMLEngine*>(engine)->didStartElement(name, attributes);
}

void XMLCALL endElement(void* engine, const XML_Char*) { static_cast<OVXMLEngine*>(engine)->didEndElement(); }

void XMLCALL characters(void* engine, const XML_Char* text, int length) {
    static_cast<OVXMLEngine*>(engine)->foundCharacters(std::string_view(text, static_cast<std::size_t>(length)));
}

constexpr std::size_t kChunkSize = 64 * 1024;

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
    if (!container_ && !containerName_.empty() && g_ascii_strcasecmp(name, containerName_.c_str()) == 0)
        container_ = receiver_;
}

void OVXMLEngine::didEndElement() {
    if (depth_-- > kMaxDepth) return;  // an element that was never built
    if (!receiver_) return;
    OVXMLEntity* ended = receiver_;
    receiver_ = ended->didEndElement();
    if (container_ && receiver_ == container_) {
        (*onChild_)(*container_, *ended);
        container_->clearChildren();  // the child and the text before it
    }
}

void OVXMLEngine::foundCharacters(std::string_view text) {
    if (receiver_) receiver_->foundCharacters(text);
}

void OVXMLEngine::run(const std::function<bool(std::string_view&)>& read) {
    entities_.clear();
    receiver_ = nullptr;
    container_ = nullptr;
    depth_ = 0;
    std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate(nullptr), &XML_ParserFree);
    if (!parser) return;
    parser_ = parser.get();
    XML_SetUserData(parser_, this);
    XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetElementHandler(parser_, startElement, endElement);
    XML_SetCharacterDataHandler(parser_, characters);

    // The first fatal error (or a stop) ends the parse; what was built so far is the result.
    for (bool more = true; more;) {
        std::string_view piece;
        if (!read(piece)) break;
        more = !piece.empty();
        more = XML_Parse(parser_, piece.data(), static_cast<int>(piece.size()), !more) == XML_STATUS_OK && more;
    }
    parser_ = nullptr;
    receiver_ = nullptr;
}

OVXMLEntityList OVXMLEngine::parseXMLData(std::string_view data) {
    containerName_.clear();
    run([&](std::string_view& piece) {
        piece = data.substr(0, kChunkSize);
        data.remove_prefix(piece.size());
        return true;
    });
    return std::move(entities_);
}

OVXMLEngine::StreamOutcome OVXMLEngine::streamXMLFile(const FileSystem& fileSystem, const std::filesystem::path& path,
                                                      std::string_view container, const ChildHandler& onChild) {
    StreamOutcome outcome;
    auto file = fileSystem.openForReading(path, outcome.readError);
    if (!file) return outcome;
    containerName_ = std::string(container);
    onChild_ = &onChild;
    auto buffer = std::make_unique<char[]>(kChunkSize);
    run([&](std::string_view& piece) {
        auto count = file->read({buffer.get(), kChunkSize}, outcome.readError);
        if (!count) return false;
        piece = std::string_view(buffer.get(), *count);
        return true;
    });
    // A child cut off by the end of a damaged document still counts, with what it had.
    if (container_ && !container_->children().empty() && !container_->children().back()->isTextNode())
        onChild(*container_, *container_->children().back());
    outcome.foundElement = !entities_.empty();
    outcome.foundContainer = container_ != nullptr;
    entities_.clear();
    container_ = nullptr;
    onChild_ = nullptr;
    return outcome;
}

bool OVXMLEngine::streamLogFile(const FileSystem& fileSystem, ReadReporter& reporter, const std::filesystem::path& path,
                                std::string_view container, std::string_view logName, const ChildHandler& onChild) {
    const StreamOutcome outcome = streamXMLFile(fileSystem, path, container, onChild);
    if (outcome.readError) {
        reporter.failed(path, outcome.readError.message());
        return false;
    }
    if (!outcome.foundContainer) {
        reporter.skipped(path, outcome.foundElement ? fmt::format("Not {} (no \"{}\" element)", logName, container)
                                                    : std::string("Not an XML document"));
        return false;
    }
    return true;
}

}  // namespace talv

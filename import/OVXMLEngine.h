#pragma once
// Builds a tree of OVXMLEntity from an XML file with expat (namespaces off, no external
// entities). Parsing stops at the first fatal error, and the tree built up to it is kept, so a
// document cut off or damaged halfway still yields what came before. One engine per parse;
// engines are independent and may run on different threads.
#include "import/OVXMLEntity.h"

#include <filesystem>
#include <istream>
#include <string_view>

struct XML_ParserStruct;

namespace talv {

class OVXMLEngine {
public:
    // The top-level entities of the file; empty when it cannot be opened. Never throws.
    OVXMLEntityList parseXMLFile(const std::filesystem::path& path);
    OVXMLEntityList parseXMLData(std::string_view data);

    // Expat's callbacks, relayed to the current receiver.
    void didStartElement(const char* name, const char** attributes);
    void didEndElement();
    void foundCharacters(std::string_view text);

    // Deeper elements end the parse as an error would: the tree is walked recursively.
    static constexpr int kMaxDepth = 1000;

private:
    OVXMLEntityList run(std::istream& in);

    XML_ParserStruct* parser_ = nullptr;  // the running parse's parser, owned by run()
    OVXMLEntityList entities_;
    OVXMLEntity* receiver_ = nullptr;  // null: the engine itself receives the events
    int depth_ = 0;
    bool tooDeep_ = false;
};

}  // namespace talv

#pragma once
// Builds a tree of OVXMLEntity from an XML document with expat (namespaces off, no external
// entities). Parsing stops at the first fatal error, and the tree built up to it is kept, so a
// document cut off or damaged halfway still yields what came before. One engine per parse;
// engines are independent and may run on different threads.
#include "import/OVXMLEntity.h"
#include "import/ReadReporter.h"
#include "platform/FileSystem.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

struct XML_ParserStruct;

namespace talv {

class OVXMLEngine {
public:
    // Receives each child element of the container as soon as it has ended (with the container,
    // whose attributes are complete); the child is dropped afterwards.
    using ChildHandler = std::function<void(const OVXMLEntity& container, const OVXMLEntity& child)>;

    struct StreamOutcome {
        bool foundElement = false;    // the document has a root element
        bool foundContainer = false;  // ... and an element named as the container
        std::error_code readError;    // the file could not be read to its end
    };

    // The top-level entities of the document. Never throws.
    OVXMLEntityList parseXMLData(std::string_view data);

    // Reads `path` in pieces and hands the children of the first element named `container`
    // (ignoring case, in document order) to `onChild` one at a time, so a long log is never held
    // whole. A child cut off by a fatal error is handed on last, with what it had.
    StreamOutcome streamXMLFile(const FileSystem& fileSystem, const std::filesystem::path& path,
                                std::string_view container, const ChildHandler& onChild);

    // streamXMLFile for the log readers: false, told to `reporter`, when the file cannot be read or
    // holds no `container` element (`logName` names the kind of log in that report).
    bool streamLogFile(const FileSystem& fileSystem, ReadReporter& reporter, const std::filesystem::path& path,
                       std::string_view container, std::string_view logName, const ChildHandler& onChild);

    // Expat's callbacks, relayed to the current receiver.
    void didStartElement(const char* name, const char** attributes);
    void didEndElement();
    void foundCharacters(std::string_view text);

    // Deeper elements end the parse as an error would: the tree is walked recursively.
    static constexpr int kMaxDepth = 1000;

private:
    // Feeds the parser until `read` gives no more (0) or fails (false), or the document breaks.
    void run(const std::function<bool(std::string_view&)>& read);

    XML_ParserStruct* parser_ = nullptr;  // the running parse's parser, owned by run()
    OVXMLEntityList entities_;
    OVXMLEntity* receiver_ = nullptr;  // null: the engine itself receives the events
    int depth_ = 0;
    std::string containerName_;  // empty: the whole tree is kept
    OVXMLEntity* container_ = nullptr;
    const ChildHandler* onChild_ = nullptr;
};

}  // namespace talv
